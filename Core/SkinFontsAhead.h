// The fonts a window's skin declares, loaded on a worker thread while the
// program does other work before it builds that window (os::FontsAhead): its
// first frame then finds them loaded and measured.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/FontsAhead.h"
#include "platform/window/Resource.h"

namespace Kesto {

// The fonts a window built from the skin file `file` makes first: the
// default font of a new manager, then those the <Font> elements of the
// skin's root declare, in their order, as the builder reads them. `file` is
// an entry of the zip archive in the "ZIPRES" resource `archive`, read as the
// window would read it; a missing archive or file, or one that does not
// parse, declares nothing. Any thread.
std::vector<os::FontRequest> SkinFontRequests(const os::ResourceName& archive, std::u16string_view file);

// Starts loading those fonts on a worker (os::FontsAhead); the archive is
// read and the file parsed there too. The calling thread, which will build
// the window, takes the fonts over.
void LoadSkinFontsAhead(const os::ResourceName& archive, std::u16string file);

}  // namespace Kesto
