#include "controls/Render.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "controls/PictureAhead.h"
#include "platform/gfx/PictureFormat.h"
#include "stb_image.h"

namespace Kesto {

namespace {

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Intersects(const RECT& a, const RECT& b) {
  return !Empty(a) && !Empty(b) && std::max(a.left, b.left) < std::min(a.right, b.right) &&
         std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Pens and text colours keep only the colour channels.
DWORD Opaque(DWORD color) { return color | 0xFF000000u; }

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// Reads an integer the way wcstol does: leading white space, an optional
// sign, decimal digits; `pos` ends after the digits. No digits reads 0.
long ReadLong(std::u16string_view s, std::size_t& pos, int base = 10) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == u'-' || s[pos] == u'+')) negative = s[pos++] == u'-';
  if (base == 16 && pos + 1 < s.size() && s[pos] == u'0' && (s[pos + 1] == u'x' || s[pos + 1] == u'X'))
    pos += 2;
  unsigned long value = 0;
  for (; pos < s.size(); ++pos) {
    const char16_t c = s[pos];
    int digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    if (value <= (ULONG_MAX - digit) / base) value = value * base + digit;
  }
  return negative ? -static_cast<long>(value) : static_cast<long>(value);
}

// Four numbers separated by any single character each, as skins write
// rectangles; missing numbers read as 0.
RECT ReadRect(std::u16string_view s) {
  long v[4] = {0, 0, 0, 0};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    v[i] = ReadLong(s, pos);
    if (pos < s.size()) ++pos;
  }
  return RECT{static_cast<os::LONG>(v[0]), static_cast<os::LONG>(v[1]), static_cast<os::LONG>(v[2]),
              static_cast<os::LONG>(v[3])};
}

DWORD ReadHexColor(std::u16string_view s) {
  std::size_t pos = 0;
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  if (pos < s.size() && s[pos] == u'#') ++pos;
  return static_cast<DWORD>(ReadLong(s, pos, 16));
}

// Straight RGBA rows (4 bytes a pixel, no padding) as the premultiplied
// picture in `bitmap`, of the same size, with the mask applied. The bitmap's
// rows may be the very memory of `rgba`: each pixel is read whole before it
// is written.
std::unique_ptr<ImageInfo> PictureOf(os::Bitmap bitmap, const unsigned char* rgba, DWORD mask) {
  if (!bitmap.IsValid()) return nullptr;
  auto image = std::make_unique<ImageInfo>();
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  image->bitmap = std::move(bitmap);
  image->width = width;
  image->height = height;
  image->mask = mask;
  bool alpha = false;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = image->bitmap.Row(y);
    const unsigned char* in = rgba + static_cast<std::size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x, in += 4) {
      const DWORD a = in[3];
      DWORD r = in[0], g = in[1], b = in[2];
      if (a < 255) {
        // Integer division, as the blend that later undoes it expects.
        r = r * a / 255;
        g = g * a / 255;
        b = b * a / 255;
        alpha = true;
      }
      DWORD pixel = (a << 24) | (r << 16) | (g << 8) | b;
      if (pixel == mask) {
        pixel = 0;
        alpha = true;
      }
      row[x] = pixel;
    }
  }
  image->bitmap.MarkDirty();
  image->alphaChannel = alpha;
  return image;
}

}  // namespace

// ---------------------------------------------------------------------------
// Images

std::unique_ptr<ImageInfo> Renderer::LoadImageFromBytes(std::string_view bytes, DWORD mask) {
  if (std::unique_ptr<ImageInfo> ahead; PictureAhead::Take(bytes, mask, ahead)) return ahead;
  return DecodeImage(bytes, mask);
}

std::unique_ptr<ImageInfo> Renderer::DecodeImage(std::string_view bytes, DWORD mask) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX) || !os::IsDecodablePicture(bytes)) {
    return nullptr;
  }
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                        static_cast<int>(bytes.size()), &width, &height, &channels, 4);
  if (!rgba) return nullptr;
  // The picture stays where the decoder put it when the platform can draw
  // from there; the bitmap then frees it.
  os::Bitmap where =
      os::Bitmap::OverMemory(reinterpret_cast<std::uint32_t*>(rgba), width, height, &stbi_image_free);
  if (where.IsValid()) return PictureOf(std::move(where), rgba, mask);
  std::unique_ptr<ImageInfo> image = ImageFromRgba(rgba, width, height, mask);
  stbi_image_free(rgba);
  return image;
}

std::unique_ptr<ImageInfo> Renderer::ImageFromRgba(const unsigned char* rgba, int width, int height,
                                                   DWORD mask) {
  return PictureOf(os::Bitmap(width, height), rgba, mask);
}

void Renderer::DrawImage(os::Canvas& dc, const os::Bitmap& bitmap, const RECT& rc, const RECT& paint,
                         const RECT& source, const RECT& corner, bool alpha, BYTE fade, bool hole,
                         bool xtiled, bool ytiled) {
  if (!dc.IsValid() || !bitmap.IsValid()) return;
  dc.SetStretchMode(os::StretchMode::Halftone);
  const bool blend = alpha || fade != 255;
  const os::BlendOp op = blend ? os::BlendOp::Over : os::BlendOp::Copy;
  const BYTE constant = blend ? fade : 255;
  auto blit = [&](const RECT& src, const RECT& dst) {
    if (Empty(src) || !Intersects(dst, paint)) return;
    dc.DrawBitmap(bitmap, src, dst, constant, op, &paint);
  };

  const bool noCorners = corner.left == 0 && corner.top == 0 && corner.right == 0 && corner.bottom == 0;
  if (!blend && noCorners && rc.right - rc.left == source.right - source.left &&
      rc.bottom - rc.top == source.bottom - source.top) {
    // Same size, no grid: a plain copy of what is visible.
    blit(source, rc);
    return;
  }

  if (!hole) {
    const RECT dst{rc.left + corner.left, rc.top + corner.top, rc.right - corner.right,
                   rc.bottom - corner.bottom};
    const RECT src{source.left + corner.left, source.top + corner.top, source.right - corner.right,
                   source.bottom - corner.bottom};
    const int srcW = src.right - src.left, srcH = src.bottom - src.top;
    if (Intersects(dst, paint) && srcW > 0 && srcH > 0) {
      if (!xtiled && !ytiled) {
        blit(src, dst);
      } else {
        // Tiled along an axis: copies of the centre at its own size along
        // that axis, stretched across the other; the last copy is cut.
        const SIZE tile{xtiled ? srcW : dst.right - dst.left, ytiled ? srcH : dst.bottom - dst.top};
        dc.TileBitmap(bitmap, src, dst, tile, constant, op, &paint);
      }
    }
  }

  const os::LONG l = corner.left, t = corner.top, r = corner.right, b = corner.bottom;
  if (l > 0 && t > 0) {
    blit(RECT{source.left, source.top, source.left + l, source.top + t},
         RECT{rc.left, rc.top, rc.left + l, rc.top + t});
  }
  if (t > 0) {
    blit(RECT{source.left + l, source.top, source.right - r, source.top + t},
         RECT{rc.left + l, rc.top, rc.right - r, rc.top + t});
  }
  if (r > 0 && t > 0) {
    blit(RECT{source.right - r, source.top, source.right, source.top + t},
         RECT{rc.right - r, rc.top, rc.right, rc.top + t});
  }
  if (l > 0) {
    blit(RECT{source.left, source.top + t, source.left + l, source.bottom - b},
         RECT{rc.left, rc.top + t, rc.left + l, rc.bottom - b});
  }
  if (r > 0) {
    blit(RECT{source.right - r, source.top + t, source.right, source.bottom - b},
         RECT{rc.right - r, rc.top + t, rc.right, rc.bottom - b});
  }
  if (l > 0 && b > 0) {
    blit(RECT{source.left, source.bottom - b, source.left + l, source.bottom},
         RECT{rc.left, rc.bottom - b, rc.left + l, rc.bottom});
  }
  if (b > 0) {
    blit(RECT{source.left + l, source.bottom - b, source.right - r, source.bottom},
         RECT{rc.left + l, rc.bottom - b, rc.right - r, rc.bottom});
  }
  if (r > 0 && b > 0) {
    blit(RECT{source.right - r, source.bottom - b, source.right, source.bottom},
         RECT{rc.right - r, rc.bottom - b, rc.right, rc.bottom});
  }
}

std::vector<ImageDrawSettings> Renderer::ParseDrawString(const RECT& item, std::u16string_view drawString,
                                                         std::u16string_view modify) {
  std::vector<ImageDrawSettings> draws;
  ImageDrawSettings s;
  s.name = drawString;
  s.dest = item;

  auto parse = [&](std::u16string_view text) {
    int count = 0;  // images named in this string by "file" and "restype"
    std::size_t pos = 0;
    while (pos < text.size()) {
      while (pos < text.size() && IsSpace(text[pos])) ++pos;
      const std::size_t keyStart = pos;
      while (pos < text.size() && text[pos] != u'=' && !IsSpace(text[pos])) ++pos;
      const std::u16string_view key = text.substr(keyStart, pos - keyStart);
      while (pos < text.size() && IsSpace(text[pos])) ++pos;
      if (pos >= text.size() || text[pos++] != u'=') return;
      while (pos < text.size() && IsSpace(text[pos])) ++pos;
      if (pos >= text.size() || text[pos++] != u'\'') return;
      const std::size_t valueStart = pos;
      while (pos < text.size() && text[pos] != u'\'') ++pos;
      // A value without its closing quote is not taken.
      if (pos >= text.size()) return;
      const std::u16string_view value = text.substr(valueStart, pos - valueStart);
      ++pos;
      if (!value.empty()) {
        if (key == u"file" || key == u"res") {
          if (count > 0) draws.push_back(s);
          s.name = value;
          if (key == u"file") ++count;
        } else if (key == u"restype") {
          if (count > 0) draws.push_back(s);
          s.resType = value;
          ++count;
        } else if (key == u"dest") {
          const RECT d = ReadRect(value);
          s.dest = RECT{d.left + item.left, d.top + item.top, std::min(d.right + item.left, item.right),
                        std::min(d.bottom + item.top, item.bottom)};
        } else if (key == u"source") {
          s.source = ReadRect(value);
        } else if (key == u"corner") {
          s.corner = ReadRect(value);
        } else if (key == u"mask") {
          s.mask = ReadHexColor(value);
        } else if (key == u"fade") {
          std::size_t p = 0;
          s.fade = static_cast<BYTE>(std::clamp<long>(ReadLong(value, p), 0, 255));
        } else if (key == u"hole") {
          s.hole = value == u"true";
        } else if (key == u"xtiled") {
          s.xtiled = value == u"true";
        } else if (key == u"ytiled") {
          s.ytiled = value == u"true";
        }
      }
      if (pos >= text.size() || text[pos] != u' ') return;
      ++pos;
    }
  };
  parse(drawString);
  parse(modify);
  draws.push_back(std::move(s));
  return draws;
}

bool Renderer::DrawImageSettings(os::Canvas& dc, RenderResources& resources, const RECT& item,
                                 const RECT& paint, const ImageDrawSettings& s) {
  if (s.name.empty()) return false;
  const ImageInfo* image = resources.Image(s.name, s.resType, s.mask);
  if (!image) return false;
  RECT source = s.source;
  if (Empty(source)) {
    source = RECT{0, 0, image->width, image->height};
  } else {
    source.right = std::min<os::LONG>(source.right, image->width);
    source.bottom = std::min<os::LONG>(source.bottom, image->height);
  }
  if (!Intersects(s.dest, item) || !Intersects(s.dest, paint)) return true;
  DrawImage(dc, image->bitmap, s.dest, paint, source, s.corner,
            image->alphaChannel || resources.TransparentBackground(), s.fade, s.hole, s.xtiled, s.ytiled);
  return true;
}

bool Renderer::DrawImageString(os::Canvas* dc, RenderResources* resources, const RECT& item,
                               const RECT& paint, std::u16string_view drawString,
                               std::u16string_view modify) {
  if (!dc || !resources) return false;
  for (const ImageDrawSettings& s : ParseDrawString(item, drawString, modify)) {
    DrawImageSettings(*dc, *resources, item, paint, s);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Colours, lines and frames

void Renderer::DrawColor(os::Canvas& dc, const RECT& rc, DWORD color) {
  if ((color >> 24) == 0) return;
  dc.FillRect(rc, color);
}

void Renderer::DrawGradient(os::Canvas& dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical,
                            int steps) {
  const DWORD alpha = ((color1 >> 24) + (color2 >> 24)) / 2;
  if (alpha == 0 || Empty(rc) || !dc.IsValid()) return;
  // Translucent gradients are made opaque off-screen and blended in one go.
  os::Bitmap offscreen;
  std::unique_ptr<os::Canvas> offCanvas;
  os::Canvas* target = &dc;
  RECT area = rc;
  if (alpha != 255) {
    offscreen = os::Bitmap(rc.right - rc.left, rc.bottom - rc.top);
    offCanvas = std::make_unique<os::Canvas>(offscreen);
    target = offCanvas.get();
    area = RECT{0, 0, rc.right - rc.left, rc.bottom - rc.top};
  }
  if (!target->FillGradient(area, Opaque(color1), Opaque(color2), vertical)) {
    DrawGradientBands(*target, area, color1, color2, vertical, steps);
  }
  if (alpha != 255) {
    offCanvas.reset();
    dc.DrawBitmap(offscreen, area, rc, static_cast<BYTE>(alpha), os::BlendOp::Over);
  }
}

void Renderer::DrawGradientBands(os::Canvas& dc, const RECT& rc, DWORD color1, DWORD color2, bool vertical,
                                 int steps) {
  if (Empty(rc)) return;
  int shift = 1;
  if (steps >= 64) {
    shift = 6;
  } else if (steps >= 32) {
    shift = 5;
  } else if (steps >= 16) {
    shift = 4;
  } else if (steps > 7) {
    shift = 3;
  } else if (steps > 3) {
    shift = 2;
  }
  const int n = 1 << shift;
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  auto channel = [shift, n](DWORD c1, DWORD c2, int i, int at) {
    const DWORD a = (c1 >> at) & 0xFF, b = (c2 >> at) & 0xFF;
    return ((b * (n - i) + a * i) >> shift) << at;
  };
  for (int i = 0; i < n; ++i) {
    const DWORD band = 0xFF000000u | channel(color1, color2, i, 16) | channel(color1, color2, i, 8) |
                       channel(color1, color2, i, 0);
    RECT r = rc;
    if (vertical) {
      r.top = rc.bottom - height * (i + 1) / n;
      r.bottom = rc.bottom - height * i / n;
    } else {
      r.left = rc.right - width * (i + 1) / n;
      r.right = rc.right - width * i / n;
    }
    dc.FillRect(r, band);
  }
}

void Renderer::DrawLine(os::Canvas& dc, const RECT& rc, int size, DWORD color, int style) {
  dc.Line(POINT{rc.left, rc.top}, POINT{rc.right, rc.bottom}, size, Opaque(color), style);
}

void Renderer::DrawRect(os::Canvas& dc, const RECT& rc, int size, DWORD color) {
  dc.FrameRect(rc, size, Opaque(color));
}

void Renderer::DrawRoundRect(os::Canvas& dc, const RECT& rc, int size, int width, int height, DWORD color) {
  dc.FrameRoundRect(rc, size, width, height, Opaque(color));
}

// ---------------------------------------------------------------------------
// Colour adjustment

namespace {

float HueToChannel(float p, float q, float t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0f / 6) return p + (q - p) * 6 * t;
  if (t < 1.0f / 2) return q;
  if (t < 0.6666667f) return p + (q - p) * (0.6666667f - t) * 6;
  return p;
}

DWORD ToByte(float v) { return static_cast<DWORD>(std::clamp(std::lround(v * 255.0f), 0L, 255L)); }

}  // namespace

DWORD Renderer::AdjustColor(DWORD color, int hue, int saturation, int lightness) {
  if (hue == 180 && saturation == 100 && lightness == 100) return color;
  const float r = ((color >> 16) & 0xFF) / 255.0f;
  const float g = ((color >> 8) & 0xFF) / 255.0f;
  const float b = (color & 0xFF) / 255.0f;
  const float max = std::max({r, g, b}), min = std::min({r, g, b});
  float h = 0, s = 0, l = (max + min) / 2;
  if (max != min) {
    const float d = max - min;
    s = l > 0.5f ? d / (2 - max - min) : d / (max + min);
    if (max == r) {
      h = (g - b) / d + (g < b ? 6 : 0);
    } else if (max == g) {
      h = (b - r) / d + 2;
    } else {
      h = (r - g) / d + 4;
    }
    h *= 60;
  }
  h += hue - 180;
  if (h <= 0) h += 360;
  s *= saturation / 100.0f;
  l *= lightness / 100.0f;

  float nr, ng, nb;
  if (s == 0) {
    nr = ng = nb = l;
  } else {
    const float q = l < 0.5f ? l * (1 + s) : l + s - l * s;
    const float p = 2 * l - q;
    const float t = h / 360;
    nr = HueToChannel(p, q, t + 0.33333334f);
    ng = HueToChannel(p, q, t);
    nb = HueToChannel(p, q, t - 0.33333334f);
  }
  return (color & 0xFF000000u) | (ToByte(nr) << 16) | (ToByte(ng) << 8) | ToByte(nb);
}

// ---------------------------------------------------------------------------
// Clipping

void Renderer::GenerateClip(os::Canvas& dc, const RECT& rc, RenderClip& clip) {
  clip.Restore();
  clip.rect = rc;
  clip.canvas_ = &dc;
  clip.shapes_ = {os::ClipShape{rc, 0, 0}};
  dc.PushClip(clip.shapes_.back());
}

void Renderer::GenerateRoundClip(os::Canvas& dc, const RECT& rc, const RECT& item, int width, int height,
                                 RenderClip& clip) {
  clip.Restore();
  clip.rect = rc;
  clip.canvas_ = &dc;
  // The rounded outline runs along the item's edges; the paint rectangle
  // limits it further.
  clip.shapes_ = {os::ClipShape{rc, 0, 0}, os::ClipShape{item, width, height}};
  for (const os::ClipShape& shape : clip.shapes_) dc.PushClip(shape);
}

RenderClip::~RenderClip() { Restore(); }

void RenderClip::UseOldClipBegin() {
  if (!canvas_ || suspended_) return;
  for (std::size_t i = 0; i < shapes_.size(); ++i) canvas_->PopClip();
  suspended_ = true;
}

void RenderClip::UseOldClipEnd() {
  if (!canvas_ || !suspended_) return;
  for (const os::ClipShape& shape : shapes_) canvas_->PushClip(shape);
  suspended_ = false;
}

void RenderClip::Restore() {
  if (!canvas_) return;
  if (!suspended_) {
    for (std::size_t i = 0; i < shapes_.size(); ++i) canvas_->PopClip();
  }
  canvas_ = nullptr;
  shapes_.clear();
  suspended_ = false;
}

}  // namespace Kesto
