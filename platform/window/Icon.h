// Icons made from the icon-group resources of a module, as LoadImage with
// IMAGE_ICON makes them: the group image that best fits the asked size. The
// handle remembers which image it was made from (its bytes stay in the
// resource table); WM_SETICON hands it to a window, and the caller destroys it
// with DestroyIcon once no window uses it any more.
//
// On Windows the icon is the system's, made by CreateIconFromResourceEx from
// the image the same fitting rule picks (PNG or DIB); the details are kept
// until DestroyIcon.
#pragma once

#include "platform/base/Types.h"
#include "platform/window/Resource.h"

namespace os {

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;

// An icon for IMAGE_ICON; nullptr for other types, for a missing or empty
// group, and for a size that is not positive. flags are accepted and ignored.
HANDLE LoadImage(HINSTANCE instance, const ResourceName& name, UINT type, int cx, int cy, UINT flags);
BOOL DestroyIcon(HICON icon);

// What an icon was made from: the chosen group image, and the size it was
// asked for. False for a null handle.
struct ICONDETAILS {
  IconImage image;
  int width = 0;
  int height = 0;
};
bool GetIconDetails(HICON icon, ICONDETAILS* details);

}  // namespace os
