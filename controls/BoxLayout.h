// Children stacked along one axis (side by side, or top to bottom): those
// with a length of their own along it first, the rest shared evenly by the
// children without one, what the division leaves unused at the end. Across
// the axis every child gets the layout's full extent, or its own fixed size.
// An optional separator band at one edge lets the user drag the layout's own
// length along the axis. CHorizontalLayoutUI and CVerticalLayoutUI are this
// layout with their axis.
//
// Scroll bars: the bar along the axis follows the content (FitScrollBar);
// the bar across it keeps its range (the skin's), which widens the room
// across the axis that the children are given. Chosen where the two
// directions once differed: the length a child shares out along the axis is
// the view's length only, never the view plus the bar's range, so a layout
// whose children stretch gives its bar up as soon as they fit (the range
// would otherwise feed itself: the stretch children took it, the content
// kept needing it, and the bar stayed for good).
#pragma once

#include "controls/Container.h"
#include "controls/LayoutAxis.h"
#include "controls/LayoutSeparator.h"

namespace Kesto {

class CBoxLayoutUI : public CContainerUI {
 public:
  // The drag-in-progress bit of GetDragState.
  static constexpr UINT kDragging = LayoutSeparator::kDragging;

  explicit CBoxLayoutUI(LayoutAxis axis);

  UINT GetControlFlags() const override;
  void SetPos(RECT rc) override;
  void DoEvent(ControlEvent& event) override;
  void DoPostPaint(os::Canvas& dc, const RECT& paint) override;

  LayoutAxis Axis() const { return axis_; }
  // Immediate mode relayouts on every move; otherwise the band is drawn
  // where it would go and the layout follows on release.
  bool IsSepImmMode() const { return separator_.IsImmediate(); }
  void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate, *this); }
  UINT GetDragState() const { return separator_.DragState(); }
  // The separator band now (during a drag: where it is being dragged to).
  RECT GetThumbRect(bool useNew = false) const { return separator_.ThumbRect(item_, useNew); }

 protected:
  // Positive: a band of that many pixels at the far edge along the axis;
  // negative: at the near edge; 0: no separator.
  int SeparatorSize() const { return separator_.Size(); }
  void SetSeparatorSize(int size) { separator_.SetSize(size); }

 private:
  // What the first pass learns about the visible, non-floating children.
  struct Measure {
    int counted = 0;       // children that take part
    int stretchCount = 0;  // of those, the ones without a length of their own
    int fixedTotal = 0;    // lengths, margins and gaps of the others
  };

  // The room the children are given: the view, widened across the axis by
  // the range of the bar that scrolls across it.
  SIZE Available(const RECT& view) const;
  // First pass: what the children with a length of their own take.
  Measure MeasureChildren(SIZE available);
  // The length each stretch child gets (never below 0).
  int StretchLength(const Measure& measure, SIZE available) const;
  // Second pass: places every visible child; returns the length the content
  // needs along the axis.
  int PlaceChildren(const RECT& view, SIZE available, int stretch);
  // The bars for content needed long along the axis.
  void FitScrollBars(const RECT& view, int needed);

  LayoutAxis axis_;
  LayoutSeparator separator_;
};

}  // namespace Kesto
