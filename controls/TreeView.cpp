#include "controls/TreeView.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/CheckBox.h"
#include "controls/HorizontalLayout.h"
#include "controls/Label.h"
#include "controls/Option.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"TreeView", CTreeViewUI)

namespace {

constexpr int kButtonWidth = 16;

CTreeNodeUI* NodeOf(CControlUI* control) {
  return control == nullptr ? nullptr : static_cast<CTreeNodeUI*>(control->GetInterface(u"TreeNode"));
}

// The skin builder's hooks: nodes are made here and hung into their parents.
CControlUI* CreateNode() { return new CTreeNodeUI(); }

bool AddToNode(void* node, CControlUI* child) {
  auto* parent = static_cast<CTreeNodeUI*>(node);
  if (CTreeNodeUI* childNode = NodeOf(child)) return parent->AddChildNode(childNode);
  return parent->GetTreeNodeHoriznotal()->Add(child);
}

bool AddToView(void* view, CControlUI* node) { return static_cast<CTreeViewUI*>(view)->Add(node); }

const bool kTreeNodesRegistered = [] {
  ControlRegistry::Instance().SetTreeNodeSupport(TreeNodeSupport{&CreateNode, &AddToNode, &AddToView});
  return true;
}();

DWORD FirstSet(DWORD a, DWORD b) { return a != 0 ? a : b; }

// A folder button without a picture says "+" or "-". Its picture may come
// after the node has been laid out once (a skin lists attributes in any
// order); then the sign made meanwhile goes, or it would be drawn over the
// picture.
void ShowFolderSign(CCheckBoxUI& button, bool expanded) {
  if (button.GetNormalImage().empty()) {
    button.SetText(expanded ? u"-" : u"+");
  } else if (const std::u16string text = button.GetText(); text == u"+" || text == u"-") {
    button.SetText(u"");
  }
}

// The folder button and check box of a node's row: a toggle is the node's
// business and reaches the window only as the tree's own notification, if
// at all.
class NodeToggleUI : public CCheckBoxUI {
 public:
  explicit NodeToggleUI(std::function<void(bool)> changed) : changed_(std::move(changed)) {}

  void Selected(bool selected) override {
    if (!group_.empty()) {
      // A skin that put the toggle in a group gets a group member.
      CCheckBoxUI::Selected(selected);
      return;
    }
    const bool changed = selected_ != selected;
    selected_ = selected;
    if (selected) {
      buttonState_ |= UIState::Selected;
    } else {
      buttonState_ &= ~UIState::Selected;
    }
    Invalidate();
    if (changed && changed_) changed_(selected);
  }

 private:
  std::function<void(bool)> changed_;
};

}  // namespace

// ---------------------------------------------------------------------------
// CTreeNodeUI

CTreeNodeUI::CTreeNodeUI()
    : row_(new CHorizontalLayoutUI()),
      dotLine_(new CLabelUI()),
      folderButton_(new NodeToggleUI([this](bool on) {
        if (!syncingFolder_) Expand(on);
      })),
      checkBox_(new NodeToggleUI([this](bool on) {
        if (treeView_ != nullptr) treeView_->NodeChecked(*this, on);
      })),
      itemButton_(new COptionUI()) {
  // Presses on the row, the indentation and the text belong to the node.
  row_->SetMouseEnabled(false);
  dotLine_->SetMouseEnabled(false);
  itemButton_->SetMouseEnabled(false);
  itemButton_->SetAttribute(u"align", u"left");
  folderButton_->SetFixedWidth(kButtonWidth);
  checkBox_->SetFixedWidth(kButtonWidth);
  checkBox_->SetVisible(false);
  row_->Add(dotLine_);
  row_->Add(folderButton_);
  row_->Add(checkBox_);
  row_->Add(itemButton_);
  CContainerUI::Add(row_);
  folderButton_->OnNotify += [this](NotifyMsg& msg) {
    if (msg.type == u"selectchanged" && !syncingFolder_) Expand(folderButton_->IsSelected());
    return true;
  };
  checkBox_->OnNotify += [this](NotifyMsg& msg) {
    if (msg.type == u"selectchanged" && treeView_ != nullptr)
      treeView_->NodeChecked(*this, checkBox_->IsSelected());
    return true;
  };
  UpdateRow();
}

CTreeNodeUI::~CTreeNodeUI() {
  // Outside a tree a node owns its child nodes; in one, the tree's rows do.
  if (treeView_ != nullptr) return;
  std::vector<CTreeNodeUI*> children;
  children.swap(children_);
  for (CTreeNodeUI* child : children) delete child;
}

std::u16string_view CTreeNodeUI::GetClass() const { return u"TreeNodeUI"; }

void* CTreeNodeUI::GetInterface(std::u16string_view name) {
  if (name == u"TreeNode") return static_cast<CTreeNodeUI*>(this);
  return CListContainerElementUI::GetInterface(name);
}

std::u16string CTreeNodeUI::GetText() const { return itemButton_->GetText(); }

void CTreeNodeUI::SetText(std::u16string_view text) {
  text_.assign(text);
  itemButton_->SetText(text);
}

CTreeNodeUI* CTreeNodeUI::GetChildNode(int index) const {
  if (index < 0 || index >= GetCountChild()) return nullptr;
  return children_[static_cast<std::size_t>(index)];
}

int CTreeNodeUI::GetTreeLevel() const {
  int level = 0;
  for (const CTreeNodeUI* p = parentNode_; p != nullptr; p = p->parentNode_) ++level;
  return level;
}

CTreeNodeUI* CTreeNodeUI::LastDescendant() {
  CTreeNodeUI* last = this;
  while (!last->children_.empty()) last = last->children_.back();
  return last;
}

void CTreeNodeUI::CollectSubtree(std::vector<CTreeNodeUI*>& out) {
  out.push_back(this);
  for (CTreeNodeUI* child : children_) child->CollectSubtree(out);
}

bool CTreeNodeUI::AddChildNode(CTreeNodeUI* node) { return AddChildNodeAt(node, GetCountChild()); }

bool CTreeNodeUI::AddChildNodeAt(CTreeNodeUI* node, int index) {
  if (node == nullptr || index < 0 || index > GetCountChild()) return false;
  for (const CTreeNodeUI* p = this; p != nullptr; p = p->parentNode_) {
    if (p == node) return false;
  }
  if (node->parentNode_ != nullptr || node->treeView_ != nullptr) return false;
  // The row after which the new subtree goes, while the tree is unchanged.
  CTreeNodeUI* before = index == 0 ? this : children_[static_cast<std::size_t>(index) - 1]->LastDescendant();
  children_.insert(children_.begin() + index, node);
  node->parentNode_ = this;
  node->SetVisible(visible_ && expanded_);
  node->UpdateChildrenVisibility();
  if (treeView_ != nullptr) treeView_->InsertSubtree(node, treeView_->GetItemIndex(before) + 1);
  UpdateRow();
  return true;
}

bool CTreeNodeUI::RemoveChildNode(CTreeNodeUI* node) {
  const auto it = std::find(children_.begin(), children_.end(), node);
  if (node == nullptr || it == children_.end()) return false;
  if (treeView_ != nullptr) return treeView_->Remove(node);
  children_.erase(it);
  node->parentNode_ = nullptr;
  delete node;
  UpdateRow();
  return true;
}

void CTreeNodeUI::UpdateRow() {
  const bool folders = treeView_ == nullptr || treeView_->GetVisibleFolderBtn();
  const bool leaf = children_.empty();
  const int indent = GetTreeLevel() * indent_ + (folders && leaf ? folderButton_->GetFixedWidth() : 0);
  // A zero width would make the dot line share the row's free room.
  dotLine_->SetVisible(indent > 0);
  if (indent > 0) dotLine_->SetFixedWidth(indent);
  folderButton_->SetVisible(folders && !leaf);
  ShowFolderSign(*folderButton_, expanded_);
  checkBox_->SetVisible(treeView_ != nullptr && treeView_->GetVisibleCheckBtn());
  if (treeView_ != nullptr && treeView_->GetItemMinWidth() > 0) SetMinWidth(treeView_->GetItemMinWidth());
  for (CTreeNodeUI* child : children_) child->UpdateRow();
}

void CTreeNodeUI::UpdateChildrenVisibility() {
  const bool shown = visible_ && expanded_;
  for (CTreeNodeUI* child : children_) {
    child->SetVisible(shown);
    child->UpdateChildrenVisibility();
  }
}

bool CTreeNodeUI::HasSelectedDescendant() const {
  for (const CTreeNodeUI* child : children_) {
    if (child->IsSelected() || child->HasSelectedDescendant()) return true;
  }
  return false;
}

bool CTreeNodeUI::Expand(bool expand) {
  if (expanded_ == expand) return true;
  const bool reselect = !expand && owner_ != nullptr && HasSelectedDescendant();
  expanded_ = expand;
  if (folderButton_->IsSelected() != expand) {
    syncingFolder_ = true;
    folderButton_->Selected(expand);
    syncingFolder_ = false;
  }
  ShowFolderSign(*folderButton_, expanded_);
  UpdateChildrenVisibility();
  if (reselect) owner_->SelectItem(index_, true);
  NeedParentUpdate();
  return true;
}

bool CTreeNodeUI::IsChecked() const { return checkBox_->IsChecked(); }

void CTreeNodeUI::SetChecked(bool checked) {
  if (checkBox_->IsChecked() != checked) checkBox_->SetCheck(checked);
}

void CTreeNodeUI::DoEvent(ControlEvent& event) {
  if (event.type == UIEvent::DblClick && IsEnabled() && IsMouseEnabled()) {
    if (IsHasChild()) Expand(!expanded_);
    if (treeView_ != nullptr) treeView_->NodeDoubleClicked(*this);
  }
  CListContainerElementUI::DoEvent(event);
}

void CTreeNodeUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"text") {
    SetText(value);
  } else if (name == u"horizattr") {
    row_->ApplyAttributeList(value);
  } else if (name == u"dotlineattr") {
    dotLine_->ApplyAttributeList(value);
    if (dotLine_->GetFixedWidth() > 0) indent_ = dotLine_->GetFixedWidth();
    UpdateRow();
  } else if (name == u"folderattr") {
    folderButton_->ApplyAttributeList(value);
    UpdateRow();
  } else if (name == u"checkboxattr") {
    checkBox_->ApplyAttributeList(value);
    UpdateRow();
  } else if (name == u"itemattr") {
    itemButton_->ApplyAttributeList(value);
  } else if (name == u"itemtextcolor") {
    colors_.normal = attr::ParseColor(value);
  } else if (name == u"itemhottextcolor") {
    colors_.hot = attr::ParseColor(value);
  } else if (name == u"selitemtextcolor") {
    colors_.selected = attr::ParseColor(value);
  } else if (name == u"selitemhottextcolor") {
    colors_.selectedHot = attr::ParseColor(value);
  } else if (name == u"defaultexpand") {
    Expand(attr::ParseBool(value));
  } else {
    CListContainerElementUI::SetAttribute(name, value);
  }
}

DWORD CTreeNodeUI::ItemTextColor() const {
  const TreeTextColors none;
  const TreeTextColors& view = treeView_ != nullptr ? treeView_->TextColors() : none;
  const DWORD normal = FirstSet(colors_.normal, view.normal);
  const DWORD hot = FirstSet(FirstSet(colors_.hot, view.hot), normal);
  const DWORD selected = FirstSet(FirstSet(colors_.selected, view.selected), normal);
  const DWORD selectedHot = FirstSet(FirstSet(colors_.selectedHot, view.selectedHot), selected);
  if (selected_ && hot_) return selectedHot;
  if (selected_) return selected;
  if (hot_) return hot;
  return normal;
}

void CTreeNodeUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  const DWORD color = ItemTextColor();
  if (color != 0 && itemButton_->GetTextColor() != color) itemButton_->SetTextColor(color);
  CListContainerElementUI::DoPaint(dc, paint);
}

// ---------------------------------------------------------------------------
// CTreeViewUI

CTreeViewUI::CTreeViewUI() = default;
CTreeViewUI::~CTreeViewUI() = default;

std::u16string_view CTreeViewUI::GetClass() const { return u"TreeViewUI"; }

void* CTreeViewUI::GetInterface(std::u16string_view name) {
  if (name == u"TreeView") return static_cast<CTreeViewUI*>(this);
  return CListUI::GetInterface(name);
}

CTreeNodeUI* CTreeViewUI::NodeAt(int index) const { return NodeOf(GetItemAt(index)); }

int CTreeViewUI::InsertSubtree(CTreeNodeUI* node, int index) {
  node->treeView_ = this;
  if (!CListUI::AddAt(node, index)) {
    node->treeView_ = nullptr;
    return index;
  }
  node->UpdateRow();
  int next = index + 1;
  for (CTreeNodeUI* child : node->children_) next = InsertSubtree(child, next);
  return next;
}

bool CTreeViewUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTreeViewUI::AddAt(CControlUI* control, int index) {
  CTreeNodeUI* node = NodeOf(control);
  if (node == nullptr) return CListUI::AddAt(control, index);
  // A tree takes whole subtrees only, at a place between two of them.
  if (node->parentNode_ != nullptr || node->treeView_ != nullptr) return false;
  if (index < 0 || index > GetCount()) return false;
  if (CTreeNodeUI* at = NodeAt(index); at != nullptr && at->parentNode_ != nullptr) return false;
  return InsertSubtree(node, index) > index;
}

bool CTreeViewUI::Remove(CControlUI* control) {
  CTreeNodeUI* node = NodeOf(control);
  if (node == nullptr || node->treeView_ != this) return CListUI::Remove(control);
  std::vector<CTreeNodeUI*> subtree;
  node->CollectSubtree(subtree);
  // Children before their parents: each leaves a parent that is still there.
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) CListUI::Remove(*it);
  return true;
}

void CTreeViewUI::ItemRemoving(CControlUI* control) {
  CTreeNodeUI* node = NodeOf(control);
  if (node == nullptr) return;
  if (CTreeNodeUI* parent = node->parentNode_) {
    parent->children_.erase(std::find(parent->children_.begin(), parent->children_.end(), node));
    node->parentNode_ = nullptr;
    parent->UpdateRow();
  }
  std::vector<CTreeNodeUI*> children;
  children.swap(node->children_);
  for (CTreeNodeUI* child : children) {
    child->parentNode_ = nullptr;
    child->SetVisible(true);
    child->UpdateChildrenVisibility();
    child->UpdateRow();
  }
}

bool CTreeViewUI::RemoveAt(int index) { return Remove(GetItemAt(index)); }

void CTreeViewUI::ForEachNode(void (*fn)(CTreeNodeUI&, CTreeViewUI&)) {
  for (int i = 0; i < GetCount(); ++i) {
    if (CTreeNodeUI* node = NodeAt(i)) fn(*node, *this);
  }
}

void CTreeViewUI::SetVisibleFolderBtn(bool visible) {
  visibleFolderBtn_ = visible;
  ForEachNode([](CTreeNodeUI& node, CTreeViewUI&) { node.UpdateRow(); });
}

void CTreeViewUI::SetVisibleCheckBtn(bool visible) {
  visibleCheckBtn_ = visible;
  ForEachNode([](CTreeNodeUI& node, CTreeViewUI&) { node.UpdateRow(); });
}

void CTreeViewUI::SetItemMinWidth(int width) {
  itemMinWidth_ = std::max(0, width);
  ForEachNode([](CTreeNodeUI& node, CTreeViewUI& view) { node.SetMinWidth(view.itemMinWidth_); });
}

void CTreeViewUI::NodeChecked(CTreeNodeUI& node, bool checked) {
  SendNotify(u"selectchanged", static_cast<WPARAM>(node.GetIndex()), checked ? 1 : 0);
}

void CTreeViewUI::NodeDoubleClicked(CTreeNodeUI& node) {
  SendNotify(u"itemdbclick", static_cast<WPARAM>(node.GetIndex()));
}

bool CTreeViewUI::HandleKey(char16_t key) {
  if (key != os::VK_LEFT && key != os::VK_RIGHT) return false;
  CTreeNodeUI* node = NodeAt(GetCurSel());
  if (node == nullptr) return true;
  if (key == os::VK_RIGHT) {
    if (!node->IsHasChild()) return true;
    if (!node->IsExpanded()) {
      node->Expand(true);
    } else {
      SelectItem(node->GetChildNode(0)->GetIndex(), true);
    }
    return true;
  }
  if (node->IsHasChild() && node->IsExpanded()) {
    node->Expand(false);
  } else if (node->GetParentNode() != nullptr) {
    SelectItem(node->GetParentNode()->GetIndex(), true);
  }
  return true;
}

void CTreeViewUI::DoEvent(ControlEvent& event) {
  if (event.type == UIEvent::KeyDown && IsEnabled() && HandleKey(event.key)) return;
  CListUI::DoEvent(event);
}

void CTreeViewUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"visiblefolderbtn") {
    SetVisibleFolderBtn(attr::ParseBool(value));
  } else if (name == u"visiblecheckbtn") {
    SetVisibleCheckBtn(attr::ParseBool(value));
  } else if (name == u"itemminwidth") {
    SetItemMinWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"selitemtextcolor") {
    colors_.selected = attr::ParseColor(value);
    Invalidate();
  } else if (name == u"selitemhottextcolor") {
    colors_.selectedHot = attr::ParseColor(value);
    Invalidate();
  } else {
    // The list keeps its own record of these two as well.
    if (name == u"itemtextcolor") colors_.normal = attr::ParseColor(value);
    if (name == u"itemhottextcolor") colors_.hot = attr::ParseColor(value);
    CListUI::SetAttribute(name, value);
  }
}

}  // namespace Kesto
