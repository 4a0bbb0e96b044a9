// The mouse cursor shapes controls ask for while the pointer is over them.
#pragma once

namespace Kesto {

void SetArrowCursor();

}  // namespace Kesto
