// The few things controls ask of their window's manager, in one place.
#pragma once

#include <string>
#include <string_view>

#include "controls/Control.h"

namespace Kesto::link {

void Invalidate(UIManager* manager, const RECT& rc);
void NeedLayout(UIManager* manager);
CControlUI* Focus(UIManager* manager);
void SetFocus(UIManager* manager, CControlUI* control);
void Forget(UIManager* manager, CControlUI* control);
void SendNotify(UIManager* manager, CControlUI* sender, std::u16string_view type, WPARAM wParam = 0,
                LPARAM lParam = 0);
void UseVirtualWindows(UIManager* manager);
// Attaches a control (and its subtree) to the manager under the parent.
void InitControl(UIManager* manager, CControlUI* control, CControlUI* parent);
void DestroyLater(UIManager* manager, CControlUI* control);
bool SetTimer(UIManager* manager, CControlUI* control, UINT id, UINT elapse);
void KillTimer(UIManager* manager, CControlUI* control, UINT id);
const std::u16string* DefaultAttributes(UIManager* manager, std::u16string_view tag);
int DefaultFontHeight(UIManager* manager);
DWORD AdjustColor(UIManager* manager, DWORD color);
void SetArrowCursor();
bool DrawImageString(os::Canvas& dc, UIManager* manager, const RECT& item, const RECT& paint,
                     std::u16string_view drawString, std::u16string_view modify);

}  // namespace Kesto::link
