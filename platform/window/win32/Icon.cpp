// Icons from icon-group resources, made by the system: the group image our
// fitting rule picks (the same rule as on Linux) becomes an icon through
// CreateIconFromResourceEx, which reads both kinds of image an icon group
// holds (PNG and device-independent bitmaps). What each icon was made from
// is remembered until DestroyIcon.
#include "platform/window/Icon.h"

#include <map>
#include <mutex>
#include <vector>

#include "platform/window/internal/IconFit.h"
// After our headers (it undefines the system's generic-text names).
#include "platform/base/win32/Win32.h"

namespace os {

using win32::As;

namespace {

struct IconBook {
  std::mutex mutex;
  std::map<HICON, ICONDETAILS> details;
};

IconBook& Book() {
  static IconBook book;
  return book;
}

}  // namespace

HANDLE LoadImage(HINSTANCE instance, const ResourceName& name, UINT type, int cx, int cy, UINT) {
  if (type != IMAGE_ICON || cx <= 0 || cy <= 0) return nullptr;
  const std::vector<IconImage> images = LoadIconGroup(instance, name);
  const IconImage* best = internal::BestIconFit(images, cx, cy);
  if (best == nullptr || best->size > 0xFFFFFFFFu) return nullptr;
  // The system reads the bytes and does not keep them; it wants them writable
  // in its declaration only.
  auto* bytes = static_cast<::PBYTE>(const_cast<void*>(best->data));
  ::HICON made = ::CreateIconFromResourceEx(bytes, static_cast<::DWORD>(best->size), TRUE, 0x00030000, cx, cy,
                                            LR_DEFAULTCOLOR);
  if (made == nullptr) return nullptr;
  const HICON icon = As<HICON>(made);
  std::lock_guard lock(Book().mutex);
  Book().details[icon] = ICONDETAILS{*best, cx, cy};
  return icon;
}

BOOL DestroyIcon(HICON icon) {
  if (icon == nullptr) return FALSE;
  {
    std::lock_guard lock(Book().mutex);
    Book().details.erase(icon);
  }
  return ::DestroyIcon(As<::HICON>(icon));
}

bool GetIconDetails(HICON icon, ICONDETAILS* details) {
  if (icon == nullptr || details == nullptr) return false;
  std::lock_guard lock(Book().mutex);
  auto found = Book().details.find(icon);
  if (found == Book().details.end()) return false;
  *details = found->second;
  return true;
}

}  // namespace os
