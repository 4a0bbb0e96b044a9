// Where the renderer meets the window's manager: pictures read through the
// skin sources, the manager's fonts, and the manager-taking drawing
// operations.
#include <limits>
#include <memory>
#include <optional>

#include "Core/SkinSource.h"
#include "Core/UIManager.h"
#include "controls/PictureAhead.h"
#include "controls/Render.h"

namespace Kesto {

namespace {

// A manager seen through what the drawing operations need.
class ManagerResources : public RenderResources {
 public:
  explicit ManagerResources(UIManager& manager) : manager_(manager) {}

  const os::Font* FontAt(int index) override { return Realize(manager_.FontAt(index)); }
  const os::Font* DefaultFont() override { return Realize(manager_.DefaultFont()); }
  const os::Font* FindFont(std::u16string_view face, int size, bool bold, bool underline,
                           bool italic) override {
    const FontInfo* record = manager_.FontOrAdd(face, size, bold, underline, italic);
    return record ? Realize(record) : DefaultFont();
  }
  const ImageInfo* Image(std::u16string_view name, std::u16string_view type, DWORD mask) override {
    return manager_.ImageOrLoad(name, type, mask);
  }
  bool TransparentBackground() override { return manager_.IsLayeredBackground(); }
  bool TypographicText() override { return manager_.IsGdiplusText(); }
  DWORD LinkColor() override { return manager_.DefaultLinkFontColor(); }
  DWORD LinkHoverColor() override { return manager_.DefaultLinkHoverFontColor(); }
  DWORD SelectedColor() override { return manager_.DefaultSelectedBkColor(); }
  POINT MousePoint() override { return manager_.LastMousePoint(); }

 private:
  static const os::Font* Realize(const FontInfo* record) { return record ? record->Handle() : nullptr; }

  UIManager& manager_;
};

}  // namespace

std::unique_ptr<ImageInfo> Renderer::LoadImage(std::u16string_view name, std::u16string_view resType,
                                               DWORD mask) {
  // A picture started ahead from the entry this would read.
  if (const std::optional<MemoryArchiveEntry> entry = SkinArchiveEntryOf(name, resType)) {
    std::unique_ptr<ImageInfo> ahead;
    if (PictureAhead::TakeArchiveEntry(*entry, mask, ahead) && ahead) {
      ahead->resType = resType;
      return ahead;
    }
  }
  std::string bytes;
  // Pictures have no size limit, unlike skin files.
  if (name.empty() || !LoadSkinBytes(name, resType, bytes, std::numeric_limits<std::size_t>::max())) {
    return nullptr;
  }
  std::unique_ptr<ImageInfo> image = LoadImageFromBytes(bytes, mask);
  if (image) image->resType = resType;
  return image;
}

bool Renderer::DrawImageString(os::Canvas* dc, UIManager* manager, const RECT& item, const RECT& paint,
                               std::u16string_view drawString, std::u16string_view modify) {
  if (!dc || !manager) return false;
  ManagerResources resources(*manager);
  return DrawImageString(dc, &resources, item, paint, drawString, modify);
}

void Renderer::DrawText(os::Canvas* dc, UIManager* manager, RECT& rc, std::u16string_view text, DWORD color,
                        int font, UINT style) {
  if (!manager) return;
  ManagerResources resources(*manager);
  DrawText(dc, &resources, rc, text, color, font, style);
}

void Renderer::DrawHtmlText(os::Canvas* dc, UIManager* manager, RECT& rc, std::u16string_view text,
                            DWORD color, std::vector<HtmlLink>* links, std::size_t linkCapacity, UINT style) {
  if (!manager) {
    if (links) links->clear();
    return;
  }
  ManagerResources resources(*manager);
  DrawHtmlText(dc, &resources, rc, text, color, links, linkCapacity, style);
}

}  // namespace Kesto
