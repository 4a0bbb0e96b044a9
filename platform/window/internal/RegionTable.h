// Regions handed out by CreateRectRgn and CreateRoundRectRgn until they are
// deleted or a window takes one over (SetWindowRgn). Handles are never
// reused while the table lives.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "platform/window/Backend.h"

namespace os::internal {

class RegionTable {
 public:
  HRGN Add(const WindowShape& shape);
  const WindowShape* Find(HRGN region) const;
  bool Remove(HRGN region);
  // Gives an existing region a new shape; false for an unknown handle.
  bool Replace(HRGN region, const WindowShape& shape);
  // The shape, which leaves the table (a window owns it from now on).
  std::optional<WindowShape> Take(HRGN region);

 private:
  std::unordered_map<std::uintptr_t, WindowShape> regions_;
  std::uintptr_t next_ = 0x40000;
};

}  // namespace os::internal
