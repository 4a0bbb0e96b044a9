#include "controls/CheckBox.h"

#include "Core/ControlRegistry.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"CheckBox", CCheckBoxUI)

std::u16string_view CCheckBoxUI::GetClass() const { return u"CheckBoxUI"; }

}  // namespace Kesto
