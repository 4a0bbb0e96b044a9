#include "controls/HorizontalLayout.h"

#include "Core/ControlRegistry.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"HorizontalLayout", CHorizontalLayoutUI)

CHorizontalLayoutUI::CHorizontalLayoutUI() : CBoxLayoutUI(LayoutAxis::Horizontal()) {}

std::u16string_view CHorizontalLayoutUI::GetClass() const { return u"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"HorizontalLayout") return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"sepwidth") {
    SetSepWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"sepimm") {
    SetSepImmMode(attr::ParseBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace Kesto
