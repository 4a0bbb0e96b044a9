// Which picture bytes may be handed to the picture decoder (stb_image). The
// launcher's pictures are PNG, JPEG, BMP and GIF, known by their signatures;
// the decoder reads more formats, and some of its readers trust the file
// where they should not, so these are refused before decoding:
// - other formats (PNM, TGA, PSD, HDR, PIC): its 16-bit PNM path reads past
//   its own buffer, and no skin needs them;
// - a JPEG with a Huffman table of more than 256 codes: its table builder
//   writes them past the table's end;
// - a picture whose header announces more than kMaxPicturePixels pixels: the
//   decoder would allocate for them before reading any, so a file of a few
//   bytes could claim gigabytes;
// - a PNG with a chunk longer than the bytes that are left: the decoder
//   sizes its buffer by the announced length before reading the data.
// A JPEG is checked at every FF C4 pair in its bytes, wherever it lies, so a
// table cannot hide from the check inside some other segment; a genuine
// picture has such a pair only where a table starts.
#pragma once

#include <cstdint>
#include <string_view>

namespace os {

// 4096 × 4096: many times the launcher's largest picture, 64 MiB decoded.
inline constexpr std::int64_t kMaxPicturePixels = 4096 * 4096;

bool IsDecodablePicture(std::string_view bytes);

}  // namespace os
