// One axis of the screen as the layouts and scroll bars see it: the main
// extent of a size, rectangle or point (the one children are stacked along,
// or a scroll bar moves along) and the cross extent at right angles to it.
// Code written once against an axis serves both directions, so the
// side-by-side and the stacked layout cannot drift apart.
#pragma once

#include "controls/Control.h"

namespace Kesto {

class LayoutAxis {
 public:
  using Coord = decltype(RECT{}.left);

  static constexpr LayoutAxis Horizontal() { return LayoutAxis(true); }
  static constexpr LayoutAxis Vertical() { return LayoutAxis(false); }

  constexpr bool IsHorizontal() const { return horizontal_; }
  constexpr LayoutAxis Cross() const { return LayoutAxis(!horizontal_); }

  Coord Main(const SIZE& s) const { return horizontal_ ? s.cx : s.cy; }
  Coord CrossOf(const SIZE& s) const { return horizontal_ ? s.cy : s.cx; }
  Coord& Main(SIZE& s) const { return horizontal_ ? s.cx : s.cy; }
  Coord& CrossOf(SIZE& s) const { return horizontal_ ? s.cy : s.cx; }
  Coord Main(const POINT& p) const { return horizontal_ ? p.x : p.y; }

  // The near (left, top) and far (right, bottom) edges along the axis.
  Coord Near(const RECT& r) const { return horizontal_ ? r.left : r.top; }
  Coord Far(const RECT& r) const { return horizontal_ ? r.right : r.bottom; }
  Coord& Near(RECT& r) const { return horizontal_ ? r.left : r.top; }
  Coord& Far(RECT& r) const { return horizontal_ ? r.right : r.bottom; }
  Coord Length(const RECT& r) const { return Far(r) - Near(r); }
  // The same edges across the axis.
  Coord CrossNear(const RECT& r) const { return Cross().Near(r); }
  Coord CrossLength(const RECT& r) const { return Cross().Length(r); }

  // The size with main along the axis and cross across it.
  SIZE MakeSize(Coord main, Coord cross) const { return horizontal_ ? SIZE{main, cross} : SIZE{cross, main}; }
  // The rectangle starting at (main, cross) with those lengths.
  RECT MakeRect(Coord main, Coord cross, Coord mainLength, Coord crossLength) const {
    return horizontal_ ? RECT{main, cross, main + mainLength, cross + crossLength}
                       : RECT{cross, main, cross + crossLength, main + mainLength};
  }

  // A control's fixed size and limits along the axis (Cross() for across).
  int Fixed(const CControlUI& c) const { return horizontal_ ? c.GetFixedWidth() : c.GetFixedHeight(); }
  int Min(const CControlUI& c) const { return horizontal_ ? c.GetMinWidth() : c.GetMinHeight(); }
  int Max(const CControlUI& c) const { return horizontal_ ? c.GetMaxWidth() : c.GetMaxHeight(); }

 private:
  constexpr explicit LayoutAxis(bool horizontal) : horizontal_(horizontal) {}
  bool horizontal_;
};

}  // namespace Kesto
