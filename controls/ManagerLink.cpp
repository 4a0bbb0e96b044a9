#include "controls/ManagerLink.h"

#include "Core/UIManager.h"
#include "controls/Render.h"

namespace Kesto::link {

// Until the manager's control operations are in place these do the least
// that keeps a control tree consistent on its own.
void Invalidate(UIManager*, const RECT&) {}
void NeedLayout(UIManager*) {}
CControlUI* Focus(UIManager*) { return nullptr; }
void SetFocus(UIManager*, CControlUI*) {}
void Forget(UIManager*, CControlUI*) {}
void SendNotify(UIManager*, CControlUI*, std::u16string_view, WPARAM, LPARAM) {}
void UseVirtualWindows(UIManager*) {}
void InitControl(UIManager* manager, CControlUI* control, CControlUI* parent) {
  control->SetOwner(manager, parent, true);
}
void DestroyLater(UIManager*, CControlUI* control) { delete control; }
bool SetTimer(UIManager*, CControlUI*, UINT, UINT) { return false; }
void KillTimer(UIManager*, CControlUI*, UINT) {}
const std::u16string* DefaultAttributes(UIManager* manager, std::u16string_view tag) {
  return manager != nullptr ? manager->DefaultAttributesFor(tag) : nullptr;
}
int DefaultFontHeight(UIManager*) { return 0; }
DWORD AdjustColor(UIManager*, DWORD color) { return color; }
void SetArrowCursor() {}
bool DrawImageString(os::Canvas&, UIManager* manager, const RECT&, const RECT&, std::u16string_view,
                     std::u16string_view) {
  return manager != nullptr;
}

}  // namespace Kesto::link
