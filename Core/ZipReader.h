// Reader of the zip archives that hold skins: stored and deflated entries,
// found by name and unpacked into the caller's memory. The archive is read in
// place, from a file or from a memory block such as a module resource, and may
// be preceded by other data. Sizes and offsets inside the archive are checked
// against its source, so a damaged or hostile archive fails instead of reading
// or writing outside its buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Kesto {

enum class ZipResult : std::uint32_t {
  Ok = 0,
  NoFile = 0x200,    // the archive could not be opened or has no valid directory
  NotFound = 0x500,  // no entry of that name
  More = 0x600,      // bytes were delivered and the entry is still open; a success
  Corrupt = 0x700,   // the local header is corrupt or disagrees with the directory
  Read = 0x800,      // the entry's headers could not be read
  BadArgument = 0x10000,
  Inflate = 0x5000000,  // the compressed data could not be read or decompressed
};

// Either of the two successes of ExtractToMemory.
constexpr bool Succeeded(ZipResult r) { return r == ZipResult::Ok || r == ZipResult::More; }

struct ZipEntryInfo {
  int index = -1;
  std::u16string name;  // at most 259 characters
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  // As stored in the central directory; nothing here interprets them.
  std::uint32_t externalAttributes = 0;
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
};

class ZipReader {
 public:
  ZipReader();
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens a file read-only and reads its directory.
  ZipResult OpenFile(std::u16string_view path);
  // Reads the directory of an archive held in memory. The memory is not copied
  // and must outlive the reader.
  ZipResult OpenMemory(const void* data, std::size_t size);
  void Close();

  bool IsOpen() const;
  int EntryCount() const;
  // Bytes of other data in front of the archive within its source.
  std::uint64_t BytesBeforeArchive() const;

  // Finds an entry by name (backslashes match slashes; with ignoreCase the
  // ASCII letters match in either case). On success `index` and `info`
  // describe it; otherwise index is -1 and info is empty.
  ZipResult FindEntry(std::u16string_view name, bool ignoreCase, int& index, ZipEntryInfo& info);

  // Unpacks entry `index` into buffer, at most `capacity` bytes and never more
  // than the entry still holds. Returns More when bytes were delivered (the
  // entry stays open, and a later call with the same index continues it) and
  // Ok when nothing was left. `produced` receives the number of bytes written.
  ZipResult ExtractToMemory(int index, void* buffer, std::size_t capacity, std::size_t* produced = nullptr);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace Kesto
