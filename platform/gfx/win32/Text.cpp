// Fonts as HFONTs, text measured and laid out by GDI; see Text.h for how
// text gets its alpha on a canvas.
#include "platform/gfx/Text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/base/Unicode.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/win32/Gdi.h"

namespace os {

using gdi::Empty;
using gdi::Height;
using gdi::Width;

namespace {

enum class Kind { Sans, Serif, Mono, Cjk };

// The spellings of one face (its English name first, then its name in its
// own language) and the kind of face it is.
struct FaceNames {
  Kind kind;
  std::vector<std::u16string_view> names;
};

const std::vector<FaceNames> kFaces = {
    {Kind::Cjk, {u"Microsoft YaHei", u"微软雅黑", u"Microsoft YaHei UI"}},
    {Kind::Cjk, {u"SimSun", u"宋体"}},
    {Kind::Cjk, {u"NSimSun", u"新宋体"}},
    {Kind::Cjk, {u"SimHei", u"黑体"}},
    {Kind::Cjk, {u"KaiTi", u"楷体", u"楷体_GB2312"}},
    {Kind::Cjk, {u"FangSong", u"仿宋", u"仿宋_GB2312"}},
    {Kind::Cjk, {u"YouYuan", u"幼圆"}},
    {Kind::Cjk, {u"LiSu", u"隶书"}},
    {Kind::Cjk, {u"STXihei", u"华文细黑"}},
    {Kind::Cjk, {u"Microsoft JhengHei", u"微軟正黑體"}},
    {Kind::Cjk, {u"PMingLiU", u"新細明體"}},
    {Kind::Cjk, {u"MingLiU", u"細明體"}},
    {Kind::Cjk, {u"MS Gothic"}},
    {Kind::Cjk, {u"MS UI Gothic"}},
    {Kind::Cjk, {u"Meiryo"}},
    {Kind::Cjk, {u"Malgun Gothic"}},
    {Kind::Cjk, {u"Gulim"}},
    {Kind::Sans, {u"Tahoma"}},
    {Kind::Sans, {u"Arial"}},
    {Kind::Sans, {u"Verdana"}},
    {Kind::Sans, {u"Segoe UI"}},
    {Kind::Sans, {u"MS Shell Dlg"}},
    {Kind::Sans, {u"MS Shell Dlg 2"}},
    {Kind::Sans, {u"MS Sans Serif"}},
    {Kind::Sans, {u"Microsoft Sans Serif"}},
    {Kind::Sans, {u"Calibri"}},
    {Kind::Sans, {u"Trebuchet MS"}},
    {Kind::Sans, {u"Lucida Sans Unicode"}},
    {Kind::Sans, {u"Arial Unicode MS"}},
    {Kind::Sans, {u"System"}},
    {Kind::Serif, {u"Times New Roman"}},
    {Kind::Serif, {u"Georgia"}},
    {Kind::Serif, {u"Cambria"}},
    {Kind::Serif, {u"MS Serif"}},
    {Kind::Mono, {u"Courier New"}},
    {Kind::Mono, {u"Courier"}},
    {Kind::Mono, {u"Consolas"}},
    {Kind::Mono, {u"Lucida Console"}},
};

// The system's own faces of each kind, most usual first.
const std::vector<std::u16string_view>& KindFaces(Kind kind) {
  static const std::vector<std::u16string_view> cjk = {u"Microsoft YaHei", u"微软雅黑", u"SimSun", u"宋体"};
  static const std::vector<std::u16string_view> serif = {u"Times New Roman"};
  static const std::vector<std::u16string_view> mono = {u"Courier New", u"Consolas", u"Lucida Console"};
  static const std::vector<std::u16string_view> sans = {u"Tahoma", u"Segoe UI", u"Microsoft Sans Serif",
                                                        u"Arial"};
  switch (kind) {
    case Kind::Cjk:
      return cjk;
    case Kind::Serif:
      return serif;
    case Kind::Mono:
      return mono;
    case Kind::Sans:
      break;
  }
  return sans;
}

// Face names compare without ASCII case, as the system compares them.
std::u16string Folded(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

const FaceNames* Known(std::u16string_view face) {
  const std::u16string key = Folded(face);
  for (const FaceNames& entry : kFaces) {
    for (std::u16string_view name : entry.names) {
      if (Folded(name) == key) return &entry;
    }
  }
  return nullptr;
}

std::vector<std::u16string> Families(std::u16string_view faceName) {
  std::u16string face(faceName);
  // Commas separate families in the list; a face name never holds one.
  face.erase(std::remove(face.begin(), face.end(), u','), face.end());
  std::vector<std::u16string> families;
  auto add = [&families](std::u16string_view name) {
    if (name.empty()) return;
    for (const std::u16string& f : families) {
      if (Folded(f) == Folded(name)) return;
    }
    families.emplace_back(name);
  };
  add(face);
  const FaceNames* known = Known(face);
  if (known) {
    for (std::u16string_view name : known->names) add(name);
  }
  for (std::u16string_view name : KindFaces(known ? known->kind : Kind::Sans)) add(name);
  return families;
}

// The installed families, read once: fonts installed while the launcher runs
// are seen by the next start.
struct InstalledFace {
  std::u16string name;
  BYTE charset;
  bool fixedPitch;
};

int CALLBACK CollectFace(const LOGFONTW* font, const TEXTMETRICW*, ::DWORD, ::LPARAM context) {
  // Faces for vertical writing ("@name") are no choice for lines of text.
  if (font->lfFaceName[0] == L'@') return 1;
  reinterpret_cast<std::vector<InstalledFace>*>(context)->push_back(InstalledFace{
      win32::OurString(font->lfFaceName), font->lfCharSet, (font->lfPitchAndFamily & 3) == FIXED_PITCH});
  return 1;
}

const std::vector<InstalledFace>& Installed() {
  static const std::vector<InstalledFace> faces = [] {
    std::vector<InstalledFace> found;
    ::HDC dc = ::CreateCompatibleDC(nullptr);
    LOGFONTW all{};
    all.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(dc, &all, CollectFace, reinterpret_cast<::LPARAM>(&found), 0);
    ::DeleteDC(dc);
    return found;
  }();
  return faces;
}

const InstalledFace* FindInstalled(std::u16string_view name) {
  const std::u16string key = Folded(name);
  for (const InstalledFace& face : Installed()) {
    if (Folded(face.name) == key) return &face;
  }
  return nullptr;
}

std::u16string ResolveFace(std::u16string_view faceName) {
  for (const std::u16string& family : Families(faceName)) {
    if (const InstalledFace* face = FindInstalled(family)) return face->name;
  }
  const FaceNames* known = Known(faceName);
  const bool wantFixed = known && known->kind == Kind::Mono;
  const InstalledFace* chinese = nullptr;
  for (const InstalledFace& face : Installed()) {
    if (face.charset != GB2312_CHARSET && face.charset != CHINESEBIG5_CHARSET) continue;
    if (!chinese || (wantFixed && face.fixedPitch && !chinese->fixedPitch)) chinese = &face;
  }
  if (chinese) return chinese->name;
  return std::u16string(faceName);
}

// Far beyond any text a screen shows; it keeps a nonsense size from
// overflowing the arithmetic of heights (times a device scale, too).
constexpr double kMaxEmSize = 4096;

int EmSize(int pixelSize) {
  // A LOGFONT height below 0 is the em size in pixels; 0 asks for the default.
  const int px = pixelSize > 0 ? pixelSize : 12;
  // The pixel size is for 96 dots per inch; a larger text resolution grows it.
  return static_cast<int>(std::lround(std::min(px * TextResolution() / 96.0, kMaxEmSize)));
}

::HFONT System(HFONT__* font) { return win32::As<::HFONT>(font); }

// The font again at `factor` times its height, for a dense bitmap.
::HFONT ScaledFont(const Font& font, int factor) {
  LOGFONTW description{};
  if (!::GetObjectW(System(font.Handle()), sizeof(description), &description)) return nullptr;
  description.lfHeight *= factor;
  return ::CreateFontIndirectW(&description);
}

// A memory DC with a font selected, for measuring.
class FontDc {
 public:
  explicit FontDc(::HFONT font) : dc_(::CreateCompatibleDC(nullptr)) {
    if (dc_) previous_ = ::SelectObject(dc_, font);
  }
  ~FontDc() {
    if (!dc_) return;
    ::SelectObject(dc_, previous_);
    ::DeleteDC(dc_);
  }
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;
  ::HDC get() const { return dc_; }

 private:
  ::HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// The system takes text lengths as int.
bool Measurable(std::u16string_view text) { return text.size() <= static_cast<std::size_t>(INT_MAX); }

// DrawTextW on a measuring DC: the height, and with DT_CALCRECT the rectangle.
int LayOut(::HFONT font, std::u16string_view text, RECT& rect, UINT format) {
  FontDc dc(font);
  ::RECT r{rect.left, rect.top, rect.right, rect.bottom};
  const int height =
      ::DrawTextW(dc.get(), win32::Wide(text.data()), static_cast<int>(text.size()), &r, format);
  rect = RECT{r.left, r.top, r.right, r.bottom};
  return height;
}

// The device pixels the text may touch: its rectangle, or unclipped that
// rectangle widened by the text's own extent, inside the canvas's clip.
RECT TextCover(::HDC target, ::HFONT font, std::u16string_view text, const RECT& device, UINT format) {
  RECT cover = device;
  if (format & DT_NOCLIP) {
    RECT extent = device;
    LayOut(font, text, extent, format | DT_CALCRECT);
    const LONG dx = Width(extent) + Height(device) + 1, dy = Height(extent) + Height(device) + 1;
    cover = RECT{device.left - dx, device.top - dy, device.right + dx, device.bottom + dy};
  }
  ::RECT clip{};
  if (::GetClipBox(target, &clip) == ERROR) return cover;
  return gdi::Intersect(cover, RECT{clip.left, clip.top, clip.right, clip.bottom});
}

// Draws the text white into a cleared mask over cover, and the mask's
// coverage in the colour over the target; returns DrawTextW's height.
int DrawMasked(::HDC target, ::HFONT font, std::u16string_view text, const RECT& device, UINT format,
               const RECT& cover, std::uint32_t argb) {
  // With nothing to show, the height is still the laid out text's.
  Bitmap mask(Empty(cover) ? 1 : Width(cover), Empty(cover) ? 1 : Height(cover));
  gdi::MemoryDc maskDc(mask);
  if (!maskDc.get()) return 0;
  const HGDIOBJ previous = ::SelectObject(maskDc.get(), font);
  ::SetTextColor(maskDc.get(), RGB(255, 255, 255));
  ::SetBkMode(maskDc.get(), TRANSPARENT);
  ::SetViewportOrgEx(maskDc.get(), -cover.left, -cover.top, nullptr);
  ::RECT r{device.left, device.top, device.right, device.bottom};
  const int height =
      ::DrawTextW(maskDc.get(), win32::Wide(text.data()), static_cast<int>(text.size()), &r, format);
  ::SetViewportOrgEx(maskDc.get(), 0, 0, nullptr);
  ::SelectObject(maskDc.get(), previous);
  if (!Empty(cover)) {
    gdi::CoverageToColour(mask, argb);
    gdi::BlendOver(target, cover, maskDc.get(), RECT{0, 0, Width(cover), Height(cover)}, 255);
  }
  return height;
}

// A font made for one drawing, deleted after it.
struct OwnedFont {
  explicit OwnedFont(::HFONT made) : font(made) {}
  ~OwnedFont() {
    if (font) ::DeleteObject(font);
  }
  OwnedFont(const OwnedFont&) = delete;
  OwnedFont& operator=(const OwnedFont&) = delete;
  ::HFONT font;
};

}  // namespace

std::string FontFamilyList(std::u16string_view faceName) {
  std::u16string list;
  for (const std::u16string& family : Families(faceName)) {
    if (!list.empty()) list += u',';
    list += family;
  }
  return Utf16ToUtf8(list);
}

Font::Font(std::u16string_view faceName, int pixelSize, bool bold, bool underline, bool italic)
    : face_(faceName), size_(pixelSize), bold_(bold), underline_(underline), italic_(italic) {
  LOGFONTW description{};
  description.lfHeight = -EmSize(pixelSize);
  description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  description.lfItalic = italic ? TRUE : FALSE;
  description.lfUnderline = underline ? TRUE : FALSE;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfOutPrecision = OUT_TT_PRECIS;
  // Grey antialiasing: colour fringes would be wrong on translucent pixels,
  // and the coverage of grey text is one value per pixel.
  description.lfQuality = ANTIALIASED_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::u16string face = ResolveFace(faceName);
  // LOGFONT holds a face name of at most 31 units; a longer one names no
  // installed face, and the system picks its default instead of reading a
  // cut name.
  constexpr std::size_t kFaceCapacity = sizeof(description.lfFaceName) / sizeof(description.lfFaceName[0]);
  if (face.size() < kFaceCapacity) std::copy(face.begin(), face.end(), description.lfFaceName);
  font_ = win32::As<HFONT__*>(::CreateFontIndirectW(&description));
}

Font::~Font() {
  if (font_) ::DeleteObject(System(font_));
}

Font::Font(Font&& other) noexcept
    : face_(std::move(other.face_)),
      size_(other.size_),
      bold_(other.bold_),
      underline_(other.underline_),
      italic_(other.italic_),
      font_(std::exchange(other.font_, nullptr)),
      metrics_(std::move(other.metrics_)) {}

Font& Font::operator=(Font&& other) noexcept {
  if (this != &other) {
    if (font_) ::DeleteObject(System(font_));
    face_ = std::move(other.face_);
    size_ = other.size_;
    bold_ = other.bold_;
    underline_ = other.underline_;
    italic_ = other.italic_;
    font_ = std::exchange(other.font_, nullptr);
    metrics_ = std::move(other.metrics_);
  }
  return *this;
}

const TextMetrics& Font::Metrics() const {
  if (metrics_) return *metrics_;
  metrics_ = std::make_unique<TextMetrics>();
  if (!font_) return *metrics_;
  FontDc dc(System(font_));
  TEXTMETRICW tm{};
  if (!dc.get() || !::GetTextMetricsW(dc.get(), &tm)) return *metrics_;
  TextMetrics& m = *metrics_;
  m.height = tm.tmHeight;
  m.ascent = tm.tmAscent;
  m.descent = tm.tmDescent;
  m.internalLeading = tm.tmInternalLeading;
  m.externalLeading = tm.tmExternalLeading;
  m.aveCharWidth = tm.tmAveCharWidth;
  m.maxCharWidth = tm.tmMaxCharWidth;
  return m;
}

std::string Font::ResolvedFamily() const {
  if (!font_) return {};
  FontDc dc(System(font_));
  const int length = dc.get() ? ::GetTextFaceW(dc.get(), 0, nullptr) : 0;
  if (length <= 0) return {};
  std::wstring face(static_cast<std::size_t>(length), L'\0');
  const int copied = ::GetTextFaceW(dc.get(), length, face.data());
  // The count includes the terminating null.
  face.resize(static_cast<std::size_t>(std::clamp(copied - 1, 0, length)));
  return Utf16ToUtf8(win32::OurString(face));
}

SIZE MeasureText(const Font& font, std::u16string_view text) {
  SIZE size{0, font.Metrics().height};
  if (text.empty() || !font.Handle() || !Measurable(text)) return size;
  FontDc dc(System(font.Handle()));
  ::SIZE extent{};
  if (::GetTextExtentPoint32W(dc.get(), win32::Wide(text.data()), static_cast<int>(text.size()), &extent)) {
    size.cx = extent.cx;
  }
  return size;
}

std::vector<int> TextPartialExtents(const Font& font, std::u16string_view text) {
  std::vector<int> extents(text.size(), 0);
  if (text.empty() || !font.Handle() || !Measurable(text)) return extents;
  FontDc dc(System(font.Handle()));
  ::SIZE whole{};
  if (!::GetTextExtentExPointW(dc.get(), win32::Wide(text.data()), static_cast<int>(text.size()), 0, nullptr,
                               extents.data(), &whole)) {
    return std::vector<int>(text.size(), 0);
  }
  // Both units of a surrogate pair end where their character ends, and no
  // extent comes before the one preceding it.
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      extents[i] = extents[i + 1];
    }
  }
  for (std::size_t i = 1; i < extents.size(); ++i) extents[i] = std::max(extents[i], extents[i - 1]);
  return extents;
}

int DrawText(Canvas* canvas, const Font& font, std::u16string_view text, RECT& rect, UINT format,
             std::uint32_t argb) {
  const bool calc = (format & DT_CALCRECT) != 0;
  if (text.empty() || !font.Handle() || !Measurable(text)) {
    if (calc) rect.right = rect.left, rect.bottom = rect.top;
    return 0;
  }
  // DT_MODIFYSTRING would have the system write into the caller's text.
  format &= ~DT_MODIFYSTRING;
  if (calc || !canvas || !canvas->IsValid()) {
    RECT laidOut = rect;
    const int height = LayOut(System(font.Handle()), text, laidOut, format);
    if (calc) rect = laidOut;
    return height;
  }
  const DeviceScale scale = canvas->Target().Scale();
  const int f = scale.Factor();
  const OwnedFont scaled(f == 1 ? nullptr : ScaledFont(font, f));
  const ::HFONT drawn = scaled.font ? scaled.font : System(font.Handle());
  const RECT device = scale.ToDevice(rect);
  ::HDC target = win32::As<::HDC>(canvas->Dc());
  const int height =
      DrawMasked(target, drawn, text, device, format, TextCover(target, drawn, text, device, format), argb);
  return (height + f - 1) / f;
}

}  // namespace os
