#include "controls/Cursor.h"

#include "platform/window/Input.h"
#include "platform/window/Messages.h"

namespace Kesto {

void SetArrowCursor() { os::SetCursor(os::LoadCursor(nullptr, os::IDC_ARROW)); }
void SetHandCursor() { os::SetCursor(os::LoadCursor(nullptr, os::IDC_HAND)); }
void SetSizeNSCursor() { os::SetCursor(os::LoadCursor(nullptr, os::IDC_SIZENS)); }
void SetSizeWECursor() { os::SetCursor(os::LoadCursor(nullptr, os::IDC_SIZEWE)); }

}  // namespace Kesto
