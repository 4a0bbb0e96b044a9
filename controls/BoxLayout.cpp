#include "controls/BoxLayout.h"

#include <algorithm>

#include "controls/LayoutLimit.h"
#include "controls/ScrollBar.h"

namespace Kesto {

CBoxLayoutUI::CBoxLayoutUI(LayoutAxis axis) : axis_(axis), separator_(axis) {}

UINT CBoxLayoutUI::GetControlFlags() const {
  return IsEnabled() && separator_.Size() != 0 ? ControlFlag::SetCursor : 0;
}

void CBoxLayoutUI::SetPos(RECT rc) {
  CControlUI::SetPos(rc);
  const RECT view = InnerRect();
  if (items_.empty()) {
    ProcessScrollBar(view, 0, 0);
    return;
  }
  const SIZE available = Available(view);
  const Measure measure = MeasureChildren(available);
  const int needed = PlaceChildren(view, available, StretchLength(measure, available));
  FitScrollBars(view, needed);
}

SIZE CBoxLayoutUI::Available(const RECT& view) const {
  SIZE available{view.right - view.left, view.bottom - view.top};
  const CScrollBarUI* across = ScrollBarOf(axis_.Cross());
  if (across != nullptr && across->IsVisible()) axis_.CrossOf(available) += across->GetScrollRange();
  return available;
}

CBoxLayoutUI::Measure CBoxLayoutUI::MeasureChildren(SIZE available) {
  Measure m;
  for (const ChildPtr& child : items_) {
    if (!child->IsVisible() || child->IsFloat()) continue;
    int length = axis_.Main(child->EstimateSize(available));
    if (length == 0) {
      ++m.stretchCount;
    } else {
      length = LimitSize(length, axis_.Min(*child), axis_.Max(*child));
    }
    const RECT pad = child->GetPadding();
    m.fixedTotal += length + axis_.Near(pad) + axis_.Far(pad);
    ++m.counted;
  }
  if (m.counted > 0) m.fixedTotal += (m.counted - 1) * childPadding_;
  return m;
}

int CBoxLayoutUI::StretchLength(const Measure& measure, SIZE available) const {
  if (measure.stretchCount == 0) return 0;
  // What the division leaves stays unused.
  return std::max(0, (axis_.Main(available) - measure.fixedTotal) / measure.stretchCount);
}

int CBoxLayoutUI::PlaceChildren(const RECT& view, SIZE available, int stretch) {
  const LayoutAxis cross = axis_.Cross();
  const SIZE scroll = GetScrollPos();
  int along = axis_.Near(view) - axis_.Main(scroll);
  const int acrossStart = cross.Near(view) - axis_.CrossOf(scroll);
  SIZE remaining = available;
  int needed = 0;
  int counted = 0;
  for (int i = 0; i < OwnCount(); ++i) {
    CControlUI* child = Child(i);
    if (!child->IsVisible()) continue;
    if (child->IsFloat()) {
      SetFloatPos(i);
      continue;
    }
    const RECT pad = child->GetPadding();
    axis_.Main(remaining) -= axis_.Near(pad);
    const int estimated = axis_.Main(child->EstimateSize(remaining));
    const int length = LimitSize(estimated != 0 ? estimated : stretch, axis_.Min(*child), axis_.Max(*child));
    int thickness = cross.Fixed(*child);
    if (thickness == 0) thickness = std::max(0, axis_.CrossOf(available) - cross.Near(pad) - cross.Far(pad));
    thickness = LimitSize(thickness, cross.Min(*child), cross.Max(*child));

    child->SetPos(axis_.MakeRect(along + axis_.Near(pad), acrossStart + cross.Near(pad), length, thickness));
    along += length + childPadding_ + axis_.Near(pad) + axis_.Far(pad);
    needed += length + axis_.Near(pad) + axis_.Far(pad);
    axis_.Main(remaining) -= length + childPadding_ + axis_.Far(pad);
    ++counted;
  }
  if (counted > 0) needed += (counted - 1) * childPadding_;
  return needed;
}

void CBoxLayoutUI::FitScrollBars(const RECT& view, int needed) {
  // ProcessScrollBar fits the vertical bar itself; a side-by-side layout
  // fits its own bar first. A relayout that did happen placed everything.
  if (axis_.IsHorizontal() && FitScrollBar(axis_, view, needed)) return;
  const SIZE required = axis_.MakeSize(needed, 0);
  ProcessScrollBar(view, required.cx, required.cy);
}

void CBoxLayoutUI::DoEvent(ControlEvent& event) {
  if (separator_.HandleEvent(*this, event, fixedSize_)) return;
  CContainerUI::DoEvent(event);
}

void CBoxLayoutUI::DoPostPaint(os::Canvas& dc, const RECT& paint) { separator_.PostPaint(*this, dc, paint); }

}  // namespace Kesto
