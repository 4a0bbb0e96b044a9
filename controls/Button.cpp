#include "controls/Button.h"

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "controls/Render.h"
#include "controls/TabLayout.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Button", CButtonUI)

CButtonUI::CButtonUI() { textStyle_ = os::DT_SINGLELINE | os::DT_VCENTER | os::DT_CENTER; }

CButtonUI::~CButtonUI() = default;

std::u16string_view CButtonUI::GetClass() const { return u"ButtonUI"; }

void* CButtonUI::GetInterface(std::u16string_view name) {
  if (name == u"Button") return static_cast<CButtonUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
  UINT flags = 0;
  if (IsKeyboardEnabled()) flags |= ControlFlag::TabStop;
  if (IsEnabled()) flags |= ControlFlag::SetCursor;
  return flags;
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  SendNotify(u"click");
  BindTriggerTabSel();
  return true;
}

void CButtonUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!enabled) buttonState_ = 0;
}

void CButtonUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CLabelUI::DoEvent(event);
    }
    return;
  }
  const bool inside = rect::Contains(item_, event.mouse);
  switch (event.type) {
    case UIEvent::SetFocus:
      focused_ = true;
      Invalidate();
      return;
    case UIEvent::KillFocus:
      focused_ = false;
      Invalidate();
      return;
    case UIEvent::KeyDown:
      if (IsKeyboardEnabled() && (event.key == os::VK_SPACE || event.key == os::VK_RETURN)) {
        Activate();
        return;
      }
      break;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
      if (inside && IsEnabled()) {
        buttonState_ |= UIState::Pushed | UIState::Captured;
        Invalidate();
      }
      return;
    case UIEvent::MouseMove:
      if ((buttonState_ & UIState::Captured) != 0) {
        // Pressed look only while the pointer is over the button: releasing
        // outside cancels the click.
        if (inside) {
          buttonState_ |= UIState::Pushed;
        } else {
          buttonState_ &= ~UIState::Pushed;
        }
        Invalidate();
      }
      return;
    case UIEvent::ButtonUp:
      if ((buttonState_ & UIState::Captured) != 0) {
        buttonState_ &= ~(UIState::Pushed | UIState::Captured);
        Invalidate();
        if (inside) Activate();
      }
      return;
    case UIEvent::ContextMenu:
      if (IsContextMenuUsed()) SendNotify(u"menu", event.wParam, event.lParam);
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) {
        buttonState_ |= UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::MouseLeave:
      if (IsEnabled()) {
        buttonState_ &= ~UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::SetCursor:
      SetHandCursor();
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"normalimage") {
    SetNormalImage(value);
  } else if (name == u"hotimage") {
    SetHotImage(value);
  } else if (name == u"pushedimage") {
    SetPushedImage(value);
  } else if (name == u"focusedimage") {
    SetFocusedImage(value);
  } else if (name == u"disabledimage") {
    SetDisabledImage(value);
  } else if (name == u"foreimage") {
    SetForeImage(value);
  } else if (name == u"hotforeimage") {
    SetHotForeImage(value);
  } else if (name == u"bindtabindex") {
    BindTabIndex(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"bindtablayoutname") {
    BindTabLayoutName(value);
  } else if (name == u"hotbkcolor") {
    SetHotBkColor(attr::ParseColor(value));
  } else if (name == u"hottextcolor") {
    SetHotTextColor(attr::ParseColor(value));
  } else if (name == u"pushedtextcolor") {
    SetPushedTextColor(attr::ParseColor(value));
  } else if (name == u"focusedtextcolor") {
    SetFocusedTextColor(attr::ParseColor(value));
  } else if (name == u"multiline") {
    if (attr::ParseBool(value)) {
      SetTextStyle((textStyle_ & ~os::DT_SINGLELINE) | os::DT_WORDBREAK);
    } else {
      SetTextStyle((textStyle_ & ~os::DT_WORDBREAK) | os::DT_SINGLELINE);
    }
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

SIZE CButtonUI::EstimateSize(SIZE /*available*/) {
  // Buttons keep "autocalcwidth" but are never sized by their text.
  if (fixedSize_.cy != 0) return fixedSize_;
  int textHeight = 0;
  if (manager_ != nullptr) {
    if (const FontInfo* font = manager_->FontAt(font_)) textHeight = font->Metrics().height;
  }
  return SIZE{fixedSize_.cx, textHeight + 8};
}

void CButtonUI::SetImage(std::u16string& field, std::u16string_view image) {
  if (field == image) return;
  field.assign(image);
  Invalidate();
}

void CButtonUI::SetNormalImage(std::u16string_view image) { SetImage(normalImage_, image); }
void CButtonUI::SetHotImage(std::u16string_view image) { SetImage(hotImage_, image); }
void CButtonUI::SetPushedImage(std::u16string_view image) { SetImage(pushedImage_, image); }
void CButtonUI::SetFocusedImage(std::u16string_view image) { SetImage(focusedImage_, image); }
void CButtonUI::SetDisabledImage(std::u16string_view image) { SetImage(disabledImage_, image); }
void CButtonUI::SetHotForeImage(std::u16string_view image) { SetImage(hotForeImage_, image); }
void CButtonUI::SetPushedForeImage(std::u16string_view image) { SetImage(pushedForeImage_, image); }

void CButtonUI::SetHotBkColor(DWORD color) {
  hotBkColor_ = color;
  Invalidate();
}

void CButtonUI::SetHotTextColor(DWORD color) {
  hotTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetPushedTextColor(DWORD color) {
  pushedTextColor_ = color;
  Invalidate();
}

void CButtonUI::SetFocusedTextColor(DWORD color) {
  focusedTextColor_ = color;
  Invalidate();
}

void CButtonUI::BindTabIndex(int index) { bindTabIndex_ = index; }
void CButtonUI::BindTabLayoutName(std::u16string_view name) { bindTabLayoutName_.assign(name); }

void CButtonUI::BindTriggerTabSel(int index) {
  if (bindTabLayoutName_.empty() || (bindTabIndex_ < 0 && index < 0) || manager_ == nullptr) return;
  CControlUI* control = manager_->FindControlByName(bindTabLayoutName_);
  if (control == nullptr) return;
  auto* tab = static_cast<CTabLayoutUI*>(control->GetInterface(u"TabLayout"));
  if (tab == nullptr) return;
  tab->SelectItem(index >= 0 ? index : bindTabIndex_);
}

void CButtonUI::RefreshPaintState() {
  if (IsFocused()) {
    buttonState_ |= UIState::Focused;
  } else {
    buttonState_ &= ~UIState::Focused;
  }
  if (!IsEnabled()) {
    buttonState_ |= UIState::Disabled;
  } else {
    buttonState_ &= ~UIState::Disabled;
  }
}

bool CButtonUI::DrawStateImage(os::Canvas& dc, std::u16string& image) {
  if (image.empty()) return false;
  if (DrawImage(dc, image)) return true;
  image.clear();
  return false;
}

void CButtonUI::PaintStatusImage(os::Canvas& dc) {
  RefreshPaintState();
  const UINT state = buttonState_;
  if ((state & UIState::Disabled) != 0 && DrawStateImage(dc, disabledImage_)) return;
  if ((state & UIState::Pushed) != 0 && DrawStateImage(dc, pushedImage_)) {
    if (!pushedForeImage_.empty() && foreImage_.empty()) {
      DrawStateImage(dc, pushedForeImage_);
    } else if (!foreImage_.empty() && !DrawImage(dc, foreImage_)) {
      foreImage_.clear();
    }
    return;
  }
  if ((state & UIState::Hot) != 0) {
    if (DrawStateImage(dc, hotImage_)) {
      if (!hotForeImage_.empty() && foreImage_.empty()) {
        DrawStateImage(dc, hotForeImage_);
      } else if (!foreImage_.empty() && !DrawImage(dc, foreImage_)) {
        foreImage_.clear();
      }
      return;
    }
    if (hotBkColor_ != 0) {
      Renderer::DrawColor(dc, paintRect_, GetAdjustColor(hotBkColor_));
      return;
    }
  }
  if ((state & UIState::Focused) == 0 || !DrawStateImage(dc, focusedImage_)) DrawStateImage(dc, normalImage_);
  if (!foreImage_.empty() && !DrawImage(dc, foreImage_)) foreImage_.clear();
}

DWORD CButtonUI::StateTextColor(DWORD enabledColor) const {
  DWORD color = enabledColor;
  if (!IsEnabled()) {
    color = disabledTextColor_ != 0 || manager_ == nullptr ? disabledTextColor_
                                                           : manager_->DefaultDisabledColor();
  }
  if ((buttonState_ & UIState::Pushed) != 0 && pushedTextColor_ != 0) {
    color = pushedTextColor_;
  } else if ((buttonState_ & UIState::Hot) != 0 && hotTextColor_ != 0) {
    color = hotTextColor_;
  } else if (IsFocused() && focusedTextColor_ != 0) {
    color = focusedTextColor_;
  }
  return color;
}

void CButtonUI::PaintText(os::Canvas& dc) {
  if (text_.empty() || enabledEffect_) return;
  const DWORD normal = textColor_ != 0 || manager_ == nullptr ? textColor_ : manager_->DefaultFontColor();
  DrawLabelText(dc, StateTextColor(normal), textStyle_);
}

}  // namespace Kesto
