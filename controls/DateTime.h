// A date field. The control holds a calendar date (the local date when it
// is made) and shows it as its text, "yyyy-mm-dd"; a click opens a native
// date picker (the system "SysDateTimePick32" class, superclassed as
// "DateTimeWnd") over it with its calendar dropped down, and the control's
// date and text follow what the player picks there.
//
// Choices of this framework:
// - A change made in the picker is announced as "textchanged" (no wParam or
//   lParam), as a change typed into an edit's native window is: what the
//   player sees change is the control's text. SetTime by the program
//   announces nothing, as SetText never does.
// - The picker opens on a left click or double click of an enabled control
//   (not on focus, so tabbing through a form does not drop calendars); it
//   closes when its calendar closes (picked or dismissed), when it loses the
//   focus, or when the control is disabled, hidden or deleted. Closing
//   without a pick leaves the date as it was. While it is open the keys are
//   the picker's (arrows, Page Up / Page Down, Enter, Escape: see
//   platform/syscontrols/DatePicker.h), so a click and keys set a date with either
//   backend.
// - Dates outside the years os::kDateMinYear..os::kDateMaxYear, or that are
//   no calendar date (month 13, day 0, 31 April, 29 February of a common
//   year) are refused by SetTime, which then returns false and changes
//   nothing. The time of day is kept as given and plays no part.
// - The text follows the date whenever the date changes; a "text" attribute
//   or SetText replaces what is shown until the next change of the date.
#pragma once

#include <string>
#include <string_view>

#include "Core/WindowWnd.h"
#include "controls/Label.h"
#include "platform/system/Kernel.h"

namespace Kesto {

class CDateTimeWnd;

class CDateTimeUI : public CLabelUI {
 public:
  CDateTimeUI();
  // An open picker is closed and no longer reaches this control.
  ~CDateTimeUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  // Tab stop and cursor while enabled.
  UINT GetControlFlags() const override;

  const os::SYSTEMTIME& GetTime() const { return time_; }
  // False (and nothing changed) for a date the field refuses.
  bool SetTime(const os::SYSTEMTIME& time);

  void SetEnabled(bool enabled = true) override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void DoEvent(ControlEvent& event) override;

  // The picker while it is open, else null.
  CDateTimeWnd* GetPickerWindow() const { return window_; }
  os::HWND GetNativeWindow() const;

  // The text a date is shown as.
  static std::u16string FormatDate(const os::SYSTEMTIME& time);

 private:
  friend class CDateTimeWnd;
  void OpenPicker();
  void ClosePicker();
  // The player picked a date in the picker.
  void TakePicked(const os::SYSTEMTIME& time);

  os::SYSTEMTIME time_;
  CDateTimeWnd* window_ = nullptr;
};

// The native picker of a CDateTimeUI, created over the control when it is
// clicked and destroyed once its calendar closes or it loses the focus. It
// deletes itself after its last message.
class CDateTimeWnd : public CWindowWnd {
 public:
  CDateTimeWnd();

  // Creates the picker over owner with the owner's font and date, focuses it
  // and drops its calendar down.
  bool Init(CDateTimeUI* owner);
  std::u16string_view GetWindowClassName() const override;
  std::u16string_view GetSuperClassName() const override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  void OnFinalMessage(os::HWND hwnd) override;

  CDateTimeUI* GetOwner() const { return owner_; }

 private:
  friend class CDateTimeUI;
  // The owner's rectangle in the coordinates the window is placed in
  // (screen coordinates for a popup over a layered window).
  RECT PlacedPos() const;
  void OnNotify(const os::NMHDR& header);
  // Closed once the current message is over, not in the middle of it.
  void CloseLater();

  CDateTimeUI* owner_ = nullptr;
  bool popup_ = false;
  bool closing_ = false;
  bool creating_ = false;
};

}  // namespace Kesto
