#include "Core/UIManager.h"

#include <algorithm>

namespace Kesto {
namespace {

// The system's default GUI font on the Chinese systems the skins were drawn
// for: SimSun at 12 pixels, regular.
constexpr std::u16string_view kDefaultFace = u"宋体";
constexpr int kDefaultSize = 12;
// A face name keeps at most 31 characters, as in a font description's name
// field of 32 with its terminator.
constexpr std::size_t kMaxFaceChars = 31;

std::unique_ptr<FontInfo> MakeFont(std::u16string_view face, int size, bool bold, bool underline,
                                   bool italic) {
  auto font = std::make_unique<FontInfo>();
  font->faceName.assign(face.substr(0, kMaxFaceChars));
  font->size = size;
  font->bold = bold;
  font->underline = underline;
  font->italic = italic;
  return font;
}

}  // namespace

UIManager::UIManager() : defaultFont_(MakeFont(kDefaultFace, kDefaultSize, false, false, false)) {}

UIManager::~UIManager() {
  RemoveAllImages();
  RemoveAllFonts();
}

// ---------------------------------------------------------------------------
// Fonts

const FontInfo* UIManager::AddFontEntry(std::u16string_view faceName, int size, bool bold, bool underline,
                                        bool italic) {
  fonts_.push_back(MakeFont(faceName, size, bold, underline, italic));
  return fonts_.back().get();
}

const FontInfo* UIManager::SetDefaultFontEntry(std::u16string_view faceName, int size, bool bold,
                                               bool underline, bool italic) {
  defaultFont_ = MakeFont(faceName, size, bold, underline, italic);
  return defaultFont_.get();
}

const FontInfo* UIManager::FontAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= fonts_.size()) return defaultFont_.get();
  return fonts_[static_cast<std::size_t>(index)].get();
}

int UIManager::FontIndex(const FontInfo* handle) const {
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i].get() == handle) return static_cast<int>(i);
  }
  return -1;
}

const FontInfo* UIManager::FindFont(const FontInfo* handle) const {
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    if (handle == m->defaultFont_.get() || m->FontIndex(handle) >= 0) return handle;
  }
  return defaultFont_.get();
}

const FontInfo* UIManager::FindFont(std::u16string_view faceName, int size, bool bold, bool underline,
                                    bool italic) const {
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    for (const auto& f : m->fonts_) {
      if (f->faceName == faceName && f->size == size && f->bold == bold && f->underline == underline &&
          f->italic == italic) {
        return f.get();
      }
    }
  }
  return nullptr;
}

void UIManager::RemoveAllFonts() { fonts_.clear(); }

bool UIManager::SetParentResourceManager(UIManager* parent) {
  // A chain that led back here would make every failed lookup run forever.
  for (const UIManager* m = parent; m != nullptr; m = m->parentResources_) {
    if (m == this) return false;
  }
  parentResources_ = parent;
  return true;
}

// ---------------------------------------------------------------------------
// Images

const ImageEntry* UIManager::FindImageEntry(std::u16string_view name) const {
  const std::u16string key(name);
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    const auto it = m->images_.find(key);
    if (it != m->images_.end()) return &it->second->entry;
  }
  return nullptr;
}

const ImageInfo* UIManager::FindImage(std::u16string_view name) const {
  const ImageEntry* entry = FindImageEntry(name);
  return entry != nullptr ? entry->image : nullptr;
}

bool UIManager::RemoveImage(std::u16string_view name) { return images_.erase(std::u16string(name)) > 0; }

void UIManager::RemoveAllImages() { images_.clear(); }

// ---------------------------------------------------------------------------
// Default attribute lists

bool UIManager::AddDefaultAttributes(std::u16string_view tag, std::u16string_view list) {
  return defaultAttributes_.emplace(std::u16string(tag), std::u16string(list)).second;
}

const std::u16string* UIManager::DefaultAttributesFor(std::u16string_view tag) const {
  const std::u16string key(tag);
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    const auto it = m->defaultAttributes_.find(key);
    if (it != m->defaultAttributes_.end()) return &it->second;
  }
  return nullptr;
}

}  // namespace Kesto
