// Which kind of native window a surface becomes. Kept free of GDK headers.
//
// A drop-down list (an owned WS_POPUP tool window that must not be
// activated) becomes an override-redirect popup: the window manager neither
// decorates, places, stacks under its owner, nor focuses it, so it opens
// exactly where it is put and the owner keeps the keyboard. Everything else
// is an ordinary top-level window the window manager looks after.
#pragma once

#include "platform/window/Backend.h"

namespace os::gtk {

enum class SurfaceKind { TopLevel, DropDown };

SurfaceKind KindOf(const SurfaceParams& params);

}  // namespace os::gtk
