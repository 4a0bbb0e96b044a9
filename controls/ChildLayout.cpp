#include "controls/ChildLayout.h"

#include "Core/ControlRegistry.h"
#include "Core/SkinBuilder.h"
#include "Core/UIManager.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"ChildLayout", CChildLayoutUI)

CChildLayoutUI::CChildLayoutUI() = default;

std::u16string_view CChildLayoutUI::GetClass() const { return u"ChildLayoutUI"; }

void* CChildLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"ChildLayout") return static_cast<CChildLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

void CChildLayoutUI::SetChildLayoutXML(std::u16string_view file) { xmlFile_.assign(file); }

void CChildLayoutUI::Init() {
  // Built once, with the window's manager so that the file's fonts, images
  // and default attributes join the window's tables.
  if (!xmlFile_.empty() && manager_ != nullptr && (built_ == nullptr || GetItemIndex(built_) < 0)) {
    SkinBuilder builder;
    std::unique_ptr<CControlUI> built = builder.BuildTree(SkinRef(xmlFile_), std::nullopt, nullptr, manager_);
    built_ = built.get();
    if (built_ == nullptr || !Adopt(std::move(built))) {
      built_ = nullptr;
      RemoveAll();
    }
  }
  CContainerUI::Init();
}

void CChildLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"xmlfile") {
    SetChildLayoutXML(value);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace Kesto
