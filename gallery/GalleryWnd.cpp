#include "gallery/GalleryWnd.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "controls/Control.h"
#include "controls/ListElement.h"
#include "controls/Progress.h"
#include "platform/base/Unicode.h"
#include "platform/window/Messages.h"

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
  const std::u16string name = msg.sender != nullptr ? msg.sender->GetName() : std::u16string();
  const std::u16string_view shown = name.empty() ? std::u16string_view(u"-") : std::u16string_view(name);
  return os::Utf16ToUtf8(msg.type) + " " + os::Utf16ToUtf8(shown) + " " + std::to_string(msg.wParam) + " " +
         std::to_string(msg.lParam);
}

GalleryWnd::GalleryWnd(std::FILE* log) : log_(log) {}

std::u16string_view GalleryWnd::GetWindowClassName() const { return kGalleryWindowClass; }

std::u16string GalleryWnd::GetSkinFolder() { return {}; }

std::u16string GalleryWnd::GetSkinFile() { return u"gallery.xml"; }

Kesto::ResourceKind GalleryWnd::GetResourceType() const { return Kesto::ResourceKind::ZipResource; }

os::ResourceName GalleryWnd::GetResourceId() const { return os::ResourceName(kGallerySkinResource); }

void GalleryWnd::InitWindow() {
  struct Row {
    std::u16string_view name, kind, size;
  };
  static constexpr Row kRows[] = {
      {u"row0", u"Text", u"1 KB"},      {u"row1", u"Skin", u"9 KB"},
      {u"row2", u"Animation", u"3 KB"}, {u"row3", u"Picture", u"323 B"},
      {u"row4", u"Picture", u"241 B"},  {u"row5", u"Markup", u"{a size}42{/a}"},
      {u"row8", u"Icon", u"1 KB"},      {u"row9", u"Icon", u"2 KB"},
  };
  for (const Row& row : kRows) {
    Kesto::CControlUI* control = GetManager().FindControlByName(row.name);
    auto* text = control != nullptr
                     ? static_cast<Kesto::CListTextElementUI*>(control->GetInterface(u"ListTextElement"))
                     : nullptr;
    if (text == nullptr) continue;
    text->SetText(1, row.kind);
    text->SetText(2, row.size);
  }
  FollowSlider();
}

void GalleryWnd::FollowSlider() {
  Kesto::CControlUI* slider = GetManager().FindControlByName(u"slider");
  auto* value =
      slider != nullptr ? static_cast<Kesto::CProgressUI*>(slider->GetInterface(u"Progress")) : nullptr;
  if (value == nullptr) return;
  const std::u16string number = os::Utf8ToUtf16(std::to_string(value->GetValue()));
  if (Kesto::CControlUI* label = GetManager().FindControlByName(u"slidervalue"))
    label->SetText(u"slider " + number);
  Kesto::CControlUI* bar = GetManager().FindControlByName(u"progress");
  if (auto* progress =
          bar != nullptr ? static_cast<Kesto::CProgressUI*>(bar->GetInterface(u"Progress")) : nullptr) {
    progress->SetValue(value->GetValue());
    progress->SetText(number + u" %");
  }
}

os::LRESULT GalleryWnd::OnDestroy(os::UINT, os::WPARAM, os::LPARAM, bool& handled) {
  os::PostQuitMessage(0);
  handled = false;
  return 0;
}

void GalleryWnd::Notify(Kesto::NotifyMsg& msg) {
  if ((msg.type == u"valuechanged" || msg.type == u"movevaluechanged") && msg.sender != nullptr &&
      msg.sender->GetName() == u"slider") {
    FollowSlider();
  }
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
