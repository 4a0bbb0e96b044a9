// Logical units and device pixels. Everything above the backends measures in
// logical units (skin sizes, window rectangles, mouse positions); a surface on
// a high-density screen has `factor` device pixels per logical unit along each
// axis, and its back buffers carry that many pixels. Only the places where
// pixels meet the desktop convert: back buffers, shape masks, presents.
//
// Rounding: a logical value becomes device pixels by multiplication (exact).
// A device position becomes the logical unit that holds it, rounding towards
// minus infinity, so a pixel left of or above the origin (a monitor placed
// left of the primary one) lands in the unit before it rather than in unit 0.
// A device size or rectangle becomes the logical one that covers every pixel
// of it: an odd device width at factor 2 rounds up, never drops a column.
#pragma once

#include "platform/base/Types.h"

namespace os {

class DeviceScale {
 public:
  // A factor below 1 (an unset or nonsense desktop setting) means 1; one
  // above kMaxFactor is cut to it.
  static constexpr int kMaxFactor = 8;
  DeviceScale() = default;
  explicit DeviceScale(int factor);

  int Factor() const { return factor_; }
  bool IsIdentity() const { return factor_ == 1; }

  int ToDevice(int logical) const { return logical * factor_; }
  POINT ToDevice(POINT logical) const;
  SIZE ToDevice(SIZE logical) const;
  RECT ToDevice(const RECT& logical) const;

  // The logical unit holding the device pixel (floor).
  int PositionToLogical(int device) const;
  // The logical length covering `device` pixels (ceiling).
  int LengthToLogical(int device) const;
  POINT ToLogical(POINT device) const;
  SIZE ToLogical(SIZE device) const;
  // The smallest logical rectangle covering the device one.
  RECT ToLogical(const RECT& device) const;

  // The largest factor, at most this one, that keeps a logical extent's
  // device pixels within maxDeviceSide along each axis (at least 1).
  DeviceScale FittingExtent(SIZE logical, int maxDeviceSide) const;

  bool operator==(const DeviceScale& other) const { return factor_ == other.factor_; }
  bool operator!=(const DeviceScale& other) const { return factor_ != other.factor_; }

 private:
  int factor_ = 1;
};

}  // namespace os
