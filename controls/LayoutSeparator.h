// The drag separator of a horizontal or vertical layout: a band at one edge
// of the layout that the user drags to change the layout's own size along
// its axis (the width of a side-by-side layout, the height of a stacked one).
//
// Immediate mode relayouts on every move; otherwise the band is drawn where
// it would go (a post-paint of the layout) and the layout follows on release.
#pragma once

#include "controls/Control.h"

namespace os {
class Canvas;
}

namespace Kesto {

class LayoutSeparator {
 public:
  enum class Axis { kWidth, kHeight };
  // The drag-in-progress bit of DragState.
  static constexpr UINT kDragging = 0x40;

  explicit LayoutSeparator(Axis axis) : axis_(axis) {}

  // Positive: a band of that many pixels at the far edge (right, bottom);
  // negative: at the near edge (left, top); 0: no separator.
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  bool IsImmediate() const { return immediate_; }
  // A deferred drag in progress ends without leaving its band registered.
  void SetImmediate(bool immediate, CControlUI& layout);
  UINT DragState() const { return dragState_; }

  // The band within the layout's rectangle item, or (useNew) where it is
  // being dragged to.
  RECT ThumbRect(const RECT& item, bool useNew) const;

  // Takes the event when it is the separator's (a drag, the sizing cursor);
  // false leaves it to the layout. fixedSize is the layout's own size, which
  // a drag changes along the axis without asking for a layout yet.
  bool HandleEvent(CControlUI& layout, ControlEvent& event, SIZE& fixedSize);
  // The band of a deferred drag, drawn over what paint covers.
  void PostPaint(const CControlUI& layout, os::Canvas& dc, const RECT& paint) const;

 private:
  // The coordinate along the axis: x for widths, y for heights.
  int Along(POINT p) const { return axis_ == Axis::kWidth ? p.x : p.y; }
  // The near and far edges of r along the axis.
  using Coord = decltype(RECT{}.left);
  Coord& Near(RECT& r) const { return axis_ == Axis::kWidth ? r.left : r.top; }
  Coord& Far(RECT& r) const { return axis_ == Axis::kWidth ? r.right : r.bottom; }
  Coord Near(const RECT& r) const { return axis_ == Axis::kWidth ? r.left : r.top; }
  Coord Far(const RECT& r) const { return axis_ == Axis::kWidth ? r.right : r.bottom; }
  // An enabled layout's band (where it is now) holds the point.
  bool OnBand(const CControlUI& layout, POINT point) const;
  void Move(CControlUI& layout, POINT mouse, SIZE& fixedSize);

  Axis axis_;
  int size_ = 0;
  bool immediate_ = false;
  UINT dragState_ = 0;
  POINT lastMouse_{};
  RECT newPos_{};
};

}  // namespace Kesto
