// Test helper for the tests of the UI library: a temporary folder that is
// the process-wide skin root for the helper's lifetime (skin archives off),
// the previous root restored afterwards. Header only: it needs the UI
// library, which the platform's tests do not link.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "Core/UIManager.h"
#include "testsupport/PngPictures.h"
#include "testsupport/TempDir.h"

namespace testsupport {

class SkinFolder {
 public:
  SkinFolder() : saved_(Kesto::UIManager::SkinRoot()) {
    Kesto::UIManager::SetSkinArchive(u"", false);
    Kesto::UIManager::SetSkinRoot(dir_.path().u16string());
  }
  ~SkinFolder() { Kesto::UIManager::SetSkinRoot(saved_); }
  SkinFolder(const SkinFolder&) = delete;
  SkinFolder& operator=(const SkinFolder&) = delete;

  void Write(const std::string& name, const std::string& bytes) { WriteFileBytes(dir_ / name, bytes); }
  // A 4×4 picture of one opaque colour (0xRRGGBB).
  void Solid(const std::string& name, std::uint32_t rgb) { Write(name, SolidPng(4, 4, rgb)); }
  const std::filesystem::path& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::u16string saved_;
};

}  // namespace testsupport
