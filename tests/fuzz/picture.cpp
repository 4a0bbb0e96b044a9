// Picture decoding as skins reach it: any bytes through the renderer's
// decoder, with a colour key taken from the input; a decoded picture is then
// drawn stretched, tiled and nine-gridded onto a small canvas. stb_image is
// compiled into this program, instrumented, so that the fuzzer can steer
// through the decoders too.
#include <cstdint>
#include <cstring>
#include <memory>

#include "FuzzSupport.h"
#include "controls/Render.h"
#include "platform/gfx/Canvas.h"

namespace {

std::uint32_t Word(std::string_view bytes) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data(), std::min<std::size_t>(bytes.size(), 4));
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes = fuzz::Bytes(data, size);
  // A trailing word is the colour key; the picture comes first so that seeds
  // are plain picture files with four more bytes.
  const std::size_t cut = bytes.size() >= 4 ? bytes.size() - 4 : 0;
  const std::uint32_t mask = Word(bytes.substr(cut));
  const std::unique_ptr<Kesto::ImageInfo> image =
      Kesto::Renderer::LoadImageFromBytes(bytes.substr(0, cut), mask);
  if (!image) return 0;
  FUZZ_CHECK(image->width > 0 && image->height > 0);
  FUZZ_CHECK(image->bitmap.IsValid());
  FUZZ_CHECK(image->bitmap.Width() == image->width && image->bitmap.Height() == image->height);
  FUZZ_CHECK(image->mask == mask);
  // A pixel equal to the key is transparent.
  bool keyed = false;
  for (int y = 0; y < image->height && !keyed; ++y) {
    for (int x = 0; x < image->width; ++x) keyed |= image->bitmap.Row(y)[x] >> 24 != 0xFF;
  }
  FUZZ_CHECK(!keyed || image->alphaChannel);

  os::Bitmap target(64, 48);
  os::Canvas canvas(target);
  const os::RECT all{0, 0, 64, 48};
  const os::RECT source{0, 0, image->width, image->height};
  const os::RECT corner{1, 1, 1, 1};
  Kesto::Renderer::DrawImage(canvas, image->bitmap, all, all, source, os::RECT{}, image->alphaChannel, 255,
                             false, false, false);
  Kesto::Renderer::DrawImage(canvas, image->bitmap, os::RECT{3, 2, 50, 40}, all, source, corner, true, 128,
                             true, true, true);
  return 0;
}
