// A single-line text field. The control paints its text (masked for
// passwords, or the tip while empty) and its state images; while it has the
// focus a native edit window of the system "Edit" class lies over it and
// takes the typing, and the control's text follows every change of it.
#pragma once

#include <string>
#include <string_view>

#include "Core/WindowWnd.h"
#include "controls/Label.h"
#include "platform/window/DeviceContext.h"

namespace Kesto {

class CEditWnd;

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  // An open native window is closed and no longer reaches this control.
  ~CEditUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  // Tab stop and cursor while enabled.
  UINT GetControlFlags() const override;

  void SetEnabled(bool enabled = true) override;
  void SetText(std::u16string_view text) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;

  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintStatusImage(os::Canvas& dc) override;
  void PaintText(os::Canvas& dc) override;

  // Characters the field accepts from typing and pasting.
  int GetMaxChar() const { return maxChar_; }
  void SetMaxChar(int count);
  bool IsReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool IsPasswordMode() const { return password_; }
  void SetPasswordMode(bool password);
  char16_t GetPasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char16_t ch);
  // Digits only (the native ES_NUMBER style).
  bool IsNumberOnly() const { return (editStyle_ & os::ES_NUMBER) != 0; }
  void SetNumberOnly(bool numberOnly);
  // Extra native styles of the edit window.
  DWORD GetEditStyle() const { return editStyle_; }

  const std::u16string& GetNormalImage() const { return normalImage_; }
  void SetNormalImage(std::u16string_view image);
  const std::u16string& GetHotImage() const { return hotImage_; }
  void SetHotImage(std::u16string_view image);
  const std::u16string& GetFocusedImage() const { return focusedImage_; }
  void SetFocusedImage(std::u16string_view image);
  const std::u16string& GetDisabledImage() const { return disabledImage_; }
  void SetDisabledImage(std::u16string_view image);

  // Shown in its colour while the field is empty (or holds exactly it).
  const std::u16string& GetTipValue() const { return tipValue_; }
  void SetTipValue(std::u16string_view tip);
  DWORD GetTipValueColor() const { return tipValueColor_; }
  void SetTipValueColor(DWORD color);
  // Colours of the native window: text (0 = the control's text colour) and
  // background (0xFFFFFFFF = the system's colours).
  DWORD GetNativeEditTextColor() const { return nativeTextColor_; }
  void SetNativeEditTextColor(DWORD color);
  DWORD GetNativeEditBkColor() const { return nativeBkColor_; }
  void SetNativeEditBkColor(DWORD color);

  // Selects in the open native window (nothing when closed).
  void SetSel(long start, long end);
  void SetSelAll();

  // The native window while the field is being typed in, else null.
  CEditWnd* GetEditWindow() const { return window_; }
  os::HWND GetNativeWindow() const;
  UINT GetEditState() const { return editState_; }

 private:
  friend class CEditWnd;
  void OpenNativeWindow();
  bool DrawStateImage(os::Canvas& dc, std::u16string& image);
  void SetImage(std::u16string& field, std::u16string_view image);

  CEditWnd* window_ = nullptr;
  int maxChar_ = 255;
  bool readOnly_ = false;
  bool password_ = false;
  char16_t passwordChar_ = u'*';
  UINT editState_ = 0;
  std::u16string normalImage_;
  std::u16string hotImage_;
  std::u16string focusedImage_;
  std::u16string disabledImage_;
  std::u16string tipValue_;
  DWORD tipValueColor_ = 0xFFBAC0C5;
  DWORD nativeTextColor_ = 0;
  DWORD nativeBkColor_ = 0xFFFFFFFF;
  DWORD editStyle_ = 0;
};

// The native edit window of a CEditUI: a superclass of the system "Edit"
// class, created over the control when it takes the focus and destroyed
// when the field loses it. It deletes itself after its last message.
class CEditWnd : public CWindowWnd {
 public:
  CEditWnd();
  ~CEditWnd() override;

  // Creates the window for owner with the owner's font, limit, password,
  // text and states, shows it without activation and focuses it.
  bool Init(CEditUI* owner);
  // Where the window lies: the owner's rectangle minus its text padding,
  // centred vertically on the font's height when taller (client
  // coordinates of the managed window).
  RECT CalPos() const;

  std::u16string_view GetWindowClassName() const override;
  std::u16string_view GetSuperClassName() const override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  void OnFinalMessage(os::HWND hwnd) override;

  CEditUI* GetOwner() const { return owner_; }

 private:
  friend class CEditUI;
  void OnEditChanged();
  os::LRESULT OnColor(os::WPARAM dc);
  // The window's rectangle in the coordinates it is placed in (screen
  // coordinates for a popup over a layered window).
  RECT PlacedPos() const;

  CEditUI* owner_ = nullptr;
  os::HBRUSH bkBrush_ = nullptr;
  bool popup_ = false;
  // Its close is posted: it lost the focus, or its control went away.
  bool closing_ = false;
  bool creating_ = false;
};

}  // namespace Kesto
