#include "platform/gfx/PictureFormat.h"

#include <cstddef>
#include <cstdint>

#include "stb_image.h"

namespace os {
namespace {

// The most codes a Huffman table can hold (one per byte value).
constexpr int kMaxHuffmanCodes = 256;

bool HasSkinSignature(std::string_view bytes) {
  constexpr std::string_view kSignatures[] = {std::string_view("\x89PNG\r\n\x1A\n", 8), "\xFF\xD8", "BM",
                                              "GIF87a", "GIF89a"};
  for (const std::string_view signature : kSignatures) {
    if (bytes.substr(0, signature.size()) == signature) return true;
  }
  return false;
}

// Reads a segment's tables as the decoder does: bytes past the end read as
// zero, a table class or number out of range ends the segment.
bool HuffmanSegmentFits(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  long left = ((byte(at) << 8) | byte(at + 1)) - 2;
  at += 2;
  while (left > 0) {
    const unsigned char table = byte(at++);
    if ((table >> 4) > 1 || (table & 15) > 3) return true;
    int codes = 0;
    for (int i = 0; i < 16; ++i) codes += byte(at++);
    if (codes > kMaxHuffmanCodes) return false;
    at += static_cast<std::size_t>(codes);
    left -= 17 + codes;
  }
  return true;
}

bool JpegTablesFit(std::string_view bytes) {
  for (std::size_t at = bytes.find("\xFF\xC4"); at != std::string_view::npos;
       at = bytes.find("\xFF\xC4", at + 1)) {
    if (!HuffmanSegmentFits(bytes, at + 2)) return false;
  }
  return true;
}

// Each chunk's announced length must lie within the bytes. The decoder
// grows its buffer for the compressed data to what a chunk announces (up to
// a gigabyte a chunk, doubling) before reading it, so a file of a few
// hundred bytes could make it allocate two gigabytes. A file that ends
// between chunks is left to the decoder, which refuses it.
bool PngChunksFit(std::string_view bytes) {
  constexpr std::size_t kSignature = 8, kFrame = 12;  // length, type and CRC around the data
  std::size_t at = kSignature;
  while (bytes.size() - at >= kFrame) {
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < 4; ++i) length = (length << 8) | static_cast<unsigned char>(bytes[at + i]);
    if (length > bytes.size() - at - kFrame) return false;
    if (bytes.substr(at + 4, 4) == "IEND") return true;
    at += kFrame + length;
  }
  return true;
}

}  // namespace

bool IsDecodablePicture(std::string_view bytes) {
  if (!HasSkinSignature(bytes)) return false;
  // The header reading below walks a JPEG's tables too.
  if (bytes.substr(0, 2) == "\xFF\xD8" && !JpegTablesFit(bytes)) return false;
  if (bytes.substr(0, 4) == "\x89PNG" && !PngChunksFit(bytes)) return false;
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  int width = 0, height = 0, channels = 0;
  if (stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                            &width, &height, &channels) == 0) {
    return false;
  }
  return width > 0 && height > 0 && std::int64_t{width} * height <= kMaxPicturePixels;
}

}  // namespace os
