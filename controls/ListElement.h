// The items a list (or any other list owner) shows: a plain row, a row with
// one text, a row with a text per column, and a row that is a container of
// arbitrary controls. Every item looks itself up in its owner's appearance
// record when it paints, so one change of the record restyles all items.
//
// Behaviour chosen for the desktop:
// - A left or right button press selects the item through its owner (which
//   takes the focus) and then sends "itemclick"; a double click or Enter
//   sends "itemactivate".
// - Keys other than Enter and wheel turns go to the owner, which moves the
//   selection or scrolls.
// - Background priority: disabled, then selected, then hot, then normal;
//   with the alternate background on, odd rows leave the normal background
//   and image out. The line colour draws a one-pixel line along the bottom.
// - An item with no height of its own is as tall as its owner's item font
//   plus 8 pixels, so long lists of unstyled rows still have a uniform pitch.
// - Text elements draw their n-th text in the n-th column the header gives;
//   without columns the first text spans the whole row. With the owner's
//   "showhtml" the texts are markup and a click on a link (press and release
//   on the same one) sends "link" with the link's index, counted over all
//   columns in order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "controls/Container.h"
#include "controls/ListInterfaces.h"
#include "controls/Render.h"

namespace Kesto {

namespace listitem {
// The text colour of an item in state (UIState bits) by the record.
DWORD TextColor(const TListInfoUI& info, UINT state);
// Background colour, image and bottom line of item for state and row index.
void PaintBackground(CControlUI& item, os::Canvas& dc, const TListInfoUI& info, UINT state, int index);
// The default row height by the record's font.
int DefaultHeight(const UIManager* manager, const TListInfoUI* info);
}  // namespace listitem

// What every kind of row shares, over the control it is (a plain control or
// a container): its place in the owner, selection through the owner, hot
// state, the "selected" attribute, the default height and the item events.
template <typename Base>
class ListItemBase : public Base, public IListItemUI {
 public:
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void SetVisible(bool visible = true) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  SIZE EstimateSize(SIZE available) override;

  // IListItemUI
  int GetIndex() const override { return index_; }
  void SetIndex(int index) override { index_ = index; }
  IListOwnerUI* GetListOwner() const override { return owner_; }
  void SetListOwner(IListOwnerUI* owner) override { owner_ = owner; }
  bool IsSelected() const override { return selected_; }
  bool Select(bool select = true) override;

  // UIState bits (hot, selected, disabled) the item paints by.
  UINT GetItemState() const;

 protected:
  // Selects through the owner (the owner keeps the index), alone without one.
  void SelectViaOwner(bool takeFocus);

  int index_ = -1;
  bool selected_ = false;
  bool hot_ = false;
  IListOwnerUI* owner_ = nullptr;
};

extern template class ListItemBase<CControlUI>;
extern template class ListItemBase<CContainerUI>;

class CListElementUI : public ListItemBase<CControlUI> {
 public:
  CListElementUI();
  ~CListElementUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;

  bool IsExpanded() const override { return false; }
  bool Expand(bool /*expand*/ = true) override { return false; }
  void DrawItemText(os::Canvas& dc, const RECT& rc) override;
};

class CListLabelElementUI : public CListElementUI {
 public:
  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void DrawItemText(os::Canvas& dc, const RECT& rc) override;
};

class CListTextElementUI : public CListLabelElementUI {
 public:
  // Links kept per row, over all columns.
  static constexpr std::size_t kMaxLinks = 16;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  UINT GetControlFlags() const override;
  void DoEvent(ControlEvent& event) override;
  void DrawItemText(os::Canvas& dc, const RECT& rc) override;

  // The text of column 0 is also the control's text.
  std::u16string GetText() const override;
  void SetText(std::u16string_view text) override;
  std::u16string GetText(int column) const;
  void SetText(int column, std::u16string_view text);
  int GetTextCount() const { return static_cast<int>(texts_.size()); }

  int GetLinkCount() const { return static_cast<int>(links_.size()); }
  // The rectangle of link index as last painted; empty when out of range.
  RECT GetLinkRect(int index) const;

 private:
  int LinkAt(POINT point) const;

  std::vector<std::u16string> texts_;
  std::vector<HtmlLink> links_;
  int pressedLink_ = -1;
};

class CListContainerElementUI : public ListItemBase<CContainerUI> {
 public:
  CListContainerElementUI();
  ~CListContainerElementUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;

  bool IsExpanded() const override { return expanded_; }
  bool Expand(bool expand = true) override;
  void DrawItemText(os::Canvas& dc, const RECT& rc) override;

 protected:
  bool expanded_ = false;
};

}  // namespace Kesto
