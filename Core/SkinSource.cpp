// The process-wide skin-source settings (static members of UIManager) and the
// lookups that read skin files and pictures through them.
#include "Core/SkinSource.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "Core/UIManager.h"
#include "Core/WindowImplBase.h"
#include "Core/ZipReader.h"
#include "platform/base/Unicode.h"
#include "platform/system/Kernel.h"

namespace Kesto {
namespace {

struct SkinSettings {
  os::HINSTANCE processInstance = nullptr;
  os::HINSTANCE resourceModule = nullptr;
  std::u16string skinRoot;
  std::u16string archiveName;
  bool keepOpen = false;
  std::unique_ptr<ZipReader> reader;
  // The archive's bytes when it is held in memory ("membuffer").
  const void* buffer = nullptr;
  std::size_t bufferSize = 0;
};

SkinSettings& Settings() {
  static SkinSettings settings;
  return settings;
}

constexpr char16_t kSeparator = static_cast<char16_t>(std::filesystem::path::preferred_separator);

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::filesystem::path NativePath(std::u16string path) {
  // Skins name their files Windows-style; here the platform's separator wins.
  if constexpr (kSeparator == u'/') {
    for (char16_t& c : path) {
      if (c == u'\\') c = u'/';
    }
  }
  return std::filesystem::path(path);
}

enum class FileRead { Ok, CannotOpen, Empty, TooLarge, Short };

FileRead ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::size_t limit) {
  std::error_code ec;
  // Only existing regular files: a folder of that name is no skin file.
  if (!std::filesystem::is_regular_file(path, ec)) return FileRead::CannotOpen;
  std::ifstream in(path, std::ios::binary);
  if (!in) return FileRead::CannotOpen;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return FileRead::CannotOpen;
  if (size == 0) return FileRead::Empty;
  if (static_cast<std::uint64_t>(size) > limit) return FileRead::TooLarge;
  in.seekg(0);
  bytes.resize(static_cast<std::size_t>(size));
  in.read(bytes.data(), size);
  if (in.gcount() != size) {
    bytes.clear();
    return FileRead::Short;
  }
  return FileRead::Ok;
}

enum class EntryRead { Ok, NoArchive, NotFound, Empty, TooLarge, Failed };

// Reads a whole entry (letter case ignored) of an open archive.
EntryRead ReadEntry(ZipReader& reader, std::u16string_view name, std::string& bytes, std::size_t limit) {
  int index = -1;
  ZipEntryInfo info;
  if (reader.FindEntry(name, true, index, info) != ZipResult::Ok) return EntryRead::NotFound;
  if (info.uncompressedSize == 0) return EntryRead::Empty;
  if (info.uncompressedSize > limit) return EntryRead::TooLarge;
  bytes.resize(info.uncompressedSize);
  std::size_t produced = 0;
  const ZipResult r = reader.ExtractToMemory(index, bytes.data(), bytes.size(), &produced);
  // Finish the entry, so the next read of the same name starts from its
  // beginning instead of continuing this one.
  reader.ExtractToMemory(index, nullptr, 0);
  // Damaged data may stop short of the size the directory promised; such a
  // buffer is never handed out.
  if (!Succeeded(r) || produced != bytes.size()) {
    bytes.clear();
    return EntryRead::Failed;
  }
  return EntryRead::Ok;
}

// Reads a whole archive entry through the kept reader or a reader opened for
// this lookup only.
EntryRead ReadArchiveEntry(std::u16string_view name, std::string& bytes, std::size_t limit) {
  SkinSettings& st = Settings();
  std::unique_ptr<ZipReader> own;
  ZipReader* reader = nullptr;
  if (st.keepOpen) {
    reader = st.reader.get();
  } else {
    own = std::make_unique<ZipReader>();
    if (own->OpenFile(SkinFilePath(st.archiveName)) == ZipResult::Ok) reader = own.get();
  }
  if (reader == nullptr) return EntryRead::NoArchive;
  return ReadEntry(*reader, name, bytes, limit);
}

}  // namespace

// ---------------------------------------------------------------------------
// UIManager's static settings

void UIManager::SetProcessInstance(os::HINSTANCE instance) { Settings().processInstance = instance; }
os::HINSTANCE UIManager::ProcessInstance() { return Settings().processInstance; }

void UIManager::SetResourceModule(os::HINSTANCE module) { Settings().resourceModule = module; }
os::HINSTANCE UIManager::ResourceModule() {
  const SkinSettings& st = Settings();
  return st.resourceModule != nullptr ? st.resourceModule : st.processInstance;
}

std::u16string UIManager::ModuleFolder() {
  const os::HINSTANCE instance = Settings().processInstance;
  if (instance == nullptr) return {};
  std::u16string path = os::GetModuleFileName(instance);
  std::size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  path.resize(cut);
  return path;
}

void UIManager::SetSkinRoot(std::u16string_view path) {
  std::u16string& root = Settings().skinRoot;
  root.assign(path);
  if (!root.empty() && !IsSeparator(root.back())) root.push_back(kSeparator);
}

const std::u16string& UIManager::SkinRoot() { return Settings().skinRoot; }

void UIManager::SetSkinArchive(std::u16string_view name, bool keepOpen) {
  SkinSettings& st = Settings();
  if (name == st.archiveName && keepOpen == st.keepOpen) return;
  st.reader.reset();
  st.buffer = nullptr;
  st.bufferSize = 0;
  st.archiveName.assign(name);
  st.keepOpen = keepOpen;
  if (keepOpen) {
    auto reader = std::make_unique<ZipReader>();
    if (reader->OpenFile(SkinFilePath(st.archiveName)) == ZipResult::Ok) st.reader = std::move(reader);
  }
}

void UIManager::SetSkinArchiveBuffer(const void* data, std::size_t size) {
  SkinSettings& st = Settings();
  st.reader.reset();
  st.archiveName = u"membuffer";
  st.keepOpen = true;
  st.buffer = nullptr;
  st.bufferSize = 0;
  auto reader = std::make_unique<ZipReader>();
  if (reader->OpenMemory(data, size) == ZipResult::Ok) {
    st.reader = std::move(reader);
    st.buffer = data;
    st.bufferSize = size;
  }
}

const std::u16string& UIManager::SkinArchiveName() { return Settings().archiveName; }
bool UIManager::IsSkinArchiveKeptOpen() { return Settings().keepOpen; }
ZipReader* UIManager::OpenArchiveReader() { return Settings().reader.get(); }

// ---------------------------------------------------------------------------
// Lookups

std::u16string SkinFilePath(std::u16string_view name) {
  std::u16string path = Settings().skinRoot;
  path.append(name);
  return NativePath(std::move(path)).u16string();
}

bool ReadSkinFile(std::u16string_view name, std::string& bytes, std::u16string& error) {
  bytes.clear();
  error.clear();
  if (Settings().archiveName.empty()) {
    switch (ReadWholeFile(NativePath(Settings().skinRoot + std::u16string(name)), bytes, kMaxSkinFileBytes)) {
      case FileRead::Ok:
        return true;
      case FileRead::CannotOpen:
        error = u"Error opening file";
        return false;
      case FileRead::Empty:
        error = u"File is empty";
        return false;
      case FileRead::TooLarge:
        error = u"File too large";
        return false;
      case FileRead::Short:
        error = u"Could not read file";
        return false;
    }
  }
  // With an archive set, the name is looked up only there.
  switch (ReadArchiveEntry(name, bytes, kMaxSkinFileBytes)) {
    case EntryRead::Ok:
      return true;
    case EntryRead::NoArchive:
      error = u"Error opening zip file";
      return false;
    case EntryRead::NotFound:
      error = u"Could not find ziped file";
      return false;
    case EntryRead::Empty:
      error = u"File is empty";
      return false;
    case EntryRead::TooLarge:
      error = u"File too large";
      return false;
    case EntryRead::Failed:
      error = u"Could not unzip file";
      return false;
  }
  return false;
}

bool LoadResourceBytes(const os::ResourceName& name, const os::ResourceName& type, std::string& bytes,
                       std::size_t limit) {
  bytes.clear();
  const os::HMODULE module = UIManager::ResourceModule();
  const os::HRSRC found = os::FindResource(module, name, type);
  if (found == nullptr) return false;
  const os::DWORD size = os::SizeofResource(module, found);
  const void* data = os::LockResource(os::LoadResource(module, found));
  if (data == nullptr || size == 0 || size > limit) return false;
  bytes.assign(static_cast<const char*>(data), size);
  return true;
}

bool LoadSkinBytes(std::u16string_view name, std::u16string_view type, std::string& bytes,
                   std::size_t limit) {
  bytes.clear();
  if (name.empty()) return false;
  bool read = false;
  if (!type.empty()) {
    if (name[0] >= u'0' && name[0] <= u'9') {
      // Leading decimal digits make the identifier, as the runtime reads them.
      unsigned long id = 0;
      for (std::size_t i = 0; i < name.size() && name[i] >= u'0' && name[i] <= u'9' && id <= 0xFFFF; ++i) {
        id = id * 10 + (name[i] - u'0');
      }
      if (id <= 0xFFFF) read = LoadResourceBytes(static_cast<int>(id), type, bytes, limit);
    } else {
      read = LoadResourceBytes(name, type, bytes, limit);
    }
  } else if (Settings().archiveName.empty()) {
    read =
        ReadWholeFile(NativePath(Settings().skinRoot + std::u16string(name)), bytes, limit) == FileRead::Ok;
  } else {
    read = ReadArchiveEntry(name, bytes, limit) == EntryRead::Ok;
  }
  if (!read) read = ReadWholeFile(NativePath(std::u16string(name)), bytes, limit) == FileRead::Ok;
  if (!read) bytes.clear();
  return read;
}

bool ReadResourceArchiveEntry(const os::ResourceName& archive, std::u16string_view entry, std::string& bytes,
                              std::size_t limit) {
  bytes.clear();
  const std::optional<MemoryArchiveEntry> found = FindResourceArchiveEntry(archive, entry);
  return found && ReadMemoryArchiveEntry(*found, bytes, limit);
}

namespace {

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower;
}

// The entry's size when the archive has it.
std::optional<std::uint64_t> EntrySize(ZipReader& reader, std::u16string_view entry) {
  int index = -1;
  ZipEntryInfo info;
  if (reader.FindEntry(entry, true, index, info) != ZipResult::Ok) return std::nullopt;
  return info.uncompressedSize;
}

}  // namespace

std::optional<MemoryArchiveEntry> FindResourceArchiveEntry(const os::ResourceName& archive,
                                                           std::u16string_view entry) {
  const os::HMODULE module = UIManager::ResourceModule();
  const os::HRSRC found = os::FindResource(module, archive, os::ResourceName(kZipResourceType));
  if (found == nullptr) return std::nullopt;
  const os::DWORD size = os::SizeofResource(module, found);
  const void* data = os::LockResource(os::LoadResource(module, found));
  if (data == nullptr || size == 0) return std::nullopt;
  ZipReader reader;
  if (reader.OpenMemory(data, size) != ZipResult::Ok) return std::nullopt;
  const std::optional<std::uint64_t> entrySize = EntrySize(reader, entry);
  if (!entrySize) return std::nullopt;
  return MemoryArchiveEntry{data, size, LowerAscii(entry), *entrySize};
}

std::optional<MemoryArchiveEntry> SkinArchiveEntryOf(std::u16string_view name, std::u16string_view type) {
  SkinSettings& st = Settings();
  // The branch of LoadSkinBytes that reads the kept archive in memory.
  if (name.empty() || !type.empty() || st.archiveName.empty() || !st.keepOpen || st.reader == nullptr ||
      st.buffer == nullptr) {
    return std::nullopt;
  }
  const std::optional<std::uint64_t> entrySize = EntrySize(*st.reader, name);
  if (!entrySize) return std::nullopt;
  return MemoryArchiveEntry{st.buffer, st.bufferSize, LowerAscii(name), *entrySize};
}

bool ReadMemoryArchiveEntry(const MemoryArchiveEntry& entry, std::string& bytes, std::size_t limit) {
  bytes.clear();
  ZipReader reader;
  return entry.data != nullptr && reader.OpenMemory(entry.data, entry.size) == ZipResult::Ok &&
         ReadEntry(reader, entry.entry, bytes, limit) == EntryRead::Ok;
}

}  // namespace Kesto
