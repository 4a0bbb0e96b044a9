// The game window's page rules on any page: the page is read as the static
// engine reads it and every META element the game window knows is applied
// as the window applies it (win-width and win-height as leading numbers,
// win-bar as Base64 of a JSON object). The readers also get the raw input:
// a leading number must read as the C runtime reads it, and title-bar data
// made from the input must decode to what went in.
#include <json/json.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "game/GameBrowserEventHandler.h"
#include "platform/base/Unicode.h"
#include "platform/headless/PageReader.h"
#include "support/Encoding.h"

namespace {

// What strtol would give, clamped to int, for ASCII text.
int ReferenceInt(const std::string& text) {
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void CheckBar(const GameBarData& bar) {
  for (const std::u16string* field :
       {&bar.serverName, &bar.announcement, &bar.announcementUrl, &bar.moreUrl, &bar.chargeUrl}) {
    FUZZ_CHECK(field->size() < 256);
  }
}

void ApplyRules(std::string_view page) {
  const std::string utf8 = os::headless::DecodePage(page, os::headless::PageCharset("text/html", page));
  const os::DocumentContent content = os::headless::ReadHtml(utf8);
  for (const os::HtmlElementInfo& element : content.elements) {
    if (element.tagName != u"meta") continue;
    std::u16string name, value;
    for (const auto& [attribute, text] : element.attributes) {
      if (attribute == u"name" && name.empty()) name = text;
      if (attribute == u"content" && value.empty()) value = text;
    }
    if (name == u"win-width" || name == u"win-height") ParseLeadingInt(value);
    if (name == u"win-bar") CheckBar(DecodeGameBar(value));
  }
}

// The input cut into five texts at 0x1F bytes, sent as title-bar data.
void RoundTrip(std::string_view input) {
  static const char* const kNames[] = {"ServerName", "Announcement", "AnnouncementURL", "MoreURL",
                                       "ChargeURL"};
  Json::Value object(Json::objectValue);
  std::string texts[5];
  for (int i = 0; i < 5; ++i) {
    texts[i] = std::string(fuzz::Split(input, '\x1F'));
    const std::u16string wide = os::Utf8ToUtf16(texts[i]);
    // Only texts that survive the trip are sent: UTF-8 without zeros, short
    // enough for the window's fields.
    if (texts[i].find('\0') != std::string::npos || os::Utf16ToUtf8(wide) != texts[i] ||
        texts[i].size() >= 256) {
      return;
    }
    object[kNames[i]] = texts[i];
  }
  Json::StreamWriterBuilder writer;
  const std::string json = Json::writeString(writer, object);
  const GameBarData bar = DecodeGameBar(os::Utf8ToUtf16(Base64Encode(json)));
  FUZZ_CHECK(os::Utf16ToUtf8(bar.serverName) == texts[0]);
  FUZZ_CHECK(os::Utf16ToUtf8(bar.announcement) == texts[1]);
  FUZZ_CHECK(os::Utf16ToUtf8(bar.announcementUrl) == texts[2]);
  FUZZ_CHECK(os::Utf16ToUtf8(bar.moreUrl) == texts[3]);
  FUZZ_CHECK(os::Utf16ToUtf8(bar.chargeUrl) == texts[4]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  ApplyRules(bytes);

  const std::u16string wide = os::Utf8ToUtf16(bytes);
  CheckBar(DecodeGameBar(wide));
  CheckBar(DecodeGameBar(fuzz::Units(bytes)));
  std::string_view rest = bytes;
  const std::string line(fuzz::Split(rest, '\n'));
  bool ascii = line.find('\0') == std::string::npos;
  for (const char c : line) ascii &= static_cast<unsigned char>(c) < 0x80;
  if (ascii) FUZZ_CHECK(ParseLeadingInt(os::Utf8ToUtf16(line)) == ReferenceInt(line));
  RoundTrip(bytes);
  return 0;
}
