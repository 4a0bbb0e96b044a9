// The popup window a combo box drops down: a borderless, non-activating
// top-level window owned by the box's window, with its own manager and a
// vertical layout (with a scroll bar) that shows the box's items while it is
// open. The items stay the box's: they are lent to the list's layout when it
// opens and handed back, unchanged, when it closes. The window lives as long
// as the list is open; the box creates and destroys it.
#pragma once

#include <string_view>

#include "Core/UIManager.h"
#include "Core/WindowWnd.h"
#include "controls/VerticalLayout.h"

namespace Kesto {

class CComboUI;

// The list's layout: holds lent items without taking them over.
class CComboBodyUI : public CVerticalLayoutUI {
 public:
  CComboBodyUI();
  // Appends an item without initialising it again or entering its name.
  void Lend(CControlUI* item);
  // Drops every lent item without deleting it.
  void ReturnAll();
};

class CComboWnd : public CWindowWnd, public INotifyUI {
 public:
  // Posted to itself to close after a click on an item has been handled.
  static constexpr os::UINT kCloseRequest = os::WM_USER + 0x4C;

  // Measures the items, places the window below the box (above it when the
  // work area has no room below) and shows it without activation. Null
  // when the window cannot be made.
  static CComboWnd* Open(CComboUI* owner);
  // Hands the items back and destroys the window (and this object).
  void Close();

  std::u16string_view GetWindowClassName() const override;
  os::UINT GetClassStyle() const override;
  os::LRESULT HandleMessage(os::UINT message, os::WPARAM wParam, os::LPARAM lParam) override;
  void OnFinalMessage(os::HWND hwnd) override;
  // What the items send from the list ("itemclick", "itemactivate", "link")
  // reaches the box window's listeners.
  void Notify(NotifyMsg& msg) override;

  UIManager& Manager() { return manager_; }
  CComboBodyUI* Body() const { return body_; }
  // Scrolls the least distance that shows the whole item.
  void EnsureVisible(int index);
  // One wheel notch up (towards the first row) or down.
  void ScrollByWheel(bool up);
  // The window rectangle for an owner and a list of contentHeight pixels:
  // below the box or above it, inside the work area.
  static os::RECT PlaceList(CComboUI* owner, int contentHeight);

 private:
  explicit CComboWnd(CComboUI* owner);
  ~CComboWnd() override;
  int ContentHeight(int width) const;
  void CopyResources();
  void ReturnItems();
  bool IsOverItem(os::POINT point) const;

  CComboUI* owner_;  // null once the items went back
  CComboBodyUI* body_;
  int busy_ = 0;  // depth of messages being handled by the manager
  UIManager manager_;
};

}  // namespace Kesto
