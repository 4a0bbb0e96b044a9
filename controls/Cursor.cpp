#include "controls/Cursor.h"

#include "platform/Input.h"
#include "platform/Messages.h"

namespace Kesto {

void SetArrowCursor() { os::SetCursor(os::LoadCursor(nullptr, os::IDC_ARROW)); }

}  // namespace Kesto
