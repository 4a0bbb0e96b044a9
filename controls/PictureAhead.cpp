#include "controls/PictureAhead.h"

#include <algorithm>
#include <functional>
#include <optional>
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

struct Decoded {
  std::string bytes;  // an archive entry's, read by the worker
  std::unique_ptr<ImageInfo> picture;
};

struct Started {
  std::string bytes;  // known from the start, or once an entry's worker read them
  bool bytesKnown = false;
  os::DWORD mask = 0;
  // The archive entry a picture was started from, read by its worker, and
  // the resource it is in ("archive|entry", the entry in lower case).
  std::optional<MemoryArchiveEntry> entry;
  std::u16string origin;
  std::future<Decoded> picture;
};

// Destroyed at the process's end after every worker has finished: a future
// of std::async waits for its thread.
std::vector<Started>& Table() {
  static std::vector<Started> table;
  return table;
}

// An archive entry to decode, and where its picture goes.
struct EntryJob {
  MemoryArchiveEntry at;
  os::DWORD mask = 0;
  std::promise<Decoded> done;
};

// The workers of archive entries, whose pictures reach the table through
// promises: these futures are what waits for them (Discard, and the process's
// end, since a worker must not outlive the data it reads).
std::vector<std::future<void>>& EntryWorkers() {
  static std::vector<std::future<void>> workers;
  return workers;
}

Decoded DecodeEntry(const MemoryArchiveEntry& at, os::DWORD mask) {
  Decoded decoded;
  if (ReadMemoryArchiveEntry(at, decoded.bytes, std::numeric_limits<std::size_t>::max())) {
    decoded.picture = Renderer::DecodeImage(decoded.bytes, mask);
  }
  return decoded;
}

std::u16string OriginOf(const os::ResourceName& archive, std::u16string_view entry) {
  // A number and a name of the same spelling are different archives.
  std::u16string origin(1, archive.IsId() ? u'#' : u'$');
  origin.append(archive.IsId() ? os::Utf8ToUtf16(std::to_string(archive.Id())) : archive.String());
  origin.push_back(u'|');
  for (const char16_t c : entry) origin += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  return origin;
}

bool StartWorker(Started started, std::function<Decoded()> work) {
  try {
    started.picture = std::async(std::launch::async, [work = std::move(work)] {
      os::LowerThisThreadPriority();
      return work();
    });
  } catch (const std::system_error&) {
    os::DebugOutput(os::DebugCategory::Skin, "picture ahead: no worker thread; decoded when painted");
    return false;
  }
  Table().push_back(std::move(started));
  return true;
}

// Whether a started picture is the one `bytes` with `mask` would decode to.
// An archive entry's bytes are known once its worker has read them: it is
// waited for only when the entry could be those bytes.
bool Matches(Started& started, std::string_view bytes, os::DWORD mask) {
  if (started.mask != mask) return false;
  if (!started.bytesKnown) {
    if (bytes.size() != started.entry->entrySize) return false;
    started.bytesKnown = true;
    Decoded decoded = started.picture.get();
    started.bytes = std::move(decoded.bytes);
    std::promise<Decoded> done;
    done.set_value(Decoded{{}, std::move(decoded.picture)});
    started.picture = done.get_future();
  }
  return started.bytes == bytes;
}

}  // namespace

void PictureAhead::Start(std::string bytes, os::DWORD mask) {
  auto& table = Table();
  if (bytes.empty() || std::any_of(table.begin(), table.end(), [&](const Started& s) {
        return s.bytesKnown && s.mask == mask && s.bytes == bytes;
      })) {
    return;
  }
  // The worker reads its own copy: entries of the table move.
  StartWorker(Started{bytes, true, mask, std::nullopt, {}, {}},
              [copy = bytes, mask] { return Decoded{{}, Renderer::DecodeImage(copy, mask)}; });
}

bool PictureAhead::StartArchiveEntry(const os::ResourceName& archive, std::u16string_view entry,
                                     os::DWORD mask) {
  return StartArchiveEntries(archive, {ArchivePicture{std::u16string(entry), mask}}) == 1;
}

std::size_t PictureAhead::StartArchiveEntries(const os::ResourceName& archive,
                                              const std::vector<ArchivePicture>& pictures) {
  auto& table = Table();
  std::size_t waiting = 0;
  std::vector<Started> started;
  std::vector<EntryJob> jobs;
  for (const ArchivePicture& wanted : pictures) {
    // Started already and still waiting: the archive is not even looked at.
    std::u16string origin = OriginOf(archive, wanted.entry);
    auto same = [&](const Started& s) { return s.mask == wanted.mask && s.entry && s.origin == origin; };
    if (std::any_of(table.begin(), table.end(), same) || std::any_of(started.begin(), started.end(), same)) {
      ++waiting;
      continue;
    }
    const std::optional<MemoryArchiveEntry> found = FindResourceArchiveEntry(archive, wanted.entry);
    if (!found) continue;
    jobs.push_back(EntryJob{*found, wanted.mask, {}});
    started.push_back(Started{{}, false, wanted.mask, found, std::move(origin), jobs.back().done.get_future()});
  }
  if (jobs.empty()) return waiting;
  // The worker inflates the entries too: the thread that starts it is on its
  // way to the window. One worker for them all, in the order given: the
  // pictures after the first are small, and a thread each would cost the
  // start more than their decoding.
  try {
    EntryWorkers().push_back(std::async(std::launch::async, [jobs = std::move(jobs)]() mutable {
      os::LowerThisThreadPriority();
      for (EntryJob& job : jobs) {
        try {
          job.done.set_value(DecodeEntry(job.at, job.mask));
        } catch (...) {
          job.done.set_exception(std::current_exception());
        }
      }
    }));
  } catch (const std::system_error&) {
    os::DebugOutput(os::DebugCategory::Skin, "picture ahead: no worker thread; decoded when painted");
    return waiting;
  }
  waiting += started.size();
  for (Started& s : started) table.push_back(std::move(s));
  return waiting;
}

bool PictureAhead::Take(std::string_view bytes, os::DWORD mask, std::unique_ptr<ImageInfo>& picture) {
  auto& table = Table();
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (!Matches(*it, bytes, mask)) continue;
    picture = it->picture.get().picture;
    table.erase(it);
    return true;
  }
  return false;
}

bool PictureAhead::TakeArchiveEntry(const MemoryArchiveEntry& entry, os::DWORD mask,
                                    std::unique_ptr<ImageInfo>& picture) {
  auto& table = Table();
  const auto found = std::find_if(table.begin(), table.end(), [&](const Started& s) {
    return s.mask == mask && s.entry && s.entry->SameEntry(entry);
  });
  if (found == table.end()) return false;
  picture = found->picture.get().picture;
  table.erase(found);
  return true;
}

std::size_t PictureAhead::Pending() { return Table().size(); }

void PictureAhead::Discard() {
  Table().clear();
  EntryWorkers().clear();
}

}  // namespace Kesto
