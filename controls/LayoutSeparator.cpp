#include "controls/LayoutSeparator.h"

#include <algorithm>

#include "Core/UIManager.h"
#include "controls/Cursor.h"
#include "controls/Render.h"

namespace Kesto {

namespace {
constexpr DWORD kDragBandColor = 0xAA000000;
}  // namespace

void LayoutSeparator::SetImmediate(bool immediate, CControlUI& layout) {
  if (immediate_ == immediate) return;
  if ((dragState_ & kDragging) != 0 && !immediate_ && layout.GetManager() != nullptr) {
    layout.GetManager()->RemovePostPaint(&layout);
  }
  immediate_ = immediate;
  dragState_ &= ~kDragging;
}

RECT LayoutSeparator::ThumbRect(const RECT& item, bool useNew) const {
  RECT r = useNew ? newPos_ : item;
  if (size_ >= 0) {
    Near(r) = std::max(Near(r), Far(r) - size_);
  } else {
    Far(r) = std::min(Far(r), Near(r) - size_);
  }
  return r;
}

bool LayoutSeparator::OnBand(const CControlUI& layout, POINT point) const {
  return layout.IsEnabled() && rect::Contains(ThumbRect(layout.GetPos(), false), point);
}

bool LayoutSeparator::HandleEvent(CControlUI& layout, ControlEvent& event, SIZE& fixedSize) {
  if (size_ == 0) return false;
  UIManager* manager = layout.GetManager();
  const bool dragging = (dragState_ & kDragging) != 0;
  switch (event.type) {
    case UIEvent::ButtonDown:
      if (!OnBand(layout, event.mouse)) return false;
      dragState_ |= kDragging;
      lastMouse_ = event.mouse;
      newPos_ = layout.GetPos();
      if (!immediate_ && manager != nullptr) manager->AddPostPaint(&layout);
      return true;
    case UIEvent::ButtonUp:
      if (!dragging) return false;
      dragState_ &= ~kDragging;
      if (!immediate_ && manager != nullptr) manager->RemovePostPaint(&layout);
      layout.NeedParentUpdate();
      return true;
    case UIEvent::MouseMove:
      if (!dragging) return false;
      Move(layout, event.mouse, fixedSize);
      return true;
    case UIEvent::SetCursor:
      if (!OnBand(layout, event.mouse)) return false;
      if (axis_.IsHorizontal()) {
        SetSizeWECursor();
      } else {
        SetSizeNSCursor();
      }
      return true;
    default:
      return false;
  }
}

void LayoutSeparator::Move(CControlUI& layout, POINT mouse, SIZE& fixedSize) {
  const int d = Along(mouse) - Along(lastMouse_);
  lastMouse_ = mouse;
  // The band follows the pointer; moves are ignored while the pointer is on
  // the far side of the band (after a limit stopped it), so that the band
  // waits for the pointer to come back.
  const RECT band = ThumbRect(layout.GetPos(), true);
  if (d > 0 && Along(mouse) < Near(band)) return;
  if (d < 0 && Along(mouse) >= Far(band)) return;
  RECT rc = newPos_;
  if (size_ >= 0) {
    Far(rc) += d;
  } else {
    Near(rc) += d;
  }
  const int low = axis_.Min(layout);
  const int high = axis_.Max(layout);
  const int oldSize = Far(newPos_) - Near(newPos_);
  int size = Far(rc) - Near(rc);
  if (size <= low) {
    if (oldSize <= low) return;
    size = low;
  }
  if (size >= high) {
    if (oldSize >= high) return;
    size = high;
  }
  if (size_ >= 0) {
    Far(rc) = Near(rc) + size;
  } else {
    Near(rc) = Far(rc) - size;
  }
  newPos_ = rc;
  axis_.Main(fixedSize) = size;
  if (immediate_) {
    layout.NeedParentUpdate();
  } else if (UIManager* manager = layout.GetManager()) {
    manager->Invalidate(rect::Union(band, ThumbRect(layout.GetPos(), true)));
  }
}

void LayoutSeparator::PostPaint(const CControlUI& layout, os::Canvas& dc, const RECT& paint) const {
  if ((dragState_ & kDragging) == 0 || immediate_) return;
  RECT band;
  if (!rect::Intersect(band, ThumbRect(layout.GetPos(), true), paint)) return;
  Renderer::DrawColor(dc, band, kDragBandColor);
}

}  // namespace Kesto
