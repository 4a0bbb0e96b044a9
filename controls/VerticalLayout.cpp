#include "controls/VerticalLayout.h"

#include "Core/ControlRegistry.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"VerticalLayout", CVerticalLayoutUI)

CVerticalLayoutUI::CVerticalLayoutUI() : CBoxLayoutUI(LayoutAxis::Vertical()) {}

std::u16string_view CVerticalLayoutUI::GetClass() const { return u"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"VerticalLayout") return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"sepheight") {
    SetSepHeight(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"sepimm") {
    SetSepImmMode(attr::ParseBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace Kesto
