#include "Core/Markup.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <limits>

#include "platform/base/Unicode.h"

namespace Kesto {
namespace {

constexpr std::size_t kMaxErrorMessage = 99;
constexpr std::size_t kMaxErrorLocation = 49;

// Blanks and control characters; never the terminator.
inline void SkipWhitespace(char16_t*& p) {
  while (*p != 0 && *p <= 0x20) ++p;
}
inline void SkipWhitespace(const char16_t* text, std::uint32_t& pos) {
  while (text[pos] != 0 && text[pos] <= 0x20) ++pos;
}

struct NameTable {
  bool ascii[128] = {};
  constexpr NameTable() {
    for (int c = 'a'; c <= 'z'; ++c) ascii[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) ascii[c] = true;
    for (int c = '0'; c <= '9'; ++c) ascii[c] = true;
    ascii[static_cast<unsigned char>('_')] = true;
    ascii[static_cast<unsigned char>(':')] = true;
  }
};
constexpr NameTable kNameTable;

// Letters and digits as the runtime classifies wide characters, "_" and ":".
inline bool IsNameChar(char16_t c) {
  if (c < 128) return kNameTable.ascii[c];
  return std::iswalnum(static_cast<wint_t>(c)) != 0;
}

// Decodes one entity after an ampersand: the five named ones, each closed by a
// semicolon. Anything else is a literal ampersand and consumes nothing.
inline void DecodeEntity(char16_t*& p, char16_t*& w) {
  struct Entity {
    std::u16string_view name;
    char16_t value;
  };
  static constexpr Entity kEntities[] = {
      {u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}, {u"quot;", u'"'}, {u"apos;", u'\''},
  };
  for (const Entity& e : kEntities) {
    std::size_t i = 0;
    // A terminator in the text differs from every name character, so the
    // comparison never reads past the end of the document.
    while (i < e.name.size() && p[i] == e.name[i]) ++i;
    if (i == e.name.size()) {
      *w++ = e.value;
      p += i;
      return;
    }
  }
  *w++ = u'&';
}

// Converts UTF-8 into a new terminated buffer; returns its length.
std::size_t ConvertUtf8(const char* bytes, std::size_t length, std::unique_ptr<char16_t[]>& out) {
  // ASCII runs are widened directly; the rest goes through the system
  // converter in runs that end at an ASCII byte, which never continues a
  // multi-byte sequence, so the result equals converting the whole buffer.
  // No run yields more units than it has bytes.
  out = std::make_unique_for_overwrite<char16_t[]>(length + 1);
  char16_t* w = out.get();
  std::size_t i = 0;
  while (i < length) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      *w++ = b;
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < length && static_cast<unsigned char>(bytes[j]) >= 0x80) ++j;
    const std::u16string part = os::Utf8ToUtf16(std::string_view(bytes + i, j - i));
    w = std::copy(part.begin(), part.end(), w);
    i = j;
  }
  *w = 0;
  return static_cast<std::size_t>(w - out.get());
}

}  // namespace

// ---------------------------------------------------------------------------
// MarkupNode

MarkupNode MarkupNode::NextSibling() const {
  if (doc_ == nullptr) return {};
  const std::uint32_t next = doc_->elements_[index_].next;
  return next == 0 ? MarkupNode() : MarkupNode(doc_, next);
}

MarkupNode MarkupNode::FirstChild() const {
  if (doc_ == nullptr) return {};
  const std::uint32_t child = doc_->elements_[index_].child;
  return child == 0 ? MarkupNode() : MarkupNode(doc_, child);
}

bool MarkupNode::HasChildren() const { return doc_ != nullptr && doc_->elements_[index_].child != 0; }

const char16_t* MarkupNode::TagName() const {
  if (doc_ == nullptr) return nullptr;
  return doc_->text_.get() + doc_->elements_[index_].nameStart;
}

std::size_t MarkupNode::AttributeCount() const {
  if (doc_ == nullptr) return 0;
  MapAttributes();
  return count_;
}

bool MarkupNode::HasAttributes() const { return AttributeCount() > 0; }

const char16_t* MarkupNode::AttributeNameAt(std::size_t i) const {
  if (i >= AttributeCount()) return u"";
  return doc_->text_.get() + map_[i * 2];
}

const char16_t* MarkupNode::AttributeValueAt(std::size_t i) const {
  if (i >= AttributeCount()) return u"";
  return doc_->text_.get() + map_[i * 2 + 1];
}

const char16_t* MarkupNode::FindAttribute(std::u16string_view name) const {
  const std::size_t count = AttributeCount();
  const char16_t* text = count ? doc_->text_.get() : nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t* candidate = text + map_[i * 2];
    std::size_t k = 0;
    while (k < name.size() && candidate[k] == name[k]) ++k;
    if (k == name.size() && candidate[k] == 0) return text + map_[i * 2 + 1];
  }
  return nullptr;
}

bool MarkupNode::FindAttribute(std::u16string_view name, std::u16string& value, std::size_t capacity) const {
  const char16_t* found = FindAttribute(name);
  if (found == nullptr) return false;
  // Always leave a complete value: at most capacity - 1 characters fit beside
  // the terminator a caller's buffer of that capacity would need.
  std::u16string_view v(found);
  value.assign(v.substr(0, capacity == 0 ? 0 : capacity - 1));
  return true;
}

void MarkupNode::MapAttributes() const {
  if (mapped_) return;
  mapped_ = true;
  count_ = 0;
  const char16_t* text = doc_->text_.get();
  const MarkupDoc::Element& el = doc_->elements_[index_];
  const std::uint32_t end = el.dataStart;
  // Steps over a name or value and its terminator; false when that would run
  // into the element's text, which no attribute reaches.
  auto stepOver = [&](std::uint32_t& pos) {
    while (text[pos] != 0) {
      if (++pos >= end) return false;
    }
    ++pos;
    return true;
  };
  std::uint32_t pos = el.nameStart;
  if (!stepOver(pos)) return;
  while (pos < end) {
    SkipWhitespace(text, pos);
    const std::uint32_t nameStart = pos;
    if (!stepOver(pos)) return;
    SkipWhitespace(text, pos);
    if (text[pos] != u'"') return;
    ++pos;
    map_[count_ * 2] = nameStart;
    map_[count_ * 2 + 1] = pos;
    if (++count_ == kMaxAttributes) return;
    if (!stepOver(pos)) return;
  }
}

// ---------------------------------------------------------------------------
// MarkupDoc

void MarkupDoc::Release() {
  text_.reset();
  length_ = 0;
  elements_ = {};
  capacity_ = 0;
}

MarkupNode MarkupDoc::Root() const {
  if (text_ == nullptr || elements_.size() < 2) return {};
  return MarkupNode(this, 1);
}

void MarkupDoc::SetLoadFailure(std::u16string_view message) {
  Release();
  errorMessage_.assign(message.substr(0, kMaxErrorMessage));
  errorLocation_.clear();
}

bool MarkupDoc::LoadFromText(std::u16string_view text) {
  Release();
  // A terminator inside the text ends the document, as in a terminated string.
  auto buffer = std::make_unique_for_overwrite<char16_t[]>(text.size() + 1);
  std::copy(text.begin(), text.end(), buffer.get());
  buffer[text.size()] = 0;
  return ParseFrom(std::move(buffer), text.size());
}

bool MarkupDoc::LoadFromBytes(const void* data, std::size_t length, MarkupEncoding encoding) {
  Release();
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (bytes == nullptr) length = 0;
  if (encoding == MarkupEncoding::Utf16) {
    // Without a byte-order mark there is no way to tell the byte order: no text.
    if (length < 2 || !((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
      errorMessage_.clear();
      errorLocation_.clear();
      return false;
    }
    const bool swap = bytes[0] == 0xFE;
    const std::size_t units = length / 2 - 1;
    auto buffer = std::make_unique_for_overwrite<char16_t[]>(units + 1);
    for (std::size_t i = 0; i < units; ++i) {
      const unsigned char a = bytes[2 + i * 2];
      const unsigned char b = bytes[3 + i * 2];
      buffer[i] = swap ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
    }
    buffer[units] = 0;
    return ParseFrom(std::move(buffer), units);
  }
  const char* start = reinterpret_cast<const char*>(bytes);
  if (encoding == MarkupEncoding::Utf8 && length > 2 && bytes[0] == 0xEF && bytes[1] == 0xBB &&
      bytes[2] == 0xBF) {
    start += 3;
    length -= 3;
  }
  std::unique_ptr<char16_t[]> buffer;
  const std::size_t units = ConvertUtf8(start, length, buffer);
  return ParseFrom(std::move(buffer), units);
}

bool MarkupDoc::ParseFrom(std::unique_ptr<char16_t[]> text, std::size_t length) {
  // Positions are 32-bit character indices.
  if (length >= std::numeric_limits<std::uint32_t>::max()) {
    SetLoadFailure(u"File too large");
    return false;
  }
  text_ = std::move(text);
  length_ = length;
  if (Parse()) return true;
  Release();
  return false;
}

std::uint32_t MarkupDoc::ReserveElement() {
  if (elements_.size() == capacity_) {
    const std::uint64_t grown = std::uint64_t{capacity_} + capacity_ / 2 + 500;
    capacity_ =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(grown, std::numeric_limits<std::uint32_t>::max()));
    elements_.reserve(capacity_);
  }
  elements_.push_back(Element{0, 0, 0, 0, 0});
  return static_cast<std::uint32_t>(elements_.size() - 1);
}

bool MarkupDoc::Fail(std::u16string_view message, const char16_t* location) {
  errorMessage_.assign(message.substr(0, kMaxErrorMessage));
  errorLocation_.clear();
  for (std::size_t i = 0; location != nullptr && i < kMaxErrorLocation && location[i] != 0; ++i) {
    errorLocation_.push_back(location[i]);
  }
  return false;
}

// Copies text up to `end`, decoding entities, and returns the write position
// (the decoded end). Characters freed by decoding are blanked so the attribute
// mapping can step over a shortened value.
char16_t* MarkupDoc::ParseText(char16_t*& p, char16_t end) {
  // Until the first entity the text stays where it is.
  while (*p != 0 && *p != end && *p != u'&') ++p;
  char16_t* w = p;
  while (*p != 0 && *p != end) {
    if (*p == u'&') {
      ++p;
      DecodeEntity(p, w);
      continue;
    }
    *w++ = *p++;
  }
  for (char16_t* q = w + 1; q < p; ++q) *q = u' ';
  return w;
}

bool MarkupDoc::ParseAttributes(char16_t*& p) {
  if (*p == u'>') return true;
  // A name followed directly by "/>" is an empty element; its "/" becomes the
  // name's terminator later.
  if (p[0] == u'/' && p[1] == u'>') return true;
  *p++ = 0;
  while (*p != 0 && *p != u'>' && *p != u'/') {
    SkipWhitespace(p);
    while (IsNameChar(*p)) ++p;
    char16_t* identEnd = p;
    SkipWhitespace(p);
    if (*p != u'=') return Fail(u"Error while parsing attributes", p);
    *p++ = u' ';
    *identEnd = 0;
    SkipWhitespace(p);
    if (*p != u'"') return Fail(u"Expected attribute value", p);
    ++p;
    char16_t* w = ParseText(p, u'"');
    if (*p == 0) return Fail(u"Error while parsing attribute string", p);
    const bool shortened = w != p;
    *w = 0;
    if (shortened) *p = u' ';
    ++p;
    SkipWhitespace(p);
  }
  return true;
}

bool MarkupDoc::Parse() {
  elements_.clear();
  capacity_ = 0;
  ReserveElement();  // index 0: placeholder, so 0 can mean "none"
  errorMessage_.clear();
  errorLocation_.clear();

  char16_t* const text = text_.get();
  char16_t* p = text;

  // One frame per element list being parsed: the top level (parent 0) and the
  // children of every open element. An explicit stack keeps deeply nested
  // input from exhausting the thread's stack.
  struct Frame {
    std::uint32_t parent;
    std::uint32_t prev;  // last element made in this list
    char16_t* nameEnd;   // where the parent's name ends
  };
  std::vector<Frame> frames;
  frames.push_back({0, 0, nullptr});

  // Checks "</name>" at p against the element whose name spans [start, end).
  auto closeTag = [&](const char16_t* nameStart, const char16_t* nameEnd) {
    *p = 0;
    p += 2;
    SkipWhitespace(p);
    const std::size_t len = static_cast<std::size_t>(nameEnd - nameStart);
    for (std::size_t i = 0; i < len; ++i) {
      if (p[i] != nameStart[i]) return Fail(u"Unmatched closing tag", p);
    }
    p += len;
    SkipWhitespace(p);
    if (*p != u'>') return Fail(u"Unmatched closing tag", p);
    ++p;
    return true;
  };

  SkipWhitespace(p);
  for (;;) {
    const std::uint32_t parent = frames.back().parent;
    bool listDone = false;
    if (*p == 0 && parent <= 1) {
      listDone = true;
    } else {
      SkipWhitespace(p);
      if (*p != u'<') return Fail(u"Expected start tag", p);
      if (p[1] == u'/') {
        listDone = true;
      } else {
        *p++ = 0;
        SkipWhitespace(p);
        if (*p == u'!' || *p == u'?') {
          // Comments, the declaration and processing instructions are dropped.
          const char16_t close = *p == u'!' ? u'-' : u'?';
          while (*p != 0 && !(p[0] == close && p[1] == u'>')) ++p;
          if (*p != 0) p += 2;
          SkipWhitespace(p);
          continue;
        }
        const std::uint32_t e = ReserveElement();
        Element& el = elements_[e];
        el.nameStart = static_cast<std::uint32_t>(p - text);
        el.parent = parent;
        Frame& f = frames.back();
        if (f.prev != 0) {
          elements_[f.prev].next = e;
        } else if (parent != 0) {
          elements_[parent].child = e;
        }
        f.prev = e;

        char16_t* const nameStart = p;
        while (IsNameChar(*p)) ++p;
        if (*p == 0) return Fail(u"Error parsing element name", p);
        char16_t* const nameEnd = p;
        if (!ParseAttributes(p)) return false;
        SkipWhitespace(p);
        if (p[0] == u'/' && p[1] == u'>') {
          elements_[e].dataStart = static_cast<std::uint32_t>(p - text);
          *p = 0;
          p += 2;
        } else {
          if (*p != u'>') return Fail(u"Expected start-tag closing", p);
          ++p;
          elements_[e].dataStart = static_cast<std::uint32_t>(p - text);
          char16_t* const w = ParseText(p, u'<');
          // The text ends where decoding left it; when nothing was decoded the
          // "<" at p is overwritten below or p is already the terminator.
          if (w != p) *w = 0;
          if (*p == 0 && parent <= 1) {
            // The root or one of its children left open at the end of the text.
            *nameEnd = 0;
            listDone = true;
          } else {
            if (*p != u'<') return Fail(u"Expected end-tag start", p);
            if (p[1] != u'/') {
              frames.push_back({e, 0, nameEnd});
              continue;
            }
            if (!closeTag(nameStart, nameEnd)) return false;
          }
        }
        if (!listDone) {
          *nameEnd = 0;
          SkipWhitespace(p);
          continue;
        }
      }
    }

    // The list of `parent`'s children is complete.
    if (frames.size() == 1) return true;
    const Frame done = frames.back();
    frames.pop_back();
    const char16_t* nameStart = text + elements_[done.parent].nameStart;
    if (p[0] == u'<' && p[1] == u'/') {
      if (!closeTag(nameStart, done.nameEnd)) return false;
    }
    *done.nameEnd = 0;
    SkipWhitespace(p);
  }
}

}  // namespace Kesto
