// The launcher's text codings on any bytes: decoding never fails hard, and
// every coding that promises a round trip keeps it (Base64, hex, the
// remembered-account word, wide to narrow and UTF-8 to wide).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "login/RememberedAccount.h"
#include "platform/base/Unicode.h"
#include "support/Encoding.h"

namespace {

void Base64(std::string_view bytes) {
  const std::string encoded = Base64Encode(bytes);
  // Lines of 76 characters end in CR LF, and nothing else does.
  std::size_t breaks = 0;
  for (std::size_t at = encoded.find("\r\n"); at != std::string::npos;
       at = encoded.find("\r\n", at + 2), ++breaks) {
    FUZZ_CHECK(at % 78 == 76);
  }
  FUZZ_CHECK(encoded.size() - 2 * breaks == (bytes.size() + 2) / 3 * 4);
  // Every 19 complete groups make a line; the padded group never ends one.
  FUZZ_CHECK(breaks == bytes.size() / 3 / 19);
  int count = 0;
  const std::string decoded = Base64Decode(encoded, static_cast<int>(encoded.size()), count);
  FUZZ_CHECK(decoded == bytes);
  FUZZ_CHECK(count == static_cast<int>(bytes.size()));

  // Any text, read for any length, decodes to at most three bytes a group.
  const int length = bytes.empty() ? 0 : static_cast<signed char>(bytes[0]) * 8;
  count = 0;
  const std::string loose = Base64Decode(bytes, length, count);
  FUZZ_CHECK(count == static_cast<int>(loose.size()));
  FUZZ_CHECK(loose.size() <= (bytes.size() + 1) / 2 * 3);
}

void Hex(std::string_view bytes) {
  const std::string text(bytes.substr(0, bytes.find('\0')));
  std::string hex = "untouched";
  const int encoded = HexEncode(text.c_str(), &hex);
  if (text.empty()) {
    FUZZ_CHECK(encoded == -2 && hex == "untouched");
  } else {
    FUZZ_CHECK(encoded == 0 && hex.size() == 2 * text.size());
    std::string back;
    FUZZ_CHECK(HexDecode(hex.c_str(), &back) == 0 && back == text);
  }
  std::string loose;
  const int decoded = HexDecode(text.c_str(), &loose);
  FUZZ_CHECK(decoded == 0 || decoded == -2 || decoded == -3);
  FUZZ_CHECK(loose.size() <= text.size() / 2);
  for (const char c : text) {
    const int value = HexDigitValue(c);
    FUZZ_CHECK(value >= -1 && value < 36);
    if (value >= 0 && value < 16) FUZZ_CHECK(HexDigitValue(HexDigitChar(value)) == value);
  }
}

void RememberedWord(std::string_view bytes) {
  const std::string text(bytes);
  FUZZ_CHECK(DecodeRememberedText(EncodeRememberedText(text)) == text.substr(0, text.find('\0')));
  DecodeRememberedText(text);
}

void Wide(std::string_view bytes) {
  const std::u16string units = fuzz::Units(bytes);
  const std::u16string text = units.substr(0, units.find(u'\0'));
  std::string narrow = "untouched";
  const std::size_t capacity =
      bytes.size() / 2 + (bytes.empty() ? 1 : static_cast<unsigned char>(bytes[0]) % 3);
  const int result = WideToNarrow(units, &narrow, capacity);
  bool latin1 = true;
  for (const char16_t c : text) latin1 &= c <= 0xFF;
  if (text.size() >= capacity) {
    FUZZ_CHECK(result == -1 && narrow.empty());
  } else if (!latin1) {
    FUZZ_CHECK(result == 0 && narrow.empty());
  } else {
    FUZZ_CHECK(narrow.size() == text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
      FUZZ_CHECK(static_cast<unsigned char>(narrow[i]) == text[i]);
  }

  const std::string utf8(bytes.substr(0, bytes.find('\0')));
  std::u16string wide = u"untouched";
  const int converted = Utf8ToWide(bytes, &wide, bytes.size() + 1);
  FUZZ_CHECK(converted >= 0);
  // Well-formed UTF-8 gives what GLib gives; every unit comes from at least
  // one byte.
  if (const auto reference = fuzz::ReferenceUtf16(utf8)) FUZZ_CHECK(wide == *reference);
  FUZZ_CHECK(wide.size() <= utf8.size());
  FUZZ_CHECK(wide.find(u'\0') == std::u16string::npos);
  wide = u"untouched";
  if (!utf8.empty()) FUZZ_CHECK(Utf8ToWide(bytes, &wide, utf8.size()) == -1 && wide.empty());

  const std::u16string escaped = EscapeUtf16Units(units);
  FUZZ_CHECK(escaped.size() >= 3 * units.size() && escaped.size() <= 6 * units.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  Base64(bytes);
  Hex(bytes);
  RememberedWord(bytes);
  Wide(bytes);
  return 0;
}
