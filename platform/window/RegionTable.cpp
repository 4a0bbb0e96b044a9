// The region table.
#include "platform/window/internal/RegionTable.h"

namespace os::internal {

HRGN RegionTable::Add(const WindowShape& shape) {
  const std::uintptr_t value = next_;
  next_ += 4;
  regions_[value] = shape;
  return reinterpret_cast<HRGN>(value);
}

const WindowShape* RegionTable::Find(HRGN region) const {
  auto it = regions_.find(reinterpret_cast<std::uintptr_t>(region));
  return it == regions_.end() ? nullptr : &it->second;
}

bool RegionTable::Remove(HRGN region) {
  return regions_.erase(reinterpret_cast<std::uintptr_t>(region)) != 0;
}

bool RegionTable::Replace(HRGN region, const WindowShape& shape) {
  auto it = regions_.find(reinterpret_cast<std::uintptr_t>(region));
  if (it == regions_.end()) return false;
  it->second = shape;
  return true;
}

std::optional<WindowShape> RegionTable::Take(HRGN region) {
  auto it = regions_.find(reinterpret_cast<std::uintptr_t>(region));
  if (it == regions_.end()) return std::nullopt;
  WindowShape shape = it->second;
  regions_.erase(it);
  return shape;
}

}  // namespace os::internal
