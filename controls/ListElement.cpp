#include "controls/ListElement.h"

#include <algorithm>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"ListElement", CListElementUI)
KESTO_REGISTER_CONTROL(u"ListLabelElement", CListLabelElementUI)
KESTO_REGISTER_CONTROL(u"ListTextElement", CListTextElementUI)
KESTO_REGISTER_CONTROL(u"ListContainerElement", CListContainerElementUI)

namespace {

constexpr int kRowMargin = 8;

// What an item does with an event both kinds of item handle alike.
enum class ItemAction { kPass, kDone, kSelect, kActivate };

ItemAction ClassifyEvent(CControlUI& item, IListOwnerUI* owner, bool& hot, ControlEvent& event) {
  switch (event.type) {
    case UIEvent::ButtonDown:
    case UIEvent::RButtonDown:
      return item.IsEnabled() ? ItemAction::kSelect : ItemAction::kDone;
    case UIEvent::DblClick:
      return item.IsEnabled() ? ItemAction::kActivate : ItemAction::kDone;
    case UIEvent::ButtonUp:
      return ItemAction::kDone;
    case UIEvent::MouseEnter:
      if (item.IsEnabled()) {
        hot = true;
        item.Invalidate();
      }
      return ItemAction::kDone;
    case UIEvent::MouseLeave:
      if (hot) {
        hot = false;
        item.Invalidate();
      }
      return ItemAction::kDone;
    case UIEvent::KeyDown:
      if (event.key == os::VK_RETURN && item.IsEnabled()) return ItemAction::kActivate;
      [[fallthrough]];
    case UIEvent::ScrollWheel:
      if (owner != nullptr) {
        owner->DoEvent(event);
        return ItemAction::kDone;
      }
      return ItemAction::kPass;
    default:
      return ItemAction::kPass;
  }
}

UINT StateOf(const CControlUI& item, bool selected, bool hot) {
  UINT state = 0;
  if (!item.IsEnabled()) state |= UIState::Disabled;
  if (selected) state |= UIState::Selected;
  if (hot) state |= UIState::Hot;
  return state;
}

RECT Deflate(RECT rc, const RECT& by) {
  rc.left += by.left;
  rc.top += by.top;
  rc.right -= by.right;
  rc.bottom -= by.bottom;
  return rc;
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared painting

namespace listitem {

DWORD TextColor(const TListInfoUI& info, UINT state) {
  if ((state & UIState::Disabled) != 0) return info.disabledTextColor;
  if ((state & UIState::Selected) != 0) return info.selectedTextColor;
  if ((state & UIState::Hot) != 0) return info.hotTextColor;
  return info.textColor;
}

void PaintBackground(CControlUI& item, os::Canvas& dc, const TListInfoUI& info, UINT state, int index) {
  const RECT& rc = item.GetPos();
  const auto fill = [&](DWORD color) {
    if (color != 0) Renderer::DrawColor(dc, rc, item.GetAdjustColor(color));
  };
  const auto image = [&](const std::u16string& drawString) {
    return !drawString.empty() && item.DrawImage(dc, drawString);
  };
  if ((state & UIState::Disabled) != 0) {
    fill(info.disabledBkColor);
    image(info.disabledImage);
  } else if ((state & UIState::Selected) != 0) {
    fill(info.selectedBkColor);
    image(info.selectedImage);
  } else if ((state & UIState::Hot) != 0) {
    fill(info.hotBkColor);
    image(info.hotImage);
  } else if (!info.alternateBk || index % 2 == 0) {
    fill(info.bkColor);
    image(info.bkImage);
  }
  if (info.lineColor != 0) {
    const RECT line{rc.left, rc.bottom - 1, rc.right, rc.bottom - 1};
    Renderer::DrawLine(dc, line, 1, item.GetAdjustColor(info.lineColor));
  }
}

int DefaultHeight(const UIManager* manager, const TListInfoUI* info) {
  if (manager == nullptr) return 0;
  const FontInfo* font = manager->FontAt(info != nullptr ? info->font : -1);
  if (font == nullptr) return kRowMargin;
  return font->Metrics().height + kRowMargin;
}

}  // namespace listitem

// ---------------------------------------------------------------------------
// ListItemBase

template <typename Base>
UINT ListItemBase<Base>::GetItemState() const {
  return StateOf(*this, selected_, hot_);
}

template <typename Base>
bool ListItemBase<Base>::Activate() {
  if (!Base::Activate()) return false;
  this->SendNotify(u"itemactivate");
  return true;
}

template <typename Base>
void ListItemBase<Base>::SetEnabled(bool enabled) {
  if (!enabled) hot_ = false;
  Base::SetEnabled(enabled);
}

template <typename Base>
void ListItemBase<Base>::SetVisible(bool visible) {
  // A hidden item cannot stay selected: the owner would point at a row the
  // user cannot see.
  if (!visible && selected_ && owner_ != nullptr && owner_->GetCurSel() == index_) owner_->SelectItem(-1);
  Base::SetVisible(visible);
}

template <typename Base>
bool ListItemBase<Base>::Select(bool select) {
  if (select && !this->IsEnabled()) return false;
  if (selected_ == select) return true;
  selected_ = select;
  this->Invalidate();
  return true;
}

template <typename Base>
void ListItemBase<Base>::SelectViaOwner(bool takeFocus) {
  if (owner_ != nullptr) {
    owner_->SelectItem(index_, takeFocus);
  } else {
    Select(true);
  }
}

template <typename Base>
void ListItemBase<Base>::DoEvent(ControlEvent& event) {
  if (!this->IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (this->parent_ != nullptr) {
      this->parent_->DoEvent(event);
    } else {
      Base::DoEvent(event);
    }
    return;
  }
  switch (ClassifyEvent(*this, owner_, hot_, event)) {
    case ItemAction::kSelect:
      SelectViaOwner(true);
      this->SendNotify(u"itemclick");
      return;
    case ItemAction::kActivate:
      Activate();
      this->Invalidate();
      return;
    case ItemAction::kDone:
      return;
    case ItemAction::kPass:
      break;
  }
  Base::DoEvent(event);
}

template <typename Base>
void ListItemBase<Base>::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"selected") {
    if (attr::ParseBool(value)) SelectViaOwner(false);
  } else {
    Base::SetAttribute(name, value);
  }
}

template <typename Base>
SIZE ListItemBase<Base>::EstimateSize(SIZE /*available*/) {
  SIZE size = this->fixedSize_;
  if (size.cy == 0)
    size.cy = listitem::DefaultHeight(this->manager_, owner_ != nullptr ? owner_->GetListInfo() : nullptr);
  return size;
}

template class ListItemBase<CControlUI>;
template class ListItemBase<CContainerUI>;

// ---------------------------------------------------------------------------
// CListElementUI

CListElementUI::CListElementUI() = default;
CListElementUI::~CListElementUI() = default;

std::u16string_view CListElementUI::GetClass() const { return u"ListElementUI"; }

void* CListElementUI::GetInterface(std::u16string_view name) {
  if (name == u"ListItem") return static_cast<IListItemUI*>(this);
  if (name == u"ListElement") return static_cast<CListElementUI*>(this);
  return CControlUI::GetInterface(name);
}

void CListElementUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  if (!rect::Intersect(paintRect_, paint, item_)) return;
  if (owner_ == nullptr) {
    CControlUI::DoPaint(dc, paint);
    return;
  }
  listitem::PaintBackground(*this, dc, *owner_->GetListInfo(), GetItemState(), index_);
  DrawItemText(dc, item_);
  PaintBorder(dc);
}

void CListElementUI::DrawItemText(os::Canvas& /*dc*/, const RECT& /*rc*/) {}

// ---------------------------------------------------------------------------
// CListLabelElementUI

std::u16string_view CListLabelElementUI::GetClass() const { return u"ListLabelElementUI"; }

void* CListLabelElementUI::GetInterface(std::u16string_view name) {
  if (name == u"ListLabelElement") return static_cast<CListLabelElementUI*>(this);
  return CListElementUI::GetInterface(name);
}

void CListLabelElementUI::DrawItemText(os::Canvas& dc, const RECT& rc) {
  if (text_.empty() || owner_ == nullptr) return;
  const TListInfoUI& info = *owner_->GetListInfo();
  RECT r = Deflate(rc, info.textPadding);
  const DWORD color = listitem::TextColor(info, GetItemState());
  if (info.showHtml) {
    Renderer::DrawHtmlText(&dc, manager_, r, text_, color, nullptr, 0, info.textStyle);
  } else {
    Renderer::DrawText(&dc, manager_, r, text_, color, info.font, info.textStyle);
  }
}

// ---------------------------------------------------------------------------
// CListTextElementUI

std::u16string_view CListTextElementUI::GetClass() const { return u"ListTextElementUI"; }

void* CListTextElementUI::GetInterface(std::u16string_view name) {
  if (name == u"ListTextElement") return static_cast<CListTextElementUI*>(this);
  return CListLabelElementUI::GetInterface(name);
}

UINT CListTextElementUI::GetControlFlags() const {
  return IsEnabled() && !links_.empty() ? ControlFlag::SetCursor : 0;
}

std::u16string CListTextElementUI::GetText() const { return GetText(0); }

void CListTextElementUI::SetText(std::u16string_view text) { SetText(0, text); }

std::u16string CListTextElementUI::GetText(int column) const {
  if (column < 0 || column >= GetTextCount()) return {};
  return texts_[static_cast<std::size_t>(column)];
}

void CListTextElementUI::SetText(int column, std::u16string_view text) {
  if (column < 0) return;
  const auto at = static_cast<std::size_t>(column);
  if (texts_.size() <= at) texts_.resize(at + 1);
  if (texts_[at] == text) return;
  texts_[at].assign(text);
  if (column == 0) text_.assign(text);
  Invalidate();
}

RECT CListTextElementUI::GetLinkRect(int index) const {
  if (index < 0 || index >= GetLinkCount()) return RECT{};
  return links_[static_cast<std::size_t>(index)].rect;
}

int CListTextElementUI::LinkAt(POINT point) const {
  for (std::size_t i = 0; i < links_.size(); ++i) {
    if (rect::Contains(links_[i].rect, point)) return static_cast<int>(i);
  }
  return -1;
}

void CListTextElementUI::DoEvent(ControlEvent& event) {
  if (IsEnabled() && !links_.empty()) {
    if (event.type == UIEvent::SetCursor) {
      if (LinkAt(event.mouse) >= 0) {
        SetHandCursor();
      } else {
        SetArrowCursor();
      }
      return;
    }
    if (event.type == UIEvent::ButtonDown) pressedLink_ = LinkAt(event.mouse);
    if (event.type == UIEvent::ButtonUp) {
      const int link = LinkAt(event.mouse);
      const bool same = link >= 0 && link == pressedLink_;
      pressedLink_ = -1;
      if (same) {
        SendNotify(u"link", static_cast<WPARAM>(link));
        return;
      }
    }
  }
  CListLabelElementUI::DoEvent(event);
}

void CListTextElementUI::DrawItemText(os::Canvas& dc, const RECT& rc) {
  links_.clear();
  if (owner_ == nullptr) return;
  const TListInfoUI& info = *owner_->GetListInfo();
  const DWORD color = listitem::TextColor(info, GetItemState());
  std::vector<RECT> columns = info.columns;
  if (columns.empty()) columns.push_back(rc);
  std::vector<HtmlLink> found;
  for (std::size_t i = 0; i < columns.size() && i < texts_.size(); ++i) {
    if (texts_[i].empty()) continue;
    RECT r = Deflate(RECT{columns[i].left, rc.top, columns[i].right, rc.bottom}, info.textPadding);
    if (rect::IsEmpty(r)) continue;
    if (!info.showHtml) {
      Renderer::DrawText(&dc, manager_, r, texts_[i], color, info.font, info.textStyle);
      continue;
    }
    // Each column is clipped to itself: markup may not spill into the next.
    RenderClip clip;
    Renderer::GenerateClip(dc, r, clip);
    const std::size_t room = kMaxLinks - std::min(kMaxLinks, links_.size());
    Renderer::DrawHtmlText(&dc, manager_, r, texts_[i], color, &found, room, info.textStyle);
    links_.insert(links_.end(), found.begin(), found.end());
  }
}

// ---------------------------------------------------------------------------
// CListContainerElementUI

CListContainerElementUI::CListContainerElementUI() = default;
CListContainerElementUI::~CListContainerElementUI() = default;

std::u16string_view CListContainerElementUI::GetClass() const { return u"ListContainerElementUI"; }

void* CListContainerElementUI::GetInterface(std::u16string_view name) {
  if (name == u"ListItem") return static_cast<IListItemUI*>(this);
  if (name == u"ListContainerElement") return static_cast<CListContainerElementUI*>(this);
  return CContainerUI::GetInterface(name);
}

bool CListContainerElementUI::Expand(bool expand) {
  if (expanded_ == expand) return true;
  expanded_ = expand;
  NeedParentUpdate();
  return true;
}

void CListContainerElementUI::DoPaint(os::Canvas& dc, const RECT& paint) {
  if (!rect::Intersect(paintRect_, paint, item_)) return;
  if (owner_ != nullptr) listitem::PaintBackground(*this, dc, *owner_->GetListInfo(), GetItemState(), index_);
  CContainerUI::DoPaint(dc, paint);
}

void CListContainerElementUI::DrawItemText(os::Canvas& /*dc*/, const RECT& /*rc*/) {}

}  // namespace Kesto
