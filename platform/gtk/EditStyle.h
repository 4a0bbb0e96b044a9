// The style sheet of the native edit field: every property a theme would
// give an entry is set here (frame, padding, colours, caret, selection and
// font), so the field looks the same whatever theme GTK has loaded, the
// quick one of the first frame (DesktopTheme.h) or the desktop's.
#pragma once

#include <string>

#include "platform/base/Types.h"

namespace os::gtk {

struct EditLook {
  int marginLeft = 0;  // pixels
  int marginRight = 0;
  std::string face;    // UTF-8; empty: GTK's font
  int pixelSize = 0;   // 0: GTK's size
  bool bold = false;
  bool italic = false;
  COLORREF textColor = 0x000000;
  COLORREF background = 0xFFFFFF;
};

// The CSS for an entry with that look, at the current text resolution.
std::string EditStyleSheet(const EditLook& look);

}  // namespace os::gtk
