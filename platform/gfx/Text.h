// Fonts and text: faces named as Windows names them, measured and drawn with
// Pango, laid out by the rules of the Windows DrawText flags.
//
// On Windows (platform/gfx/win32/) a Font is an HFONT made by
// CreateFontIndirectW (grey antialiasing, the em size as a negative height),
// measured by GetTextMetricsW / GetTextExtentPoint32W /
// GetTextExtentExPointW and laid out and drawn by DrawTextW itself, whose
// return value and DT_CALCRECT rectangle are passed on as it gives them.
// GDI writes no alpha where it draws text, so text reaches a canvas this way:
// DrawTextW draws it white into a cleared scratch DIB covering the text's
// rectangle (with DT_NOCLIP, that rectangle widened by the text's own extent
// on every side) through the same clip; each scratch pixel's brightest
// channel is the text's coverage there; the scratch becomes the colour
// premultiplied by its alpha times that coverage, and AlphaBlend puts it over
// the canvas through the canvas's clip region. On a bitmap of more than one
// device pixel per unit the text is drawn with a font of the device size
// into device pixels (the return value is then given in logical units,
// rounded up); DT_CALCRECT and the measures always use the logical font.
// An em size beyond 4096 pixels (a nonsense size from a skin) is held there.
//
// Windows looks a face up by one name: the Font takes the first installed
// family of FontFamilyList (the face, its name in the other language of the
// face, the system faces of its kind). When none is installed, it takes an
// installed face of a Chinese character set (those hold Latin letters too,
// fixed-pitch ones preferred for a fixed-pitch kind), so that the launcher's
// mixed Chinese and Latin text never shows boxes where the system links no
// fallback face to the one it substitutes; with no such face either, the
// system's own substitute for the face as named. Characters the chosen face
// lacks come from the system's font linking.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Types.h"
#include "platform/gfx/TextFormat.h"

#ifdef _WIN32
namespace os {
struct HFONT__;
}
#else
typedef struct _PangoContext PangoContext;
typedef struct _PangoFontDescription PangoFontDescription;
#endif

namespace os {

class Canvas;

// The DrawText layout flags (DT_*) are those of platform/gfx/TextFormat.h.

// The parts of TEXTMETRIC the framework reads, in pixels.
struct TextMetrics {
  LONG height = 0;  // ascent + descent
  LONG ascent = 0;
  LONG descent = 0;
  LONG internalLeading = 0;  // height − the em size asked for
  LONG externalLeading = 0;  // extra space the font asks for between lines
  LONG aveCharWidth = 0;
  LONG maxCharWidth = 0;
};

// A font as a LOGFONT describes it: a face name, a character height in pixels
// (the em size), weight and style. Windows faces that are not installed
// ("微软雅黑", "宋体", "Tahoma", ...) resolve to an installed face of the same
// kind, and characters the face lacks come from a fallback face, never as
// boxes.
class Font {
 public:
  Font(std::u16string_view faceName, int pixelSize, bool bold = false, bool underline = false,
       bool italic = false);
  ~Font();
  Font(Font&& other) noexcept;
  Font& operator=(Font&& other) noexcept;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const std::u16string& FaceName() const { return face_; }
  int Size() const { return size_; }
  bool Bold() const { return bold_; }
  bool Underline() const { return underline_; }
  bool Italic() const { return italic_; }

  // Measured on first request.
  const TextMetrics& Metrics() const;
  // Family name of the installed face that renders Latin text in this font.
  std::string ResolvedFamily() const;

#ifdef _WIN32
  // The HFONT, for the platform layer's text code (and the system's controls,
  // which take it with WM_SETFONT).
  HFONT__* Handle() const { return font_; }
  // Whether the system gave the font what it needs to measure and draw.
  bool Usable() const { return font_ != nullptr; }
#else
  // For the platform layer's text code.
  PangoContext* Context() const { return context_; }
  PangoFontDescription* Description() const { return description_; }
  // Whether Pango gave the font a context and a description: without them it
  // would draw nothing.
  bool Usable() const { return context_ != nullptr && description_ != nullptr; }
#endif

 private:
  std::u16string face_;
  int size_ = 0;
  bool bold_ = false;
  bool underline_ = false;
  bool italic_ = false;
#ifdef _WIN32
  HFONT__* font_ = nullptr;
#else
  PangoContext* context_ = nullptr;
  PangoFontDescription* description_ = nullptr;
#endif
  mutable std::unique_ptr<TextMetrics> metrics_;
};

// The comma-separated family list a face name is looked up with.
std::string FontFamilyList(std::u16string_view faceName);

// The resolution text is set at, in dots per logical inch: 96 unless the
// desktop asks for larger or smaller text without scaling windows (the gtk
// backend passes on GDK's screen resolution: GDK_DPI_SCALE, or the settings
// daemon's Xft/DPI). A font's pixel size is for 96; at 120 its text is a
// quarter larger while every layout stays in logical units. Fonts made
// afterwards take the resolution; values outside 48–384 are brought into
// that range; zero, negative values (GDK's "not set") and anything not a
// number mean 96.
void SetTextResolution(double dotsPerInch);
double TextResolution();

// Extent of the text as one line, as GetTextExtentPoint32 gives it: the
// advance width and the font's height.
SIZE MeasureText(const Font& font, std::u16string_view text);

// For each UTF-16 unit i, the width of text[0..i] as one line (the partial
// extents of GetTextExtentExPoint). Non-decreasing; units of one character or
// cluster share its end.
std::vector<int> TextPartialExtents(const Font& font, std::u16string_view text);

// Lays out and draws text in rect by the DT_* flags with a straight ARGB colour;
// returns the height of the text. With DT_CALCRECT nothing is drawn (canvas
// may be null) and rect becomes (left, top, left + width, top + height) of
// the text as it would be laid out. Without DT_NOPREFIX, "&x" underlines x and
// "&&" stands for "&". DT_VCENTER and DT_BOTTOM apply to single lines only.
int DrawText(Canvas* canvas, const Font& font, std::u16string_view text, RECT& rect, UINT format,
             std::uint32_t argb);

}  // namespace os
