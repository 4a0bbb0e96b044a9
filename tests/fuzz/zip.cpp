// The zip reader on any bytes, once from memory and once from a file holding
// the same bytes: both sources must give the same directory, find the same
// entries and unpack the same bytes. Entry names are taken from the central
// directory records found in the input; every entry is unpacked in pieces
// whose sizes come from the input, and never yields more than it announces.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Core/ZipReader.h"
#include "FuzzSupport.h"
#include "platform/base/Unicode.h"

namespace {

using Kesto::ZipEntryInfo;
using Kesto::ZipReader;
using Kesto::ZipResult;

// Unpacked bytes an entry may give before the target stops reading it.
constexpr std::size_t kMaxUnpacked = 16u << 20;
constexpr std::size_t kMaxNames = 32;

// Names in the central directory records of the bytes (signature PK 1 2).
std::vector<std::u16string> DirectoryNames(std::string_view bytes) {
  std::vector<std::u16string> names;
  for (std::size_t at = bytes.find("PK\x01\x02"); at != std::string_view::npos && names.size() < kMaxNames;
       at = bytes.find("PK\x01\x02", at + 1)) {
    if (at + 46 > bytes.size()) break;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const std::size_t length = byte(28) | (byte(29) << 8);
    names.push_back(os::Utf8ToUtf16(bytes.substr(at + 46, length)));
  }
  return names;
}

struct Unpacked {
  ZipResult result = ZipResult::Ok;
  std::string bytes;
};

Unpacked Unpack(ZipReader& zip, int index, const ZipEntryInfo& info, std::string_view pieces) {
  Unpacked out;
  std::size_t piece = 0;
  while (out.bytes.size() <= kMaxUnpacked) {
    const std::size_t capacity =
        pieces.empty() ? 4096 : 1 + static_cast<unsigned char>(pieces[piece++ % pieces.size()]) * 64;
    std::string buffer(capacity, '\0');
    std::size_t produced = 0;
    out.result = zip.ExtractToMemory(index, buffer.data(), capacity, &produced);
    FUZZ_CHECK(produced <= capacity);
    if (!Kesto::Succeeded(out.result)) break;
    out.bytes.append(buffer, 0, produced);
    FUZZ_CHECK(out.bytes.size() <= info.uncompressedSize);
    if (out.result == ZipResult::Ok) break;
    FUZZ_CHECK(produced > 0);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  static const std::filesystem::path file = fuzz::Scratch() / "archive.zip";
  fuzz::WriteFile(file, bytes);

  ZipReader memory;
  ZipReader disk;
  const ZipResult openedMemory = memory.OpenMemory(data, size);
  FUZZ_CHECK(disk.OpenFile(file.u16string()) == openedMemory);
  if (openedMemory != ZipResult::Ok) return 0;
  FUZZ_CHECK(memory.EntryCount() == disk.EntryCount());
  FUZZ_CHECK(memory.BytesBeforeArchive() == disk.BytesBeforeArchive());
  FUZZ_CHECK(memory.BytesBeforeArchive() <= size);

  // The last bytes decide the sizes of the pieces unpacked at a time.
  const std::string_view pieces = bytes.substr(bytes.size() - std::min<std::size_t>(bytes.size(), 4));
  for (const std::u16string& name : DirectoryNames(bytes)) {
    for (const bool ignoreCase : {false, true}) {
      int index = 0, diskIndex = 0;
      ZipEntryInfo info, diskInfo;
      const ZipResult found = memory.FindEntry(name, ignoreCase, index, info);
      FUZZ_CHECK(disk.FindEntry(name, ignoreCase, diskIndex, diskInfo) == found);
      if (found != ZipResult::Ok) {
        FUZZ_CHECK(index == -1);
        continue;
      }
      FUZZ_CHECK(index >= 0 && index < memory.EntryCount() && index == diskIndex);
      FUZZ_CHECK(info.name == diskInfo.name && info.uncompressedSize == diskInfo.uncompressedSize);
      FUZZ_CHECK(info.name.size() <= 259);
      const Unpacked fromMemory = Unpack(memory, index, info, pieces);
      const Unpacked fromDisk = Unpack(disk, index, diskInfo, pieces);
      FUZZ_CHECK(fromMemory.result == fromDisk.result);
      FUZZ_CHECK(fromMemory.bytes == fromDisk.bytes);
    }
  }
  return 0;
}
