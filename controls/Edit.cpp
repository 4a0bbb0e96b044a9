#include "controls/Edit.h"

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Render.h"
#include "platform/base/ShowCommands.h"
#include "platform/syscontrols/Edit.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Paint.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"Edit", CEditUI)

namespace {

// An ARGB skin colour as the GDI colour (0x00BBGGRR) native windows take.
os::COLORREF ToColorRef(DWORD argb) {
  return os::RGB(static_cast<os::BYTE>(argb >> 16), static_cast<os::BYTE>(argb >> 8),
                 static_cast<os::BYTE>(argb));
}

const FontInfo* FontOf(UIManager* manager, int index) {
  if (manager == nullptr) return nullptr;
  const FontInfo* font = manager->FontAt(index);
  return font != nullptr ? font : manager->DefaultFont();
}

}  // namespace

// --- CEditUI ---------------------------------------------------------------------------------

CEditUI::CEditUI() {
  textPadding_ = RECT{4, 3, 4, 3};
  bkColor_ = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
  if (window_ != nullptr) {
    // The window may be in the middle of one of its own messages (a
    // "return" handler that removes this field): let it go at the next
    // chance rather than now, and never back to this control.
    window_->owner_ = nullptr;
    window_->closing_ = true;
    window_->PostMessage(os::WM_CLOSE);
    window_ = nullptr;
  }
}

std::u16string_view CEditUI::GetClass() const { return u"EditUI"; }

void* CEditUI::GetInterface(std::u16string_view name) {
  if (name == u"Edit") return static_cast<CEditUI*>(this);
  return CLabelUI::GetInterface(name);
}

UINT CEditUI::GetControlFlags() const {
  return IsEnabled() ? (ControlFlag::TabStop | ControlFlag::SetCursor) : 0;
}

os::HWND CEditUI::GetNativeWindow() const { return window_ != nullptr ? window_->GetHWND() : nullptr; }

void CEditUI::SetEnabled(bool enabled) {
  CLabelUI::SetEnabled(enabled);
  if (!IsEnabled()) editState_ = 0;
}

void CEditUI::SetText(std::u16string_view text) {
  CLabelUI::SetText(text);
  if (window_ != nullptr) {
    const std::u16string copy(text);
    os::SetWindowText(window_->GetHWND(), copy.c_str());
  }
}

void CEditUI::SetPos(RECT rc) {
  CLabelUI::SetPos(rc);
  if (window_ != nullptr) {
    // The field moved (a layout, a scroll): the native window goes with it.
    const RECT pos = window_->PlacedPos();
    os::SetWindowPos(window_->GetHWND(), nullptr, pos.left, pos.top, pos.right - pos.left,
                     pos.bottom - pos.top, os::SWP_NOZORDER | os::SWP_NOACTIVATE);
  }
}

void CEditUI::SetVisible(bool visible) {
  CLabelUI::SetVisible(visible);
  // A hidden field must not leave its native window standing over nothing.
  if (!IsVisible() && window_ != nullptr && manager_ != nullptr) manager_->SetFocus(nullptr);
}

void CEditUI::SetInternVisible(bool visible) {
  CLabelUI::SetInternVisible(visible);
  if (!IsVisible() && window_ != nullptr && manager_ != nullptr) manager_->SetFocus(nullptr);
}

void CEditUI::OpenNativeWindow() {
  if (manager_ == nullptr || manager_->Window() == nullptr) return;
  if (window_ != nullptr) {
    if (!window_->closing_) return;
    // Focused again before the window that lost the focus has gone (two
    // focus changes within one message): that one goes on closing, hidden
    // and on its own, and a fresh one opens.
    window_->owner_ = nullptr;
    os::ShowWindow(window_->GetHWND(), os::SW_HIDE);
    window_ = nullptr;
  }
  auto* window = new CEditWnd();
  window_ = window;
  if (!window->Init(this)) {
    // Nothing was created, so no final message will free it.
    window_ = nullptr;
    delete window;
  }
}

void CEditUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CLabelUI::DoEvent(event);
    }
    return;
  }
  switch (event.type) {
    case UIEvent::SetCursor:
      if (IsEnabled()) {
        os::SetCursor(os::LoadCursor(nullptr, os::IDC_IBEAM));
        return;
      }
      break;
    case UIEvent::WindowSize:
      // The window was resized under the open field: focus it again once the
      // layout has placed it, which reopens the native window there.
      if (window_ != nullptr && manager_ != nullptr) manager_->SetFocusNeeded(this);
      break;
    case UIEvent::ScrollWheel:
      if (window_ != nullptr) return;
      break;
    case UIEvent::SetFocus:
      CLabelUI::DoEvent(event);
      if (IsEnabled()) {
        OpenNativeWindow();
        Invalidate();
      }
      return;
    case UIEvent::KillFocus:
      CLabelUI::DoEvent(event);
      if (IsEnabled()) Invalidate();
      return;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
    case UIEvent::RButtonDown:
      if (IsEnabled()) {
        // The native window takes the mouse from here on.
        if (manager_ != nullptr) manager_->ReleaseCapture();
        if (IsFocused() && window_ == nullptr) {
          OpenNativeWindow();
          if (window_ != nullptr && rect::Contains(item_, event.mouse)) {
            const int length = os::GetWindowTextLength(window_->GetHWND());
            SetSel(0, length == 0 ? 1 : length);
          }
        } else if (window_ != nullptr) {
          SetSelAll();
        }
      }
      return;
    case UIEvent::MouseMove:
    case UIEvent::ButtonUp:
    case UIEvent::ContextMenu:
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) {
        editState_ |= UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::MouseLeave:
      if (IsEnabled()) {
        editState_ &= ~UIState::Hot;
        Invalidate();
      }
      return;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CEditUI::SetMaxChar(int count) {
  maxChar_ = count;
  if (window_ != nullptr)
    os::SendMessage(window_->GetHWND(), os::EM_LIMITTEXT, static_cast<os::WPARAM>(count), 0);
}

void CEditUI::SetReadOnly(bool readOnly) {
  if (readOnly_ == readOnly) return;
  readOnly_ = readOnly;
  if (window_ != nullptr) os::SendMessage(window_->GetHWND(), os::EM_SETREADONLY, readOnly ? 1 : 0, 0);
  Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
  if (password_ == password) return;
  password_ = password;
  // An open field masks (or shows) at once, as the control paints it.
  if (window_ != nullptr) {
    os::SendMessage(window_->GetHWND(), os::EM_SETPASSWORDCHAR, password ? passwordChar_ : 0, 0);
  }
  Invalidate();
}

void CEditUI::SetPasswordChar(char16_t ch) {
  if (passwordChar_ == ch) return;
  passwordChar_ = ch;
  // Only a password field shows it; a plain field must stay readable.
  if (window_ != nullptr && password_) {
    os::SendMessage(window_->GetHWND(), os::EM_SETPASSWORDCHAR, passwordChar_, 0);
  }
  Invalidate();
}

void CEditUI::SetNumberOnly(bool numberOnly) {
  if (numberOnly) {
    editStyle_ |= os::ES_NUMBER;
  } else {
    editStyle_ &= ~static_cast<DWORD>(os::ES_NUMBER);
  }
}

void CEditUI::SetImage(std::u16string& field, std::u16string_view image) {
  if (field == image) return;
  field.assign(image);
  Invalidate();
}

void CEditUI::SetNormalImage(std::u16string_view image) { SetImage(normalImage_, image); }
void CEditUI::SetHotImage(std::u16string_view image) { SetImage(hotImage_, image); }
void CEditUI::SetFocusedImage(std::u16string_view image) { SetImage(focusedImage_, image); }
void CEditUI::SetDisabledImage(std::u16string_view image) { SetImage(disabledImage_, image); }

void CEditUI::SetTipValue(std::u16string_view tip) {
  tipValue_.assign(tip);
  Invalidate();
}

void CEditUI::SetTipValueColor(DWORD color) {
  tipValueColor_ = color;
  Invalidate();
}

void CEditUI::SetNativeEditTextColor(DWORD color) { nativeTextColor_ = color; }

void CEditUI::SetNativeEditBkColor(DWORD color) { nativeBkColor_ = color; }

void CEditUI::SetSel(long start, long end) {
  if (window_ == nullptr) return;
  os::SendMessage(window_->GetHWND(), os::EM_SETSEL, static_cast<os::WPARAM>(start),
                  static_cast<os::LPARAM>(end));
}

void CEditUI::SetSelAll() { SetSel(0, -1); }

void CEditUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"readonly") {
    SetReadOnly(attr::ParseBool(value));
  } else if (name == u"numberonly") {
    SetNumberOnly(attr::ParseBool(value));
  } else if (name == u"password") {
    SetPasswordMode(attr::ParseBool(value));
  } else if (name == u"passwordchar") {
    if (!value.empty()) SetPasswordChar(value[0]);
  } else if (name == u"maxchar") {
    SetMaxChar(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"normalimage") {
    SetNormalImage(value);
  } else if (name == u"hotimage") {
    SetHotImage(value);
  } else if (name == u"focusedimage") {
    SetFocusedImage(value);
  } else if (name == u"disabledimage") {
    SetDisabledImage(value);
  } else if (name == u"tipvalue") {
    SetTipValue(value);
  } else if (name == u"tipvaluecolor") {
    SetTipValueColor(attr::ParseColor(value));
  } else if (name == u"nativetextcolor") {
    SetNativeEditTextColor(attr::ParseColor(value));
  } else if (name == u"nativebkcolor") {
    SetNativeEditBkColor(attr::ParseColor(value));
  } else {
    CLabelUI::SetAttribute(name, value);
  }
}

bool CEditUI::DrawStateImage(os::Canvas& dc, std::u16string& image) {
  if (image.empty()) return false;
  if (DrawImage(dc, image)) return true;
  image.clear();  // a picture that cannot be drawn is not tried again
  return false;
}

void CEditUI::PaintStatusImage(os::Canvas& dc) {
  if (IsFocused()) {
    editState_ |= UIState::Focused;
  } else {
    editState_ &= ~UIState::Focused;
  }
  if (!IsEnabled()) {
    editState_ |= UIState::Disabled;
  } else {
    editState_ &= ~UIState::Disabled;
  }
  if ((editState_ & UIState::Disabled) != 0) {
    if (DrawStateImage(dc, disabledImage_)) return;
  } else if ((editState_ & UIState::Focused) != 0) {
    if (DrawStateImage(dc, focusedImage_)) return;
  } else if ((editState_ & UIState::Hot) != 0) {
    if (DrawStateImage(dc, hotImage_)) return;
  }
  DrawStateImage(dc, normalImage_);
}

void CEditUI::PaintText(os::Canvas& dc) {
  if (manager_ == nullptr) return;
  DWORD textColor = textColor_ != 0 ? textColor_ : manager_->DefaultFontColor();
  const DWORD disabledColor = disabledTextColor_ != 0 ? disabledTextColor_ : manager_->DefaultDisabledColor();
  std::u16string shown;
  if (text_.empty() || text_ == tipValue_) {
    shown = tipValue_;
    textColor = tipValueColor_;
  } else if (password_) {
    shown.assign(text_.size(), passwordChar_);
  } else {
    shown = text_;
  }
  if (shown.empty()) return;
  RECT rc{item_.left + textPadding_.left, item_.top + textPadding_.top, item_.right - textPadding_.right,
          item_.bottom - textPadding_.bottom};
  const DWORD color = IsEnabled() ? textColor : disabledColor;
  Renderer::DrawText(&dc, manager_, rc, shown, color, font_, os::DT_SINGLELINE | textStyle_);
}

// --- CEditWnd -----------------------------------------------------------------------------------

CEditWnd::CEditWnd() = default;

CEditWnd::~CEditWnd() {
  if (bkBrush_ != nullptr) os::DeleteObject(bkBrush_);
}

std::u16string_view CEditWnd::GetWindowClassName() const { return u"EditWnd"; }

std::u16string_view CEditWnd::GetSuperClassName() const { return os::WC_EDIT; }

RECT CEditWnd::CalPos() const {
  const RECT padding = owner_->GetTextPadding();
  const RECT& item = owner_->GetPos();
  RECT rc{item.left + padding.left, item.top + padding.top, item.right - padding.right,
          item.bottom - padding.bottom};
  if (const FontInfo* font = FontOf(owner_->GetManager(), owner_->GetFont())) {
    const int height = font->Metrics().height;
    if (height < rc.bottom - rc.top) {
      rc.top += (rc.bottom - rc.top - height) / 2;
      rc.bottom = rc.top + height;
    }
  }
  return rc;
}

RECT CEditWnd::PlacedPos() const {
  RECT rc = CalPos();
  if (popup_) {
    const os::HWND managed = owner_->GetManager()->Window();
    os::POINT corners[2] = {{rc.left, rc.top}, {rc.right, rc.bottom}};
    os::ClientToScreen(managed, &corners[0]);
    os::ClientToScreen(managed, &corners[1]);
    rc = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  }
  return rc;
}

bool CEditWnd::Init(CEditUI* owner) {
  owner_ = owner;
  UIManager* manager = owner->GetManager();
  // Over a layered window a child would not be seen: the field becomes a
  // popup of its own at the same place on the screen.
  popup_ = manager->IsLayeredBackground();
  os::DWORD style =
      popup_ ? (os::WS_POPUP | os::WS_VISIBLE | os::ES_AUTOHSCROLL) : (os::WS_CHILD | os::ES_AUTOHSCROLL);
  if (owner->IsPasswordMode()) style |= os::ES_PASSWORD;
  const RECT pos = PlacedPos();
  creating_ = true;
  const os::HWND created = Create(manager->Window(), u"", style, 0, pos);
  creating_ = false;
  if (created == nullptr) {
    owner_ = nullptr;
    return false;
  }
  const os::HWND hwnd = GetHWND();
  if (const FontInfo* font = FontOf(manager, owner->GetFont())) {
    os::SendMessage(hwnd, os::WM_SETFONT, reinterpret_cast<os::WPARAM>(font->Handle()), 1);
  }
  os::SendMessage(hwnd, os::EM_LIMITTEXT, static_cast<os::WPARAM>(owner->GetMaxChar()), 0);
  if (owner->IsPasswordMode()) os::SendMessage(hwnd, os::EM_SETPASSWORDCHAR, owner->GetPasswordChar(), 0);
  const std::u16string text = owner->text_;
  os::SetWindowText(hwnd, text.c_str());
  os::SendMessage(hwnd, os::EM_SETMODIFY, 0, 0);
  os::SendMessage(hwnd, os::EM_SETMARGINS, os::EC_LEFTMARGIN | os::EC_RIGHTMARGIN, os::MAKELPARAM(0, 0));
  os::EnableWindow(hwnd, owner->IsEnabled() ? 1 : 0);
  os::SendMessage(hwnd, os::EM_SETREADONLY, owner->IsReadOnly() ? 1 : 0, 0);
  const os::LONG current = os::GetWindowLong(hwnd, os::GWL_STYLE);
  os::SetWindowLong(hwnd, os::GWL_STYLE, current | static_cast<os::LONG>(owner->GetEditStyle()));
  os::ShowWindow(hwnd, os::SW_SHOWNOACTIVATE);
  os::SetFocus(hwnd);
  return true;
}

void CEditWnd::OnFinalMessage(os::HWND) {
  // A window that failed during its creation is freed by whoever asked for
  // it, who learns of the failure from Init.
  if (creating_) return;
  if (owner_ != nullptr) {
    owner_->Invalidate();
    owner_->window_ = nullptr;
  }
  delete this;
}

void CEditWnd::OnEditChanged() {
  if (owner_ == nullptr) return;
  std::u16string text = os::GetWindowText(GetHWND());
  // Setting the window's text (when it opens, or from SetText) reports a
  // change too; only a real one is news.
  if (text == owner_->text_) return;
  owner_->text_ = std::move(text);
  if (UIManager* manager = owner_->GetManager()) manager->SendNotify(owner_, u"textchanged");
}

os::LRESULT CEditWnd::OnColor(os::WPARAM wParam) {
  if (owner_ == nullptr || owner_->GetNativeEditBkColor() == 0xFFFFFFFF) return 0;  // system colours
  const auto dc = reinterpret_cast<os::HDC>(wParam);
  os::SetBkMode(dc, os::TRANSPARENT);
  const DWORD text =
      owner_->GetNativeEditTextColor() != 0 ? owner_->GetNativeEditTextColor() : owner_->GetTextColor();
  os::SetTextColor(dc, ToColorRef(text));
  if (bkBrush_ == nullptr) bkBrush_ = os::CreateSolidBrush(ToColorRef(owner_->GetNativeEditBkColor()));
  return reinterpret_cast<os::LRESULT>(bkBrush_);
}

os::LRESULT CEditWnd::HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) {
  switch (message) {
    case os::WM_KILLFOCUS: {
      const os::LRESULT result = CallSavedProcedure(message, wParam, lParam);
      // Closed once the focus change is over, not in the middle of it.
      closing_ = true;
      PostMessage(os::WM_CLOSE);
      return result;
    }
    case os::OCM_COMMAND: {
      const os::WORD code = os::HIWORD(static_cast<std::uintptr_t>(wParam));
      if (code == os::EN_CHANGE) {
        OnEditChanged();
      } else if (code == os::EN_UPDATE) {
        os::RECT client{};
        os::GetClientRect(GetHWND(), &client);
        os::InvalidateRect(GetHWND(), &client, 0);
      }
      return 0;
    }
    case os::WM_KEYDOWN:
      if (wParam == os::VK_RETURN) {
        if (owner_ != nullptr && owner_->GetManager() != nullptr) {
          owner_->GetManager()->SendNotify(owner_, u"return");
        }
        return 0;
      }
      break;
    case os::WM_CHAR:
      if (wParam == os::VK_TAB) {
        // Only while the field is being typed in: a Tab the manager already
        // turned into a focus move before this window closed moves nothing.
        if (owner_ != nullptr && owner_->GetManager() != nullptr && os::GetFocus() == GetHWND()) {
          owner_->GetManager()->FocusNextTabStop(os::GetKeyState(os::VK_SHIFT) >= 0);
        }
        return 0;
      }
      break;
    case os::OCM_CTLCOLOREDIT:
    case os::OCM_CTLCOLORSTATIC:
      return OnColor(wParam);
    default:
      break;
  }
  return CWindowWnd::HandleMessage(message, wParam, lParam);
}

}  // namespace Kesto
