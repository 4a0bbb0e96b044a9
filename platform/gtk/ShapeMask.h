// The visible part of a surface as rectangles, for the X shape extension: the
// window region (SetWindowRgn) and, for a per-pixel-alpha frame shown without
// a compositor, every pixel whose alpha is not zero. Kept free of GDK headers.
#pragma once

#include <vector>

#include "platform/window/Backend.h"

namespace os::gtk {

// The pixels of a width x height surface that stay: inside `shape` when one is
// given, and where `alpha` (a premultiplied BGRA frame) has a non-zero alpha
// when one is given; pixels beyond the frame are transparent. Runs of each row
// become rectangles, and rows with the same runs merge into one band, so a
// plain rectangle comes out as one rectangle. The shape decides with
// WindowShape::Contains, the rule hit testing uses (at the ends of each row's
// run: a window shape covers one run per row). Width, height, the shape and
// the rectangles are logical units; an alpha frame of a denser screen keeps a
// unit when any of its device pixels is visible (PixelView::CoverageRow).
// GDK scales the region to device pixels itself, so a shape on a
// high-density screen steps by whole units: hit testing is logical too, and
// the two agree.
std::vector<RECT> ShapeRectangles(int width, int height, const WindowShape* shape, const PixelView* alpha);

}  // namespace os::gtk
