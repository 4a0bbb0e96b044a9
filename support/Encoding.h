// Small text codings shared by the launcher: Base64 and hexadecimal (the saved
// account, the game page's title-bar data), the spelling of UTF-16 units, and
// the conversions between wide and narrow strings. All are stateless.
#pragma once

#include <string>
#include <string_view>

// Standard Base64 (RFC 4648 alphabet, "=" padding) of exactly the given bytes;
// a caller that wants a string's terminating zero encoded passes it in data.
// "\r\n" follows every 76 characters, also when the last complete group ends
// a line; the padded remainder never gets one.
std::string Base64Encode(std::string_view data);

// Decodes Base64 text read as a zero-terminated string (the first zero byte,
// or the end of text, ends it) for at most length positions: "\r" and "\n" are
// skipped, every other position starts a group of four characters; a third or
// fourth character "=" ends the group early, and the reading then resumes at
// that "=" while the position moves on by four. Characters outside the alphabet
// count as 0; characters a group needs beyond the end of the text read as the
// terminator (value 0). count grows by the number of bytes produced, which may
// include zero bytes.
std::string Base64Decode(std::string_view text, int length, int& count);

// 0-9 for "0"-"9", 10-35 for "a"-"z" and for "A"-"Z", -1 for anything else.
int HexDigitValue(char c);

// "0"-"9" for 0-9, "A"-"F" for 10-15, the zero character otherwise.
char HexDigitChar(int value);

// Writes each byte of the zero-terminated text as two upper-case hex digits,
// high half first, into *out (replacing it). 0 ok; -1 text or out missing; -2
// empty text (out untouched).
int HexEncode(const char* text, std::string* out);

// Decodes pairs of digits of the zero-terminated text into bytes (first digit
// the high half; letters up to "z" count, so the byte is kept to 8 bits) into
// *out. 0 ok; -1 text or out missing; -2 odd length (out untouched); -3 a
// character that is neither digit nor letter (out holds the bytes before it).
int HexDecode(const char* text, std::string* out);

// "\x" and the lower-case hex value, without leading zeros, of each UTF-16
// unit: U+4E2D gives the six characters \x4e2d.
std::u16string EscapeUtf16Units(std::u16string_view text);

// Converts the wide text (up to its first zero unit) as the C runtime does in
// the default "C" locale: each character up to U+00FF becomes the byte of the
// same value. A text with any character beyond U+00FF cannot be converted and
// gives an empty result (return 0). capacity is the caller's area in bytes,
// terminator included: a text of capacity characters or more gives -1 and an
// empty destination. -1 also for a missing destination.
int WideToNarrow(std::u16string_view source, std::string* destination, std::size_t capacity);

// Converts UTF-8 text (up to its first zero byte) to UTF-16; ill-formed
// sequences become U+FFFD. capacity is the caller's area in wide characters,
// terminator included: a text of capacity bytes or more gives -1 and an empty
// destination. -1 also for a missing destination.
int Utf8ToWide(std::string_view source, std::u16string* destination, std::size_t capacity);
