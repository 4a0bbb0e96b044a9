// A list: a column header over a scrolling body of list items, with one
// selected item. The list's child-list operations (Add, Remove, GetItemAt ...)
// are the body's: a skin's children of a List go into the body, except a
// ListHeader, which replaces the list's header.
//
// Selecting index i (SelectItem): nothing happens when i is already
// selected; otherwise the old item is deselected and the selection becomes
// -1; a negative i, an index without an item, an item that is not a list
// item or one that refuses (a disabled one) leave it at -1 and answer false;
// else i is selected, scrolled into view, focused when asked, and
// "itemselect" goes out with (i, previous index).
//
// Desktop behaviour:
// - A click on an item selects it and focuses it.
// - Up and Down move the selection to the previous or next selectable item
//   (visible and enabled), Home and End to the first and last, PageUp and
//   PageDown by the height of the view; with no selection, any of them
//   selects the first selectable item. The new item is scrolled into view.
// - Enter (and a double click) activates the selected item: "itemactivate".
// - The wheel scrolls the body by a line; with "scrollselect" it moves the
//   selection instead.
// - Removing the selected item leaves no selection (no "itemselect" is sent);
//   removing or inserting items before it keeps the same item selected.
//   Hiding the selected item deselects it.
// - The header's items give the columns text elements draw in; dragging a
//   dragable item's separator resizes its column (see ListHeader.h).
// - "header" "hidden" gives the header no height; its items are still laid
//   out, so the columns stay.
//
// Scale: the body measures every row on layout (one EstimateSize per item),
// but lays out, paints and hit-tests only the rows that meet the view; a
// scroll places the rows that come into view and nothing else. Searches that
// ask for visible controls (hit tests, the tab order, the manager's layout
// pass) see only those rows; other searches see every item. Rows are kept as
// cumulative offsets, so finding the rows at a scroll position is a binary
// search. Floating children are not supported in the body: every child is a
// row. A row outside the view keeps the last position it was given; RowTop
// and RowBottom of the body tell where it belongs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "controls/ListInterfaces.h"
#include "controls/VerticalLayout.h"

namespace Kesto {

class CListUI;
class CListHeaderUI;

class CListBodyUI : public CVerticalLayoutUI {
 public:
  explicit CListBodyUI(CListUI* owner);

  std::u16string_view GetClass() const override;

  // Item bookkeeping: every list item learns its owner and index.
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  void RemoveAll() override;
  bool SetItemIndex(CControlUI* control, int index) override;

  void SetPos(RECT rc) override;
  void SetScrollPos(SIZE pos) override;
  CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
  void DoEvent(ControlEvent& event) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;

  // Row geometry as of the last layout, in content coordinates (0 at the top
  // of the first row, scrolling not applied). -1 when index has no row.
  int RowTop(int index) const;
  int RowBottom(int index) const;
  // The index of the row at content offset y (clamped to the rows); -1
  // without rows.
  int IndexAtOffset(int y) const;
  int ContentHeight() const;
  // The height rows are shown in.
  int ViewHeight() const;
  // Scrolls the least distance that shows the row at index.
  void EnsureVisible(int index);
  // The rows laid out now: [first, last).
  int FirstPlaced() const { return first_; }
  int LastPlaced() const { return last_; }

 private:
  void Renumber(int from);
  void MeasureRows(SIZE available);
  // Lays out the rows that meet the view and moves the rows that left it.
  void PlaceRows();
  void PlaceRow(int index);
  // [first, last) of the rows meeting content offsets [top, bottom).
  std::pair<int, int> RowsBetween(int top, int bottom) const;

  CListUI* owner_;
  std::vector<int> tops_;     // slot starts, one more than rows: the end
  std::vector<int> heights_;  // row heights without padding; 0 when hidden
  int contentHeight_ = 0;
  int rowWidth_ = 0;
  int first_ = 0;
  int last_ = 0;
};

class CListUI : public CVerticalLayoutUI, public IListUI {
 public:
  CListUI();
  ~CListUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;

  // IContainerUI, forwarded to the body (a ListHeader replaces the header).
  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int index) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;

  // IListOwnerUI
  TListInfoUI* GetListInfo() override;
  int GetCurSel() const override { return curSel_; }
  bool SelectItem(int index, bool takeFocus = false) override;
  void DoEvent(ControlEvent& event) override;

  // IListUI
  CListHeaderUI* GetHeader() const override { return header_; }
  CContainerUI* GetList() const override;
  bool ExpandItem(int index, bool expand = true) override;
  int GetExpandedItem() const override { return expanded_; }
  void EnsureVisible(int index) override;

  void SetPos(RECT rc) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  // Scrolling and spacing are the body's.
  int GetChildPadding() const override;
  void SetChildPadding(int padding) override;
  int FindSelectable(int index, bool forward = true) const override;
  SIZE GetScrollPos() const override;
  SIZE GetScrollRange() const override;
  void SetScrollPos(SIZE pos) override;
  void SetScrollStepSize(int size) override;
  int GetScrollStepSize() const override;
  void LineUp() override;
  void LineDown() override;
  void PageUp() override;
  void PageDown() override;
  void HomeUp() override;
  void EndDown() override;
  void LineLeft() override;
  void LineRight() override;
  void PageLeft() override;
  void PageRight() override;
  void HomeLeft() override;
  void EndRight() override;
  void EnableScrollBar(bool vertical = true, bool horizontal = false) override;
  CScrollBarUI* GetVerticalScrollBar() const override;
  CScrollBarUI* GetHorizontalScrollBar() const override;

  bool IsHeaderHidden() const { return headerHidden_; }
  void SetHeaderHidden(bool hidden);
  bool IsScrollSelect() const { return scrollSelect_; }
  void SetScrollSelect(bool on) { scrollSelect_ = on; }
  // The appearance record is changed through GetListInfo(); this repaints.
  void ListInfoChanged();

 protected:
  friend class CListBodyUI;
  // Called by the body before it takes control out of the rows.
  virtual void ItemRemoving(CControlUI* control);
  // Called by the body after it inserted count items at index (count < 0:
  // removed -count items there). Keeps the selection on the same item.
  virtual void ItemsShifted(int index, int count);
  virtual void ItemsCleared();
  // The body moved one item from index from to index to.
  virtual void ItemMoved(int from, int to);

 private:
  // Selects the selectable item nearest to target in the direction given.
  void MoveSelectionTo(int target, bool forward);
  bool HandleKey(char16_t key);
  bool SetItemAttribute(std::u16string_view name, std::u16string_view value);

  CListHeaderUI* header_ = nullptr;
  CListBodyUI* body_ = nullptr;
  TListInfoUI info_;
  int curSel_ = -1;
  int expanded_ = -1;
  bool scrollSelect_ = false;
  bool headerHidden_ = false;
};

}  // namespace Kesto
