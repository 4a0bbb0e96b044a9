#include "controls/List.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/LayoutLimit.h"
#include "controls/ListHeader.h"
#include "controls/Render.h"
#include "controls/ScrollBar.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"List", CListUI)

namespace {

bool Meets(const RECT& a, const RECT& b) {
  RECT unused;
  return rect::Intersect(unused, a, b);
}

bool Contains(std::u16string_view text, std::u16string_view word) {
  return text.find(word) != std::u16string_view::npos;
}

IListItemUI* ListItemOf(CControlUI* control) {
  return control == nullptr ? nullptr : static_cast<IListItemUI*>(control->GetInterface(u"ListItem"));
}

// Where index ends up when the item at from moves to to.
int MovedIndex(int index, int from, int to) {
  if (index < 0) return index;
  if (index == from) return to;
  if (from < to && index > from && index <= to) return index - 1;
  if (to < from && index >= to && index < from) return index + 1;
  return index;
}

// Where index ends up when count items are inserted at at (count < 0:
// removed there); -1 when its own item went.
int ShiftedIndex(int index, int at, int count) {
  if (index < 0 || index < at) return index;
  if (count >= 0) return index + count;
  if (index < at - count) return -1;
  return index + count;
}

}  // namespace

// ---------------------------------------------------------------------------
// CListBodyUI

CListBodyUI::CListBodyUI(CListUI* owner) : owner_(owner) {}

std::u16string_view CListBodyUI::GetClass() const { return u"ListBodyUI"; }

void CListBodyUI::Renumber(int from) {
  for (int i = std::max(0, from); i < OwnCount(); ++i) {
    if (IListItemUI* item = ListItemOf(Child(i))) {
      item->SetIndex(i);
      item->SetListOwner(owner_);
    }
  }
}

bool CListBodyUI::AddAt(CControlUI* control, int index) {
  if (!CVerticalLayoutUI::AddAt(control, index)) return false;
  Renumber(index);
  if (owner_ != nullptr) owner_->ItemsShifted(index, 1);
  return true;
}

bool CListBodyUI::Remove(CControlUI* control) {
  const int index = GetItemIndex(control);
  if (control == nullptr || index < 0) return false;
  // A removed item may outlive the removal (delayed destruction): it must
  // not reach back into the list.
  if (owner_ != nullptr) owner_->ItemRemoving(control);
  if (IListItemUI* item = ListItemOf(control)) item->SetListOwner(nullptr);
  if (!CVerticalLayoutUI::Remove(control)) return false;
  Renumber(index);
  if (owner_ != nullptr) owner_->ItemsShifted(index, -1);
  return true;
}

void CListBodyUI::RemoveAll() {
  for (const ChildPtr& child : items_) {
    if (IListItemUI* item = ListItemOf(child.get())) item->SetListOwner(nullptr);
  }
  CVerticalLayoutUI::RemoveAll();
  first_ = last_ = 0;
  if (owner_ != nullptr) owner_->ItemsCleared();
}

bool CListBodyUI::SetItemIndex(CControlUI* control, int index) {
  const int from = GetItemIndex(control);
  if (!CVerticalLayoutUI::SetItemIndex(control, index)) return false;
  Renumber(std::min(from, index));
  if (owner_ != nullptr) owner_->ItemMoved(from, index);
  return true;
}

void CListBodyUI::MeasureRows(SIZE available) {
  const int n = OwnCount();
  tops_.assign(static_cast<std::size_t>(n) + 1, 0);
  heights_.assign(static_cast<std::size_t>(n), 0);
  // A height of -1 marks a row that shares what the others leave.
  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (int i = 0; i < n; ++i) {
    CControlUI* child = Child(i);
    if (!child->IsVisible()) continue;
    const int cy = child->EstimateSize(available).cy;
    int& h = heights_[static_cast<std::size_t>(i)];
    if (cy == 0) {
      h = -1;
      ++stretchCount;
    } else {
      h = LimitSize(cy, child->GetMinHeight(), child->GetMaxHeight());
      fixedTotal += h;
    }
    const RECT pad = child->GetPadding();
    fixedTotal += pad.top + pad.bottom;
    ++counted;
  }
  if (counted > 0) fixedTotal += (counted - 1) * childPadding_;
  const int expand = stretchCount > 0 ? std::max(0, (available.cy - fixedTotal) / stretchCount) : 0;

  int y = 0;
  for (int i = 0; i < n; ++i) {
    tops_[static_cast<std::size_t>(i)] = y;
    CControlUI* child = Child(i);
    if (!child->IsVisible()) continue;
    int& h = heights_[static_cast<std::size_t>(i)];
    if (h < 0) h = LimitSize(expand, child->GetMinHeight(), child->GetMaxHeight());
    const RECT pad = child->GetPadding();
    y += pad.top + h + pad.bottom + childPadding_;
  }
  tops_[static_cast<std::size_t>(n)] = y;
  contentHeight_ = counted > 0 ? y - childPadding_ : 0;
}

std::pair<int, int> CListBodyUI::RowsBetween(int top, int bottom) const {
  const int n = static_cast<int>(heights_.size());
  if (n == 0 || bottom <= top) return {0, 0};
  const auto begin = tops_.begin();
  const auto end = tops_.begin() + n;
  const int first = std::max(0, static_cast<int>(std::upper_bound(begin, end, top) - begin) - 1);
  const int last = static_cast<int>(std::lower_bound(begin, end, bottom) - begin);
  return {first, std::max(first, last)};
}

int CListBodyUI::ViewHeight() const {
  const RECT inner = InnerRect();
  return std::max(0, static_cast<int>(inner.bottom - inner.top));
}

void CListBodyUI::PlaceRow(int index) {
  if (index < 0 || index >= OwnCount() || index >= static_cast<int>(heights_.size())) return;
  CControlUI* child = Child(index);
  if (!child->IsVisible()) return;
  const RECT inner = InnerRect();
  const SIZE scroll = GetScrollPos();
  const RECT pad = child->GetPadding();
  const int x = inner.left - scroll.cx + pad.left;
  const int top = inner.top - scroll.cy + tops_[static_cast<std::size_t>(index)] + pad.top;
  int width = child->GetFixedWidth();
  if (width == 0) width = std::max(0, static_cast<int>(rowWidth_ - pad.left - pad.right));
  width = LimitSize(width, child->GetMinWidth(), child->GetMaxWidth());
  child->SetPos(RECT{x, top, x + width, top + heights_[static_cast<std::size_t>(index)]});
}

void CListBodyUI::PlaceRows() {
  const int scrollY = GetScrollPos().cy;
  const auto [first, last] = RowsBetween(scrollY, scrollY + ViewHeight());
  // Rows that leave the view go where they belong, outside it, so that no
  // stale rectangle of theirs lies over the rows now shown.
  for (int i = first_; i < last_; ++i) {
    if (i < first || i >= last) PlaceRow(i);
  }
  first_ = first;
  last_ = last;
  for (int i = first; i < last; ++i) PlaceRow(i);
}

void CListBodyUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner = InnerRect();
  SIZE available{inner.right - inner.left, inner.bottom - inner.top};
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    available.cx += horizontalScrollBar_->GetScrollRange();
  }
  rowWidth_ = available.cx;
  MeasureRows(available);
  PlaceRows();
  ProcessScrollBar(inner, 0, contentHeight_);
}

void CListBodyUI::SetScrollPos(SIZE pos) {
  if (MoveScrollBars(pos) == SIZE{}) return;
  PlaceRows();
  Invalidate();
}

int CListBodyUI::RowTop(int index) const {
  if (index < 0 || index >= static_cast<int>(heights_.size())) return -1;
  return tops_[static_cast<std::size_t>(index)];
}

int CListBodyUI::RowBottom(int index) const {
  if (index < 0 || index >= static_cast<int>(heights_.size()) || index >= OwnCount()) return -1;
  const RECT pad = Child(index)->GetPadding();
  return tops_[static_cast<std::size_t>(index)] + pad.top + heights_[static_cast<std::size_t>(index)] +
         pad.bottom;
}

int CListBodyUI::IndexAtOffset(int y) const {
  if (heights_.empty()) return -1;
  return RowsBetween(y, y + 1).first;
}

int CListBodyUI::ContentHeight() const { return contentHeight_; }

void CListBodyUI::EnsureVisible(int index) {
  const int top = RowTop(index);
  const int bottom = RowBottom(index);
  if (top < 0 || bottom < 0) return;
  SIZE pos = GetScrollPos();
  const int view = ViewHeight();
  if (top < pos.cy) {
    pos.cy = top;
  } else if (bottom > pos.cy + view) {
    pos.cy = bottom - view;
  } else {
    return;
  }
  SetScrollPos(pos);
}

CControlUI* CListBodyUI::FindControl(FindControlProc proc, void* data, UINT flags) {
  // A search for every control (names, ownership) sees every row.
  if ((flags & FindFlag::Visible) == 0) return CVerticalLayoutUI::FindControl(proc, data, flags);
  if (!IsVisible()) return nullptr;
  if ((flags & FindFlag::Enabled) != 0 && !IsEnabled()) return nullptr;
  const bool hitTest = (flags & FindFlag::HitTest) != 0;
  const auto* point = static_cast<const POINT*>(data);
  if (hitTest && !rect::Contains(item_, *point)) return nullptr;
  for (CScrollBarUI* bar : {verticalScrollBar_.get(), horizontalScrollBar_.get()}) {
    if (bar == nullptr) continue;
    if (CControlUI* found = bar->FindControl(proc, data, flags)) return found;
  }
  if (hitTest && !mouseChildEnabled_) return CControlUI::FindControl(proc, data, flags);
  const bool meFirst = (flags & FindFlag::MeFirst) != 0;
  if (meFirst) {
    if (CControlUI* found = CControlUI::FindControl(proc, data, flags)) return found;
  }
  const bool inInner = !hitTest || rect::Contains(InnerRect(), *point);
  if (inInner) {
    const bool topFirst = (flags & FindFlag::TopFirst) != 0;
    const int count = last_ - first_;
    for (int k = 0; k < count; ++k) {
      const int i = topFirst ? last_ - 1 - k : first_ + k;
      if (i >= OwnCount()) continue;
      if (CControlUI* found = Child(i)->FindControl(proc, data, flags)) return found;
    }
  }
  return meFirst ? nullptr : CControlUI::FindControl(proc, data, flags);
}

void CListBodyUI::DoEvent(ControlEvent& event) {
  if (owner_ != nullptr && (event.type == UIEvent::KeyDown || event.type == UIEvent::ScrollWheel)) {
    owner_->DoEvent(event);
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

void CListBodyUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  RECT outer;
  if (!rect::Intersect(outer, paint, item_)) return;
  RenderClip outerClip;
  Renderer::GenerateClip(dc, outer, outerClip);
  CControlUI::DoPaint(dc, paint);
  RECT innerPaint;
  if (rect::Intersect(innerPaint, paint, InnerRect())) {
    RenderClip innerClip;
    Renderer::GenerateClip(dc, innerPaint, innerClip);
    const int last = std::min(last_, OwnCount());
    for (int i = first_; i < last; ++i) {
      CControlUI* child = Child(i);
      if (child->IsVisible() && Meets(paint, child->GetPos())) child->DoPaint(dc, paint);
    }
  }
  for (CScrollBarUI* bar : {verticalScrollBar_.get(), horizontalScrollBar_.get()}) {
    if (bar != nullptr && bar->IsVisible() && Meets(paint, bar->GetPos())) bar->DoPaint(dc, paint);
  }
}

// ---------------------------------------------------------------------------
// CListUI

CListUI::CListUI() : header_(new CListHeaderUI()), body_(new CListBodyUI(this)) {
  CContainerUI::AddAt(header_, 0);
  CContainerUI::AddAt(body_, 1);
}

CListUI::~CListUI() = default;

std::u16string_view CListUI::GetClass() const { return u"ListUI"; }

void* CListUI::GetInterface(std::u16string_view name) {
  if (name == u"List") return static_cast<CListUI*>(this);
  if (name == u"IList") return static_cast<IListUI*>(this);
  if (name == u"IListOwner") return static_cast<IListOwnerUI*>(this);
  return CVerticalLayoutUI::GetInterface(name);
}

UINT CListUI::GetControlFlags() const { return ControlFlag::TabStop | CVerticalLayoutUI::GetControlFlags(); }

CContainerUI* CListUI::GetList() const { return body_; }

CControlUI* CListUI::GetItemAt(int index) const { return body_->GetItemAt(index); }
int CListUI::GetItemIndex(CControlUI* control) const { return body_->GetItemIndex(control); }
bool CListUI::SetItemIndex(CControlUI* control, int index) { return body_->SetItemIndex(control, index); }
int CListUI::GetCount() const { return body_->GetCount(); }
bool CListUI::Add(CControlUI* control) { return AddAt(control, body_->GetCount()); }

bool CListUI::AddAt(CControlUI* control, int index) {
  if (control == nullptr) return false;
  if (auto* header = static_cast<CListHeaderUI*>(control->GetInterface(u"ListHeader"))) {
    if (header == header_) return false;
    CContainerUI::Remove(header_);
    header_ = header;
    return CContainerUI::AddAt(header, 0);
  }
  return body_->AddAt(control, index);
}

bool CListUI::Remove(CControlUI* control) { return body_->Remove(control); }
bool CListUI::RemoveAt(int index) { return body_->RemoveAt(index); }
void CListUI::RemoveAll() { body_->RemoveAll(); }

void CListUI::ItemRemoving(CControlUI* /*control*/) {}

void CListUI::ItemsShifted(int index, int count) {
  curSel_ = ShiftedIndex(curSel_, index, count);
  expanded_ = ShiftedIndex(expanded_, index, count);
}

void CListUI::ItemsCleared() {
  curSel_ = -1;
  expanded_ = -1;
}

void CListUI::ItemMoved(int from, int to) {
  curSel_ = MovedIndex(curSel_, from, to);
  expanded_ = MovedIndex(expanded_, from, to);
}

TListInfoUI* CListUI::GetListInfo() {
  info_.columns.clear();
  for (int i = 0; i < header_->GetCount(); ++i) {
    CControlUI* column = header_->GetItemAt(i);
    if (!column->IsVisible()) continue;
    const RECT& r = column->GetPos();
    info_.columns.push_back(RECT{r.left, 0, r.right, 0});
  }
  return &info_;
}

bool CListUI::SelectItem(int index, bool takeFocus) {
  if (index == curSel_) return true;
  const int previous = curSel_;
  if (curSel_ >= 0) {
    if (IListItemUI* old = ListItemOf(body_->GetItemAt(curSel_))) old->Select(false);
    curSel_ = -1;
  }
  if (index < 0) return false;
  CControlUI* control = body_->GetItemAt(index);
  IListItemUI* item = ListItemOf(control);
  if (item == nullptr || !item->Select(true)) return false;
  curSel_ = index;
  EnsureVisible(index);
  if (takeFocus) control->SetFocus();
  SendNotify(u"itemselect", static_cast<WPARAM>(index), static_cast<LPARAM>(previous));
  return true;
}

bool CListUI::ExpandItem(int index, bool expand) {
  IListItemUI* item = ListItemOf(body_->GetItemAt(index));
  if (item == nullptr) return false;
  if (expand && !info_.multiExpandable && expanded_ >= 0 && expanded_ != index) {
    if (IListItemUI* old = ListItemOf(body_->GetItemAt(expanded_))) old->Expand(false);
    expanded_ = -1;
  }
  if (!item->Expand(expand)) return false;
  if (expand) {
    expanded_ = index;
  } else if (expanded_ == index) {
    expanded_ = -1;
  }
  return true;
}

void CListUI::EnsureVisible(int index) { body_->EnsureVisible(index); }

void CListUI::MoveSelectionTo(int target, bool forward) {
  int index = body_->FindSelectable(target, forward);
  if (index < 0) index = body_->FindSelectable(target, !forward);
  if (index < 0) return;
  SelectItem(index, true);
  EnsureVisible(index);
}

bool CListUI::HandleKey(char16_t key) {
  const int count = body_->GetCount();
  const int view = body_->ViewHeight();
  switch (key) {
    case os::VK_RETURN:
      if (CControlUI* item = body_->GetItemAt(curSel_)) item->Activate();
      return true;
    case os::VK_UP:
      MoveSelectionTo(curSel_ < 0 ? 0 : curSel_ - 1, curSel_ < 0);
      return true;
    case os::VK_DOWN:
      MoveSelectionTo(curSel_ < 0 ? 0 : curSel_ + 1, true);
      return true;
    case os::VK_HOME:
      MoveSelectionTo(0, true);
      return true;
    case os::VK_END:
      MoveSelectionTo(count - 1, false);
      return true;
    case os::VK_PRIOR:
      MoveSelectionTo(curSel_ < 0 ? 0 : body_->IndexAtOffset(body_->RowTop(curSel_) - view), curSel_ < 0);
      return true;
    case os::VK_NEXT:
      MoveSelectionTo(curSel_ < 0 ? 0 : body_->IndexAtOffset(body_->RowTop(curSel_) + view), true);
      return true;
    default:
      return false;
  }
}

void CListUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    CVerticalLayoutUI::DoEvent(event);
    return;
  }
  if (event.type == UIEvent::KeyDown && IsEnabled() && HandleKey(event.key)) return;
  if (event.type == UIEvent::ScrollWheel) {
    const bool up = os::LOWORD(event.wParam) == 0;
    if (scrollSelect_) {
      if (up) {
        MoveSelectionTo(curSel_ < 0 ? 0 : curSel_ - 1, curSel_ < 0);
      } else {
        MoveSelectionTo(curSel_ < 0 ? 0 : curSel_ + 1, true);
      }
    } else if (up) {
      body_->LineUp();
    } else {
      body_->LineDown();
    }
    return;
  }
  CVerticalLayoutUI::DoEvent(event);
}

void CListUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT inner = InnerRect();
  int headerHeight = 0;
  if (!headerHidden_ && header_->IsVisible()) {
    const SIZE available{inner.right - inner.left, inner.bottom - inner.top};
    headerHeight =
        LimitSize(header_->EstimateSize(available).cy, header_->GetMinHeight(), header_->GetMaxHeight());
    headerHeight = std::min(headerHeight, static_cast<int>(available.cy));
  }
  // A hidden header is still laid out (with no height): its items are the
  // columns.
  header_->SetPos(RECT{inner.left, inner.top, inner.right, inner.top + headerHeight});
  body_->SetPos(RECT{inner.left, inner.top + headerHeight, inner.right, inner.bottom});
}

void CListUI::SetHeaderHidden(bool hidden) {
  if (headerHidden_ == hidden) return;
  headerHidden_ = hidden;
  NeedUpdate();
}

void CListUI::ListInfoChanged() { Invalidate(); }

bool CListUI::SetItemAttribute(std::u16string_view name, std::u16string_view value) {
  using os::DT_CENTER;
  using os::DT_RIGHT;
  TListInfoUI& info = info_;
  if (name == u"itemfont") {
    info.font = static_cast<int>(attr::ParseLong(value));
  } else if (name == u"itemalign") {
    info.textStyle &= ~(DT_CENTER | DT_RIGHT);
    if (Contains(value, u"center")) info.textStyle |= DT_CENTER;
    if (Contains(value, u"right")) info.textStyle |= DT_RIGHT;
  } else if (name == u"itemendellipsis") {
    if (attr::ParseBool(value)) {
      info.textStyle |= os::DT_END_ELLIPSIS;
    } else {
      info.textStyle &= ~os::DT_END_ELLIPSIS;
    }
  } else if (name == u"itemtextpadding") {
    info.textPadding = attr::ParseRect(value);
  } else if (name == u"itemtextcolor") {
    info.textColor = attr::ParseColor(value);
  } else if (name == u"itembkcolor") {
    info.bkColor = attr::ParseColor(value);
  } else if (name == u"itembkimage") {
    info.bkImage.assign(value);
  } else if (name == u"itemaltbk") {
    info.alternateBk = attr::ParseBool(value);
  } else if (name == u"itemselectedtextcolor") {
    info.selectedTextColor = attr::ParseColor(value);
  } else if (name == u"itemselectedbkcolor") {
    info.selectedBkColor = attr::ParseColor(value);
  } else if (name == u"itemselectedimage") {
    info.selectedImage.assign(value);
  } else if (name == u"itemhottextcolor") {
    info.hotTextColor = attr::ParseColor(value);
  } else if (name == u"itemhotbkcolor") {
    info.hotBkColor = attr::ParseColor(value);
  } else if (name == u"itemhotimage") {
    info.hotImage.assign(value);
  } else if (name == u"itemdisabledtextcolor") {
    info.disabledTextColor = attr::ParseColor(value);
  } else if (name == u"itemdisabledbkcolor") {
    info.disabledBkColor = attr::ParseColor(value);
  } else if (name == u"itemdisabledimage") {
    info.disabledImage.assign(value);
  } else if (name == u"itemlinecolor") {
    info.lineColor = attr::ParseColor(value);
  } else if (name == u"itemshowhtml") {
    info.showHtml = attr::ParseBool(value);
  } else if (name == u"multiexpanding") {
    info.multiExpandable = attr::ParseBool(value);
  } else {
    return false;
  }
  ListInfoChanged();
  return true;
}

void CListUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"header") {
    SetHeaderHidden(value == u"hidden");
  } else if (name == u"headerbkimage") {
    header_->SetBkImage(value);
  } else if (name == u"scrollselect") {
    SetScrollSelect(attr::ParseBool(value));
  } else if (name == u"vscrollbar" || name == u"hscrollbar" || name == u"vscrollbarstyle" ||
             name == u"hscrollbarstyle" || name == u"childpadding" || name == u"scrollstepsize") {
    body_->SetAttribute(name, value);
  } else if (!SetItemAttribute(name, value)) {
    CVerticalLayoutUI::SetAttribute(name, value);
  }
}

// ---------------------------------------------------------------------------
// Forwarded to the body

int CListUI::GetChildPadding() const { return body_->GetChildPadding(); }
void CListUI::SetChildPadding(int padding) { body_->SetChildPadding(padding); }
int CListUI::FindSelectable(int index, bool forward) const { return body_->FindSelectable(index, forward); }
SIZE CListUI::GetScrollPos() const { return body_->GetScrollPos(); }
SIZE CListUI::GetScrollRange() const { return body_->GetScrollRange(); }
void CListUI::SetScrollPos(SIZE pos) { body_->SetScrollPos(pos); }
void CListUI::SetScrollStepSize(int size) { body_->SetScrollStepSize(size); }
int CListUI::GetScrollStepSize() const { return body_->GetScrollStepSize(); }
void CListUI::LineUp() { body_->LineUp(); }
void CListUI::LineDown() { body_->LineDown(); }
void CListUI::PageUp() { body_->PageUp(); }
void CListUI::PageDown() { body_->PageDown(); }
void CListUI::HomeUp() { body_->HomeUp(); }
void CListUI::EndDown() { body_->EndDown(); }
void CListUI::LineLeft() { body_->LineLeft(); }
void CListUI::LineRight() { body_->LineRight(); }
void CListUI::PageLeft() { body_->PageLeft(); }
void CListUI::PageRight() { body_->PageRight(); }
void CListUI::HomeLeft() { body_->HomeLeft(); }
void CListUI::EndRight() { body_->EndRight(); }
void CListUI::EnableScrollBar(bool vertical, bool horizontal) {
  body_->EnableScrollBar(vertical, horizontal);
}
CScrollBarUI* CListUI::GetVerticalScrollBar() const { return body_->GetVerticalScrollBar(); }
CScrollBarUI* CListUI::GetHorizontalScrollBar() const { return body_->GetHorizontalScrollBar(); }

}  // namespace Kesto
