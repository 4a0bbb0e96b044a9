#include "controls/PictureAhead.h"

#include <algorithm>
#include <future>
#include <limits>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "Core/SkinSource.h"
#include "controls/Render.h"
#include "platform/base/DebugOutput.h"
#include "platform/base/Unicode.h"
#include "platform/base/WorkerPriority.h"

namespace Kesto {
namespace {

struct Started {
  std::string bytes;
  os::DWORD mask = 0;
  // "archive|entry" (the entry in lower case) for a started archive entry.
  std::u16string origin;
  std::future<std::unique_ptr<ImageInfo>> picture;
};

// Destroyed at the process's end after every worker has finished: a future
// of std::async waits for its thread.
std::vector<Started>& Table() {
  static std::vector<Started> table;
  return table;
}

std::vector<Started>::iterator Find(std::string_view bytes, os::DWORD mask) {
  auto& table = Table();
  return std::find_if(table.begin(), table.end(),
                      [&](const Started& s) { return s.mask == mask && s.bytes == bytes; });
}

std::u16string OriginOf(const os::ResourceName& archive, std::u16string_view entry) {
  // A number and a name of the same spelling are different archives.
  std::u16string origin(1, archive.IsId() ? u'#' : u'$');
  origin.append(archive.IsId() ? os::Utf8ToUtf16(std::to_string(archive.Id())) : archive.String());
  origin.push_back(u'|');
  for (const char16_t c : entry) origin += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  return origin;
}

void StartDecoding(std::string bytes, os::DWORD mask, std::u16string origin) {
  if (bytes.empty() || Find(bytes, mask) != Table().end()) return;
  Started started{std::move(bytes), mask, std::move(origin), {}};
  try {
    // The worker reads its own copy: the entry's bytes may not move while it
    // runs, and entries of the table do move.
    started.picture = std::async(std::launch::async,
                                 [copy = started.bytes, mask] {
                                   os::LowerThisThreadPriority();
                                   return Renderer::DecodeImage(copy, mask);
                                 });
  } catch (const std::system_error&) {
    os::DebugOutput(os::DebugCategory::Skin, "picture ahead: no worker thread; decoded when painted");
    return;
  }
  Table().push_back(std::move(started));
}

}  // namespace

void PictureAhead::Start(std::string bytes, os::DWORD mask) { StartDecoding(std::move(bytes), mask, {}); }

bool PictureAhead::StartArchiveEntry(const os::ResourceName& archive, std::u16string_view entry,
                                     os::DWORD mask) {
  // Started already and still waiting: the entry is not inflated again.
  std::u16string origin = OriginOf(archive, entry);
  const auto& table = Table();
  if (std::any_of(table.begin(), table.end(),
                  [&](const Started& s) { return s.mask == mask && s.origin == origin; })) {
    return true;
  }
  std::string bytes;
  if (!ReadResourceArchiveEntry(archive, entry, bytes, std::numeric_limits<std::size_t>::max())) return false;
  StartDecoding(std::move(bytes), mask, std::move(origin));
  return true;
}

bool PictureAhead::Take(std::string_view bytes, os::DWORD mask, std::unique_ptr<ImageInfo>& picture) {
  auto& table = Table();
  if (table.empty()) return false;
  const auto found = Find(bytes, mask);
  if (found == table.end()) return false;
  picture = found->picture.get();
  table.erase(found);
  return true;
}

std::size_t PictureAhead::Pending() { return Table().size(); }

void PictureAhead::Discard() { Table().clear(); }

}  // namespace Kesto
