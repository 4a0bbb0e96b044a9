#include "platform/gfx/Text.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "platform/base/Unicode.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontsAhead.h"

namespace os {

namespace {

constexpr const char* kCjkFace = "WenQuanYi Micro Hei";
constexpr const char* kSansFace = "DejaVu Sans";
constexpr const char* kSerifFace = "DejaVu Serif";
constexpr const char* kMonoFace = "DejaVu Sans Mono";

struct FaceAlias {
  const char* windowsName;
  const char* installed;
};

// Faces skins name on Windows and the installed face of the same kind each one
// falls to when it is missing here.
constexpr std::array kAliases = {
    FaceAlias{"微软雅黑", kCjkFace},
    FaceAlias{"microsoft yahei", kCjkFace},
    FaceAlias{"microsoft yahei ui", kCjkFace},
    FaceAlias{"宋体", kCjkFace},
    FaceAlias{"simsun", kCjkFace},
    FaceAlias{"新宋体", kCjkFace},
    FaceAlias{"nsimsun", kCjkFace},
    FaceAlias{"黑体", kCjkFace},
    FaceAlias{"simhei", kCjkFace},
    FaceAlias{"楷体", kCjkFace},
    FaceAlias{"楷体_gb2312", kCjkFace},
    FaceAlias{"kaiti", kCjkFace},
    FaceAlias{"仿宋", kCjkFace},
    FaceAlias{"仿宋_gb2312", kCjkFace},
    FaceAlias{"fangsong", kCjkFace},
    FaceAlias{"幼圆", kCjkFace},
    FaceAlias{"youyuan", kCjkFace},
    FaceAlias{"隶书", kCjkFace},
    FaceAlias{"lisu", kCjkFace},
    FaceAlias{"华文细黑", kCjkFace},
    FaceAlias{"stxihei", kCjkFace},
    FaceAlias{"微軟正黑體", kCjkFace},
    FaceAlias{"microsoft jhenghei", kCjkFace},
    FaceAlias{"新細明體", kCjkFace},
    FaceAlias{"pmingliu", kCjkFace},
    FaceAlias{"細明體", kCjkFace},
    FaceAlias{"mingliu", kCjkFace},
    FaceAlias{"ms gothic", kCjkFace},
    FaceAlias{"ms ui gothic", kCjkFace},
    FaceAlias{"meiryo", kCjkFace},
    FaceAlias{"malgun gothic", kCjkFace},
    FaceAlias{"gulim", kCjkFace},
    FaceAlias{"tahoma", kSansFace},
    FaceAlias{"arial", kSansFace},
    FaceAlias{"verdana", kSansFace},
    FaceAlias{"segoe ui", kSansFace},
    FaceAlias{"ms shell dlg", kSansFace},
    FaceAlias{"ms shell dlg 2", kSansFace},
    FaceAlias{"ms sans serif", kSansFace},
    FaceAlias{"microsoft sans serif", kSansFace},
    FaceAlias{"calibri", kSansFace},
    FaceAlias{"trebuchet ms", kSansFace},
    FaceAlias{"lucida sans unicode", kSansFace},
    FaceAlias{"arial unicode ms", kSansFace},
    FaceAlias{"system", kSansFace},
    FaceAlias{"times new roman", kSerifFace},
    FaceAlias{"georgia", kSerifFace},
    FaceAlias{"cambria", kSerifFace},
    FaceAlias{"ms serif", kSerifFace},
    FaceAlias{"courier new", kMonoFace},
    FaceAlias{"courier", kMonoFace},
    FaceAlias{"consolas", kMonoFace},
    FaceAlias{"lucida console", kMonoFace},
};

std::string AsciiLower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// UTF-8 text plus, for each UTF-16 unit of the source, the byte offset of the
// character it belongs to; offsets.back() is the text's length.
struct Utf8Text {
  std::string bytes;
  std::vector<int> offsets;
};

Utf8Text ToUtf8WithOffsets(std::u16string_view text) {
  Utf8Text out;
  out.offsets.reserve(text.size() + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    const int start = static_cast<int>(out.bytes.size());
    out.offsets.push_back(start);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      out.offsets.push_back(start);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.bytes += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out.bytes += static_cast<char>(0xC0 | (cp >> 6));
      out.bytes += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out.bytes += static_cast<char>(0xE0 | (cp >> 12));
      out.bytes += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out.bytes += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out.bytes += static_cast<char>(0xF0 | (cp >> 18));
      out.bytes += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out.bytes += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out.bytes += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  out.offsets.push_back(static_cast<int>(out.bytes.size()));
  return out;
}

struct LayoutDeleter {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

LayoutPtr NewLayout(const Font& font, const std::string& utf8) {
  LayoutPtr layout(pango_layout_new(font.Context()));
  pango_layout_set_font_description(layout.get(), font.Description());
  pango_layout_set_text(layout.get(), utf8.data(), static_cast<int>(utf8.size()));
  return layout;
}

// The text to lay out: line breaks normalised (or dropped on a single line)
// and "&" prefixes resolved into underlined characters.
struct PreparedText {
  std::string utf8;
  std::vector<std::pair<int, int>> underlined;  // byte ranges
};

PreparedText Prepare(std::u16string_view text, UINT format) {
  std::u16string shown;
  std::vector<std::size_t> marks;  // indices into `shown` to underline
  const bool prefixes = (format & DT_NOPREFIX) == 0;
  const bool single = (format & DT_SINGLELINE) != 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (prefixes && c == u'&') {
      if (i + 1 >= text.size()) break;  // a trailing prefix marks nothing
      ++i;
      c = text[i];
      if (c != u'&') marks.push_back(shown.size());
    }
    if (c == u'\r') {
      if (single) continue;
      if (i + 1 < text.size() && text[i + 1] == u'\n') continue;
      c = u'\n';
    } else if (c == u'\n' && single) {
      continue;
    }
    shown += c;
  }
  Utf8Text converted = ToUtf8WithOffsets(shown);
  PreparedText out;
  for (std::size_t m : marks) {
    if (m >= shown.size()) continue;
    std::size_t end = m + 1;
    while (end < shown.size() && converted.offsets[end] == converted.offsets[m]) ++end;
    out.underlined.emplace_back(converted.offsets[m], converted.offsets[end]);
  }
  out.utf8 = std::move(converted.bytes);
  return out;
}

}  // namespace

std::string FontFamilyList(std::u16string_view faceName) {
  std::string face = Utf16ToUtf8(faceName);
  // Commas separate families in the list; a face name never holds one.
  face.erase(std::remove(face.begin(), face.end(), ','), face.end());
  std::vector<std::string> families;
  auto add = [&families](const std::string& name) {
    if (name.empty()) return;
    const std::string key = AsciiLower(name);
    for (const std::string& f : families) {
      if (AsciiLower(f) == key) return;
    }
    families.push_back(name);
  };
  add(face);
  const std::string key = AsciiLower(face);
  for (const FaceAlias& alias : kAliases) {
    if (key == alias.windowsName) add(alias.installed);
  }
  add(kSansFace);
  add(kCjkFace);
  add("sans-serif");
  std::string list;
  for (const std::string& f : families) {
    if (!list.empty()) list += ',';
    list += f;
  }
  return list;
}

namespace {

// The resolution font pixel sizes are given for.
constexpr double kDefaultResolution = 96;

}  // namespace

Font::Font(std::u16string_view faceName, int pixelSize, bool bold, bool underline, bool italic)
    : face_(faceName), size_(pixelSize), bold_(bold), underline_(underline), italic_(italic) {
  // Fonts loaded ahead for this thread join its font map before it is used.
  FontsAhead::Take();
  PangoFontMap* map = pango_cairo_font_map_get_default();
  context_ = pango_font_map_create_context(map);
  // Grey antialiasing (subpixel colour fringes would be wrong on translucent
  // pixels) and whole-pixel metrics, so measured widths are what gets drawn.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(context_, kDefaultResolution);

  description_ = pango_font_description_new();
  pango_font_description_set_family(description_, FontFamilyList(faceName).c_str());
  // A LOGFONT height below 0 is the em size in pixels; 0 asks for the default.
  const int px = pixelSize > 0 ? pixelSize : 12;
  // The pixel size is for 96 dots per inch; a larger text resolution grows it.
  pango_font_description_set_absolute_size(description_,
                                           px * TextResolution() / kDefaultResolution * PANGO_SCALE);
  pango_font_description_set_weight(description_, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description_, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
}

Font::~Font() {
  if (description_) pango_font_description_free(description_);
  if (context_) g_object_unref(context_);
}

Font::Font(Font&& other) noexcept
    : face_(std::move(other.face_)),
      size_(other.size_),
      bold_(other.bold_),
      underline_(other.underline_),
      italic_(other.italic_),
      context_(std::exchange(other.context_, nullptr)),
      description_(std::exchange(other.description_, nullptr)),
      metrics_(std::move(other.metrics_)) {}

Font& Font::operator=(Font&& other) noexcept {
  if (this != &other) {
    if (description_) pango_font_description_free(description_);
    if (context_) g_object_unref(context_);
    face_ = std::move(other.face_);
    size_ = other.size_;
    bold_ = other.bold_;
    underline_ = other.underline_;
    italic_ = other.italic_;
    context_ = std::exchange(other.context_, nullptr);
    description_ = std::exchange(other.description_, nullptr);
    metrics_ = std::move(other.metrics_);
  }
  return *this;
}

const TextMetrics& Font::Metrics() const {
  if (metrics_) return *metrics_;
  metrics_ = std::make_unique<TextMetrics>();
  if (!context_) return *metrics_;
  // A worker that loaded the same font ahead measured it already.
  if (FontsAhead::Measured(*this, *metrics_)) return *metrics_;
  PangoFontMetrics* m = pango_context_get_metrics(context_, description_, pango_language_from_string("en"));
  TextMetrics& tm = *metrics_;
  tm.ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(m));
  tm.descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(m));
  tm.height = tm.ascent + tm.descent;
  tm.internalLeading = std::max(0, tm.height - (size_ > 0 ? size_ : 12));
  tm.externalLeading = std::max(0, PANGO_PIXELS(pango_font_metrics_get_height(m)) - tm.height);
  tm.aveCharWidth = std::max(1, PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(m)));
  pango_font_metrics_unref(m);
  // The widest of a broad Latin letter and a CJK ideograph stands in for the
  // widest character.
  tm.maxCharWidth = std::max({tm.aveCharWidth, MeasureText(*this, u"W").cx, MeasureText(*this, u"中").cx});
  return tm;
}

std::string Font::ResolvedFamily() const {
  if (!context_) return {};
  PangoFont* font = pango_font_map_load_font(pango_context_get_font_map(context_), context_, description_);
  if (!font) return {};
  PangoFontDescription* desc = pango_font_describe(font);
  std::string family = pango_font_description_get_family(desc) ? pango_font_description_get_family(desc) : "";
  pango_font_description_free(desc);
  g_object_unref(font);
  return family;
}

SIZE MeasureText(const Font& font, std::u16string_view text) {
  SIZE size{0, font.Metrics().height};
  if (text.empty() || !font.Context()) return size;
  LayoutPtr layout = NewLayout(font, ToUtf8WithOffsets(text).bytes);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout.get(), &w, &h);
  size.cx = w;
  return size;
}

std::vector<int> TextPartialExtents(const Font& font, std::u16string_view text) {
  std::vector<int> extents(text.size(), 0);
  if (text.empty() || !font.Context()) return extents;
  Utf8Text utf8 = ToUtf8WithOffsets(text);
  LayoutPtr layout = NewLayout(font, utf8.bytes);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);

  // Right edge of the cluster each byte belongs to.
  std::vector<int> endOfByte(utf8.bytes.size() + 1, 0);
  PangoLayoutIter* iter = pango_layout_get_iter(layout.get());
  std::vector<std::pair<int, int>> clusters;  // start byte, right edge in Pango units
  do {
    PangoRectangle logical;
    pango_layout_iter_get_cluster_extents(iter, nullptr, &logical);
    clusters.emplace_back(pango_layout_iter_get_index(iter), logical.x + logical.width);
  } while (pango_layout_iter_next_cluster(iter));
  pango_layout_iter_free(iter);
  std::sort(clusters.begin(), clusters.end());
  for (std::size_t c = 0; c < clusters.size(); ++c) {
    const int from = std::clamp(clusters[c].first, 0, static_cast<int>(utf8.bytes.size()));
    const int to = c + 1 < clusters.size()
                       ? std::clamp(clusters[c + 1].first, from, static_cast<int>(utf8.bytes.size()))
                       : static_cast<int>(utf8.bytes.size());
    for (int b = from; b < to; ++b) endOfByte[b] = PANGO_PIXELS(clusters[c].second);
  }
  int running = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    running = std::max(running, endOfByte[utf8.offsets[i]]);
    extents[i] = running;
  }
  return extents;
}

int DrawText(Canvas* canvas, const Font& font, std::u16string_view text, RECT& rect, UINT format,
             std::uint32_t argb) {
  const bool calc = (format & DT_CALCRECT) != 0;
  if (text.empty() || !font.Context()) {
    if (calc) rect.right = rect.left, rect.bottom = rect.top;
    return 0;
  }
  PreparedText prepared = Prepare(text, format);
  LayoutPtr layout = NewLayout(font, prepared.utf8);
  PangoLayout* pl = layout.get();

  PangoAttrList* attrs = pango_attr_list_new();
  if (font.Underline()) {
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  }
  for (const auto& [from, to] : prepared.underlined) {
    PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
    a->start_index = static_cast<guint>(from);
    a->end_index = static_cast<guint>(to);
    pango_attr_list_insert(attrs, a);
  }
  pango_layout_set_attributes(pl, attrs);
  pango_attr_list_unref(attrs);

  const bool single = (format & DT_SINGLELINE) != 0;
  const bool wrap = (format & DT_WORDBREAK) != 0 && !single;
  const bool ellipsis = (format & DT_END_ELLIPSIS) != 0;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const bool bounded = (wrap || ellipsis) && width > 0;
  if (single) pango_layout_set_single_paragraph_mode(pl, TRUE);
  if (bounded) {
    pango_layout_set_width(pl, width * PANGO_SCALE);
    pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
  }
  if (ellipsis && width > 0) {
    pango_layout_set_ellipsize(pl, PANGO_ELLIPSIZE_END);
    // Wrapped text is cut at the last line that fits; otherwise each line is
    // shortened on its own.
    pango_layout_set_height(pl, wrap && height > 0 ? height * PANGO_SCALE : -1);
  }
  PangoAlignment align = PANGO_ALIGN_LEFT;
  if (format & DT_CENTER) {
    align = PANGO_ALIGN_CENTER;
  } else if (format & DT_RIGHT) {
    align = PANGO_ALIGN_RIGHT;
  }
  pango_layout_set_alignment(pl, align);

  PangoRectangle logical;
  pango_layout_get_pixel_extents(pl, nullptr, &logical);
  const int textW = logical.width;
  const int textH = logical.height;
  if (calc) {
    rect.right = rect.left + textW;
    rect.bottom = rect.top + textH;
    return textH;
  }
  if (!canvas || !canvas->IsValid()) return textH;

  // Without a width Pango aligns lines against the widest one; the block is
  // then placed in the rectangle here.
  int x = rect.left;
  if (!bounded) {
    if (format & DT_CENTER) {
      x = rect.left + (width - textW) / 2;
    } else if (format & DT_RIGHT) {
      x = rect.right - textW;
    }
    x -= logical.x;
  }
  int y = rect.top;
  if (single && (format & DT_VCENTER)) {
    y = rect.top + (height - textH) / 2;
  } else if (single && (format & DT_BOTTOM)) {
    y = rect.bottom - textH;
  }

  const bool clip = (format & DT_NOCLIP) == 0;
  if (clip) canvas->PushClipRect(rect);
  cairo_t* cr = canvas->Cairo();
  cairo_save(cr);
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, pl);
  cairo_restore(cr);
  if (clip) canvas->PopClip();
  return textH;
}

}  // namespace os
