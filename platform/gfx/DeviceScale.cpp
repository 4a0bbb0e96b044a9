#include "platform/gfx/DeviceScale.h"

#include <algorithm>

namespace os {

DeviceScale::DeviceScale(int factor) : factor_(std::clamp(factor, 1, kMaxFactor)) {}

POINT DeviceScale::ToDevice(POINT logical) const { return POINT{ToDevice(logical.x), ToDevice(logical.y)}; }

SIZE DeviceScale::ToDevice(SIZE logical) const { return SIZE{ToDevice(logical.cx), ToDevice(logical.cy)}; }

RECT DeviceScale::ToDevice(const RECT& logical) const {
  return RECT{ToDevice(logical.left), ToDevice(logical.top), ToDevice(logical.right),
              ToDevice(logical.bottom)};
}

int DeviceScale::PositionToLogical(int device) const {
  // Integer division truncates towards zero; a negative position must not.
  const int quotient = device / factor_;
  return device % factor_ < 0 ? quotient - 1 : quotient;
}

int DeviceScale::LengthToLogical(int device) const { return -PositionToLogical(-device); }

POINT DeviceScale::ToLogical(POINT device) const {
  return POINT{PositionToLogical(device.x), PositionToLogical(device.y)};
}

SIZE DeviceScale::ToLogical(SIZE device) const {
  return SIZE{LengthToLogical(device.cx), LengthToLogical(device.cy)};
}

RECT DeviceScale::ToLogical(const RECT& device) const {
  return RECT{PositionToLogical(device.left), PositionToLogical(device.top), LengthToLogical(device.right),
              LengthToLogical(device.bottom)};
}

DeviceScale DeviceScale::FittingExtent(SIZE logical, int maxDeviceSide) const {
  const int longest = std::max<int>({static_cast<int>(logical.cx), static_cast<int>(logical.cy), 1});
  int factor = factor_;
  while (factor > 1 && longest > maxDeviceSide / factor) --factor;
  return DeviceScale(factor);
}

}  // namespace os
