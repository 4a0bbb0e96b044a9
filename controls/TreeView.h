// A tree: a list whose items are nodes. Every node is a row of the list; a
// node's child nodes follow it (depth first) and are shown only while every
// ancestor is expanded. A node's row holds, left to right, an indentation
// (the dot line), the folder button, the check box and the item button with
// the node's text, each configured by the node's attribute lists.
//
// Desktop behaviour:
// - The folder button and a double click on the row expand or collapse a
//   node with children; a double click also sends "itemdbclick" from the
//   tree (wParam: the node's index).
// - Right expands the selected node, or, already expanded, selects its first
//   child; Left collapses it, or, already collapsed (or a leaf), selects its
//   parent. Up, Down and the other list keys move among the shown nodes.
// - Collapsing a node whose hidden descendant was selected selects the node.
// - Toggling a node's check box sends "selectchanged" from the tree (wParam:
//   the node's index, lParam: 1 checked, 0 not); the box itself, like the
//   folder button, sends nothing.
// - Nodes start collapsed; "defaultexpand" "true" starts one expanded.
// - Indentation: each level of depth indents by the dot line's width from
//   "dotlineattr" (16 pixels without one). A leaf keeps the folder button's
//   room empty so that its text lines up with its siblings'.
// - Without images of its own ("folderattr"), the folder button shows "+"
//   for a collapsed node and "-" for an expanded one.
// - Text colours: a node's own "itemtextcolor" etc. win; without them the
//   tree's apply; selected and hot together use the selected-hot colour.
// - "itemminwidth" is the least width of every node's row.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "controls/List.h"
#include "controls/ListElement.h"

namespace Kesto {

class CCheckBoxUI;
class CHorizontalLayoutUI;
class CLabelUI;
class COptionUI;
class CTreeViewUI;

// Text colours of an item button by state; 0 means "not set".
struct TreeTextColors {
  DWORD normal = 0;
  DWORD hot = 0;
  DWORD selected = 0;
  DWORD selectedHot = 0;
};

class CTreeNodeUI : public CListContainerElementUI {
 public:
  CTreeNodeUI();
  ~CTreeNodeUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;
  std::u16string GetText() const override;
  void SetText(std::u16string_view text) override;
  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoPaint(os::Canvas& dc, const RECT& paint) override;
  bool Expand(bool expand = true) override;

  // Child nodes. A node joins one parent, once; a node in a tree joins that
  // tree with its parent. Refused: null, this node, an ancestor of it, a
  // node that already has a parent or a tree, an index out of range.
  bool AddChildNode(CTreeNodeUI* node);
  bool AddChildNodeAt(CTreeNodeUI* node, int index);
  // Takes the node (and its descendants) out and destroys them.
  bool RemoveChildNode(CTreeNodeUI* node);
  int GetCountChild() const { return static_cast<int>(children_.size()); }
  CTreeNodeUI* GetChildNode(int index) const;
  CTreeNodeUI* GetParentNode() const { return parentNode_; }
  bool IsHasChild() const { return !children_.empty(); }
  // 0 for a node without a parent node.
  int GetTreeLevel() const;
  CTreeViewUI* GetTreeView() const { return treeView_; }
  // The last of its descendants in row order; this node without any.
  CTreeNodeUI* LastDescendant();

  bool IsChecked() const;
  void SetChecked(bool checked);
  TreeTextColors& TextColors() { return colors_; }

  CHorizontalLayoutUI* GetTreeNodeHoriznotal() const { return row_; }
  CLabelUI* GetDottedLine() const { return dotLine_; }
  CCheckBoxUI* GetFolderButton() const { return folderButton_; }
  CCheckBoxUI* GetCheckBox() const { return checkBox_; }
  COptionUI* GetItemButton() const { return itemButton_; }

 private:
  friend class CTreeViewUI;
  // Indentation, folder button and check box as depth, children and the
  // tree's settings say; also for every descendant.
  void UpdateRow();
  // Shows the children when this node is shown and expanded, hides them
  // otherwise, all the way down.
  void UpdateChildrenVisibility();
  bool HasSelectedDescendant() const;
  void CollectSubtree(std::vector<CTreeNodeUI*>& out);
  DWORD ItemTextColor() const;

  CHorizontalLayoutUI* row_ = nullptr;
  CLabelUI* dotLine_ = nullptr;
  CCheckBoxUI* folderButton_ = nullptr;
  CCheckBoxUI* checkBox_ = nullptr;
  COptionUI* itemButton_ = nullptr;
  CTreeNodeUI* parentNode_ = nullptr;
  CTreeViewUI* treeView_ = nullptr;
  std::vector<CTreeNodeUI*> children_;
  int indent_ = 16;
  bool syncingFolder_ = false;
  TreeTextColors colors_;
};

class CTreeViewUI : public CListUI {
 public:
  CTreeViewUI();
  ~CTreeViewUI() override;

  std::u16string_view GetClass() const override;
  void* GetInterface(std::u16string_view name) override;

  // Nodes join with their descendants; removing a node removes them too.
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control) override;
  bool RemoveAt(int index) override;

  void DoEvent(ControlEvent& event) override;
  void SetAttribute(std::u16string_view name, std::u16string_view value) override;

  bool GetVisibleFolderBtn() const { return visibleFolderBtn_; }
  void SetVisibleFolderBtn(bool visible);
  bool GetVisibleCheckBtn() const { return visibleCheckBtn_; }
  void SetVisibleCheckBtn(bool visible);
  int GetItemMinWidth() const { return itemMinWidth_; }
  void SetItemMinWidth(int width);
  const TreeTextColors& TextColors() const { return colors_; }
  CTreeNodeUI* NodeAt(int index) const;

 private:
  friend class CTreeNodeUI;
  // Puts node and its descendants into the rows from index on; the index
  // after the last one.
  int InsertSubtree(CTreeNodeUI* node, int index);
  void ForEachNode(void (*fn)(CTreeNodeUI&, CTreeViewUI&));
  void NodeChecked(CTreeNodeUI& node, bool checked);
  void NodeDoubleClicked(CTreeNodeUI& node);
  bool HandleKey(char16_t key);
  // However a node leaves the rows, no other node keeps pointing at it: it
  // leaves its parent, and its children (if they stay) become top nodes.
  void ItemRemoving(CControlUI* control) override;

  bool visibleFolderBtn_ = true;
  bool visibleCheckBtn_ = false;
  int itemMinWidth_ = 0;
  TreeTextColors colors_;
};

}  // namespace Kesto
