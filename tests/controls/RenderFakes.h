// Shared by the renderer tests: pictures encoded in memory and a resource
// provider holding fonts and images without a window.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/Render.h"
#include "testsupport/PngPictures.h"

namespace rendertest {

// Straight RGBA pixels, row by row.
struct Rgba {
  std::uint8_t r, g, b, a;
};

inline std::string EncodePng(int width, int height, const std::vector<Rgba>& pixels) {
  static_assert(sizeof(Rgba) == 4, "pixels are packed bytes");
  return testsupport::EncodePng(width, height, reinterpret_cast<const std::uint8_t*>(pixels.data()));
}

// An image whose pixel at (x, y) is colour(x, y), decoded as the renderer
// decodes files.
template <typename F>
std::unique_ptr<Kesto::ImageInfo> MakeImage(int width, int height, F colour, os::DWORD mask = 0) {
  std::vector<Rgba> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(colour(x, y));
  }
  return Kesto::Renderer::LoadImageFromBytes(EncodePng(width, height, pixels), mask);
}

inline Rgba Solid(std::uint32_t rgb) {
  return Rgba{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
              static_cast<std::uint8_t>(rgb), 255};
}

class FakeResources : public Kesto::RenderResources {
 public:
  FakeResources() : default_(std::make_unique<os::Font>(u"Tahoma", 14)) {}

  const os::Font* FontAt(int index) override {
    if (index < 0 || index >= static_cast<int>(table_.size())) return default_.get();
    return table_[index].get();
  }
  const os::Font* DefaultFont() override { return default_.get(); }
  const os::Font* FindFont(std::u16string_view face, int size, bool bold, bool underline,
                           bool italic) override {
    for (const auto& f : created_) {
      if (f->FaceName() == face && f->Size() == size && f->Bold() == bold && f->Underline() == underline &&
          f->Italic() == italic) {
        return f.get();
      }
    }
    created_.push_back(std::make_unique<os::Font>(face, size, bold, underline, italic));
    return created_.back().get();
  }
  const Kesto::ImageInfo* Image(std::u16string_view name, std::u16string_view type, os::DWORD mask) override {
    lookups.push_back(std::u16string(name) + u"|" + std::u16string(type));
    auto it = images.find(std::u16string(name));
    if (it == images.end()) return nullptr;
    lastMask = mask;
    return it->second.get();
  }
  bool TransparentBackground() override { return transparent; }
  bool TypographicText() override { return typographic; }
  os::DWORD LinkColor() override { return 0xFF0000FF; }
  os::DWORD LinkHoverColor() override { return 0xFFD3215F; }
  os::DWORD SelectedColor() override { return 0xFFBAE4FF; }
  os::POINT MousePoint() override { return mouse; }

  void AddFont(std::u16string face, int size, bool bold = false) {
    table_.push_back(std::make_unique<os::Font>(face, size, bold));
  }

  std::map<std::u16string, std::unique_ptr<Kesto::ImageInfo>> images;
  std::vector<std::u16string> lookups;
  os::DWORD lastMask = 0;
  bool transparent = false;
  bool typographic = false;
  os::POINT mouse{-1, -1};

 private:
  std::unique_ptr<os::Font> default_;
  std::vector<std::unique_ptr<os::Font>> table_;
  std::vector<std::unique_ptr<os::Font>> created_;
};

}  // namespace rendertest
