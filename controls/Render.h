// The drawing operations every control uses: decoding pictures into
// premultiplied bitmaps, drawing them by the draw-strings skins write
// (nine-grid, tiling, fading, several images in one string), colour fills and
// gradients, lines and frames, plain and marked-up text, clipping and the
// hue/saturation/lightness adjustment of colours.
//
// Colours are 0xAARRGGBB. Lines, frames and text are drawn opaque whatever
// their alpha byte says, as the pens and text colours of the classic Windows
// look ignore it; fills and gradients honour it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Types.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Text.h"

namespace Kesto {

using os::BYTE;
using os::DWORD;
using os::POINT;
using os::RECT;
using os::SIZE;
using os::UINT;

class UIManager;

// A decoded picture. Pixels are premultiplied; alphaChannel tells whether any
// pixel is not fully opaque (or was made transparent by the mask). The
// manager's cache also keeps the resource type and mask it was loaded with.
struct ImageInfo {
  os::Bitmap bitmap;
  int width = 0;
  int height = 0;
  bool alphaChannel = false;
  std::u16string resType;
  DWORD mask = 0;
};

// One image draw as a draw-string describes it.
struct ImageDrawSettings {
  std::u16string name;
  std::u16string resType;
  RECT dest{};
  RECT source{};  // empty: the whole image
  RECT corner{};  // nine-grid margins in source pixels
  DWORD mask = 0;
  BYTE fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;
};

// A link laid out by the markup renderer: one rectangle per line the link
// occupies, each with the link's target.
struct HtmlLink {
  RECT rect{};
  std::u16string target;
};

// What the drawing operations need from a window's manager. The operations
// taking a UIManager wrap it in one of these; tests and other callers may
// supply their own.
class RenderResources {
 public:
  virtual ~RenderResources() = default;
  // The font of the table at index; the default font when out of range.
  virtual const os::Font* FontAt(int index) = 0;
  // The default font.
  virtual const os::Font* DefaultFont() = 0;
  // A font with exactly this description, created and kept on first use.
  virtual const os::Font* FindFont(std::u16string_view face, int size, bool bold, bool underline,
                                   bool italic) = 0;
  // The cached image, decoded on first use; null when it cannot be had.
  virtual const ImageInfo* Image(std::u16string_view name, std::u16string_view resType, DWORD mask) = 0;
  // The window paints with per-pixel alpha: images are always blended and
  // text is drawn the typographic way.
  virtual bool TransparentBackground() = 0;
  // The skin asked for typographic text ("gdiplustext").
  virtual bool TypographicText() = 0;
  virtual DWORD LinkColor() = 0;
  virtual DWORD LinkHoverColor() = 0;
  virtual DWORD SelectedColor() = 0;
  // Client coordinates of the last mouse event.
  virtual POINT MousePoint() = 0;
};

// The clip in force while a control paints. Restoring (explicitly or on
// destruction) removes what GenerateClip/GenerateRoundClip added; between
// UseOldClipBegin and UseOldClipEnd the clip that was in force before is
// used. The canvas must outlive the record, and records nest like the
// painting that makes them.
class RenderClip {
 public:
  RenderClip() = default;
  ~RenderClip();
  RenderClip(const RenderClip&) = delete;
  RenderClip& operator=(const RenderClip&) = delete;

  void UseOldClipBegin();
  void UseOldClipEnd();
  void Restore();

  RECT rect{};

 private:
  friend class Renderer;
  os::Canvas* canvas_ = nullptr;
  std::vector<os::ClipShape> shapes_;
  bool suspended_ = false;
};

class Renderer {
 public:
  // Decodes PNG, JPEG, BMP or GIF bytes into a premultiplied bitmap; pixels
  // equal to mask afterwards become transparent. Null when undecodable. The
  // picture of bytes handed to PictureAhead is taken from there.
  static std::unique_ptr<ImageInfo> LoadImageFromBytes(std::string_view bytes, DWORD mask);
  // The decode itself, on whatever thread calls it: it touches nothing but
  // the bytes and the picture it makes.
  static std::unique_ptr<ImageInfo> DecodeImage(std::string_view bytes, DWORD mask);
  // Straight RGBA rows (4 bytes a pixel, width * 4 a row) made into a
  // premultiplied picture, mask applied as above; null for an impossible size.
  static std::unique_ptr<ImageInfo> ImageFromRgba(const unsigned char* rgba, int width, int height,
                                                  DWORD mask);
  // Reads the image the way skins find files (a resource of the type when one
  // is given, else the skin folder or archive, else the name as a path) and
  // decodes it.
  static std::unique_ptr<ImageInfo> LoadImage(std::u16string_view name, std::u16string_view resType,
                                              DWORD mask);
  static void FreeImage(std::unique_ptr<ImageInfo>& image) { image.reset(); }

  // Draws source of the bitmap onto dest, nine-grid by corner, touching only
  // dest ∩ paint. alpha selects blending (also forced by fade ≠ 255); hole
  // leaves the centre out; xtiled/ytiled repeat the centre instead of
  // stretching it.
  static void DrawImage(os::Canvas& dc, const os::Bitmap& bitmap, const RECT& dest, const RECT& paint,
                        const RECT& source, const RECT& corner, bool alpha, BYTE fade = 255,
                        bool hole = false, bool xtiled = false, bool ytiled = false);

  // The draws a draw-string and its modify-string ask for, in order.
  static std::vector<ImageDrawSettings> ParseDrawString(const RECT& item, std::u16string_view drawString,
                                                        std::u16string_view modify = {});
  // One parsed draw: false for an empty name or a missing image; true when
  // drawn or when nothing of it is visible.
  static bool DrawImageSettings(os::Canvas& dc, RenderResources& resources, const RECT& item,
                                const RECT& paint, const ImageDrawSettings& settings);
  // False without a canvas or manager, else true (also when an image is
  // missing: it is then looked up again on the next paint).
  static bool DrawImageString(os::Canvas* dc, UIManager* manager, const RECT& item, const RECT& paint,
                              std::u16string_view drawString, std::u16string_view modify = {});
  static bool DrawImageString(os::Canvas* dc, RenderResources* resources, const RECT& item, const RECT& paint,
                              std::u16string_view drawString, std::u16string_view modify = {});

  static void DrawColor(os::Canvas& dc, const RECT& rc, DWORD color);
  // A smooth gradient from color1 (top or left) to color2, blended with the
  // average of the two alphas; nothing when that average is 0.
  static void DrawGradient(os::Canvas& dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical,
                           int steps);
  // The stepped form DrawGradient falls back on where the canvas cannot make
  // smooth gradients: 2 to 64 opaque bands by steps, color2 at the bottom or
  // right.
  static void DrawGradientBands(os::Canvas& dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical,
                                int steps);
  static void DrawLine(os::Canvas& dc, const RECT& rc, int size, DWORD color, int style = os::PS_SOLID);
  static void DrawRect(os::Canvas& dc, const RECT& rc, int size, DWORD color);
  static void DrawRoundRect(os::Canvas& dc, const RECT& rc, int size, int width, int height, DWORD color);

  // Plain text in the manager's font of that index. dc may be null with
  // DT_CALCRECT, which then only updates rc.
  static void DrawText(os::Canvas* dc, UIManager* manager, RECT& rc, std::u16string_view text, DWORD color,
                       int font, UINT style);
  static void DrawText(os::Canvas* dc, RenderResources* resources, RECT& rc, std::u16string_view text,
                       DWORD color, int font, UINT style);

  // Marked-up text. links (may be null) receives at most linkCapacity link
  // rectangles; it is cleared first.
  static void DrawHtmlText(os::Canvas* dc, UIManager* manager, RECT& rc, std::u16string_view text,
                           DWORD color, std::vector<HtmlLink>* links, std::size_t linkCapacity, UINT style);
  static void DrawHtmlText(os::Canvas* dc, RenderResources* resources, RECT& rc, std::u16string_view text,
                           DWORD color, std::vector<HtmlLink>* links, std::size_t linkCapacity, UINT style);

  // Hue 0–360 (180 keeps it), saturation and lightness 0–200 (100 keeps them).
  static DWORD AdjustColor(DWORD color, int hue, int saturation, int lightness);

  static void GenerateClip(os::Canvas& dc, const RECT& rc, RenderClip& clip);
  static void GenerateRoundClip(os::Canvas& dc, const RECT& rc, const RECT& item, int width, int height,
                                RenderClip& clip);
};

}  // namespace Kesto
