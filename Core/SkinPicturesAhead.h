// The pictures a window's first frame draws, decoded on a worker thread
// while the program does other work before it builds that window
// (PictureAhead): its first paint then finds them decoded.
#pragma once

#include <string_view>
#include <vector>

#include "controls/PictureAhead.h"
#include "platform/window/Resource.h"

namespace Kesto {

class MarkupDoc;

// The pictures the first frame of a window built from `skin` is likely to
// draw: the background, normal-state and foreground pictures ("bkimage",
// "normalimage", "foreimage") of the controls a new window shows, each read
// as the renderer reads a draw string (its "file" entries with their mask;
// pictures of other resources are left out), each once, in the order the
// skin names them. Controls marked invisible and the pages a tab layout
// does not select first are passed over, as are the pictures of states the
// player has not reached yet (hot, pushed, focused, disabled, selected).
std::vector<ArchivePicture> SkinFirstPictures(const MarkupDoc& skin);

// Starts decoding those pictures of the skin file `file`, an entry of the
// zip archive in the "ZIPRES" resource `archive`, on one worker (the file
// is read and parsed on the calling thread, which will paint them). Returns
// how many are waiting; a missing archive or file, or one that does not
// parse, starts nothing.
std::size_t StartSkinPicturesAhead(const os::ResourceName& archive, std::u16string_view file);

}  // namespace Kesto
