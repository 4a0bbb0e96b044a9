#include "controls/HorizontalLayout.h"

#include <algorithm>

#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "controls/Render.h"
#include "controls/ScrollBar.h"

namespace Kesto {

namespace {

// The lower limit first, then the upper one: an upper limit below the lower
// one wins, as the layouts have always resolved that conflict.
int Limit(int value, int low, int high) {
  if (value < low) value = low;
  if (value > high) value = high;
  return value;
}

constexpr DWORD kDragBandColor = 0xAA000000;

}  // namespace

CHorizontalLayoutUI::CHorizontalLayoutUI() = default;

std::u16string_view CHorizontalLayoutUI::GetClass() const { return u"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"HorizontalLayout") return static_cast<CHorizontalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const {
  return IsEnabled() && sepWidth_ != 0 ? ControlFlag::SetCursor : 0;
}

void CHorizontalLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }

  SIZE available{rc.right - rc.left, rc.bottom - rc.top};
  const int visibleWidth = available.cx;
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    available.cx += horizontalScrollBar_->GetScrollRange();
  }

  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (CControlUI* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE s = child->EstimateSize(available);
    if (s.cx == 0) {
      ++stretchCount;
    } else {
      s.cx = Limit(s.cx, child->GetMinWidth(), child->GetMaxWidth());
    }
    const RECT pad = child->GetPadding();
    fixedTotal += s.cx + pad.left + pad.right;
    ++counted;
  }
  if (counted > 0) fixedTotal += (counted - 1) * childPadding_;

  int expand = 0;
  if (stretchCount > 0) expand = std::max(0, (available.cx - fixedTotal) / stretchCount);

  const SIZE scroll = GetScrollPos();
  int x = rc.left - scroll.cx;
  SIZE remaining = available;
  int needed = 0;
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* child = items_[static_cast<std::size_t>(i)];
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    const RECT pad = child->GetPadding();
    remaining.cx -= pad.left;
    const SIZE s = child->EstimateSize(remaining);
    const int width = Limit(s.cx != 0 ? s.cx : expand, child->GetMinWidth(), child->GetMaxWidth());
    int height = child->GetFixedHeight();
    if (height == 0) height = std::max(0, static_cast<int>(rc.bottom - rc.top - pad.top - pad.bottom));
    height = Limit(height, child->GetMinHeight(), child->GetMaxHeight());

    child->SetPos(RECT{x + pad.left, rc.top + pad.top, x + pad.left + width, rc.top + pad.top + height});
    x += width + childPadding_ + pad.left + pad.right;
    needed += width + pad.left + pad.right;
    remaining.cx -= width + childPadding_ + pad.right;
  }
  if (counted > 0) needed += (counted - 1) * childPadding_;

  // The horizontal bar belongs to this layout's arithmetic: shown with the
  // overflow as its range, hidden when everything fits.
  bool barToggled = false;
  if (horizontalScrollBar_ != nullptr) {
    if (visibleWidth < needed) {
      if (!horizontalScrollBar_->IsVisible()) {
        horizontalScrollBar_->SetVisible(true);
        horizontalScrollBar_->SetScrollRange(needed - visibleWidth);
        horizontalScrollBar_->SetScrollPos(0);
        rc.bottom -= horizontalScrollBar_->GetFixedHeight();
        barToggled = true;
      } else {
        horizontalScrollBar_->SetScrollRange(needed - visibleWidth);
      }
    } else if (horizontalScrollBar_->IsVisible()) {
      horizontalScrollBar_->SetVisible(false);
      horizontalScrollBar_->SetScrollRange(0);
      horizontalScrollBar_->SetScrollPos(0);
      rc.bottom += horizontalScrollBar_->GetFixedHeight();
      barToggled = true;
    }
  }
  ProcessScrollBar(rc, needed, 0);
  // The children were placed for the height before the bar came or went:
  // place them again for the height they have now. The bar does not change
  // the width they need, so the second pass keeps the bar as it is.
  if (barToggled && !relayingOut_) {
    relayingOut_ = true;
    SetPos(item_);
    relayingOut_ = false;
  }
}

RECT CHorizontalLayoutUI::GetThumbRect(bool useNew) const {
  RECT r = useNew ? newPos_ : item_;
  if (sepWidth_ >= 0) {
    r.left = std::max(r.left, r.right - sepWidth_);
  } else {
    r.right = std::min(r.right, r.left - sepWidth_);
  }
  return r;
}

void CHorizontalLayoutUI::SetSepImmMode(bool immediate) {
  if (sepImmMode_ == immediate) return;
  if ((dragState_ & kDragging) != 0 && !sepImmMode_ && manager_ != nullptr) manager_->RemovePostPaint(this);
  sepImmMode_ = immediate;
  dragState_ &= ~kDragging;
}

void CHorizontalLayoutUI::DoEvent(ControlEvent& event) {
  if (sepWidth_ != 0) {
    const bool dragging = (dragState_ & kDragging) != 0;
    switch (event.type) {
      case UIEvent::ButtonDown:
        if (IsEnabled() && rect::Contains(GetThumbRect(false), event.mouse)) {
          dragState_ |= kDragging;
          lastMouse_ = event.mouse;
          newPos_ = item_;
          if (!sepImmMode_ && manager_ != nullptr) manager_->AddPostPaint(this);
          return;
        }
        break;
      case UIEvent::ButtonUp:
        if (dragging) {
          dragState_ &= ~kDragging;
          if (!sepImmMode_ && manager_ != nullptr) manager_->RemovePostPaint(this);
          NeedParentUpdate();
          return;
        }
        break;
      case UIEvent::MouseMove:
        if (dragging) {
          const int d = event.mouse.x - lastMouse_.x;
          lastMouse_ = event.mouse;
          // The band follows the pointer; moves are ignored while the
          // pointer is on the far side of the band (after a limit stopped
          // it), so that the band waits for the pointer to come back.
          const RECT band = GetThumbRect(true);
          RECT rc = newPos_;
          if (d > 0 && event.mouse.x < band.left) return;
          if (d < 0 && event.mouse.x >= band.right) return;
          if (sepWidth_ >= 0) {
            rc.right += d;
          } else {
            rc.left += d;
          }
          const int oldWidth = newPos_.right - newPos_.left;
          int width = rc.right - rc.left;
          if (width <= GetMinWidth()) {
            if (oldWidth <= GetMinWidth()) return;
            width = GetMinWidth();
          }
          if (width >= GetMaxWidth()) {
            if (oldWidth >= GetMaxWidth()) return;
            width = GetMaxWidth();
          }
          if (sepWidth_ >= 0) {
            rc.right = rc.left + width;
          } else {
            rc.left = rc.right - width;
          }
          newPos_ = rc;
          fixedSize_.cx = width;
          if (sepImmMode_) {
            NeedParentUpdate();
          } else if (manager_ != nullptr) {
            manager_->Invalidate(rect::Union(band, GetThumbRect(true)));
          }
          return;
        }
        break;
      case UIEvent::SetCursor:
        if (IsEnabled() && rect::Contains(GetThumbRect(false), event.mouse)) {
          SetSizeWECursor();
          return;
        }
        break;
      default:
        break;
    }
  }
  CContainerUI::DoEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"sepwidth") {
    SetSepWidth(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"sepimm") {
    SetSepImmMode(attr::ParseBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CHorizontalLayoutUI::DoPostPaint(os::Canvas& dc, const RECT& paint) {
  if ((dragState_ & kDragging) == 0 || sepImmMode_) return;
  RECT band;
  if (!rect::Intersect(band, GetThumbRect(true), paint)) return;
  Renderer::DrawColor(dc, band, kDragBandColor);
}

}  // namespace Kesto
