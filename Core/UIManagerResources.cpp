// The manager's shared tables: fonts, images, default attribute lists and the
// colour adjustment.
#include <utility>

#include "Core/UIManager.h"
#include "controls/Render.h"

namespace Kesto {
namespace {

// The system's default GUI font on the Chinese systems the skins were drawn
// for: SimSun at 12 pixels, regular.
constexpr std::u16string_view kDefaultFace = u"宋体";
constexpr int kDefaultSize = 12;
// A face name keeps at most 31 characters: a font description's name field
// holds 32 with its terminator.
constexpr std::size_t kMaxFaceChars = 31;

std::unique_ptr<FontInfo> MakeFont(std::u16string_view face, int size, bool bold, bool underline,
                                   bool italic) {
  os::FontRequest request = UIManager::FontEntryRequest(face, size, bold, underline, italic);
  auto record = std::make_unique<FontInfo>();
  record->faceName = std::move(request.face);
  record->size = size;
  record->bold = bold;
  record->underline = underline;
  record->italic = italic;
  record->font = std::make_unique<os::Font>(record->faceName, size, bold, underline, italic);
  // A font the system could not make would draw nothing.
  if (!record->font->Usable()) return nullptr;
  return record;
}

}  // namespace

const FontMetrics& FontInfo::Metrics() const {
  if (!metrics_) metrics_ = font ? font->Metrics() : FontMetrics{};
  return *metrics_;
}

std::unique_ptr<FontInfo> MakeDefaultFont() {
  return MakeFont(kDefaultFace, kDefaultSize, false, false, false);
}

os::FontRequest UIManager::FontEntryRequest(std::u16string_view faceName, int size, bool bold, bool underline,
                                            bool italic) {
  return os::FontRequest{std::u16string(faceName.substr(0, kMaxFaceChars)), size, bold, underline, italic};
}

os::FontRequest UIManager::DefaultFontRequest() {
  return FontEntryRequest(kDefaultFace, kDefaultSize, false, false, false);
}

// ---------------------------------------------------------------------------
// Fonts

const FontInfo* UIManager::AddFontEntry(std::u16string_view faceName, int size, bool bold, bool underline,
                                        bool italic) {
  auto record = MakeFont(faceName, size, bold, underline, italic);
  if (!record) return nullptr;
  // Measured when first asked for, not here: a font measures the same
  // whenever it is asked, and a skin declares fonts its first frame never
  // draws, each a millisecond of the window's start.
  fonts_.push_back(std::move(record));
  return fonts_.back().get();
}

const FontInfo* UIManager::SetDefaultFontEntry(std::u16string_view faceName, int size, bool bold,
                                               bool underline, bool italic) {
  auto record = MakeFont(faceName, size, bold, underline, italic);
  if (!record) return nullptr;
  defaultFont_ = std::move(record);
  return defaultFont_.get();
}

const FontInfo* UIManager::FontAt(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= fonts_.size()) return defaultFont_.get();
  return fonts_[static_cast<std::size_t>(index)].get();
}

int UIManager::FontIndex(const os::Font* handle) const {
  if (handle == nullptr) return -1;
  for (std::size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i]->Handle() == handle) return static_cast<int>(i);
  }
  return -1;
}

const FontInfo* UIManager::FindFont(const os::Font* handle) const {
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    if (handle != nullptr && m->defaultFont_ && m->defaultFont_->Handle() == handle)
      return m->defaultFont_.get();
    const int index = m->FontIndex(handle);
    if (index >= 0) return m->fonts_[static_cast<std::size_t>(index)].get();
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

const FontInfo* UIManager::FontOrAdd(std::u16string_view faceName, int size, bool bold, bool underline,
                                     bool italic) {
  if (const FontInfo* found = FindFont(faceName.substr(0, kMaxFaceChars), size, bold, underline, italic))
    return found;
  return AddFontEntry(faceName, size, bold, underline, italic);
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

const ImageInfo* UIManager::AddImageEntry(std::u16string_view name, std::u16string_view type,
                                          os::DWORD mask) {
  if (name.empty()) return nullptr;
  // A typed image is a resource and is named by its decimal identifier.
  if (!type.empty() && !(name[0] >= u'0' && name[0] <= u'9')) return nullptr;
  std::unique_ptr<ImageInfo> image = Renderer::LoadImage(name, type, mask);
  if (!image) return nullptr;
  image->resType.assign(type);
  image->mask = mask;
  auto slot = std::make_unique<ImageSlot>();
  slot->entry.image = image.get();
  slot->entry.type.assign(type);
  slot->entry.mask = mask;
  slot->image = std::move(image);
  const ImageInfo* loaded = slot->entry.image;
  // A name already taken keeps its image; the new one is dropped.
  if (!images_.Insert(name, std::move(slot))) return nullptr;
  return loaded;
}

const ImageEntry* UIManager::FindImageEntry(std::u16string_view name) const {
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    if (const auto* slot = m->images_.Find(name)) return &(*slot)->entry;
  }
  return nullptr;
}

const ImageInfo* UIManager::FindImage(std::u16string_view name) const {
  const ImageEntry* entry = FindImageEntry(name);
  return entry != nullptr ? entry->image : nullptr;
}

const ImageInfo* UIManager::ImageOrLoad(std::u16string_view name, std::u16string_view type, os::DWORD mask) {
  if (const ImageInfo* found = FindImage(name)) return found;
  return AddImageEntry(name, type, mask);
}

bool UIManager::RemoveImage(std::u16string_view name) { return images_.Remove(name); }

void UIManager::RemoveAllImages() { images_.Clear(); }

// ---------------------------------------------------------------------------
// Default attribute lists and colours

bool UIManager::AddDefaultAttributes(std::u16string_view tag, std::u16string_view list) {
  return defaultAttributes_.Insert(tag, std::u16string(list));
}

const std::u16string* UIManager::DefaultAttributesFor(std::u16string_view tag) const {
  for (const UIManager* m = this; m != nullptr; m = m->parentResources_) {
    if (const std::u16string* list = m->defaultAttributes_.Find(tag)) return list;
  }
  return nullptr;
}

void UIManager::SetHSL(int hue, int saturation, int lightness) {
  hue_ = hue < 0 ? 0 : (hue > 360 ? 360 : hue);
  saturation_ = saturation < 0 ? 0 : (saturation > 200 ? 200 : saturation);
  lightness_ = lightness < 0 ? 0 : (lightness > 200 ? 200 : lightness);
}

}  // namespace Kesto
