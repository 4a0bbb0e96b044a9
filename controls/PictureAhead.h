// Pictures decoded ahead of the paint that first needs them. A window whose
// first frame shows a large picture (the login window's background) hands
// over the picture's bytes while it is still being created; a worker thread
// decodes them meanwhile, and the renderer's decode of exactly those bytes
// with that mask (Renderer::LoadImageFromBytes) takes the finished picture
// instead of decoding again, waiting for the worker when it is not done yet.
//
// Chosen here:
// - One worker per picture handed over, started at once; it owns a copy of
//   the bytes and touches nothing else, and its picture reaches the taking
//   thread through the worker's end (a join), so nothing is shared while it
//   runs. A list of archive entries gets one worker, which decodes them in
//   the order given and hands each picture over as soon as it is done. Start,
//   Take and Discard belong to the thread that paints (the UI thread).
// - The worker runs the renderer's own decode (Renderer::DecodeImage), so a
//   picture decoded ahead is pixel for pixel the one decoded on the spot, and
//   bytes that do not decode give no picture either way.
// - A picture is taken once. Bytes handed over again while their picture
//   waits start no second worker; an archive entry started again while its
//   picture waits is not even read again.
// - An archive entry is read by its worker, and a paint that would read the
//   same entry of the same archive in memory takes its picture by the entry
//   (Renderer::LoadImage), without reading it: the entry of a resource
//   cannot change while the process runs.
// - A picture nobody takes stays until Discard, or until the process ends
//   (which waits for its worker). When no thread can be started the bytes
//   are dropped and the paint decodes them itself.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Core/SkinSource.h"
#include "platform/base/Types.h"
#include "platform/window/Resource.h"

namespace Kesto {

struct ImageInfo;

// An entry of an archive to decode ahead, with the mask its paint will use.
struct ArchivePicture {
  std::u16string entry;
  os::DWORD mask = 0;
};

class PictureAhead {
 public:
  // Starts decoding `bytes` with `mask` (see Renderer::LoadImageFromBytes).
  static void Start(std::string bytes, os::DWORD mask = 0);
  // Starts the entry of the zip archive in the "ZIPRES" resource `archive`;
  // false when the entry cannot be read.
  static bool StartArchiveEntry(const os::ResourceName& archive, std::u16string_view entry,
                                os::DWORD mask = 0);
  // Starts the entries of that archive on one worker, in the order given.
  // Returns how many of them are waiting now (those started before
  // included); entries the archive lacks are left out.
  static std::size_t StartArchiveEntries(const os::ResourceName& archive,
                                         const std::vector<ArchivePicture>& pictures);
  // True when a picture of exactly these bytes and mask was started and not
  // yet taken: `picture` receives it (null when the bytes did not decode).
  static bool Take(std::string_view bytes, os::DWORD mask, std::unique_ptr<ImageInfo>& picture);
  // True when the entry of an archive in memory was started with `mask` and
  // not yet taken: `picture` receives it (null when the entry could not be
  // read or did not decode). The paint that wants the entry's picture needs
  // not read the entry to find it.
  static bool TakeArchiveEntry(const MemoryArchiveEntry& entry, os::DWORD mask,
                               std::unique_ptr<ImageInfo>& picture);
  // Pictures started and not taken.
  static std::size_t Pending();
  // Waits for every worker and drops their pictures.
  static void Discard();
};

}  // namespace Kesto
