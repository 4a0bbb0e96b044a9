#include "gallery/GalleryWnd.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "controls/Control.h"
#include "platform/Messages.h"
#include "platform/Unicode.h"

std::vector<std::u16string> BuildableTags() {
  const Kesto::ControlRegistry& registry = Kesto::ControlRegistry::Instance();
  std::vector<std::u16string> tags = registry.Tags();
  if (registry.TreeNodes().create != nullptr) {
    // Kept sorted: the registry's list is, and callers compare lists.
    tags.insert(std::upper_bound(tags.begin(), tags.end(), std::u16string(u"TreeNode")), u"TreeNode");
  }
  return tags;
}

std::string NotificationLine(const Kesto::NotifyMsg& msg) {
  std::u16string name = msg.sender != nullptr ? msg.sender->GetName() : std::u16string();
  if (name.empty()) name = u"-";
  return os::Utf16ToUtf8(msg.type) + " " + os::Utf16ToUtf8(name) + " " + std::to_string(msg.wParam) + " " +
         std::to_string(msg.lParam);
}

GalleryWnd::GalleryWnd(std::FILE* log) : log_(log) {}

std::u16string_view GalleryWnd::GetWindowClassName() const { return kGalleryWindowClass; }

std::u16string GalleryWnd::GetSkinFolder() { return {}; }

std::u16string GalleryWnd::GetSkinFile() { return u"gallery.xml"; }

Kesto::ResourceKind GalleryWnd::GetResourceType() const { return Kesto::ResourceKind::ZipResource; }

os::ResourceName GalleryWnd::GetResourceId() const { return os::ResourceName(kGallerySkinResource); }

os::LRESULT GalleryWnd::OnDestroy(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  os::PostQuitMessage(0);
  handled = false;
  return 0;
}

void GalleryWnd::Notify(Kesto::NotifyMsg& msg) {
  const std::string line = NotificationLine(msg);
  lines_.push_back(line);
  std::fprintf(log_, "%s\n", line.c_str());
  std::fflush(log_);
  if (Kesto::CControlUI* status = GetManager().FindControlByName(u"status")) {
    status->SetText(os::Utf8ToUtf16(line));
  }
  // The standard buttons (close, minimise) keep working.
  WindowImplBase::Notify(msg);
}
