#include "controls/ListHeader.h"

#include <algorithm>
#include <string>

#include "Core/ControlRegistry.h"
#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "controls/ListElement.h"
#include "controls/Render.h"
#include "platform/window/Messages.h"

namespace Kesto {

KESTO_REGISTER_CONTROL(u"ListHeader", CListHeaderUI)
KESTO_REGISTER_CONTROL(u"ListHeaderItem", CListHeaderItemUI)

namespace {

bool Contains(std::u16string_view text, std::u16string_view word) {
  return text.find(word) != std::u16string_view::npos;
}

// The modify string that places an image on r, relative to origin.
std::u16string DestModify(const RECT& r, const RECT& origin) {
  const std::string text = "dest='" + std::to_string(r.left - origin.left) + "," +
                           std::to_string(r.top - origin.top) + "," + std::to_string(r.right - origin.left) +
                           "," + std::to_string(r.bottom - origin.top) + "'";
  return std::u16string(text.begin(), text.end());
}

}  // namespace

// ---------------------------------------------------------------------------
// CListHeaderUI

CListHeaderUI::CListHeaderUI() = default;

std::u16string_view CListHeaderUI::GetClass() const { return u"ListHeaderUI"; }

void* CListHeaderUI::GetInterface(std::u16string_view name) {
  if (name == u"ListHeader") return static_cast<CListHeaderUI*>(this);
  return CHorizontalLayoutUI::GetInterface(name);
}

CListHeaderItemUI* CListHeaderUI::HeaderItemAt(int index) const {
  CControlUI* child = GetItemAt(index);
  return child == nullptr ? nullptr : static_cast<CListHeaderItemUI*>(child->GetInterface(u"ListHeaderItem"));
}

void CListHeaderUI::SetScaleHeader(bool on) {
  if (scaleHeader_ == on) return;
  scaleHeader_ = on;
  NeedUpdate();
}

void CListHeaderUI::SetPos(RECT rc) {
  if (scaleHeader_) {
    const int width = rc.right - rc.left - inset_.left - inset_.right;
    for (int i = 0; i < GetCount(); ++i) {
      CListHeaderItemUI* item = HeaderItemAt(i);
      if (item == nullptr || item->GetScale() <= 0) continue;
      const int cx = std::max(0, width * item->GetScale() / 100);
      // Only a change asks for another layout.
      if (item->GetFixedWidth() != cx) item->SetFixedWidth(cx);
    }
  }
  CHorizontalLayoutUI::SetPos(rc);
}

SIZE CListHeaderUI::EstimateSize(SIZE /*available*/) {
  if (GetCount() == 0) return SIZE{fixedSize_.cx, 0};
  SIZE size = fixedSize_;
  if (size.cy == 0) size.cy = listitem::DefaultHeight(manager_, nullptr);
  return size;
}

void CListHeaderUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"scaleheader") {
    SetScaleHeader(attr::ParseBool(value));
  } else {
    CHorizontalLayoutUI::SetAttribute(name, value);
  }
}

// ---------------------------------------------------------------------------
// CListHeaderItemUI

CListHeaderItemUI::CListHeaderItemUI() : textStyle_(os::DT_CENTER | os::DT_VCENTER | os::DT_SINGLELINE) {}

std::u16string_view CListHeaderItemUI::GetClass() const { return u"ListHeaderItemUI"; }

void* CListHeaderItemUI::GetInterface(std::u16string_view name) {
  if (name == u"ListHeaderItem") return static_cast<CListHeaderItemUI*>(this);
  return CControlUI::GetInterface(name);
}

UINT CListHeaderItemUI::GetControlFlags() const {
  return IsEnabled() && dragable_ && sepWidth_ != 0 ? ControlFlag::SetCursor : 0;
}

void CListHeaderItemUI::SetEnabled(bool enabled) {
  CControlUI::SetEnabled(enabled);
  if (!enabled) {
    buttonState_ = 0;
    dragging_ = false;
  }
}

void CListHeaderItemUI::SetDragable(bool on) {
  dragable_ = on;
  if (!on) dragging_ = false;
}

void CListHeaderItemUI::SetSepWidth(int width) {
  sepWidth_ = width;
  Invalidate();
}

void CListHeaderItemUI::SetScale(int percent) {
  if (percent < 0) percent = 0;
  if (scale_ == percent) return;
  scale_ = percent;
  NeedParentUpdate();
}

RECT CListHeaderItemUI::GetThumbRect() const {
  if (sepWidth_ == 0) return RECT{};
  const int band = std::min(sepWidth_ > 0 ? sepWidth_ : -sepWidth_, GetWidth());
  if (sepWidth_ > 0) return RECT{item_.right - band, item_.top, item_.right, item_.bottom};
  return RECT{item_.left, item_.top, item_.left + band, item_.bottom};
}

CListHeaderItemUI* CListHeaderItemUI::DragTarget() {
  if (!dragable_ || sepWidth_ == 0) return nullptr;
  if (sepWidth_ > 0) return this;
  auto* header =
      parent_ == nullptr ? nullptr : static_cast<IContainerUI*>(parent_->GetInterface(u"IContainer"));
  if (header == nullptr) return nullptr;
  for (int i = header->GetItemIndex(this) - 1; i >= 0; --i) {
    CControlUI* c = header->GetItemAt(i);
    if (c == nullptr || !c->IsVisible()) continue;
    return static_cast<CListHeaderItemUI*>(c->GetInterface(u"ListHeaderItem"));
  }
  return nullptr;
}

void CListHeaderItemUI::DragTo(POINT mouse) {
  CListHeaderItemUI* target = DragTarget();
  if (target == nullptr) return;
  // Measured from the start of the drag: moves arrive faster than layouts,
  // so the column's laid-out width may still be that of a move ago.
  const int wanted = dragStartWidth_ + (mouse.x - dragStartX_);
  const int width = std::max(0, std::min(std::max(wanted, target->GetMinWidth()), target->GetMaxWidth()));
  if (width == target->GetFixedWidth()) return;
  // Under a scaled header a scaled column keeps its new width as a scale.
  auto* header =
      parent_ == nullptr ? nullptr : static_cast<CListHeaderUI*>(parent_->GetInterface(u"ListHeader"));
  if (header != nullptr && header->IsScaleHeader() && target->GetScale() > 0 && header->GetWidth() > 0) {
    target->scale_ = width * 100 / header->GetWidth();
  }
  target->SetFixedWidth(width);
  // The list's text columns follow the header: repaint the whole list.
  if (parent_ != nullptr && parent_->GetParent() != nullptr) parent_->GetParent()->Invalidate();
}

void CListHeaderItemUI::DoEvent(ControlEvent& event) {
  if (!IsMouseEnabled() && IsMouseEvent(event.type)) {
    if (parent_ != nullptr) {
      parent_->DoEvent(event);
    } else {
      CControlUI::DoEvent(event);
    }
    return;
  }
  const bool onBand = DragTarget() != nullptr && rect::Contains(GetThumbRect(), event.mouse);
  switch (event.type) {
    case UIEvent::SetCursor:
      if (IsEnabled() && onBand) {
        SetSizeWECursor();
      } else {
        SetArrowCursor();
      }
      return;
    case UIEvent::ButtonDown:
    case UIEvent::DblClick:
      if (!IsEnabled()) return;
      if (onBand) {
        dragging_ = true;
        dragStartX_ = event.mouse.x;
        dragStartWidth_ = DragTarget()->GetWidth();
      } else {
        buttonState_ |= UIState::Pushed | UIState::Captured;
        Invalidate();
      }
      return;
    case UIEvent::MouseMove:
      if (dragging_) {
        DragTo(event.mouse);
      } else if ((buttonState_ & UIState::Captured) != 0) {
        const bool inside = rect::Contains(item_, event.mouse);
        const UINT pushed = inside ? UIState::Pushed : 0;
        if ((buttonState_ & UIState::Pushed) != pushed) {
          buttonState_ = (buttonState_ & ~UIState::Pushed) | pushed;
          Invalidate();
        }
      }
      return;
    case UIEvent::ButtonUp:
      if (dragging_) {
        dragging_ = false;
        return;
      }
      if ((buttonState_ & UIState::Captured) != 0) {
        buttonState_ &= ~(UIState::Pushed | UIState::Captured);
        Invalidate();
        if (rect::Contains(item_, event.mouse)) SendNotify(u"headerclick");
      }
      return;
    case UIEvent::MouseEnter:
      if (IsEnabled()) {
        buttonState_ |= UIState::Hot;
        Invalidate();
      }
      return;
    case UIEvent::MouseLeave:
      if ((buttonState_ & UIState::Hot) != 0) {
        buttonState_ &= ~UIState::Hot;
        Invalidate();
      }
      return;
    default:
      break;
  }
  CControlUI::DoEvent(event);
}

void CListHeaderItemUI::SetImage(std::u16string& slot, std::u16string_view image) {
  slot.assign(image);
  Invalidate();
}

void CListHeaderItemUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  using os::DT_CENTER;
  using os::DT_RIGHT;
  if (name == u"dragable") {
    SetDragable(attr::ParseBool(value));
  } else if (name == u"sepwidth") {
    SetSepWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"align") {
    textStyle_ &= ~(DT_CENTER | DT_RIGHT);
    if (Contains(value, u"center")) textStyle_ |= DT_CENTER;
    if (Contains(value, u"right")) textStyle_ |= DT_RIGHT;
    Invalidate();
  } else if (name == u"endellipsis") {
    if (attr::ParseBool(value)) {
      textStyle_ |= os::DT_END_ELLIPSIS;
    } else {
      textStyle_ &= ~os::DT_END_ELLIPSIS;
    }
    Invalidate();
  } else if (name == u"font") {
    font_ = static_cast<int>(attr::ParseLong(value));
    Invalidate();
  } else if (name == u"textcolor") {
    textColor_ = attr::ParseColor(value);
    Invalidate();
  } else if (name == u"textpadding") {
    textPadding_ = attr::ParseRect(value);
    Invalidate();
  } else if (name == u"showhtml") {
    showHtml_ = attr::ParseBool(value);
    Invalidate();
  } else if (name == u"normalimage") {
    SetImage(normalImage_, value);
  } else if (name == u"hotimage") {
    SetImage(hotImage_, value);
  } else if (name == u"pushedimage") {
    SetImage(pushedImage_, value);
  } else if (name == u"focusedimage") {
    SetImage(focusedImage_, value);
  } else if (name == u"sepimage") {
    SetImage(sepImage_, value);
  } else if (name == u"scale") {
    SetScale(static_cast<int>(attr::ParseLong(value)));
  } else {
    CControlUI::SetAttribute(name, value);
  }
}

SIZE CListHeaderItemUI::EstimateSize(SIZE /*available*/) {
  SIZE size = fixedSize_;
  if (size.cy == 0 && manager_ != nullptr) {
    if (const FontInfo* font = manager_->FontAt(font_)) size.cy = font->Metrics().height + 8;
  }
  return size;
}

void CListHeaderItemUI::PaintStatusImage(os::Canvas& dc) {
  const std::u16string* image = &normalImage_;
  if ((buttonState_ & UIState::Pushed) != 0 && !pushedImage_.empty()) {
    image = &pushedImage_;
  } else if ((buttonState_ & UIState::Hot) != 0 && !hotImage_.empty()) {
    image = &hotImage_;
  } else if (IsFocused() && !focusedImage_.empty()) {
    image = &focusedImage_;
  }
  if (!image->empty()) DrawImage(dc, *image);
  if (sepImage_.empty()) return;
  const RECT band = GetThumbRect();
  if (rect::IsEmpty(band)) return;
  DrawImage(dc, sepImage_, DestModify(band, item_));
}

void CListHeaderItemUI::PaintText(os::Canvas& dc) {
  if (text_.empty()) return;
  RECT rc{item_.left + textPadding_.left, item_.top + textPadding_.top, item_.right - textPadding_.right,
          item_.bottom - textPadding_.bottom};
  DWORD color = textColor_;
  if (color == 0 && manager_ != nullptr) color = manager_->DefaultFontColor();
  if (showHtml_) {
    Renderer::DrawHtmlText(&dc, manager_, rc, text_, color, nullptr, 0, textStyle_);
  } else {
    Renderer::DrawText(&dc, manager_, rc, text_, color, font_, textStyle_);
  }
}

}  // namespace Kesto
