// Reading skin files and the pictures they name from the process-wide skin
// sources that UIManager's static settings describe: a folder, a zip archive
// in that folder or in memory, and the resources of the resource module.
#pragma once

#include <cstddef>
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

// The skin root and a name joined and turned into a path of this platform
// (skin files may be written with backslashes).
std::u16string SkinFilePath(std::u16string_view name);

}  // namespace Kesto
