// Loading into the manager's image table. Decoding is the renderer's; this is
// the only file of the manager that calls it, so the manager's other parts
// link without the renderer.
#include "Core/UIManager.h"

namespace Kesto {

// The renderer's decoder and its release (controls/Render.cpp). The bytes come
// from LoadSkinBytes (Core/SkinSource.h).
ImageInfo* LoadImage(std::u16string_view name, std::u16string_view type, os::DWORD mask);
void FreeImage(ImageInfo* image);

const ImageInfo* UIManager::AddImageEntry(std::u16string_view name, std::u16string_view type,
                                          os::DWORD mask) {
  if (name.empty()) return nullptr;
  // A typed image is a resource and is named by its decimal identifier.
  if (!type.empty() && !(name[0] >= u'0' && name[0] <= u'9')) return nullptr;
  ImageInfo* image = LoadImage(name, type, mask);
  if (image == nullptr) return nullptr;
  auto slot = std::make_unique<ImageSlot>();
  slot->entry.image = image;
  slot->entry.type.assign(type);
  slot->entry.mask = mask;
  slot->free = &FreeImage;
  const auto [it, inserted] = images_.emplace(std::u16string(name), std::move(slot));
  // A name already taken keeps its image; the new one is freed with its slot.
  return inserted ? image : nullptr;
}

const ImageInfo* UIManager::ImageOrLoad(std::u16string_view name, std::u16string_view type, os::DWORD mask) {
  if (const ImageInfo* found = FindImage(name)) return found;
  return AddImageEntry(name, type, mask);
}

}  // namespace Kesto
