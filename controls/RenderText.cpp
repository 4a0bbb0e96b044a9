// Plain text and the markup text of the renderer.
#include <algorithm>
#include <climits>

#include "controls/Render.h"

namespace Kesto {

namespace {

DWORD Opaque(DWORD color) { return color | 0xFF000000u; }

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}
bool IsLower(char16_t c) { return c >= u'a' && c <= u'z'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Letters are what a word break must not split: Latin letters. Spaces,
// digits, punctuation and ideographs are all places a line may end after.
bool IsLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}

long ReadLong(std::u16string_view s, std::size_t& pos, int base = 10) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == u'-' || s[pos] == u'+')) negative = s[pos++] == u'-';
  if (base == 16 && pos + 1 < s.size() && s[pos] == u'0' && (s[pos + 1] == u'x' || s[pos + 1] == u'X'))
    pos += 2;
  long value = 0;
  for (; pos < s.size(); ++pos) {
    const char16_t c = s[pos];
    int digit;
    if (IsDigit(c)) {
      digit = c - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    if (value <= (LONG_MAX - digit) / base) value = value * base + digit;
  }
  return negative ? -value : value;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::u16string_view> Words(std::u16string_view s) {
  std::vector<std::u16string_view> words;
  std::size_t pos = 0;
  while (pos < s.size()) {
    while (pos < s.size() && IsSpace(s[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < s.size() && !IsSpace(s[pos])) ++pos;
    if (pos > start) words.push_back(s.substr(start, pos - start));
  }
  return words;
}

bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

struct Piece {
  bool isImage = false;
  std::u16string text;
  const os::Font* font = nullptr;
  DWORD color = 0;
  bool linkColor = false;  // the colour is the link colour, which turns to the hover colour
  bool selected = false;
  int link = -1;
  const ImageInfo* image = nullptr;
  RECT source{};
  int x = 0;
  int width = 0;
  int height = 0;
};

struct Line {
  std::vector<Piece> pieces;
  int height = 0;
  int width = 0;
};

struct ColorEntry {
  DWORD color;
  bool link;
};

// Lays out the marked-up text into lines of positioned pieces, applying the
// tags as it meets them.
class HtmlLayout {
 public:
  HtmlLayout(RenderResources& res, const os::Font* font, DWORD color, int width, UINT style)
      : res_(res),
        width_(width),
        single_((style & os::DT_SINGLELINE) != 0),
        wordBreak_((style & os::DT_WORDBREAK) != 0),
        ellipsis_((style & os::DT_END_ELLIPSIS) != 0),
        fonts_{font},
        colors_{{color, false}} {
    lines_.emplace_back();
    lines_.back().height = FontLineHeight();
  }

  void Run(std::u16string_view text);

  std::vector<Line>& Lines() { return lines_; }
  const std::vector<std::u16string>& Targets() const { return targets_; }

 private:
  int FontLineHeight() const {
    const os::TextMetrics& m = fonts_.back()->Metrics();
    return m.height + m.externalLeading + spacing_.back();
  }
  void RaiseForFont() { lines_.back().height = std::max(lines_.back().height, FontLineHeight()); }
  void PushFont(const os::Font* font) {
    fonts_.push_back(font ? font : fonts_.back());
    RaiseForFont();
  }
  void PopFont() {
    if (fonts_.size() > 1) fonts_.pop_back();
    RaiseForFont();
  }
  const os::Font* Variant(bool bold, bool underline) {
    const os::Font* f = fonts_.back();
    return res_.FindFont(f->FaceName(), f->Size(), bold || f->Bold(), underline || f->Underline(),
                         f->Italic());
  }
  int Available() const { return width_ - x_; }

  void NewLine() {
    lines_.back().width = x_;
    lines_.emplace_back();
    lines_.back().height = FontLineHeight();
    x_ = 0;
    skipping_ = false;
  }
  void AddText(std::u16string_view text, int width) {
    if (text.empty()) return;
    Piece p;
    p.text = text;
    p.font = fonts_.back();
    p.color = colors_.back().color;
    p.linkColor = colors_.back().link;
    p.selected = selected_.back();
    p.link = links_.back();
    p.x = x_;
    p.width = width;
    lines_.back().pieces.push_back(std::move(p));
    x_ += width;
  }
  void PlaceText(std::u16string_view run);
  void PlaceImage(std::u16string_view arg);
  void Flush() {
    PlaceText(pending_);
    pending_.clear();
  }
  void Open(char16_t tag, std::u16string_view arg);
  void Close(char16_t tag);

  RenderResources& res_;
  const int width_;
  const bool single_, wordBreak_, ellipsis_;
  std::vector<const os::Font*> fonts_;
  std::vector<ColorEntry> colors_;
  std::vector<int> spacing_{0};
  std::vector<bool> selected_{false};
  std::vector<int> links_{-1};
  std::vector<std::u16string> targets_;
  std::vector<Line> lines_;
  std::u16string pending_;
  int x_ = 0;
  bool skipping_ = false;  // the rest of the line was cut off by an ellipsis
  bool raw_ = false;
};

void HtmlLayout::PlaceText(std::u16string_view run) {
  while (!run.empty() && !skipping_) {
    const os::Font& font = *fonts_.back();
    const std::vector<int> ext = os::TextPartialExtents(font, run);
    const std::size_t fit =
        static_cast<std::size_t>(std::upper_bound(ext.begin(), ext.end(), Available()) - ext.begin());
    if (fit == run.size()) {
      AddText(run, ext.back());
      return;
    }
    std::size_t cut = fit;
    if (wordBreak_ && !IsSpace(run[fit])) {
      cut = 0;
      for (std::size_t k = fit; k > 0; --k) {
        if (IsSpace(run[k - 1]) || !IsLetter(run[k - 1])) {
          cut = k;
          break;
        }
      }
    }
    auto width = [&ext](std::size_t n) { return n ? ext[n - 1] : 0; };
    if (ellipsis_) {
      cut = cut >= 2 ? cut - 2 : 0;
      AddText(run.substr(0, cut), width(cut));
      AddText(u"...", os::MeasureText(font, u"...").cx);
      skipping_ = true;
      return;
    }
    if (single_) {
      // One line only: what does not fit is not shown.
      AddText(run.substr(0, fit), width(fit));
      skipping_ = true;
      return;
    }
    if (cut == 0) {
      if (x_ > 0) {
        NewLine();
        continue;
      }
      // Not even one character fits on an empty line: it goes there anyway,
      // or the text would never end.
      cut = std::max<std::size_t>(fit, 1);
    }
    if (cut < run.size() && run[cut] >= 0xDC00 && run[cut] <= 0xDFFF) ++cut;  // keep surrogate pairs whole
    AddText(run.substr(0, cut), width(cut));
    run.remove_prefix(cut);
    // A forced last character leaves the line full; what follows breaks it.
    if (run.empty()) return;
    NewLine();
    if (wordBreak_) {
      while (!run.empty() && run.front() == u' ') run.remove_prefix(1);
    }
  }
}

void HtmlLayout::PlaceImage(std::u16string_view arg) {
  std::u16string name, type;
  std::size_t pos = 0;
  arg = Trim(arg);
  if (arg.find(u'=') != std::u16string_view::npos) {
    while (pos < arg.size()) {
      std::size_t p = pos;
      while (p < arg.size() && IsSpace(arg[p])) ++p;
      const std::size_t keyStart = p;
      while (p < arg.size() && arg[p] != u'=' && !IsSpace(arg[p])) ++p;
      const std::u16string_view key = arg.substr(keyStart, p - keyStart);
      while (p < arg.size() && IsSpace(arg[p])) ++p;
      if (p >= arg.size() || arg[p] != u'=') break;
      ++p;
      while (p < arg.size() && IsSpace(arg[p])) ++p;
      if (p >= arg.size() || arg[p] != u'\'') break;
      const std::size_t valueStart = ++p;
      while (p < arg.size() && arg[p] != u'\'') ++p;
      if (p >= arg.size()) break;
      const std::u16string_view value = arg.substr(valueStart, p - valueStart);
      pos = p + 1;
      if (key == u"file" || key == u"res") {
        name = value;
      } else if (key == u"restype") {
        type = value;
      }
    }
  } else {
    while (pos < arg.size() && !IsSpace(arg[pos])) ++pos;
    name = arg.substr(0, pos);
  }
  const long frames = std::max(1L, ReadLong(arg, pos));
  const long index = std::clamp(ReadLong(arg, pos), 0L, frames - 1);
  if (name.empty() || skipping_) return;
  const ImageInfo* image = res_.Image(name, type, 0);
  if (!image) return;
  const int frameWidth = static_cast<int>(image->width / frames);
  if (frameWidth <= 0) return;
  if (!single_ && x_ > 0 && frameWidth > Available()) NewLine();
  Piece p;
  p.isImage = true;
  p.image = image;
  p.source = RECT{static_cast<os::LONG>(index * frameWidth), 0,
                  static_cast<os::LONG>((index + 1) * frameWidth), image->height};
  p.x = x_;
  p.width = frameWidth;
  p.height = image->height;
  p.link = links_.back();
  lines_.back().pieces.push_back(p);
  lines_.back().height = std::max(lines_.back().height, image->height);
  x_ += frameWidth;
}

void HtmlLayout::Open(char16_t tag, std::u16string_view arg) {
  switch (tag) {
    case u'a':
      links_.push_back(static_cast<int>(targets_.size()));
      targets_.emplace_back(Trim(arg));
      colors_.push_back({res_.LinkColor(), true});
      PushFont(Variant(false, true));
      break;
    case u'b':
      PushFont(Variant(true, false));
      break;
    case u'c': {
      std::u16string_view v = Trim(arg);
      if (!v.empty() && v.front() == u'#') v.remove_prefix(1);
      std::size_t pos = 0;
      colors_.push_back({static_cast<DWORD>(ReadLong(v, pos, 16)), false});
      break;
    }
    case u'f': {
      const std::u16string_view v = Trim(arg);
      if (!v.empty() && IsDigit(v.front())) {
        std::size_t pos = 0;
        PushFont(res_.FontAt(static_cast<int>(ReadLong(v, pos))));
        break;
      }
      const os::Font* current = fonts_.back();
      std::u16string face;
      int size = current->Size();
      bool bold = false, underline = false, italic = false, sized = false;
      for (std::u16string_view word : Words(v)) {
        if (!sized && IsDigit(word.front())) {
          std::size_t pos = 0;
          size = static_cast<int>(ReadLong(word, pos));
          sized = true;
        } else if (!sized) {
          if (!face.empty()) face += u' ';
          face += word;
        } else if (word == u"bold") {
          bold = true;
        } else if (word == u"underline") {
          underline = true;
        } else if (word == u"italic") {
          italic = true;
        }
      }
      if (face.empty()) face = current->FaceName();
      PushFont(res_.FindFont(face, size, bold, underline, italic));
      break;
    }
    case u'i':
      PlaceImage(arg);
      break;
    case u'n':
      if (!single_) NewLine();
      break;
    case u'p': {
      if (!single_ && x_ > 0) NewLine();
      std::size_t pos = 0;
      spacing_.push_back(static_cast<int>(ReadLong(arg, pos)));
      RaiseForFont();
      break;
    }
    case u'r':
      raw_ = true;
      break;
    case u's':
      selected_.push_back(!selected_.back());
      break;
    case u'u':
      PushFont(Variant(false, true));
      break;
    case u'x': {
      std::size_t pos = 0;
      x_ = std::max(0, x_ + static_cast<int>(ReadLong(arg, pos)));
      break;
    }
    case u'y': {
      std::size_t pos = 0;
      lines_.back().height = static_cast<int>(ReadLong(arg, pos));
      break;
    }
    default:
      break;
  }
}

void HtmlLayout::Close(char16_t tag) {
  switch (tag) {
    case u'a':
      if (links_.size() > 1) links_.pop_back();
      if (colors_.size() > 1) colors_.pop_back();
      PopFont();
      break;
    case u'b':
    case u'f':
    case u'u':
      PopFont();
      break;
    case u'c':
      if (colors_.size() > 1) colors_.pop_back();
      break;
    case u'p':
      if (spacing_.size() > 1) spacing_.pop_back();
      break;
    case u's':
      if (selected_.size() > 1) selected_.pop_back();
      break;
    default:
      break;
  }
}

void HtmlLayout::Run(std::u16string_view text) {
  const std::size_t n = text.size();
  auto isOpen = [](char16_t c) { return c == u'<' || c == u'{'; };
  auto isEnd = [](char16_t c) { return c == u'>' || c == u'}'; };
  std::size_t i = 0;
  while (i < n) {
    const char16_t c = text[i];
    if (raw_) {
      if (isOpen(c) && i + 3 < n && text[i + 1] == u'/' && text[i + 2] == u'r' && isEnd(text[i + 3])) {
        raw_ = false;
        i += 4;
        continue;
      }
    } else if (isOpen(c) && i + 1 < n) {
      // "<{>" "<}>" stand for braces, "{<}" "{>}" for angle brackets.
      if (i + 2 < n && ((c == u'<' && (text[i + 1] == u'{' || text[i + 1] == u'}') && text[i + 2] == u'>') ||
                        (c == u'{' && (text[i + 1] == u'<' || text[i + 1] == u'>') && text[i + 2] == u'}'))) {
        pending_ += text[i + 1];
        i += 3;
        continue;
      }
      if (i + 3 < n && text[i + 1] == u'/' && IsLower(text[i + 2]) && isEnd(text[i + 3])) {
        Flush();
        Close(text[i + 2]);
        i += 4;
        continue;
      }
      if (i + 2 < n && IsLower(text[i + 1]) && (text[i + 2] == u' ' || isEnd(text[i + 2]))) {
        std::u16string_view arg;
        std::size_t next = i + 3;
        if (text[i + 2] == u' ') {
          std::size_t end = i + 3;
          while (end < n && !isEnd(text[end])) ++end;
          if (end < n) {
            arg = text.substr(i + 3, end - (i + 3));
            next = end + 1;
          } else {
            next = 0;  // never closed: not a tag
          }
        }
        if (next != 0) {
          Flush();
          Open(text[i + 1], arg);
          i = next;
          continue;
        }
      }
    }
    if (c == u'\n') {
      Flush();
      if (!single_) NewLine();
    } else if (c != u'\r') {
      pending_ += c;
    }
    ++i;
  }
  Flush();
  lines_.back().width = x_;
}

}  // namespace

void Renderer::DrawText(os::Canvas* dc, RenderResources* res, RECT& rc, std::u16string_view text, DWORD color,
                        int fontIndex, UINT style) {
  if (text.empty() || !res) return;
  const os::Font* font = res->FontAt(fontIndex);
  if (!font) return;
  if (!res->TransparentBackground() && !res->TypographicText()) {
    os::DrawText(dc, *font, text, rc, style | os::DT_NOPREFIX, Opaque(color));
    return;
  }
  // Typographic text: wraps unless single-line, aligns vertically in any
  // case, and measures one pixel larger each way.
  UINT flags = (style | os::DT_NOPREFIX) & ~(os::DT_VCENTER | os::DT_BOTTOM | os::DT_CALCRECT);
  if ((style & os::DT_SINGLELINE) == 0) flags |= os::DT_WORDBREAK;
  if (style & os::DT_CALCRECT) {
    RECT m = rc;
    os::DrawText(nullptr, *font, text, m, flags | os::DT_CALCRECT, 0);
    rc = RECT{rc.left, rc.top, rc.left + (m.right - m.left) + 1, rc.top + (m.bottom - m.top) + 1};
    return;
  }
  if (!dc) return;
  RECT r = rc;
  if (style & (os::DT_VCENTER | os::DT_BOTTOM)) {
    RECT m = rc;
    const int h = os::DrawText(nullptr, *font, text, m, flags | os::DT_CALCRECT, 0);
    const int room = (rc.bottom - rc.top) - h;
    r.top += (style & os::DT_VCENTER) ? room / 2 : room;
    r.bottom = r.top + h;
  }
  const bool clip = (style & os::DT_NOCLIP) == 0;
  if (clip) dc->PushClipRect(rc);
  os::DrawText(dc, *font, text, r, flags | os::DT_NOCLIP, (color & 0x00FFFFFFu) | 0xFE000000u);
  if (clip) dc->PopClip();
}

void Renderer::DrawHtmlText(os::Canvas* dc, RenderResources* res, RECT& rc, std::u16string_view text,
                            DWORD color, std::vector<HtmlLink>* links, std::size_t linkCapacity, UINT style) {
  if (links) links->clear();
  const bool calc = (style & os::DT_CALCRECT) != 0;
  if (text.empty() || !res || (!calc && !dc)) return;
  const os::Font* font = res->DefaultFont();
  if (!font) return;
  const int rectWidth = rc.right - rc.left;
  // Measuring without a width lays the text out without wrapping.
  const int width = calc && rectWidth <= 0 ? INT_MAX : rectWidth;

  HtmlLayout layout(*res, font, color, width, style);
  layout.Run(text);
  std::vector<Line>& lines = layout.Lines();

  const bool centre = (style & os::DT_CENTER) != 0 && (style & os::DT_SINGLELINE) == 0;
  // Link rectangles: per line, the span of each link's pieces.
  std::vector<HtmlLink> found;
  std::vector<bool> hovered(layout.Targets().size(), false);
  const POINT mouse = res->MousePoint();
  int y = rc.top, maxWidth = 0;
  for (Line& line : lines) {
    const int offset = centre ? (rectWidth - line.width) / 2 : 0;
    maxWidth = std::max(maxWidth, line.width);
    std::vector<std::pair<int, RECT>> spans;
    for (const Piece& p : line.pieces) {
      if (p.link < 0) continue;
      const RECT r{rc.left + offset + p.x, y, rc.left + offset + p.x + p.width, y + line.height};
      auto it = std::find_if(spans.begin(), spans.end(), [&p](const auto& s) { return s.first == p.link; });
      if (it == spans.end()) {
        spans.emplace_back(p.link, r);
      } else {
        it->second.left = std::min(it->second.left, r.left);
        it->second.right = std::max(it->second.right, r.right);
      }
    }
    for (const auto& [link, r] : spans) {
      if (Contains(r, mouse)) hovered[link] = true;
      found.push_back(HtmlLink{r, layout.Targets()[link]});
    }
    y += line.height;
  }
  if (links) {
    for (std::size_t k = 0; k < found.size() && links->size() < linkCapacity; ++k) links->push_back(found[k]);
  }

  if (calc) {
    const int bottom = y;
    rc.right = rectWidth <= 0 ? rc.left + maxWidth : std::min<os::LONG>(rc.right, rc.left + maxWidth);
    rc.bottom = rc.bottom <= rc.top ? bottom : std::min<os::LONG>(rc.bottom, bottom);
    return;
  }

  const bool clip = (style & os::DT_NOCLIP) == 0;
  if (clip) dc->PushClipRect(rc);
  const RECT paint = clip ? rc : RECT{0, 0, dc->Width(), dc->Height()};
  y = rc.top;
  for (const Line& line : lines) {
    const int offset = centre ? (rectWidth - line.width) / 2 : 0;
    const int top = y, bottom = y + line.height;
    int descent = 0;
    for (const Piece& p : line.pieces) {
      if (!p.isImage) descent = std::max<int>(descent, p.font->Metrics().descent);
    }
    const int baseline = bottom - descent;
    for (const Piece& p : line.pieces) {
      const int left = rc.left + offset + p.x;
      if (p.isImage) {
        const int h = p.height;
        const int imageTop = h < line.height ? top + (line.height - h) / 2 : bottom - h;
        DrawImage(*dc, p.image->bitmap, RECT{left, imageTop, left + p.width, imageTop + h}, paint, p.source,
                  RECT{}, p.image->alphaChannel || res->TransparentBackground());
        continue;
      }
      if (p.selected) dc->FillRect(RECT{left, top, left + p.width, bottom}, res->SelectedColor());
      const DWORD c = p.linkColor && p.link >= 0 && hovered[p.link] ? res->LinkHoverColor() : p.color;
      const os::TextMetrics& m = p.font->Metrics();
      RECT r{left, baseline - m.ascent, left + p.width, baseline - m.ascent + m.height};
      os::DrawText(dc, *p.font, p.text, r, os::DT_SINGLELINE | os::DT_NOPREFIX | os::DT_NOCLIP, Opaque(c));
    }
    y = bottom;
  }
  if (clip) dc->PopClip();
}

}  // namespace Kesto
