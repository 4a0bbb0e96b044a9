// The skin markup parser: a small, non-validating reader of the XML subset that
// skin files use. The document keeps one UTF-16 copy of the text and rewrites it
// in place, so every tag name, attribute name and value handed out is a
// terminated string inside that copy; nothing is allocated per node.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Kesto {

class MarkupDoc;

// Byte encodings LoadFromBytes and LoadFromFile understand.
enum class MarkupEncoding : int {
  Utf8 = 0,
  Utf16 = 1,  // needs a byte-order mark (FF FE or FE FF)
  Ansi = 2,   // the system code page; UTF-8 on this platform
};

// A read-only handle on one element of a MarkupDoc. Cheap to copy; valid only
// while its document is neither reloaded nor destroyed. Attributes are mapped
// on the first attribute query and the map travels with the copy.
class MarkupNode {
 public:
  static constexpr std::size_t kMaxAttributes = 64;

  MarkupNode() = default;

  bool IsValid() const { return doc_ != nullptr; }
  MarkupNode NextSibling() const;
  MarkupNode FirstChild() const;
  bool HasChildren() const;
  // The element name inside the document text; null on an invalid node.
  const char16_t* TagName() const;

  std::size_t AttributeCount() const;
  bool HasAttributes() const;
  // Name or value of the attribute at i; an empty string (never null) when i is
  // out of range or the node is invalid.
  const char16_t* AttributeNameAt(std::size_t i) const;
  const char16_t* AttributeValueAt(std::size_t i) const;
  // Value of the first attribute called exactly `name`, or null.
  const char16_t* FindAttribute(std::u16string_view name) const;
  // Copies the value of the first attribute called exactly `name` into `value`,
  // keeping at most capacity - 1 characters, as a caller's buffer of `capacity`
  // characters would hold it with its terminator. False when there is none.
  bool FindAttribute(std::u16string_view name, std::u16string& value, std::size_t capacity) const;

 private:
  friend class MarkupDoc;
  MarkupNode(const MarkupDoc* doc, std::uint32_t index) : doc_(doc), index_(index) {}
  void MapAttributes() const;

  const MarkupDoc* doc_ = nullptr;
  std::uint32_t index_ = 0;
  // Lazily built map of (name start, value start) character indices.
  mutable bool mapped_ = false;
  mutable std::uint32_t count_ = 0;
  mutable std::array<std::uint32_t, kMaxAttributes * 2> map_{};
};

class MarkupDoc {
 public:
  MarkupDoc() = default;
  MarkupDoc(const MarkupDoc&) = delete;
  MarkupDoc& operator=(const MarkupDoc&) = delete;

  // Copies the text and parses it.
  bool LoadFromText(std::u16string_view text);
  bool LoadFromBytes(const void* bytes, std::size_t length, MarkupEncoding encoding = MarkupEncoding::Utf8);
  bool LoadFromBytes(std::string_view bytes, MarkupEncoding encoding = MarkupEncoding::Utf8) {
    return LoadFromBytes(bytes.data(), bytes.size(), encoding);
  }
  // Reads a skin file through the process-wide skin sources (a folder or a zip
  // archive), then parses it as LoadFromBytes does.
  bool LoadFromFile(std::u16string_view name, MarkupEncoding encoding = MarkupEncoding::Utf8);

  void Release();
  bool IsValid() const { return text_ != nullptr; }

  MarkupNode Root() const;

  const std::u16string& LastErrorMessage() const { return errorMessage_; }
  const std::u16string& LastErrorLocation() const { return errorLocation_; }

  // Size of the element table, its placeholder at index 0 included, and the
  // slots allocated for it.
  std::uint32_t ElementCount() const { return static_cast<std::uint32_t>(elements_.size()); }
  std::uint32_t ElementCapacity() const { return capacity_; }

  // Failure reported by a loader before any parsing: no location.
  void SetLoadFailure(std::u16string_view message);

 private:
  friend class MarkupNode;
  struct Element {
    std::uint32_t nameStart;
    std::uint32_t child;
    std::uint32_t next;
    std::uint32_t parent;
    std::uint32_t dataStart;
  };

  bool Parse();
  bool ParseFrom(std::unique_ptr<char16_t[]> text, std::size_t length);
  std::uint32_t ReserveElement();
  bool ParseAttributes(char16_t*& p);
  char16_t* ParseText(char16_t*& p, char16_t end);
  bool Fail(std::u16string_view message, const char16_t* location);

  std::unique_ptr<char16_t[]> text_;
  std::size_t length_ = 0;
  std::vector<Element> elements_;
  std::uint32_t capacity_ = 0;
  std::u16string errorMessage_;
  std::u16string errorLocation_;
};

}  // namespace Kesto
