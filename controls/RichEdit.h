// A multi-line (or single-line) text editor drawn in place: the control
// holds a windowless text-services object (platform/syscontrols/TextServices.h) and is
// its host through CTxtWinHost. Keys, mouse and input-method messages reach
// the text through the control's message filter on the window's manager; the
// text is drawn with the control, its caret is the manager's caret, and the
// container's scroll bars show and move the text's scroll range.
//
// Notifications: "textchanged" after every change of the text (also one the
// program makes), "return" for an Enter the text does not take (a
// single-line edit, or a multi-line one without "wantreturn" /
// "wantctrlreturn" for the Enter pressed).
//
// The message filter takes messages only while the control is visible and
// enabled. Mouse messages also need it mouse-enabled, and
//   - a wheel message only when its wParam carries the Ctrl flag (0x8); a
//     plain wheel is left to the manager, which scrolls the container (the
//     text, through its scroll bars);
//   - other mouse messages only over the control itself (no control lying on
//     top of it), or while a selection drag it started goes on; they are
//     handed to the text and then left to the manager too, so that focus and
//     capture follow the click as for every control.
// Keyboard and input-method messages go to the text only while it has the
// focus, and are kept from the manager. On WM_IME_COMPOSITION the input
// method's composition window is moved to the caret first.
//
// Chosen where the behaviour is left open: new edits are multi-line, rich,
// want tabs, Enter and Ctrl+Enter, have no padding, the text-services
// default limit (32767) and the manager's default text colour; a "maxchar"
// of 0 or less (a non-number reads as 0) restores that default limit. A
// multi-line edit wraps at words unless "hscrollbar" or "autohscroll" is set.
// The tip ("tipvalue", in "tipvaluecolor") is drawn while the text is empty
// and the control does not have the focus. Without "autovscroll" /
// "vscrollbar" (and the horizontal pair) the text does not scroll to follow
// the caret in that direction.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Core/UIManager.h"
#include "controls/Container.h"
#include "platform/syscontrols/TextServices.h"

namespace Kesto {

class CRichEditUI;

// The text host of a CRichEditUI: answers the text's questions from the
// control's settings and carries out its requests on the control and its
// manager.
class CTxtWinHost : public os::ITextHost {
 public:
  explicit CTxtWinHost(CRichEditUI* owner) : owner_(owner) {}

  os::HWND TxGetWindow() override;
  RECT TxGetClientRect() override;
  const os::Font* TxGetFont() override;
  DWORD TxGetTextColor() override;
  os::TxAlign TxGetAlignment() override;
  char16_t TxGetPasswordChar() override;
  int TxGetMaxLength() override;
  DWORD TxGetPropertyBits() override;
  DWORD TxGetScrollBars() override;
  DWORD TxGetKeyWishes() override;
  bool TxCreateCaret(int width, int height) override;
  bool TxShowCaret(bool show) override;
  bool TxSetCaretPos(POINT pos) override;
  void TxInvalidateRect(const RECT* rect) override;
  void TxViewChange() override;
  void TxSetCapture(bool capture) override;
  void TxNotify(DWORD code) override;

 private:
  CRichEditUI* owner_;
};

class CRichEditUI : public CContainerUI, public IMessageFilterUI, public IWantTabUI {
 public:
  CRichEditUI();
  ~CRichEditUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  void SetOwner(UIManager* manager, CControlUI* parent, bool init = true) override;
  std::u16string GetText() const override;
  void SetText(std::u16string_view text) override;
  void SetPos(RECT rc) override;
  void SetEnabled(bool enabled = true) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintStatusImage(os::Canvas& dc) override;
  void PaintText(os::Canvas& dc) override;
  void SetScrollPos(SIZE pos) override;

  // IMessageFilterUI
  os::LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
  // IWantTabUI
  bool IsWantTab() const override { return wantTab_; }

  void SetWantTab(bool on) { wantTab_ = on; }
  bool IsWantReturn() const { return wantReturn_; }
  void SetWantReturn(bool on) { wantReturn_ = on; }
  bool IsWantCtrlReturn() const { return wantCtrlReturn_; }
  void SetWantCtrlReturn(bool on) { wantCtrlReturn_ = on; }
  bool IsRich() const { return rich_; }
  void SetRich(bool on);
  bool IsMultiLine() const { return multiLine_; }
  void SetMultiLine(bool on);
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  bool IsPasswordMode() const { return password_; }
  void SetPasswordMode(bool on);
  os::TxAlign GetAlign() const { return align_; }
  void SetAlign(os::TxAlign align);
  int GetFont() const { return font_; }
  void SetFont(int index);
  DWORD GetTextColor() const { return textColor_; }
  void SetTextColor(DWORD color);
  int GetLimitText() const { return maxChar_; }
  // 0 or less: the default limit.
  void SetLimitText(int count);
  // WS_VSCROLL, WS_HSCROLL, ES_AUTOVSCROLL, ES_AUTOHSCROLL.
  DWORD GetScrollStyle() const { return scrollStyle_; }
  RECT GetTextPadding() const { return textPadding_; }
  void SetTextPadding(RECT padding);
  const std::u16string& GetTipValue() const { return tipValue_; }
  void SetTipValue(std::u16string_view tip);
  DWORD GetTipValueColor() const { return tipValueColor_; }
  void SetTipValueColor(DWORD color);
  const std::u16string& GetNormalImage() const { return normalImage_; }
  const std::u16string& GetHotImage() const { return hotImage_; }
  const std::u16string& GetFocusedImage() const { return focusedImage_; }
  const std::u16string& GetDisabledImage() const { return disabledImage_; }

  // The selection as anchor and caret, and editing as the program.
  void SetSel(int anchor, int caret) { services_->SetSelection(anchor, caret); }
  void SetSelAll() { services_->SetSelection(0, static_cast<int>(services_->Text().size())); }
  void ReplaceSel(std::u16string_view text, bool canUndo) { services_->ReplaceSel(text, canUndo); }
  bool Undo() { return services_->Undo(); }
  bool Redo() { return services_->Redo(); }
  // Where the text lies: the control minus its inset, padding and scroll bars.
  RECT GetTextRect() const;
  os::TextServices& GetTextServices() { return *services_; }

 private:
  friend class CTxtWinHost;
  void SetScrollStyle(DWORD bit, bool on);
  void PropertyChanged();
  void UpdateScrollBars();
  bool TakesMouse(UINT message, WPARAM wParam, LPARAM lParam) const;
  void MoveCompositionWindow();

  CTxtWinHost host_;
  std::unique_ptr<os::TextServices> services_;
  bool wantTab_ = true;
  bool wantReturn_ = true;
  bool wantCtrlReturn_ = true;
  bool rich_ = true;
  bool multiLine_ = true;
  bool readOnly_ = false;
  bool password_ = false;
  os::TxAlign align_ = os::TxAlign::Left;
  int font_ = -1;
  DWORD textColor_ = 0;
  int maxChar_ = os::kTextServicesDefaultLimit;
  DWORD scrollStyle_ = 0;
  RECT textPadding_{};
  std::u16string tipValue_;
  DWORD tipValueColor_ = 0xFFBAC0C5;
  std::u16string normalImage_;
  std::u16string hotImage_;
  std::u16string focusedImage_;
  std::u16string disabledImage_;
  UINT buttonState_ = 0;
  bool updatingBars_ = false;
  bool filterAdded_ = false;
};

}  // namespace Kesto
