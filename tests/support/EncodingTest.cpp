#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/system/MachineId.h"
#include "support/Encoding.h"
#include "support/MachineIdentity.h"

namespace {

std::string Bytes(std::size_t n, char start = 'a') {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(start + i % 26));
  return s;
}

TEST(Base64Encode, StandardVectors) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("foob"), "Zm9vYg==");
  EXPECT_EQ(Base64Encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode(std::string("\xFF\xFE\x00", 3)), "//4A");
  // The saved account encodes the string with its terminating zero.
  EXPECT_EQ(Base64Encode(std::string_view("abc", 4)), "YWJjAA==");
}

TEST(Base64Encode, BreaksLinesAfterEvery76Characters) {
  const std::string full = Base64Encode(Bytes(57));
  ASSERT_EQ(full.size(), 78u);
  EXPECT_EQ(full.substr(76), "\r\n");
  EXPECT_EQ(full.find_first_of("\r\n"), 76u);

  const std::string more = Base64Encode(Bytes(58));
  ASSERT_EQ(more.size(), 82u);
  EXPECT_EQ(more.substr(0, 78), full);
  EXPECT_EQ(more.substr(80), "==");

  // Two full lines: both end with a break, the padded rest never gets one.
  const std::string two = Base64Encode(Bytes(114 + 2));
  ASSERT_EQ(two.size(), 76u + 2 + 76 + 2 + 4);
  EXPECT_EQ(two.substr(76, 2), "\r\n");
  EXPECT_EQ(two.substr(154, 2), "\r\n");
  EXPECT_EQ(two.back(), '=');
}

TEST(Base64Decode, DecodesAndCountsBytes) {
  int count = 5;  // count is increased, not set
  EXPECT_EQ(Base64Decode("Zm9vYmFy", 8, count), "foobar");
  EXPECT_EQ(count, 11);
  count = 0;
  EXPECT_EQ(Base64Decode("YWJjAA==", 8, count), std::string("abc\0", 4));
  EXPECT_EQ(count, 4);
  count = 0;
  EXPECT_EQ(Base64Decode("Zm8=", 4, count), "fo");
  EXPECT_EQ(count, 2);
}

TEST(Base64Decode, SkipsLineBreaksAndStopsAtTheTerminator) {
  const std::string data = Bytes(120);
  const std::string text = Base64Encode(data);
  ASSERT_NE(text.find("\r\n"), std::string::npos);
  int count = 0;
  EXPECT_EQ(Base64Decode(text, static_cast<int>(text.size()), count), data);
  EXPECT_EQ(count, 120);

  std::string bare;
  for (const char c : text) {
    if (c != '\r' && c != '\n') bare.push_back(c);
  }
  count = 0;
  EXPECT_EQ(Base64Decode(bare, static_cast<int>(bare.size()), count), data);

  // A zero byte ends the text even when length goes further.
  count = 0;
  EXPECT_EQ(Base64Decode(std::string("Zm9v\0YmFy", 9), 9, count), "foo");
  // The length limits the positions walked.
  count = 0;
  EXPECT_EQ(Base64Decode("Zm9vYmFy", 4, count), "foo");
}

TEST(Base64Decode, PaddedGroupResumesAtItsFirstPadCharacter) {
  // The game page's caller passes the text's length plus one: after the padded
  // group the walk goes on from the "=" and yields zero bytes only, so the text
  // up to the first zero byte is intact.
  int count = 0;
  const std::string decoded = Base64Decode("YWJjAA==", 9, count);
  EXPECT_EQ(decoded, std::string("abc\0\0\0\0", 7));
  EXPECT_EQ(count, 7);
}

TEST(Base64Decode, ForeignCharactersCountAsZeroAndShortTextIsNotOverread) {
  int count = 0;
  EXPECT_EQ(Base64Decode("!!!!", 4, count), std::string(3, '\0'));
  // An unpadded short group reads the missing characters as the terminator;
  // the text lies in a buffer of exactly its size so that reading past it
  // would be caught by the address sanitizer.
  const std::vector<char> buffer = {'Y', 'Q'};
  count = 0;
  EXPECT_EQ(Base64Decode(std::string_view(buffer.data(), buffer.size()), 2, count), std::string("a\0\0", 3));
  EXPECT_EQ(Base64Decode("", 10, count), "");
  EXPECT_EQ(Base64Decode("Zm9v", -1, count), "");
}

TEST(Base64, RoundTripsRandomData) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 200; ++round) {
    std::string data(random() % 400, '\0');
    for (auto& c : data) c = static_cast<char>(random());
    const std::string text = Base64Encode(data);
    int count = 0;
    EXPECT_EQ(Base64Decode(text, static_cast<int>(text.size()), count), data) << "size " << data.size();
    EXPECT_EQ(count, static_cast<int>(data.size()));
  }
}

TEST(Hex, DigitValuesAndCharacters) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  EXPECT_EQ(HexDigitValue('g'), 16);
  EXPECT_EQ(HexDigitValue('z'), 35);
  EXPECT_EQ(HexDigitValue('Z'), 35);
  EXPECT_EQ(HexDigitValue('/'), -1);
  EXPECT_EQ(HexDigitValue('\xE4'), -1);
  EXPECT_EQ(HexDigitChar(0), '0');
  EXPECT_EQ(HexDigitChar(10), 'A');
  EXPECT_EQ(HexDigitChar(15), 'F');
  EXPECT_EQ(HexDigitChar(16), '\0');
  EXPECT_EQ(HexDigitChar(-1), '\0');
}

TEST(Hex, EncodesBytesInUpperCase) {
  std::string out = "old";
  EXPECT_EQ(HexEncode("abc", &out), 0);
  EXPECT_EQ(out, "616263");
  EXPECT_EQ(HexEncode("\xFF\x80\x0A", &out), 0);
  EXPECT_EQ(out, "FF800A");
  // The saved account: hex of the Base64 text, line breaks included.
  EXPECT_EQ(HexEncode("YWJjAA==", &out), 0);
  EXPECT_EQ(out, "59574A6A41413D3D");

  out = "kept";
  EXPECT_EQ(HexEncode("", &out), -2);
  EXPECT_EQ(out, "kept");
  EXPECT_EQ(HexEncode(nullptr, &out), -1);
  EXPECT_EQ(HexEncode("abc", nullptr), -1);
}

TEST(Hex, DecodesPairsAndReportsBadInput) {
  std::string out;
  EXPECT_EQ(HexDecode("616263", &out), 0);
  EXPECT_EQ(out, "abc");
  EXPECT_EQ(HexDecode("", &out), 0);
  EXPECT_EQ(out, "");
  // Letters beyond f still count, the byte kept to 8 bits: z z = 35*16+35.
  EXPECT_EQ(HexDecode("61zz", &out), 0);
  EXPECT_EQ(out, std::string("a\x53"));

  out = "kept";
  EXPECT_EQ(HexDecode("61626", &out), -2);
  EXPECT_EQ(out, "kept");
  EXPECT_EQ(HexDecode("6162-063", &out), -3);
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(HexDecode(nullptr, &out), -1);
  EXPECT_EQ(HexDecode("61", nullptr), -1);
}

TEST(Hex, LongAccountSurvivesTheSavedForm) {
  // An account long enough to make the Base64 text wrap: the stored line holds
  // 0D0A and reading it back skips the break.
  const std::string account = Bytes(60);
  const std::string base64 = Base64Encode(std::string_view(account.c_str(), account.size() + 1));
  std::string stored;
  ASSERT_EQ(HexEncode(base64.c_str(), &stored), 0);
  EXPECT_NE(stored.find("0D0A"), std::string::npos);

  std::string text;
  ASSERT_EQ(HexDecode(stored.c_str(), &text), 0);
  int count = 0;
  const std::string bytes = Base64Decode(text, static_cast<int>(text.size()), count);
  EXPECT_EQ(std::string(bytes.c_str()), account);
}

TEST(EscapeUtf16Units, SpellsEachUnitInLowerCaseHex) {
  EXPECT_EQ(EscapeUtf16Units(u"\u4E2D"), u"\\x4e2d");
  EXPECT_EQ(EscapeUtf16Units(u"Lumora"), u"\\x4c\\x75\\x6d\\x6f\\x72\\x61");
  EXPECT_EQ(EscapeUtf16Units(std::u16string(1, u'\0') + u"\x0A"), u"\\x0\\xa");
  EXPECT_EQ(EscapeUtf16Units(u"\U0001F3AE"), u"\\xd83c\\xdfae");
  EXPECT_EQ(EscapeUtf16Units(u""), u"");
}

TEST(WideToNarrow, ConvertsLatinTextAndEmptiesAnythingElse) {
  std::string out = "old";
  EXPECT_EQ(WideToNarrow(u"/home/a/lumora/", &out, 256), 0);
  EXPECT_EQ(out, "/home/a/lumora/");
  EXPECT_EQ(WideToNarrow(u"caf\u00E9", &out, 256), 0);
  EXPECT_EQ(out, "caf\xE9");
  EXPECT_EQ(WideToNarrow(u"/home/\u5F20\u4E09/lumora/", &out, 256), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(WideToNarrow(u"ab" + std::u16string(1, u'\0') + u"cd", &out, 256), 0);
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(WideToNarrow(u"abc", nullptr, 256), -1);
}

TEST(WideToNarrow, TextMustLeaveRoomForTheTerminator) {
  std::string out = "old";
  EXPECT_EQ(WideToNarrow(std::u16string(255, u'x'), &out, 256), 0);
  EXPECT_EQ(out.size(), 255u);
  EXPECT_EQ(WideToNarrow(std::u16string(256, u'x'), &out, 256), -1);
  EXPECT_EQ(out, "");
  EXPECT_EQ(WideToNarrow(u"", &out, 0), -1);
}

TEST(Utf8ToWide, ConvertsUtf8WithinCapacity) {
  std::u16string out = u"old";
  EXPECT_EQ(Utf8ToWide("\xE6\xB8\xB8\xE6\x88\x8F ok", &out, 256), 0);
  EXPECT_EQ(out, u"\u6E38\u620F ok");
  EXPECT_EQ(Utf8ToWide("a\xFF"
                       "b",
                       &out, 256),
            0);
  EXPECT_EQ(out, u"a\uFFFDb");
  // Capacity counts source bytes plus the terminator.
  EXPECT_EQ(Utf8ToWide(std::string(255, 'x'), &out, 256), 0);
  EXPECT_EQ(out.size(), 255u);
  EXPECT_EQ(Utf8ToWide(std::string(256, 'x'), &out, 256), -1);
  EXPECT_EQ(out, u"");
  EXPECT_EQ(Utf8ToWide("\xE4\xB8\xAD", &out, 3), -1);
  EXPECT_EQ(Utf8ToWide("x", nullptr, 256), -1);
}

TEST(MachineIdentity, CpuSignatureIsSixteenLowerCaseHexDigitsFromLeafOne) {
  const std::string signature = CpuSignature();
  ASSERT_EQ(signature.size(), 16u);
  EXPECT_EQ(signature.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(CpuSignature(), signature);
  const auto regs = os::CpuId(1);
  char expected[17];
  std::snprintf(expected, sizeof expected, "%08x%08x", regs[3], regs[0]);
  EXPECT_EQ(signature, expected);
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_NE(signature.substr(8), "00000000");  // every x86 processor has a signature
#endif
}

TEST(MachineIdentity, MacAddressIsEmptyOrTwelveUpperCaseHexDigits) {
  const std::string mac = MacAddress();
  const std::string raw = os::AdapterAddress();
  if (raw.empty()) {
    EXPECT_EQ(mac, "");
    return;
  }
  ASSERT_EQ(mac.size(), 12u);
  EXPECT_EQ(mac.find_first_not_of("0123456789ABCDEF"), std::string::npos);
  std::string decoded;
  ASSERT_EQ(HexDecode(mac.c_str(), &decoded), 0);
  EXPECT_EQ(decoded, raw);
}

}  // namespace
