// Which picture bytes reach the decoder: PNG, JPEG, BMP and GIF by their
// signatures, of JPEGs only those whose Huffman tables fit, and no picture
// that claims more than kMaxPicturePixels.
#include "platform/gfx/PictureFormat.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A 2×2 red picture written by one of the encoders.
template <typename Write>
std::string Encode(Write write) {
  std::vector<std::uint8_t> red(2 * 2 * 3, 0);
  for (std::size_t i = 0; i < red.size(); i += 3) red[i] = 255;
  std::string out;
  write([](void* context, void* data,
           int size) { static_cast<std::string*>(context)->append(static_cast<const char*>(data), size); },
        &out, red.data());
  return out;
}

std::string Png() {
  return Encode([](auto f, void* c, const void* p) { stbi_write_png_to_func(f, c, 2, 2, 3, p, 6); });
}
std::string Jpeg() {
  return Encode([](auto f, void* c, const void* p) { stbi_write_jpg_to_func(f, c, 2, 2, 3, p, 90); });
}

// The JPEG with one more Huffman table segment after its start, of codes
// codes: 8 bits long and then 9 (up to 256 a complete table).
std::string JpegWithTable(int codes) {
  std::string counts(16, '\0');
  for (int i = 7, left = codes; i < 16 && left > 0; ++i) {
    counts[i] = static_cast<char>(std::min(left, 255));
    left -= static_cast<unsigned char>(counts[i]);
  }
  const int length = 2 + 1 + 16 + codes;
  const std::string segment = std::string("\xFF\xC4", 2) + static_cast<char>(length >> 8) +
                              static_cast<char>(length & 0xFF) + std::string(1, '\0') + counts +
                              std::string(static_cast<std::size_t>(codes), '\x01');
  const std::string jpeg = Jpeg();
  return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

// A PNG whose header announces width × height; no pixels follow.
std::string PngHeader(std::uint32_t width, std::uint32_t height) {
  std::string header("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  for (const std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>(v >> shift));
  }
  return header + std::string("\x08\x06\0\0\0\0\0\0\0", 9);
}

struct PictureCase {
  const char* name;
  std::string bytes;
  bool decodable;
};

class PictureFormatTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureFormatTest, PassesOnlyWhatTheDecoderReadsSafely) {
  EXPECT_EQ(os::IsDecodablePicture(GetParam().bytes), GetParam().decodable);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, PictureFormatTest,
    ::testing::Values(
        PictureCase{"png", Png(), true},
        PictureCase{"bmp",
                    Encode([](auto f, void* c, const void* p) { stbi_write_bmp_to_func(f, c, 2, 2, 3, p); }),
                    true},
        PictureCase{"jpeg", Jpeg(), true},
        // 1×1, a table of two colours, the pixel of index 0.
        PictureCase{"gif",
                    std::string("GIF89a\x01\x00\x01\x00\xF0\x00\x00\xFF\x00\x00\x00\x00\x00"
                                "\x21\xF9\x04\x00\x00\x00\x00\x00"
                                ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                                43),
                    true},
        PictureCase{"jpegFullTable", JpegWithTable(256), true},
        // One code more than a table holds: the decoder would write it past
        // the table.
        PictureCase{"jpegOverfullTable", JpegWithTable(257), false},
        // The same table inside another segment's bytes still counts.
        PictureCase{"jpegHiddenTable",
                    Jpeg().substr(0, 2) + std::string("\xFF\xE1\x01\x40", 4) + JpegWithTable(300).substr(2),
                    false},
        PictureCase{"largestPicture", PngHeader(4096, 4096), true},
        PictureCase{"tooManyPixels", PngHeader(4097, 4096), false},
        PictureCase{"gifScreenOfGigabytes",
                    std::string("GIF89a\x04\x47\x49\x46\x80\x00\x00", 13) + std::string(6, '\0'), false},
        PictureCase{"truncated", Png().substr(0, 20), false},
        // A data chunk that announces a gigabyte, in a file of a few dozen
        // bytes: the decoder would reserve room for it before reading.
        PictureCase{"pngChunkPastTheEnd",
                    PngHeader(2, 2) + std::string("\x40\x00\x00\x00IDAT\x78\x9c\0\0\0\0", 14), false},
        // The last chunk cut short.
        PictureCase{"pngCutInAChunk", Png().substr(0, Png().size() - 14), false},
        // 16 bits a channel: the decoder's conversion reads past its buffer.
        PictureCase{"ppm16", std::string("P6\n1 1\n65535\n\xFF\xFF\0\0\0\0", 19), false},
        PictureCase{"pgm", "P5\n1 1\n255\n\x80", false},
        PictureCase{"tga",
                    Encode([](auto f, void* c, const void* p) { stbi_write_tga_to_func(f, c, 2, 2, 3, p); }),
                    false},
        PictureCase{"psd", "8BPS\0\x01", false}, PictureCase{"hdr", "#?RADIANCE\n", false},
        PictureCase{"empty", "", false}, PictureCase{"text", "not a picture", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
