#include "controls/CheckBox.h"

namespace Kesto {

std::u16string_view CCheckBoxUI::GetClass() const { return u"CheckBoxUI"; }

}  // namespace Kesto
