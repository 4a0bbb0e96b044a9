// The skin markup parser on any bytes, read as UTF-8, as UTF-16 (with or
// without a byte-order mark) and as the system code page, and on any UTF-16
// text. Every element of a document that loads is walked and its attributes
// asked for; the code page is UTF-8 here, so both readings must agree.
#include <cstdint>
#include <string>
#include <vector>

#include "Core/Markup.h"
#include "FuzzSupport.h"

namespace {

using Kesto::MarkupDoc;
using Kesto::MarkupEncoding;
using Kesto::MarkupNode;

void CheckAttributes(const MarkupNode& node) {
  const std::size_t count = node.AttributeCount();
  FUZZ_CHECK(count <= MarkupNode::kMaxAttributes);
  FUZZ_CHECK(node.HasAttributes() == (count > 0));
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t* name = node.AttributeNameAt(i);
    const char16_t* value = node.AttributeValueAt(i);
    FUZZ_CHECK(name != nullptr && value != nullptr);
    // The first attribute of a name is the one found by it.
    std::size_t first = 0;
    while (std::u16string_view(node.AttributeNameAt(first)) != name) ++first;
    const char16_t* found = node.FindAttribute(name);
    FUZZ_CHECK(found != nullptr && std::u16string_view(found) == node.AttributeValueAt(first));
    // A capacity keeps at most capacity - 1 characters of it.
    std::u16string copy;
    const std::size_t capacity = 1 + i % 8;
    FUZZ_CHECK(node.FindAttribute(name, copy, capacity));
    FUZZ_CHECK(copy.size() <= capacity - 1);
    FUZZ_CHECK(std::u16string_view(found).substr(0, capacity - 1) == copy);
  }
  FUZZ_CHECK(*node.AttributeNameAt(count) == u'\0');
  FUZZ_CHECK(*node.AttributeValueAt(count) == u'\0');
}

// Walks the tree without recursion: a hostile document may nest deeply.
std::size_t Walk(const MarkupDoc& doc) {
  std::size_t visited = 0;
  std::vector<MarkupNode> pending{doc.Root()};
  while (!pending.empty()) {
    const MarkupNode node = pending.back();
    pending.pop_back();
    if (!node.IsValid()) continue;
    ++visited;
    FUZZ_CHECK(visited < doc.ElementCount());
    FUZZ_CHECK(node.TagName() != nullptr);
    CheckAttributes(node);
    FUZZ_CHECK(node.HasChildren() == node.FirstChild().IsValid());
    pending.push_back(node.NextSibling());
    pending.push_back(node.FirstChild());
  }
  return visited;
}

// Elements visited, or -1 when the document did not load.
long Load(std::string_view bytes, MarkupEncoding encoding) {
  MarkupDoc doc;
  if (!doc.LoadFromBytes(bytes, encoding)) {
    // UTF-16 without a byte-order mark is no text, and no error either.
    const bool marked =
        bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF");
    FUZZ_CHECK(!doc.LastErrorMessage().empty() || (encoding == MarkupEncoding::Utf16 && !marked));
    return -1;
  }
  FUZZ_CHECK(doc.ElementCount() <= doc.ElementCapacity());
  return static_cast<long>(Walk(doc));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const long utf8 = Load(bytes, MarkupEncoding::Utf8);
  FUZZ_CHECK(Load(bytes, MarkupEncoding::Ansi) == utf8);
  Load(bytes, MarkupEncoding::Utf16);
  // The same bytes read as UTF-16 units behind a byte-order mark.
  Load(std::string("\xFF\xFE", 2) + std::string(bytes), MarkupEncoding::Utf16);

  MarkupDoc text;
  if (text.LoadFromText(fuzz::Units(bytes))) Walk(text);
  return 0;
}
