// What every desktop reads the same way: resource names ("#123" and letter
// case as Windows reads them), the directory of an icon group, and which of
// its images best fits a size.
#include <cstdlib>

#include "platform/window/Resource.h"
#include "platform/window/internal/IconFit.h"

namespace os {

ResourceName::ResourceName(const char16_t* name) {
  const auto value = reinterpret_cast<std::uintptr_t>(name);
  if (IS_INTRESOURCE(value)) {
    isId_ = true;
    id_ = static_cast<WORD>(value);
  } else {
    SetString(name);
  }
}

void ResourceName::SetString(std::u16string_view name) {
  if (name.size() > 1 && name[0] == u'#') {
    // "#123" is the number 123, as Windows reads it.
    unsigned value = 0;
    bool digits = true;
    for (char16_t c : name.substr(1)) {
      if (c < u'0' || c > u'9') {
        digits = false;
        break;
      }
      value = value * 10 + (c - u'0');
      if (value > 0xFFFF) {
        digits = false;
        break;
      }
    }
    if (digits) {
      isId_ = true;
      id_ = static_cast<WORD>(value);
      string_.clear();
      return;
    }
  }
  isId_ = false;
  id_ = 0;
  string_.assign(name);
  for (char16_t& c : string_) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  }
}

std::vector<IconImage> LoadIconGroup(HMODULE module, const ResourceName& name) {
  std::vector<IconImage> images;
  const HRSRC group = FindResource(module, name, RT_GROUP_ICON);
  if (group == nullptr) return images;
  const auto* p = static_cast<const unsigned char*>(LockResource(LoadResource(module, group)));
  const std::size_t size = SizeofResource(module, group);
  auto le16 = [](const unsigned char* q) { return static_cast<WORD>(q[0] | (q[1] << 8)); };
  // Directory: reserved 0, type 1 (icon), count; then 14-byte entries.
  if (p == nullptr || size < 6 || le16(p) != 0 || le16(p + 2) != 1) return images;
  const std::size_t count = le16(p + 4);
  if (size < 6 + count * 14) return images;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* entry = p + 6 + i * 14;
    IconImage image;
    image.width = entry[0] == 0 ? 256 : entry[0];
    image.height = entry[1] == 0 ? 256 : entry[1];
    image.bitCount = le16(entry + 6);
    image.id = le16(entry + 12);
    const HRSRC icon = FindResource(module, image.id, RT_ICON);
    if (icon == nullptr) continue;
    image.data = LockResource(LoadResource(module, icon));
    image.size = SizeofResource(module, icon);
    if (image.data != nullptr && image.size != 0) images.push_back(image);
  }
  return images;
}

namespace internal {

// Closest in size first (the sum of both differences); among images of one
// size the deepest colour wins, as the system's own choice does.
const IconImage* BestIconFit(const std::vector<IconImage>& images, int cx, int cy) {
  const IconImage* best = nullptr;
  int bestDistance = 0;
  for (const IconImage& image : images) {
    const int distance = std::abs(image.width - cx) + std::abs(image.height - cy);
    if (best == nullptr || distance < bestDistance ||
        (distance == bestDistance && image.bitCount > best->bitCount)) {
      best = &image;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace internal
}  // namespace os
