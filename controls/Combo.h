// A drop-down box: a closed box showing the selected list item's text, and a
// popup list (CComboWnd) of all its items that opens below the box (or above
// it when the screen has no room below). The items are list elements; the
// box is their list owner, keeps the selection and styles them through the
// shared item appearance record ("item..." attributes, as for lists).
//
// Behaviour chosen for the desktop:
// - Opening: a click on the box, Alt+Down, Alt+Up or F4 (the same keys and a
//   second click on the box close it again). "dropdown" is sent as it opens,
//   before the list is measured, so a handler may still fill it.
// - While open: Up and Down move the selection (the list scrolls to it),
//   Home and End go to the first and last item, Enter closes keeping the
//   selection, Escape closes and restores the selection the box had when it
//   opened. A click on an item selects it and closes the list; the wheel
//   scrolls the list (over the list and over the box alike).
// - Closing by itself: a click anywhere in the owner window outside the list,
//   the owner window losing activation, moving or resizing, the box losing
//   the focus, being hidden or disabled.
// - Closed: Up and Down (and the wheel over the box, turned away from the user
//   for the previous item) move the selection; Home and End go to the ends.
// - "itemselect" (new index, previous index) whenever the selection changes
//   to an item; selecting an index that is already selected does nothing; a
//   negative index or an item that refuses clears the selection silently.
// - The list never takes the keyboard: the owner window keeps it, so the box
//   keeps the focus while the list is open.
// - "dropboxsize" cx,cy: a width of 0 or less means the box's width; a
//   height of 0 or less means as tall as the items need. The list is never
//   taller than its items need, nor than the room on the monitor's work area.
// - "dropbox" is an attribute list for the list's vertical layout (which has
//   a vertical scroll bar unless the list says otherwise).
// - A box without items still opens, one default row tall.
// - The closed box draws the selected item's text with the item's own rules,
//   inside "textpadding"; container items that draw no text show nothing
//   there.
#pragma once

#include <string>
#include <string_view>

#include "Core/UIManager.h"
#include "controls/Container.h"
#include "controls/ListInterfaces.h"

namespace Kesto {

class CComboWnd;

class CComboUI : public CContainerUI, public IListOwnerUI {
 public:
  CComboUI();
  ~CComboUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  // IContainerUI: items become this owner's, numbered in order.
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;

  // IListOwnerUI
  TListInfoUI* GetListInfo() override { return &listInfo_; }
  int GetCurSel() const override { return curSel_; }
  bool SelectItem(int index, bool takeFocus = false) override;
  void DoEvent(ControlEvent& event) override;

  // CControlUI
  bool Activate() override;
  void SetPos(RECT rc) override;
  void SetVisible(bool visible = true) override;
  void SetInternVisible(bool visible = true) override;
  void SetEnabled(bool enabled = true) override;
  CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  SIZE EstimateSize(SIZE available) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;
  void PaintStatusImage(os::Canvas& dc) override;
  void PaintText(os::Canvas& dc) override;

  // The drop-down list.
  bool IsDroppedDown() const { return window_ != nullptr; }
  CComboWnd* GetDropDownWindow() const { return window_; }
  // Opens the list; false when it cannot (disabled, no window, already open).
  bool ShowDropDown();
  // Closes the list; with restore the selection goes back to what it was
  // when the list opened.
  void CloseDropDown(bool restore = false);

  const std::u16string& GetDropBoxAttributeList() const { return dropBoxAttributes_; }
  void SetDropBoxAttributeList(std::u16string_view list) { dropBoxAttributes_.assign(list); }
  SIZE GetDropBoxSize() const { return dropBoxSize_; }
  void SetDropBoxSize(SIZE size) { dropBoxSize_ = size; }
  RECT GetTextPadding() const { return textPadding_; }
  void SetTextPadding(RECT padding);
  // UIState bits of the box (hot, pushed, focused, disabled).
  UINT GetButtonState() const { return buttonState_; }

  const std::u16string& GetNormalImage() const { return normalImage_; }
  const std::u16string& GetHotImage() const { return hotImage_; }
  const std::u16string& GetPushedImage() const { return pushedImage_; }
  const std::u16string& GetFocusedImage() const { return focusedImage_; }
  const std::u16string& GetDisabledImage() const { return disabledImage_; }

 protected:
  // The rectangle the selected item's text is drawn in.
  virtual RECT TextRect() const;
  // State bits for painting (the list being open counts as pushed).
  UINT PaintState() const;

 private:
  friend class CComboWnd;
  class OwnerWindowWatch;

  // Gives the items from index on their positions.
  void Renumber(int from);
  // The next selectable index from the current one by step (±1) or, with
  // toEnd, the first or last selectable item.
  int NextSelectable(int step, bool toEnd) const;
  bool MoveSelection(int step, bool toEnd);
  bool HandleKey(char16_t key);
  bool DrawStateImage(os::Canvas& dc, std::u16string& image);
  void SetImage(std::u16string& field, std::u16string_view image);

  TListInfoUI listInfo_;
  int curSel_ = -1;
  int selectionWhenOpened_ = -1;
  RECT textPadding_{};
  SIZE dropBoxSize_{0, 150};
  std::u16string dropBoxAttributes_;
  UINT buttonState_ = 0;
  std::u16string normalImage_;
  std::u16string hotImage_;
  std::u16string pushedImage_;
  std::u16string focusedImage_;
  std::u16string disabledImage_;
  CComboWnd* window_ = nullptr;
  OwnerWindowWatch* watch_ = nullptr;
};

// A combo box with an arrow: "arrowimage" is a horizontal strip of five
// equal frames (normal, hot, pushed, focused, disabled) drawn at its natural
// size against the box's right edge, vertically centred; the text stops where
// the arrow begins.
class CComboBoxUI : public CComboUI {
 public:
  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void PaintStatusImage(os::Canvas& dc) override;

  const std::u16string& GetArrowImage() const { return arrowImage_; }
  void SetArrowImage(std::u16string_view image);
  // The arrow frame's size; 0×0 without a loadable arrow image.
  SIZE ArrowSize() const;

 protected:
  RECT TextRect() const override;

 private:
  std::u16string arrowImage_;
};

}  // namespace Kesto
