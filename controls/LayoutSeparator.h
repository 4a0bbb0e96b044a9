// The drag separator of a horizontal or vertical layout: a band at one edge
// of the layout that the user drags to change the layout's own size along
// its axis (the width of a side-by-side layout, the height of a stacked one).
//
// Immediate mode relayouts on every move; otherwise the band is drawn where
// it would go (a post-paint of the layout) and the layout follows on release.
#pragma once

#include "controls/Control.h"
#include "controls/LayoutAxis.h"
#include "controls/LayoutLimit.h"

namespace os {
class Canvas;
}

namespace Kesto {

class LayoutSeparator {
 public:
  // The drag-in-progress bit of DragState.
  static constexpr UINT kDragging = 0x40;

  // axis: the one the layout's own length is dragged along.
  explicit LayoutSeparator(LayoutAxis axis) : axis_(axis) {}

  // Positive: a band of that many pixels at the far edge (right, bottom);
  // negative: at the near edge (left, top); 0: no separator. Held to the
  // range window coordinates travel in, like every length a skin gives a
  // layout: the band's edges are computed from it.
  int Size() const { return size_; }
  void SetSize(int size) { size_ = LimitExtent(size); }
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
  // The coordinate along the axis, and the near and far edges of r there.
  int Along(POINT p) const { return axis_.Main(p); }
  LayoutAxis::Coord& Near(RECT& r) const { return axis_.Near(r); }
  LayoutAxis::Coord& Far(RECT& r) const { return axis_.Far(r); }
  LayoutAxis::Coord Near(const RECT& r) const { return axis_.Near(r); }
  LayoutAxis::Coord Far(const RECT& r) const { return axis_.Far(r); }
  // An enabled layout's band (where it is now) holds the point.
  bool OnBand(const CControlUI& layout, POINT point) const;
  void Move(CControlUI& layout, POINT mouse, SIZE& fixedSize);

  LayoutAxis axis_;
  int size_ = 0;
  bool immediate_ = false;
  UINT dragState_ = 0;
  POINT lastMouse_{};
  RECT newPos_{};
};

}  // namespace Kesto
