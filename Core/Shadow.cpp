#include "Core/Shadow.h"

namespace Kesto {

bool CShadowUI::SetSize(int size) {
  if (size < -20 || size > 20) return false;
  size_ = size;
  return true;
}

bool CShadowUI::SetSharpness(unsigned sharpness) {
  if (sharpness > 20) return false;
  sharpness_ = sharpness;
  return true;
}

bool CShadowUI::SetDarkness(unsigned darkness) {
  if (darkness > 255) return false;
  darkness_ = darkness;
  return true;
}

bool CShadowUI::SetPosition(int x, int y) {
  if (x < -20 || x > 20 || y < -20 || y > 20) return false;
  position_ = os::POINT{x, y};
  return true;
}

bool CShadowUI::SetShadowCorner(const os::RECT& corner) {
  if (corner.left < 0 || corner.top < 0 || corner.right < 0 || corner.bottom < 0) return false;
  corner_ = corner;
  return true;
}

void CShadowUI::SetImage(std::u16string_view image) {
  image_.assign(image);
  imageMode_ = true;
}

}  // namespace Kesto
