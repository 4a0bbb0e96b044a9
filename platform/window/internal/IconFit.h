// The image of an icon group that LoadImage makes an icon of.
#pragma once

#include <vector>

#include "platform/window/Resource.h"

namespace os::internal {

// Closest in size first (the sum of both differences); among images of one
// size the deepest colour wins. nullptr for an empty group.
const IconImage* BestIconFit(const std::vector<IconImage>& images, int cx, int cy);

}  // namespace os::internal
