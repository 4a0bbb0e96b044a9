// The gtk backend of the platform layer: real windows on an X11 desktop
// (XWayland included). Free of GTK headers so that the launcher's entry and
// test programs can name it.
#pragma once

namespace os::gtk {

// Makes the backend available under the name "gtk". A static library drops
// an object nothing refers to, so the program calls this before the first
// window function instead of relying on a registration at load time.
void RegisterBackend();

}  // namespace os::gtk
