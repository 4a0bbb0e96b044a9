// The static engine's page reader on any reply: a Content-Type line, then the
// body. The body is decoded by the character set found, and also by one the
// input picks (what a decoder cannot read becomes U+FFFD, so the text is
// well-formed UTF-8); the HTML is read into elements (lower-case names, a
// collapsed title) and every link resolved against the page's address.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/base/Unicode.h"
#include "platform/headless/PageReader.h"

namespace {

constexpr const char* kCharsets[] = {"gbk",          "gb2312", "gb18030",   "iso-8859-1",
                                     "windows-1252", "big5",   "shift_jis", "euc-kr",
                                     "utf-16le",     "utf-16", "koi8-r",    "latin1"};
constexpr char16_t kBase[] = u"http://127.0.0.1:47801/client/redirect.html?type=servers#top";

bool HasUpper(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c >= u'A' && c <= u'Z') return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view body = fuzz::Bytes(data, size);
  const std::string_view contentType = fuzz::Split(body, '\n');
  const std::string charset = os::headless::PageCharset(contentType, body);
  for (const char c : charset) FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
  const std::string utf8 = os::headless::DecodePage(body, charset);

  const char* picked = kCharsets[(contentType.empty() ? 0 : static_cast<unsigned char>(contentType[0])) %
                                 (sizeof kCharsets / sizeof kCharsets[0])];
  FUZZ_CHECK(fuzz::WellFormedUtf8(os::headless::DecodePage(body, picked)));

  const os::DocumentContent content = os::headless::ReadHtml(utf8);
  FUZZ_CHECK(os::headless::CollapseWhiteSpace(content.title) == content.title);
  for (const os::HtmlElementInfo& element : content.elements) {
    FUZZ_CHECK(!element.tagName.empty() && !HasUpper(element.tagName));
    for (const auto& [name, value] : element.attributes) {
      FUZZ_CHECK(!HasUpper(name));
      if (name != u"href" && name != u"src") continue;
      const std::u16string resolved = os::headless::ResolveUrl(kBase, value);
      // Every resolved link is absolute (a link without a scheme of its own
      // takes the page's), and resolving it again changes nothing.
      const std::size_t colon = resolved.find(u':');
      FUZZ_CHECK(colon != std::u16string::npos && colon < resolved.find_first_of(u"/?#"));
      FUZZ_CHECK(os::headless::ResolveUrl(kBase, resolved) == resolved);
    }
  }
  return 0;
}
