#include "controls/RichEdit.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "controls/Render.h"
#include "controls/ScrollBar.h"
#include "platform/syscontrols/Ime.h"
#include "platform/window/Input.h"
#include "platform/window/Messages.h"
#include "platform/window/Window.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"RichEdit", CRichEditUI)

namespace {

bool IsKeyboardOrIme(UINT message) {
  return (message >= os::WM_KEYFIRST && message <= os::WM_KEYLAST) ||
         message == os::WM_IME_STARTCOMPOSITION || message == os::WM_IME_ENDCOMPOSITION ||
         message == os::WM_IME_COMPOSITION || message == os::WM_IME_CHAR;
}

bool TxCaretOwned(UIManager* manager, CControlUI* owner) {
  return manager != nullptr && manager->CaretOwner() == owner;
}

}  // namespace

// --- CTxtWinHost -------------------------------------------------------------------------------

os::HWND CTxtWinHost::TxGetWindow() {
  return owner_->manager_ != nullptr ? owner_->manager_->Window() : nullptr;
}

RECT CTxtWinHost::TxGetClientRect() { return owner_->GetTextRect(); }

const os::Font* CTxtWinHost::TxGetFont() {
  UIManager* manager = owner_->manager_;
  if (manager == nullptr) return nullptr;
  const FontInfo* font = manager->FontAt(owner_->font_);
  if (font == nullptr) font = manager->DefaultFont();
  return font != nullptr ? font->Handle() : nullptr;
}

DWORD CTxtWinHost::TxGetTextColor() {
  UIManager* manager = owner_->manager_;
  if (!owner_->IsEnabled()) return manager != nullptr ? manager->DefaultDisabledColor() : 0xFFA7A6AA;
  if (owner_->textColor_ != 0) return owner_->GetAdjustColor(owner_->textColor_);
  return manager != nullptr ? manager->DefaultFontColor() | 0xFF000000u : 0xFF000000u;
}

os::TxAlign CTxtWinHost::TxGetAlignment() { return owner_->align_; }

char16_t CTxtWinHost::TxGetPasswordChar() { return u'*'; }

int CTxtWinHost::TxGetMaxLength() { return owner_->maxChar_; }

DWORD CTxtWinHost::TxGetPropertyBits() {
  DWORD bits = 0;
  if (owner_->rich_) bits |= os::TXTBIT_RICHTEXT;
  if (owner_->multiLine_) bits |= os::TXTBIT_MULTILINE;
  if (owner_->readOnly_) bits |= os::TXTBIT_READONLY;
  if (owner_->password_) bits |= os::TXTBIT_USEPASSWORD;
  if (owner_->multiLine_ && (owner_->scrollStyle_ & (os::WS_HSCROLL | os::ES_AUTOHSCROLL)) == 0)
    bits |= os::TXTBIT_WORDWRAP;
  return bits;
}

DWORD CTxtWinHost::TxGetScrollBars() { return owner_->scrollStyle_; }

DWORD CTxtWinHost::TxGetKeyWishes() {
  DWORD wishes = 0;
  if (owner_->wantTab_) wishes |= os::TXK_WANTTAB;
  if (owner_->wantReturn_) wishes |= os::TXK_WANTRETURN;
  if (owner_->wantCtrlReturn_) wishes |= os::TXK_WANTCTRLRETURN;
  return wishes;
}

bool CTxtWinHost::TxCreateCaret(int width, int height) {
  UIManager* manager = owner_->manager_;
  return manager != nullptr && manager->CreateCaret(owner_, width, height, TxGetTextColor());
}

bool CTxtWinHost::TxShowCaret(bool show) {
  UIManager* manager = owner_->manager_;
  if (!TxCaretOwned(manager, owner_)) return false;
  // A blink timer already running keeps its rhythm.
  if (show != manager->IsCaretShown() || !show) manager->ShowCaret(show);
  return true;
}

bool CTxtWinHost::TxSetCaretPos(POINT pos) {
  UIManager* manager = owner_->manager_;
  if (!TxCaretOwned(manager, owner_)) return false;
  manager->SetCaretPos(pos);
  return true;
}

void CTxtWinHost::TxInvalidateRect(const RECT*) { owner_->Invalidate(); }

void CTxtWinHost::TxViewChange() { owner_->UpdateScrollBars(); }

// The manager captures the pointer for the control that was pressed.
void CTxtWinHost::TxSetCapture(bool) {}

void CTxtWinHost::TxNotify(DWORD code) {
  if (code == os::TXN_CHANGE) {
    owner_->SendNotify(u"textchanged");
  } else if (code == os::TXN_RETURN) {
    owner_->SendNotify(u"return");
  }
}

// --- CRichEditUI -------------------------------------------------------------------------------

CRichEditUI::CRichEditUI() : host_(this), services_(std::make_unique<os::TextServices>(&host_)) {}

CRichEditUI::~CRichEditUI() {
  if (manager_ != nullptr) {
    if (filterAdded_) manager_->RemoveMessageFilter(this);
    if (manager_->CaretOwner() == this) manager_->DestroyCaret();
  }
}

std::u16string_view CRichEditUI::GetClass() const { return u"RichEditUI"; }

void* CRichEditUI::GetInterface(std::u16string_view name) {
  if (name == u"RichEdit") return static_cast<CRichEditUI*>(this);
  if (name == u"WantTab") return static_cast<IWantTabUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CRichEditUI::GetControlFlags() const {
  return IsEnabled() ? (ControlFlag::TabStop | ControlFlag::SetCursor) : 0;
}

void CRichEditUI::SetOwner(UIManager* manager, CControlUI* parent, bool init) {
  if (manager != manager_ && manager_ != nullptr && filterAdded_) {
    manager_->RemoveMessageFilter(this);
    filterAdded_ = false;
  }
  CContainerUI::SetOwner(manager, parent, init);
  if (manager_ != nullptr && !filterAdded_) filterAdded_ = manager_->AddMessageFilter(this);
  services_->OnTxPropertyChange();
}

std::u16string CRichEditUI::GetText() const { return services_->Text(); }

void CRichEditUI::SetText(std::u16string_view text) { services_->SetText(text); }

RECT CRichEditUI::GetTextRect() const {
  RECT r = InnerRect();
  r.left += textPadding_.left;
  r.top += textPadding_.top;
  r.right -= textPadding_.right;
  r.bottom -= textPadding_.bottom;
  r.right = std::max(r.left, r.right);
  r.bottom = std::max(r.top, r.bottom);
  return r;
}

void CRichEditUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  services_->OnTxPropertyChange();
}

void CRichEditUI::SetEnabled(bool enabled) {
  CContainerUI::SetEnabled(enabled);
  if (!IsEnabled()) buttonState_ = 0;
  Invalidate();
}

void CRichEditUI::PropertyChanged() {
  services_->OnTxPropertyChange();
  Invalidate();
}

// Each visible bar shows the text's scroll range in its direction; showing
// or hiding one changes the text's width or height, so the text is laid out
// again and the bars follow once more.
void CRichEditUI::UpdateScrollBars() {
  if (updatingBars_) return;
  updatingBars_ = true;
  for (int pass = 0; pass < 2; ++pass) {
    const SIZE content = services_->ContentSize();
    const RECT text = GetTextRect();
    const POINT scroll = services_->ScrollPos();
    bool changed = false;
    const auto apply = [&](CScrollBarUI* bar, int range, int pos) {
      if (bar == nullptr) return;
      const bool visible = range > 0;
      if (bar->IsVisible() != visible) {
        bar->SetVisible(visible);
        changed = true;
      }
      bar->SetScrollRange(std::max(0, range));
      bar->SetScrollPos(pos);
    };
    apply(verticalScrollBar_.get(), content.cy - (text.bottom - text.top), scroll.y);
    apply(horizontalScrollBar_.get(), content.cx - (text.right - text.left), scroll.x);
    if (!changed) break;
    services_->OnTxPropertyChange();
  }
  const RECT inner = InnerRect();
  if (verticalScrollBar_ != nullptr && verticalScrollBar_->IsVisible()) {
    verticalScrollBar_->SetPos(
        RECT{inner.right, inner.top, inner.right + verticalScrollBar_->GetFixedWidth(), inner.bottom});
  }
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    horizontalScrollBar_->SetPos(
        RECT{inner.left, inner.bottom, inner.right, inner.bottom + horizontalScrollBar_->GetFixedHeight()});
  }
  updatingBars_ = false;
  Invalidate();
}

void CRichEditUI::SetScrollPos(SIZE pos) { services_->SetScrollPos(POINT{pos.cx, pos.cy}); }

void CRichEditUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    CContainerUI::DoEvent(event);
    return;
  }
  switch (event.type) {
    case UIEvent::SetCursor:
      if (IsEnabled()) {
        os::SetCursor(os::LoadCursor(nullptr, os::IDC_IBEAM));
        return;
      }
      break;
    case UIEvent::SetFocus:
      focused_ = true;
      services_->TxSendMessage(os::WM_SETFOCUS, 0, 0);
      Invalidate();
      return;
    case UIEvent::KillFocus:
      focused_ = false;
      services_->TxSendMessage(os::WM_KILLFOCUS, 0, 0);
      Invalidate();
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) buttonState_ |= UIState::Hot;
      Invalidate();
      return;
    case UIEvent::MouseLeave:
      buttonState_ &= ~UIState::Hot;
      Invalidate();
      return;
    case UIEvent::ButtonDown:
    case UIEvent::ButtonUp:
    case UIEvent::DblClick:
    case UIEvent::MouseMove:
      return;  // the text had the native message through the filter
    default:
      break;
  }
  CContainerUI::DoEvent(event);
}

// --- message filter ---

bool CRichEditUI::TakesMouse(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (!IsMouseEnabled()) return false;
  if (message == os::WM_MOUSEWHEEL) {
    if ((os::LOWORD(wParam) & os::MK_CONTROL) == 0) return false;
    POINT pt{os::GET_X_LPARAM(lParam), os::GET_Y_LPARAM(lParam)};
    os::ScreenToClient(manager_->Window(), &pt);
    return manager_->FindControlAt(pt) == this;
  }
  if (services_->IsDragging()) return true;
  if (message != os::WM_LBUTTONDOWN && message != os::WM_LBUTTONDBLCLK) return false;
  const POINT pt{os::GET_X_LPARAM(lParam), os::GET_Y_LPARAM(lParam)};
  return manager_->FindControlAt(pt) == this;
}

void CRichEditUI::MoveCompositionWindow() {
  const os::HWND window = manager_->Window();
  const os::HIMC context = os::ImmGetContext(window);
  if (context == nullptr) return;
  const POINT caret = services_->PosFromChar(services_->Caret());
  os::COMPOSITIONFORM form;
  form.dwStyle = os::CFS_POINT | os::CFS_RECT;
  form.ptCurrentPos = caret;
  form.rcArea = RECT{caret.x, caret.y, caret.x + 1, caret.y + services_->LineHeight()};
  os::ImmSetCompositionWindow(context, &form);
  os::ImmReleaseContext(window, context);
}

os::LRESULT CRichEditUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  if (manager_ == nullptr || !IsVisible() || !IsEnabled()) return 0;
  if (message >= os::WM_MOUSEFIRST && message <= os::WM_MOUSELAST) {
    if (!TakesMouse(message, wParam, lParam)) return 0;
    os::LRESULT result = 0;
    services_->TxSendMessage(message, wParam, lParam, &result);
    // A Ctrl+wheel scrolled the text; the container must not scroll again.
    handled = message == os::WM_MOUSEWHEEL;
    return result;
  }
  if (!IsKeyboardOrIme(message) || manager_->Focus() != this) return 0;
  if (message == os::WM_IME_COMPOSITION) MoveCompositionWindow();
  os::LRESULT result = 0;
  handled = services_->TxSendMessage(message, wParam, lParam, &result);
  return result;
}

// --- attributes ---

void CRichEditUI::SetScrollStyle(DWORD bit, bool on) {
  scrollStyle_ = on ? (scrollStyle_ | bit) : (scrollStyle_ & ~bit);
  if (bit == os::WS_VSCROLL || bit == os::WS_HSCROLL) {
    EnableScrollBar((scrollStyle_ & os::WS_VSCROLL) != 0, (scrollStyle_ & os::WS_HSCROLL) != 0);
    if (verticalScrollBar_ != nullptr) verticalScrollBar_->SetVisible(false);
    if (horizontalScrollBar_ != nullptr) horizontalScrollBar_->SetVisible(false);
  }
  PropertyChanged();
}

void CRichEditUI::SetRich(bool on) {
  rich_ = on;
  PropertyChanged();
}

void CRichEditUI::SetMultiLine(bool on) {
  multiLine_ = on;
  PropertyChanged();
}

void CRichEditUI::SetReadOnly(bool on) {
  readOnly_ = on;
  PropertyChanged();
}

void CRichEditUI::SetPasswordMode(bool on) {
  password_ = on;
  PropertyChanged();
}

void CRichEditUI::SetAlign(os::TxAlign align) {
  align_ = align;
  PropertyChanged();
}

void CRichEditUI::SetFont(int index) {
  font_ = index;
  PropertyChanged();
}

void CRichEditUI::SetTextColor(DWORD color) {
  textColor_ = color;
  Invalidate();
}

void CRichEditUI::SetLimitText(int count) { maxChar_ = count > 0 ? count : os::kTextServicesDefaultLimit; }

void CRichEditUI::SetTextPadding(RECT padding) {
  textPadding_ = padding;
  PropertyChanged();
}

void CRichEditUI::SetTipValue(std::u16string_view tip) {
  tipValue_.assign(tip);
  Invalidate();
}

void CRichEditUI::SetTipValueColor(DWORD color) {
  tipValueColor_ = color;
  Invalidate();
}

void CRichEditUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  const bool on = attr::ParseBool(value);
  if (name == u"vscrollbar") {
    SetScrollStyle(os::WS_VSCROLL, on);
  } else if (name == u"autovscroll") {
    SetScrollStyle(os::ES_AUTOVSCROLL, on);
  } else if (name == u"hscrollbar") {
    SetScrollStyle(os::WS_HSCROLL, on);
  } else if (name == u"autohscroll") {
    SetScrollStyle(os::ES_AUTOHSCROLL, on);
  } else if (name == u"wanttab") {
    SetWantTab(on);
  } else if (name == u"wantreturn") {
    SetWantReturn(on);
  } else if (name == u"wantctrlreturn") {
    SetWantCtrlReturn(on);
  } else if (name == u"rich") {
    SetRich(on);
  } else if (name == u"multiline") {
    SetMultiLine(on);
  } else if (name == u"readonly") {
    SetReadOnly(on);
  } else if (name == u"password") {
    SetPasswordMode(on);
  } else if (name == u"align") {
    if (value.find(u"center") != std::u16string_view::npos) {
      SetAlign(os::TxAlign::Center);
    } else if (value.find(u"right") != std::u16string_view::npos) {
      SetAlign(os::TxAlign::Right);
    } else if (value.find(u"left") != std::u16string_view::npos) {
      SetAlign(os::TxAlign::Left);
    }
  } else if (name == u"font") {
    SetFont(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"textcolor") {
    SetTextColor(attr::ParseColor(value));
  } else if (name == u"maxchar") {
    SetLimitText(static_cast<int>(std::clamp<long>(attr::ParseLong(value), -1, 0x7FFFFFFE)));
  } else if (name == u"normalimage") {
    normalImage_.assign(value);
    Invalidate();
  } else if (name == u"hotimage") {
    hotImage_.assign(value);
    Invalidate();
  } else if (name == u"focusedimage") {
    focusedImage_.assign(value);
    Invalidate();
  } else if (name == u"disabledimage") {
    disabledImage_.assign(value);
    Invalidate();
  } else if (name == u"textpadding") {
    SetTextPadding(attr::ParseRect(value));
  } else if (name == u"tipvalue") {
    SetTipValue(value);
  } else if (name == u"tipvaluecolor") {
    SetTipValueColor(attr::ParseColor(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

// --- painting ---

void CRichEditUI::PaintStatusImage(os::Canvas& dc) {
  const auto draw = [&](std::u16string& image) {
    if (image.empty()) return false;
    if (DrawImage(dc, image)) return true;
    image.clear();  // a picture that cannot be drawn is not tried again
    return false;
  };
  if (!IsEnabled()) {
    if (draw(disabledImage_)) return;
  } else if (IsFocused()) {
    if (draw(focusedImage_)) return;
  } else if ((buttonState_ & UIState::Hot) != 0) {
    if (draw(hotImage_)) return;
  }
  draw(normalImage_);
}

void CRichEditUI::PaintText(os::Canvas& dc) {
  if (manager_ == nullptr) return;
  if (services_->Text().empty() && !IsFocused()) {
    if (tipValue_.empty()) return;
    RECT rc = GetTextRect();
    const UINT style = multiLine_ ? os::DT_WORDBREAK : os::DT_SINGLELINE;
    const UINT align = align_ == os::TxAlign::Center  ? os::DT_CENTER
                       : align_ == os::TxAlign::Right ? os::DT_RIGHT
                                                      : os::DT_LEFT;
    Renderer::DrawText(&dc, manager_, rc, tipValue_, tipValueColor_, font_, style | align | os::DT_NOPREFIX);
    return;
  }
  services_->TxDraw(dc, paintRect_);
}

}  // namespace Kesto
