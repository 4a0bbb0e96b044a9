#include "platform/gtk/SurfaceKind.h"

namespace os::gtk {

SurfaceKind KindOf(const SurfaceParams& params) {
  const bool dropDown = params.popup && params.owner != 0 && params.noActivate && params.toolWindow;
  return dropDown ? SurfaceKind::DropDown : SurfaceKind::TopLevel;
}

}  // namespace os::gtk
