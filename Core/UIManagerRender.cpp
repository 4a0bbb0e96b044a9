// Where the renderer meets the framework core: pictures are read from the
// skin sources, and the drawing operations that take a window's manager wrap
// it as the renderer's resource provider.
#include <string>

#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "controls/Render.h"

namespace Kesto {
namespace {

class ManagerResources final : public RenderResources {
 public:
  explicit ManagerResources(UIManager& manager) : manager_(manager) {}

  const os::Font* FontAt(int index) override {
    const FontInfo* record = manager_.FontAt(index);
    return record != nullptr ? record->Handle() : nullptr;
  }
  const os::Font* DefaultFont() override {
    const FontInfo* record = manager_.DefaultFont();
    return record != nullptr ? record->Handle() : nullptr;
  }
  const os::Font* FindFont(std::u16string_view face, int size, bool bold, bool underline,
                           bool italic) override {
    const FontInfo* record = manager_.FontOrAdd(face, size, bold, underline, italic);
    return record != nullptr ? record->Handle() : DefaultFont();
  }
  const ImageInfo* Image(std::u16string_view name, std::u16string_view resType, DWORD mask) override {
    return manager_.ImageOrLoad(name, resType, mask);
  }
  bool TransparentBackground() override { return manager_.IsLayeredBackground(); }
  bool TypographicText() override { return manager_.IsGdiplusText(); }
  DWORD LinkColor() override { return manager_.DefaultLinkFontColor(); }
  DWORD LinkHoverColor() override { return manager_.DefaultLinkHoverFontColor(); }
  DWORD SelectedColor() override { return manager_.DefaultSelectedBkColor(); }
  POINT MousePoint() override { return manager_.MousePoint(); }

 private:
  UIManager& manager_;
};

}  // namespace

std::unique_ptr<ImageInfo> Renderer::LoadImage(std::u16string_view name, std::u16string_view resType,
                                               DWORD mask) {
  std::string bytes;
  if (!LoadSkinBytes(name, resType, bytes)) return nullptr;
  std::unique_ptr<ImageInfo> image = LoadImageFromBytes(bytes, mask);
  if (image) {
    image->resType.assign(resType);
    image->mask = mask;
  }
  return image;
}

bool Renderer::DrawImageString(os::Canvas* dc, UIManager* manager, const RECT& item, const RECT& paint,
                               std::u16string_view drawString, std::u16string_view modify) {
  if (manager == nullptr) return false;
  ManagerResources resources(*manager);
  return DrawImageString(dc, &resources, item, paint, drawString, modify);
}

void Renderer::DrawText(os::Canvas* dc, UIManager* manager, RECT& rc, std::u16string_view text, DWORD color,
                        int font, UINT style) {
  if (manager == nullptr) return;
  ManagerResources resources(*manager);
  DrawText(dc, &resources, rc, text, color, font, style);
}

void Renderer::DrawHtmlText(os::Canvas* dc, UIManager* manager, RECT& rc, std::u16string_view text,
                            DWORD color, std::vector<HtmlLink>* links, std::size_t linkCapacity, UINT style) {
  if (manager == nullptr) return;
  ManagerResources resources(*manager);
  DrawHtmlText(dc, &resources, rc, text, color, links, linkCapacity, style);
}

}  // namespace Kesto
