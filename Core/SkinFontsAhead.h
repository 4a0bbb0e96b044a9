// The fonts a window's skin draws with, loaded on a worker thread while the
// program does other work before it builds that window (os::FontsAhead): its
// first frame then finds them loaded and measured.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/FontsAhead.h"
#include "platform/window/Resource.h"

namespace Kesto {

// The fonts a window built from the skin file `file` draws with first: those
// the skin's controls name (their "font" index into the root's <Font>
// elements, in the order first named, each read as the builder reads it),
// or the default font of a new manager when they name none that exists. The
// other fonts load when they are used. `file` is an entry of the zip archive
// in the "ZIPRES" resource `archive`, read as the window would read it; a
// missing archive or file, or one that does not parse, names nothing. Any
// thread.
std::vector<os::FontRequest> SkinFontRequests(const os::ResourceName& archive, std::u16string_view file);

// Starts loading those fonts on a worker (os::FontsAhead); the archive is
// read and the file parsed there too. The calling thread, which will build
// the window, takes the fonts over.
void LoadSkinFontsAhead(const os::ResourceName& archive, std::u16string file);

}  // namespace Kesto
