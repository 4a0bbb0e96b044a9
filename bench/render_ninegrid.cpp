// Painting a window-sized nine-grid picture, the most common and largest
// draw of a skinned window. LUMORA_BENCH_IMAGE names a picture file to use;
// otherwise a 96×96 framed picture made in memory is used.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "controls/Render.h"
#include "stb_image_write.h"

namespace {

using Kesto::ImageInfo;
using Kesto::RECT;
using Kesto::Renderer;

constexpr int kWidth = 1100;
constexpr int kHeight = 720;

std::string GeneratedPng() {
  constexpr int size = 96;
  std::vector<unsigned char> rgba(size * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      unsigned char* p = &rgba[(y * size + x) * 4];
      const bool frame = x < 12 || y < 12 || x >= size - 12 || y >= size - 12;
      p[0] = static_cast<unsigned char>(frame ? 40 : 200 + x % 40);
      p[1] = static_cast<unsigned char>(frame ? 60 : 180 + y % 50);
      p[2] = static_cast<unsigned char>(frame ? 90 : 160);
      p[3] = static_cast<unsigned char>(frame ? 230 : 255);
    }
  }
  std::string out;
  stbi_write_png_to_func(
      [](void* context, void* data, int n) {
        static_cast<std::string*>(context)->append(static_cast<char*>(data), n);
      },
      &out, size, size, 4, rgba.data(), size * 4);
  return out;
}

std::unique_ptr<ImageInfo> BenchImage() {
  static std::string bytes = [] {
    if (const char* path = std::getenv("LUMORA_BENCH_IMAGE")) {
      std::ifstream in(path, std::ios::binary);
      std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (!file.empty()) return file;
    }
    return GeneratedPng();
  }();
  return Renderer::LoadImageFromBytes(bytes, 0);
}

// Corners of a sixth of the picture's smaller side.
RECT CornersOf(const ImageInfo& image) {
  const int c = std::min(image.width, image.height) / 6;
  return RECT{c, c, c, c};
}

void RunNineGrid(benchmark::State& state, bool alpha, bool xtiled, bool ytiled) {
  auto image = BenchImage();
  if (!image) {
    state.SkipWithError("picture could not be decoded");
    return;
  }
  os::Bitmap target(kWidth, kHeight);
  os::Canvas canvas(target);
  const RECT window{0, 0, kWidth, kHeight};
  const RECT source{0, 0, image->width, image->height};
  const RECT corners = CornersOf(*image);
  for (auto _ : state) {
    Renderer::DrawImage(canvas, image->bitmap, window, window, source, corners, alpha, 255, false, xtiled,
                        ytiled);
    benchmark::DoNotOptimize(target.Data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_NineGridBlended(benchmark::State& state) { RunNineGrid(state, true, false, false); }
void BM_NineGridCopied(benchmark::State& state) { RunNineGrid(state, false, false, false); }
void BM_NineGridTiledCentre(benchmark::State& state) { RunNineGrid(state, true, true, true); }

// A partial repaint: only a button-sized paint rectangle is touched.
void BM_NineGridSmallPaintRect(benchmark::State& state) {
  auto image = BenchImage();
  os::Bitmap target(kWidth, kHeight);
  os::Canvas canvas(target);
  const RECT window{0, 0, kWidth, kHeight};
  const RECT paint{500, 300, 620, 340};
  for (auto _ : state) {
    Renderer::DrawImage(canvas, image->bitmap, window, paint, RECT{0, 0, image->width, image->height},
                        CornersOf(*image), true);
  }
}

// The draw-string route a control's background takes, parsing included.
class BenchResources : public Kesto::RenderResources {
 public:
  BenchResources() : image_(BenchImage()), font_(u"Tahoma", 12) {}
  const os::Font* FontAt(int) override { return &font_; }
  const os::Font* DefaultFont() override { return &font_; }
  const os::Font* FindFont(std::u16string_view, int, bool, bool, bool) override { return &font_; }
  const ImageInfo* Image(std::u16string_view, std::u16string_view, os::DWORD) override {
    return image_.get();
  }
  bool TransparentBackground() override { return true; }
  bool TypographicText() override { return false; }
  os::DWORD LinkColor() override { return 0xFF0000FF; }
  os::DWORD LinkHoverColor() override { return 0xFFFF0000; }
  os::DWORD SelectedColor() override { return 0xFFBAE4FF; }
  os::POINT MousePoint() override { return os::POINT{-1, -1}; }

 private:
  std::unique_ptr<ImageInfo> image_;
  os::Font font_;
};

void BM_DrawImageString(benchmark::State& state) {
  BenchResources resources;
  os::Bitmap target(kWidth, kHeight);
  os::Canvas canvas(target);
  const RECT window{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    Renderer::DrawImageString(&canvas, &resources, window, window, u"file='bg.png' corner='16,16,16,16'");
  }
}

void BM_DecodePicture(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BenchImage());
}

}  // namespace

BENCHMARK(BM_NineGridBlended)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NineGridCopied)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NineGridTiledCentre)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NineGridSmallPaintRect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodePicture)->Unit(benchmark::kMicrosecond);
