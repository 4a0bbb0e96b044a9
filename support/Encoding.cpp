#include "support/Encoding.h"

#include <cstring>

#include "platform/base/Unicode.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineLength = 76;

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

}  // namespace

std::string Base64Encode(std::string_view data) {
  std::string out;
  out.reserve(data.size() / 3 * 4 + data.size() / 57 * 2 + 4);
  const auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(data[i])); };
  std::size_t i = 0;
  int lineLength = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const unsigned group = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(kAlphabet[(group >> 6) & 0x3F]);
    out.push_back(kAlphabet[group & 0x3F]);
    lineLength += 4;
    if (lineLength == kLineLength) {
      out += "\r\n";
      lineLength = 0;
    }
  }
  const std::size_t rest = data.size() - i;
  if (rest == 1) {
    const unsigned group = byte(i) << 16;
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out += "==";
  } else if (rest == 2) {
    const unsigned group = (byte(i) << 16) | (byte(i + 1) << 8);
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(kAlphabet[(group >> 6) & 0x3F]);
    out.push_back('=');
  }
  return out;
}

std::string Base64Decode(std::string_view text, int length, int& count) {
  // The text ends at its first zero byte; whatever a group needs beyond it
  // reads as that terminator instead of running past the text.
  if (const auto zero = text.find('\0'); zero != std::string_view::npos) text = text.substr(0, zero);
  const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  std::string out;
  std::size_t read = 0;
  long long position = 0;
  while (position < length && at(read) != '\0') {
    const char c1 = at(read);
    if (c1 == '\r' || c1 == '\n') {
      ++position;
      ++read;
      continue;
    }
    const char c2 = at(read + 1);
    const char c3 = at(read + 2);
    const char c4 = at(read + 3);
    unsigned value =
        (static_cast<unsigned>(Base64Value(c1)) << 18) | (static_cast<unsigned>(Base64Value(c2)) << 12);
    out.push_back(static_cast<char>((value >> 16) & 0xFF));
    if (c3 != '=') {
      value |= static_cast<unsigned>(Base64Value(c3)) << 6;
      out.push_back(static_cast<char>((value >> 8) & 0xFF));
      if (c4 != '=') {
        value |= static_cast<unsigned>(Base64Value(c4));
        out.push_back(static_cast<char>(value & 0xFF));
        read += 4;
      } else {
        read += 3;
      }
    } else {
      read += 2;
    }
    position += 4;
  }
  count += static_cast<int>(out.size());
  return out;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

char HexDigitChar(int value) {
  if (value >= 0 && value <= 9) return static_cast<char>('0' + value);
  if (value >= 10 && value <= 15) return static_cast<char>('A' + value - 10);
  return '\0';
}

int HexEncode(const char* text, std::string* out) {
  if (text == nullptr || out == nullptr) return -1;
  if (*text == '\0') return -2;
  const std::size_t length = std::strlen(text);
  out->clear();
  out->reserve(length * 2);
  for (std::size_t i = 0; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    out->push_back(HexDigitChar(byte >> 4));
    out->push_back(HexDigitChar(byte & 0x0F));
  }
  return 0;
}

int HexDecode(const char* text, std::string* out) {
  if (text == nullptr || out == nullptr) return -1;
  const std::size_t length = std::strlen(text);
  if (length % 2 != 0) return -2;
  out->clear();
  out->reserve(length / 2);
  for (std::size_t i = 0; i < length; i += 2) {
    const int high = HexDigitValue(text[i]);
    const int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return -3;
    out->push_back(static_cast<char>((high * 16 + low) & 0xFF));
  }
  return 0;
}

std::u16string EscapeUtf16Units(std::u16string_view text) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string out;
  out.reserve(text.size() * 6);
  for (const char16_t unit : text) {
    out += u"\\x";
    bool started = false;
    for (int shift = 12; shift >= 0; shift -= 4) {
      const unsigned digit = (unit >> shift) & 0xF;
      if (digit != 0 || started || shift == 0) {
        out.push_back(kDigits[digit]);
        started = true;
      }
    }
  }
  return out;
}

int WideToNarrow(std::u16string_view source, std::string* destination, std::size_t capacity) {
  if (destination == nullptr) return -1;
  destination->clear();
  if (const auto zero = source.find(u'\0'); zero != std::u16string_view::npos)
    source = source.substr(0, zero);
  if (source.size() + 1 > capacity) return -1;
  std::string narrow;
  narrow.reserve(source.size());
  for (const char16_t unit : source) {
    if (unit > 0xFF) return 0;  // not convertible in the "C" locale: empty result
    narrow.push_back(static_cast<char>(unit));
  }
  *destination = std::move(narrow);
  return 0;
}

int Utf8ToWide(std::string_view source, std::u16string* destination, std::size_t capacity) {
  if (destination == nullptr) return -1;
  destination->clear();
  if (const auto zero = source.find('\0'); zero != std::string_view::npos) source = source.substr(0, zero);
  if (source.size() + 1 > capacity) return -1;
  *destination = os::Utf8ToUtf16(source);
  return 0;
}
