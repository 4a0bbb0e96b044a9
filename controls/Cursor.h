// The mouse cursor shapes controls ask for while the pointer is over them.
#pragma once

namespace Kesto {

void SetArrowCursor();
// Over something that reacts to a click (buttons, links).
void SetHandCursor();
// Over a layout's drag separator: north-south for stacked rows, west-east
// for side-by-side columns.
void SetSizeNSCursor();
void SetSizeWECursor();

}  // namespace Kesto
