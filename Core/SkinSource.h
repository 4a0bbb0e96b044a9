// Reading skin files and the pictures they name from the process-wide skin
// sources that UIManager's static settings describe: a folder, a zip archive
// in that folder or in memory, and the resources of the resource module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/window/Resource.h"

namespace Kesto {

// The largest skin file read: 4 MiB, from a folder or from an archive.
inline constexpr std::size_t kMaxSkinFileBytes = 4 * 1024 * 1024;

// Reads a skin file by name, as MarkupDoc::LoadFromFile does: from the skin
// root folder when no archive is set, otherwise only from the archive. On
// failure `error` holds the loader's message ("Error opening file", "File is
// empty", "File too large", "Could not read file", "Error opening zip file",
// "Could not find ziped file" or "Could not unzip file").
bool ReadSkinFile(std::u16string_view name, std::string& bytes, std::u16string& error);

// Reads the bytes of a picture (or any other skin-side file) in the order the
// images are looked up:
//   - with a resource type, the resource of that type in the resource module;
//     a name beginning with a digit is read as a decimal identifier;
//   - otherwise skin root + name as a file when no archive is set, or the
//     archive entry (letter case ignored) when one is;
//   - when that gave nothing, the name itself as a file path.
// Nothing larger than `limit` bytes is read. False when every step failed.
bool LoadSkinBytes(std::u16string_view name, std::u16string_view type, std::string& bytes,
                   std::size_t limit = kMaxSkinFileBytes);

// Copies a resource of the resource module; false when it is missing, empty
// or larger than `limit`.
bool LoadResourceBytes(const os::ResourceName& name, const os::ResourceName& type, std::string& bytes,
                       std::size_t limit = kMaxSkinFileBytes);

// Reads the entry (letter case ignored) of the zip archive that the
// "ZIPRES" resource `archive` of the resource module holds, as a window of
// that archive would read it once its skin is set; false when the archive or
// the entry is missing or damaged, or the entry is larger than `limit`.
bool ReadResourceArchiveEntry(const os::ResourceName& archive, std::u16string_view entry, std::string& bytes,
                              std::size_t limit = kMaxSkinFileBytes);

// An entry of a zip archive held in memory: the archive by where its bytes
// are (a resource's bytes stay put for the process), the entry's name in
// lower case (entries are found whatever their letter case).
struct MemoryArchiveEntry {
  const void* data = nullptr;
  std::size_t size = 0;
  std::u16string entry;
  std::uint64_t entrySize = 0;  // the entry's bytes, as the archive's directory gives them
  bool SameEntry(const MemoryArchiveEntry& other) const { return data == other.data && entry == other.entry; }
};

// The entry `entry` of the "ZIPRES" resource `archive`, without reading it;
// nothing when the archive or the entry is missing.
std::optional<MemoryArchiveEntry> FindResourceArchiveEntry(const os::ResourceName& archive,
                                                           std::u16string_view entry);

// The archive entry LoadSkinBytes(name, type) reads first, when that is an
// entry of an archive in memory (UIManager::SetSkinArchiveBuffer) that has
// it; nothing otherwise. Lets a picture read ahead from the same entry be
// found without reading the entry again.
std::optional<MemoryArchiveEntry> SkinArchiveEntryOf(std::u16string_view name, std::u16string_view type);

// Reads a whole entry of an archive in memory; false when it is missing,
// damaged, empty or larger than `limit`. Any thread.
bool ReadMemoryArchiveEntry(const MemoryArchiveEntry& entry, std::string& bytes,
                            std::size_t limit = kMaxSkinFileBytes);

// The skin root and a name joined and turned into a path of this platform
// (skin files may be written with backslashes).
std::u16string SkinFilePath(std::u16string_view name);

}  // namespace Kesto
