#include "controls/VerticalLayout.h"

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

CVerticalLayoutUI::CVerticalLayoutUI() = default;

std::u16string_view CVerticalLayoutUI::GetClass() const { return u"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(std::u16string_view name) {
  if (name == u"VerticalLayout") return static_cast<CVerticalLayoutUI*>(this);
  return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
  return IsEnabled() && sepHeight_ != 0 ? ControlFlag::SetCursor : 0;
}

void CVerticalLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  rc = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(rc, 0, 0);
    return;
  }

  SIZE available{rc.right - rc.left, rc.bottom - rc.top};
  if (horizontalScrollBar_ != nullptr && horizontalScrollBar_->IsVisible()) {
    available.cx += horizontalScrollBar_->GetScrollRange();
  }

  // What the children with a height of their own take.
  int stretchCount = 0;
  int fixedTotal = 0;
  int counted = 0;
  for (CControlUI* child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    SIZE s = child->EstimateSize(available);
    if (s.cy == 0) {
      ++stretchCount;
    } else {
      s.cy = Limit(s.cy, child->GetMinHeight(), child->GetMaxHeight());
    }
    const RECT pad = child->GetPadding();
    fixedTotal += s.cy + pad.top + pad.bottom;
    ++counted;
  }
  if (counted > 0) fixedTotal += (counted - 1) * childPadding_;

  // The rest is shared evenly; what the division leaves stays unused.
  int expand = 0;
  if (stretchCount > 0) expand = std::max(0, (available.cy - fixedTotal) / stretchCount);

  const SIZE scroll = GetScrollPos();
  int y = rc.top - scroll.cy;
  const int x = rc.left - scroll.cx;
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
    remaining.cy -= pad.top;
    const SIZE s = child->EstimateSize(remaining);
    const int height = Limit(s.cy != 0 ? s.cy : expand, child->GetMinHeight(), child->GetMaxHeight());
    int width = child->GetFixedWidth();
    if (width == 0) width = std::max(0, static_cast<int>(available.cx - pad.left - pad.right));
    width = Limit(width, child->GetMinWidth(), child->GetMaxWidth());

    child->SetPos(RECT{x + pad.left, y + pad.top, x + pad.left + width, y + pad.top + height});
    y += height + childPadding_ + pad.top + pad.bottom;
    needed += height + pad.top + pad.bottom;
    remaining.cy -= height + childPadding_ + pad.bottom;
  }
  if (counted > 0) needed += (counted - 1) * childPadding_;
  ProcessScrollBar(rc, 0, needed);
}

RECT CVerticalLayoutUI::GetThumbRect(bool useNew) const {
  RECT r = useNew ? newPos_ : item_;
  if (sepHeight_ >= 0) {
    r.top = std::max(r.top, r.bottom - sepHeight_);
  } else {
    r.bottom = std::min(r.bottom, r.top - sepHeight_);
  }
  return r;
}

void CVerticalLayoutUI::SetSepImmMode(bool immediate) {
  if (sepImmMode_ == immediate) return;
  // A deferred drag in progress must not leave its band registered.
  if ((dragState_ & kDragging) != 0 && !sepImmMode_ && manager_ != nullptr) manager_->RemovePostPaint(this);
  sepImmMode_ = immediate;
  dragState_ &= ~kDragging;
}

void CVerticalLayoutUI::DoEvent(ControlEvent& event) {
  if (sepHeight_ != 0) {
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
          const int d = event.mouse.y - lastMouse_.y;
          lastMouse_ = event.mouse;
          // The band follows the pointer; moves are ignored while the
          // pointer is on the far side of the band (after a limit stopped
          // it), so that the band waits for the pointer to come back.
          const RECT band = GetThumbRect(true);
          RECT rc = newPos_;
          if (d > 0 && event.mouse.y < band.top) return;
          if (d < 0 && event.mouse.y >= band.bottom) return;
          if (sepHeight_ >= 0) {
            rc.bottom += d;
          } else {
            rc.top += d;
          }
          const int oldHeight = newPos_.bottom - newPos_.top;
          int height = rc.bottom - rc.top;
          if (height <= GetMinHeight()) {
            if (oldHeight <= GetMinHeight()) return;
            height = GetMinHeight();
          }
          if (height >= GetMaxHeight()) {
            if (oldHeight >= GetMaxHeight()) return;
            height = GetMaxHeight();
          }
          if (sepHeight_ >= 0) {
            rc.bottom = rc.top + height;
          } else {
            rc.top = rc.bottom - height;
          }
          newPos_ = rc;
          // The layout's own size, without asking for a layout yet.
          fixedSize_.cy = height;
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
          SetSizeNSCursor();
          return;
        }
        break;
      default:
        break;
    }
  }
  CContainerUI::DoEvent(event);
}

void CVerticalLayoutUI::SetAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"sepheight") {
    SetSepHeight(static_cast<int>(attr::ParseLong(value)));
  } else if (name == u"sepimm") {
    SetSepImmMode(attr::ParseBool(value));
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CVerticalLayoutUI::DoPostPaint(os::Canvas& dc, const RECT& paint) {
  if ((dragState_ & kDragging) == 0 || sepImmMode_) return;
  RECT band;
  if (!rect::Intersect(band, GetThumbRect(true), paint)) return;
  Renderer::DrawColor(dc, band, kDragBandColor);
}

}  // namespace Kesto
