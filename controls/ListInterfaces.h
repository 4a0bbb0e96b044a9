// The contracts between list items and whatever owns them. An owner is any
// control that keeps a selection among list items and tells them how to look:
// a list, or a drop-down box that shows the same items in a popup. An item
// asks its owner for the shared appearance record, reports clicks and key
// presses to it and never selects itself behind the owner's back; the owner
// keeps the selection index and tells the items their positions.
#pragma once

#include <string>
#include <vector>

#include "controls/Control.h"
#include "platform/window/Messages.h"

namespace Kesto {

class CContainerUI;
class CListHeaderUI;

// How the items of one owner look. Colours are 0xAARRGGBB, 0 meaning "none"
// for backgrounds and lines. Text is drawn with textStyle (DT_* flags);
// vertical centring needs a single line, so both are on by default.
struct TListInfoUI {
  int font = -1;  // index into the manager's font table; -1 the default font
  UINT textStyle = os::DT_VCENTER | os::DT_SINGLELINE;
  RECT textPadding{};
  DWORD textColor = 0xFF000000;
  DWORD bkColor = 0;
  std::u16string bkImage;
  // Every second row (odd index) leaves out bkColor and bkImage.
  bool alternateBk = false;
  DWORD selectedTextColor = 0xFF000000;
  DWORD selectedBkColor = 0xFFC1E3FF;
  std::u16string selectedImage;
  DWORD hotTextColor = 0xFF000000;
  DWORD hotBkColor = 0xFFE9F5FF;
  std::u16string hotImage;
  DWORD disabledTextColor = 0xFFCCCCCC;
  DWORD disabledBkColor = 0xFFFFFFFF;
  std::u16string disabledImage;
  // A one-pixel line along the bottom of every item.
  DWORD lineColor = 0;
  bool showHtml = false;
  bool multiExpandable = false;
  // Left and right edges of the columns in window coordinates, from the
  // header items' positions; empty without a header item.
  std::vector<RECT> columns;
};

// Interface name "IListOwner".
class IListOwnerUI {
 public:
  virtual ~IListOwnerUI() = default;
  // The record the items paint by; never null while the owner lives.
  virtual TListInfoUI* GetListInfo() = 0;
  // The selected item's index, -1 for none.
  virtual int GetCurSel() const = 0;
  // Selects the item at index (see the owner's class for the rule); true
  // when index is selected afterwards.
  virtual bool SelectItem(int index, bool takeFocus = false) = 0;
  // Items hand the owner the key presses and wheel turns they do not use
  // themselves, so that moving the selection works wherever the focus is.
  virtual void DoEvent(ControlEvent& event) = 0;
};

// Interface name "IList": an owner that shows its items in a scrolling body
// under a column header.
class IListUI : public IListOwnerUI {
 public:
  virtual CListHeaderUI* GetHeader() const = 0;
  // The container that holds the items.
  virtual CContainerUI* GetList() const = 0;
  // Expands (or collapses) the item at index; without multi-expanding,
  // expanding one collapses the one expanded before. False for an index
  // without an item.
  virtual bool ExpandItem(int index, bool expand = true) = 0;
  // The last item expanded, -1 for none.
  virtual int GetExpandedItem() const = 0;
  // Scrolls the least distance that shows the whole item at index.
  virtual void EnsureVisible(int index) = 0;
};

// Interface name "ListItem".
class IListItemUI {
 public:
  virtual ~IListItemUI() = default;
  // Position among the owner's items, kept by the owner.
  virtual int GetIndex() const = 0;
  virtual void SetIndex(int index) = 0;
  virtual IListOwnerUI* GetListOwner() const = 0;
  virtual void SetListOwner(IListOwnerUI* owner) = 0;
  virtual bool IsSelected() const = 0;
  // Changes the item's own state only (the owner's SelectItem is the way to
  // select); false when the item refuses, as a disabled item does.
  virtual bool Select(bool select = true) = 0;
  virtual bool IsExpanded() const = 0;
  virtual bool Expand(bool expand = true) = 0;
  // Draws the item's text into rc by the owner's record.
  virtual void DrawItemText(os::Canvas& dc, const RECT& rc) = 0;
};

}  // namespace Kesto
