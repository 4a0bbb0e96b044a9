#include "platform/headless/PageReader.h"

#include <gumbo.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "platform/base/Unicode.h"

namespace os::headless {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsCharsetChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.' || c == ':';
}

// The value after "charset" (then optional spaces, "=", spaces and a quote).
std::string CharsetAfter(std::string_view text) {
  const std::string lower = Lower(text);
  std::size_t pos = 0;
  while ((pos = lower.find("charset", pos)) != std::string::npos) {
    std::size_t i = pos + 7;
    while (i < lower.size() && (lower[i] == ' ' || lower[i] == '\t')) ++i;
    if (i < lower.size() && lower[i] == '=') {
      ++i;
      while (i < lower.size() && (lower[i] == ' ' || lower[i] == '\t' || lower[i] == '"' || lower[i] == '\''))
        ++i;
      std::size_t end = i;
      while (end < lower.size() && IsCharsetChar(lower[end])) ++end;
      if (end > i) return lower.substr(i, end - i);
    }
    pos += 7;
  }
  return {};
}

struct IconvCloser {
  void operator()(iconv_t cd) const { iconv_close(cd); }
};

std::optional<std::string> Convert(std::string_view body, const char* from) {
  iconv_t cd = iconv_open("UTF-8", from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser> guard(cd);
  std::string out;
  std::string input(body);
  char* in = input.data();
  std::size_t inLeft = input.size();
  std::string chunk(4096, '\0');
  while (inLeft > 0) {
    char* outPtr = chunk.data();
    std::size_t outLeft = chunk.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(chunk.data(), chunk.size() - outLeft);
    if (r != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An undecodable or truncated sequence: one replacement character for
    // its first byte, then go on.
    out += "\xEF\xBF\xBD";
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

std::u16string ToUtf16(const char* text, std::size_t length) {
  return Utf8ToUtf16(std::string_view(text, length));
}

std::u16string TagName(const GumboNode* node) {
  const GumboElement& e = node->v.element;
  if (e.tag != GUMBO_TAG_UNKNOWN) {
    const char* name = gumbo_normalized_tagname(e.tag);
    return Utf8ToUtf16(name ? name : "");
  }
  GumboStringPiece original = e.original_tag;
  gumbo_tag_from_original_text(&original);
  return Utf8ToUtf16(Lower(std::string_view(original.data, original.length)));
}

bool KeepsOwnText(const std::u16string& tag) { return tag == u"script" || tag == u"style"; }

}  // namespace

std::string PageCharset(std::string_view contentType, std::string_view body) {
  if (std::string c = CharsetAfter(contentType); !c.empty()) return c;
  if (body.size() >= 3 && body.substr(0, 3) == "\xEF\xBB\xBF") return "utf-8";
  if (body.size() >= 2 && body.substr(0, 2) == "\xFF\xFE") return "utf-16le";
  if (body.size() >= 2 && body.substr(0, 2) == "\xFE\xFF") return "utf-16be";
  return CharsetAfter(body.substr(0, std::min<std::size_t>(body.size(), 1024)));
}

std::string DecodePage(std::string_view body, std::string_view charset) {
  std::string name = Lower(charset);
  if (name.empty() || name == "utf-8" || name == "utf8" || name == "us-ascii") return std::string(body);
  if (name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "gb_2312-80") name = "gb18030";
  if (name == "iso-8859-1" || name == "latin1" || name == "ascii") name = "windows-1252";
  if (auto converted = Convert(body, name.c_str())) return *converted;
  return std::string(body);
}

DocumentContent ReadHtml(std::string_view utf8) {
  DocumentContent content;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
  if (!output) return content;

  // Depth-first without recursion: pages may nest deeper than the stack.
  struct Frame {
    const GumboNode* node;
    std::size_t element;  // index in content.elements, npos for the document
    unsigned child;
  };
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<Frame> stack{{output->document, kNone, 0}};
  // All text in document order, once: script and style text apart from the
  // rest, because it is not part of its ancestors' text. Each element names
  // its range of one of the two.
  std::u16string flow;
  std::u16string raw;
  struct Span {
    bool raw = false;
    std::size_t begin = 0;
    std::size_t end = 0;
  };
  std::vector<Span> spans;
  bool titleSeen = false;
  while (!stack.empty()) {
    Frame& f = stack.back();
    const GumboVector& children =
        f.node->type == GUMBO_NODE_DOCUMENT ? f.node->v.document.children : f.node->v.element.children;
    if (f.child < children.length) {
      const auto* child = static_cast<const GumboNode*>(children.data[f.child++]);
      const std::size_t parent = f.element;
      switch (child->type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
          HtmlElementInfo info;
          info.tagName = TagName(child);
          const GumboVector& attributes = child->v.element.attributes;
          for (unsigned i = 0; i < attributes.length; ++i) {
            const auto* a = static_cast<const GumboAttribute*>(attributes.data[i]);
            info.attributes.emplace_back(Utf8ToUtf16(a->name), Utf8ToUtf16(a->value));
          }
          const bool keepsOwn = KeepsOwnText(info.tagName);
          spans.push_back(Span{keepsOwn, keepsOwn ? raw.size() : flow.size(), 0});
          content.elements.push_back(std::move(info));
          stack.push_back(Frame{child, content.elements.size() - 1, 0});
          break;
        }
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
        case GUMBO_NODE_CDATA:
          if (parent != kNone) {
            const char* text = child->v.text.text;
            (spans[parent].raw ? raw : flow) += ToUtf16(text, std::char_traits<char>::length(text));
          }
          break;
        default:
          break;
      }
      continue;
    }
    const std::size_t done = f.element;
    stack.pop_back();
    if (done == kNone) continue;
    Span& span = spans[done];
    span.end = span.raw ? raw.size() : flow.size();
    if (!titleSeen && content.elements[done].tagName == u"title") {
      content.title = CollapseWhiteSpace(std::u16string_view(flow).substr(span.begin, span.end - span.begin));
      titleSeen = true;
    }
  }
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  const auto sharedFlow = std::make_shared<const std::u16string>(std::move(flow));
  const auto sharedRaw = std::make_shared<const std::u16string>(std::move(raw));
  for (std::size_t i = 0; i < content.elements.size(); ++i) {
    content.elements[i].SetText(spans[i].raw ? sharedRaw : sharedFlow, spans[i].begin, spans[i].end);
  }
  return content;
}

std::u16string CollapseWhiteSpace(std::u16string_view text) {
  std::u16string out;
  bool pendingSpace = false;
  for (char16_t c : text) {
    const bool space = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    if (space) {
      pendingSpace = !out.empty();
      continue;
    }
    if (pendingSpace) out += u' ';
    pendingSpace = false;
    out += c;
  }
  return out;
}

namespace {

struct UrlParts {
  std::optional<std::u16string> scheme;
  std::optional<std::u16string> authority;
  std::u16string path;
  std::optional<std::u16string> query;
  std::optional<std::u16string> fragment;
};

bool IsSchemeChar(char16_t c, bool first) {
  const bool alpha = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  if (first) return alpha;
  return alpha || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
}

UrlParts Split(std::u16string_view url) {
  UrlParts p;
  if (const std::size_t hash = url.find(u'#'); hash != std::u16string_view::npos) {
    p.fragment = std::u16string(url.substr(hash + 1));
    url = url.substr(0, hash);
  }
  if (const std::size_t q = url.find(u'?'); q != std::u16string_view::npos) {
    p.query = std::u16string(url.substr(q + 1));
    url = url.substr(0, q);
  }
  if (const std::size_t colon = url.find(u':'); colon != std::u16string_view::npos && colon > 0) {
    bool valid = true;
    for (std::size_t i = 0; i < colon && valid; ++i) valid = IsSchemeChar(url[i], i == 0);
    if (valid) {
      std::u16string scheme(url.substr(0, colon));
      std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                     [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; });
      p.scheme = std::move(scheme);
      url = url.substr(colon + 1);
    }
  }
  if (url.substr(0, 2) == u"//") {
    url = url.substr(2);
    const std::size_t slash = url.find(u'/');
    p.authority = std::u16string(url.substr(0, slash));
    url = slash == std::u16string_view::npos ? std::u16string_view() : url.substr(slash);
  }
  p.path = std::u16string(url);
  return p;
}

std::u16string RemoveDotSegments(std::u16string_view input) {
  std::u16string in(input), out;
  while (!in.empty()) {
    if (in.rfind(u"../", 0) == 0) {
      in.erase(0, 3);
    } else if (in.rfind(u"./", 0) == 0) {
      in.erase(0, 2);
    } else if (in.rfind(u"/./", 0) == 0) {
      in.replace(0, 3, u"/");
    } else if (in == u"/.") {
      in = u"/";
    } else if (in.rfind(u"/../", 0) == 0 || in == u"/..") {
      in = in.size() == 3 ? std::u16string(u"/") : in.substr(3);
      const std::size_t last = out.find_last_of(u'/');
      out.erase(last == std::u16string::npos ? 0 : last);
    } else if (in == u"." || in == u"..") {
      in.clear();
    } else {
      const std::size_t next = in.find(u'/', in[0] == u'/' ? 1 : 0);
      out += in.substr(0, next);
      in.erase(0, next == std::u16string::npos ? in.size() : next);
    }
  }
  return out;
}

std::u16string Join(const UrlParts& p) {
  std::u16string out;
  if (p.scheme) out += *p.scheme + u":";
  if (p.authority) out += u"//" + *p.authority;
  out += p.path;
  if (p.query) out += u"?" + *p.query;
  if (p.fragment) out += u"#" + *p.fragment;
  return out;
}

std::u16string_view Trim(std::u16string_view text) {
  auto space = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; };
  while (!text.empty() && space(text.front())) text.remove_prefix(1);
  while (!text.empty() && space(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::u16string ResolveUrl(std::u16string_view base, std::u16string_view reference) {
  const UrlParts r = Split(Trim(reference));
  const UrlParts b = Split(base);
  UrlParts t;
  if (r.scheme) {
    t = r;
    t.path = RemoveDotSegments(r.path);
  } else {
    if (r.authority) {
      t.authority = r.authority;
      t.path = RemoveDotSegments(r.path);
      t.query = r.query;
    } else {
      if (r.path.empty()) {
        t.path = b.path;
        t.query = r.query ? r.query : b.query;
      } else {
        if (r.path.front() == u'/') {
          t.path = RemoveDotSegments(r.path);
        } else if (b.authority && b.path.empty()) {
          t.path = RemoveDotSegments(u"/" + r.path);
        } else {
          const std::size_t slash = b.path.find_last_of(u'/');
          const std::u16string merged =
              (slash == std::u16string::npos ? std::u16string() : b.path.substr(0, slash + 1)) + r.path;
          t.path = RemoveDotSegments(merged);
        }
        t.query = r.query;
      }
      t.authority = b.authority;
    }
    t.scheme = b.scheme;
    t.fragment = r.fragment;
  }
  return Join(t);
}

}  // namespace os::headless
