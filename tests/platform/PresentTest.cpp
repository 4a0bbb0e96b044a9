// Presenting pixels: the BitBlt into a window, layered frames, and snapshots
// written as PNG and read back.
#include <stb/stb_image.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "WindowTestSupport.h"
#include "platform/window/Snapshot.h"
#include "testsupport/TempDir.h"

namespace wintest {
namespace {

class PresentTest : public WindowTest {};

// A premultiplied BGRA buffer with a stride wider than its rows.
struct Buffer {
  Buffer(int w, int h)
      : width(w), height(h), stride(w * 4 + 8), bytes(static_cast<std::size_t>(stride) * h, 0xEE) {}
  void Set(int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
    std::uint8_t* p = &bytes[static_cast<std::size_t>(y) * stride + x * 4];
    p[0] = b, p[1] = g, p[2] = r, p[3] = a;
  }
  PixelView View() const { return PixelView{bytes.data(), width, height, stride}; }
  int width, height, stride;
  std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> At(const std::vector<std::uint8_t>& rgba, int width, int x, int y) {
  auto i = (static_cast<std::size_t>(y) * width + x) * 4;
  return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
}

void ExpectNear(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1) << "channel " << i;
}

TEST_F(PresentTest, LayeredFrameSnapshotRoundTripsThroughPng) {
  HWND w = Popup({10, 10, 14, 13}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  Buffer frame(4, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) frame.Set(x, y, 0, 0, 0, 0);
  }
  frame.Set(0, 0, 0, 0, 255, 255);  // opaque red
  frame.Set(1, 0, 0, 128, 0, 128);  // half-transparent green
  frame.Set(3, 0, 32, 0, 0, 64);    // quarter-transparent blue
  frame.Set(2, 2, 100, 100, 100, 200);
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, frame.View(), 255));

  testsupport::TempDir dir;
  const auto png = dir / "layered.png";
  ASSERT_TRUE(headless::Snapshot(w, png));
  int width = 0, height = 0, channels = 0;
  std::uint8_t* decoded = stbi_load(png.string().c_str(), &width, &height, &channels, 4);
  ASSERT_NE(decoded, nullptr);
  std::vector<std::uint8_t> rgba(decoded, decoded + width * height * 4);
  stbi_image_free(decoded);
  ASSERT_EQ(width, 4);
  ASSERT_EQ(height, 3);
  ExpectNear(At(rgba, 4, 0, 0), {255, 0, 0, 255});
  ExpectNear(At(rgba, 4, 1, 0), {0, 255, 0, 128});
  ExpectNear(At(rgba, 4, 2, 0), {0, 0, 0, 0});
  ExpectNear(At(rgba, 4, 3, 0), {0, 0, 128, 64});
  ExpectNear(At(rgba, 4, 2, 2), {128, 128, 128, 200});

  // The constant alpha scales every pixel; the window region cuts them off.
  ASSERT_TRUE(UpdateLayeredWindow(w, nullptr, frame.View(), 128));
  SetWindowRgn(w, CreateRectRgn(0, 0, 2, 3), FALSE);
  int aw = 0, ah = 0;
  auto look = headless::Appearance(w, &aw, &ah);
  ExpectNear(At(look, aw, 0, 0), {255, 0, 0, 128});
  ExpectNear(At(look, aw, 1, 0), {0, 255, 0, 64});
  ExpectNear(At(look, aw, 2, 2), {0, 0, 0, 0});
}

// The picture rules every backend's snapshots share.
TEST(FrameAppearanceTest, LayeredFramesUnpremultiplyOpaqueOnesTakeTheOpacityAndTheRegionCuts) {
  SurfaceFrame frame;
  frame.width = 3;
  frame.height = 1;
  // Premultiplied BGRA: half-covered red, a transparent pixel with stray
  // colour, an opaque blue one.
  frame.bgra = {0, 0, 128, 128, 9, 9, 9, 0, 255, 0, 0, 255};
  frame.perPixelAlpha = true;
  frame.constantAlpha = 128;
  WindowPicture picture = FrameAppearance(frame);
  ASSERT_EQ(picture.width, 3);
  ASSERT_EQ(picture.height, 1);
  EXPECT_EQ(picture.rgba, (std::vector<std::uint8_t>{255, 0, 0, 64, 0, 0, 0, 0, 0, 0, 255, 128}));

  frame.perPixelAlpha = false;  // alpha bytes of an opaque frame mean nothing
  frame.constantAlpha = 200;
  frame.shape = WindowShape{RECT{1, 0, 3, 1}};
  picture = FrameAppearance(frame);
  EXPECT_EQ(picture.rgba, (std::vector<std::uint8_t>{0, 0, 0, 0, 9, 9, 9, 200, 0, 0, 255, 200}));

  frame.bgra.resize(8);  // fewer pixels than its size claims
  EXPECT_EQ(FrameAppearance(frame).width, 0);
  EXPECT_TRUE(FrameAppearance(frame).rgba.empty());
}

TEST_F(PresentTest, OnlyTopLevelWindowsHaveSnapshots) {
  HWND top = Popup({10, 10, 30, 30}, kPlainClass, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, {0, 0, 5, 5});
  ASSERT_NE(child, nullptr);
  const testsupport::TempDir dir;
  EXPECT_EQ(WindowAppearance(top).width, 20);
  EXPECT_TRUE(SnapshotWindow(top, dir / "top.png"));
  EXPECT_EQ(WindowAppearance(child).width, 0);
  EXPECT_FALSE(SnapshotWindow(child, dir / "child.png"));
  EXPECT_FALSE(SnapshotWindow(nullptr, dir / "none.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "child.png"));
}

// Work that waits for a window's next frame runs once, after that window's
// frame only, and never for a window that is gone.
TEST_F(PresentTest, FrameWaitersRunOnceAfterTheirWindowsNextFrame) {
  HWND a = Popup({0, 0, 2, 2}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  HWND b = Popup({4, 4, 6, 6}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  HWND gone = Popup({8, 8, 10, 10}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  Buffer frame(2, 2);
  std::vector<std::string> runs;
  std::vector<std::string> observed;
  SetFrameDrawnObserver([&](HWND hwnd) { observed.push_back(hwnd == a ? "a" : "other"); });
  WhenFrameDrawn(a, [&] {
    runs.push_back("a after " + std::to_string(observed.size()));
    // Waiting again from inside waits for the next frame, not this one.
    WhenFrameDrawn(a, [&] { runs.push_back("a again"); });
  });
  WhenFrameDrawn(gone, [&] { runs.push_back("gone"); });
  WhenFrameDrawn(nullptr, [&] { runs.push_back("no window"); });
  DestroyWindow(gone);

  ASSERT_TRUE(UpdateLayeredWindow(b, nullptr, frame.View(), 255));
  EXPECT_TRUE(runs.empty()) << "another window's frame";
  ASSERT_TRUE(UpdateLayeredWindow(a, nullptr, frame.View(), 255));
  EXPECT_EQ(runs, (std::vector<std::string>{"a after 2"})) << "after the observer, once";
  ASSERT_TRUE(UpdateLayeredWindow(a, nullptr, frame.View(), 255));
  ASSERT_TRUE(UpdateLayeredWindow(a, nullptr, frame.View(), 255));
  EXPECT_EQ(runs, (std::vector<std::string>{"a after 2", "a again"}));
  SetFrameDrawnObserver(nullptr);
}

TEST_F(PresentTest, LayeredUpdatesNeedTheStyleAndNoAttributes) {
  HWND plain = Popup({0, 0, 2, 2});
  Buffer frame(2, 2);
  EXPECT_FALSE(UpdateLayeredWindow(plain, nullptr, frame.View(), 255));

  HWND layered = Popup({0, 0, 2, 2}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  ASSERT_TRUE(SetLayeredWindowAttributes(layered, 0, 200, LWA_ALPHA));
  EXPECT_EQ(headless::Surface(layered)->opacity, 200);
  EXPECT_FALSE(UpdateLayeredWindow(layered, nullptr, frame.View(), 255));
  // Taking the style off and on again allows it.
  const LONG ex = GetWindowLong(layered, GWL_EXSTYLE);
  SetWindowLong(layered, GWL_EXSTYLE, ex & ~static_cast<LONG>(WS_EX_LAYERED));
  SetWindowLong(layered, GWL_EXSTYLE, ex | static_cast<LONG>(WS_EX_LAYERED));
  Log().clear();
  POINT at{50, 60};
  Buffer bigger(6, 5);
  EXPECT_TRUE(UpdateLayeredWindow(layered, &at, bigger.View(), 255));
  EXPECT_EQ(WindowRectOf(layered), (RECT{50, 60, 56, 65}));  // moved and sized to the frame
  EXPECT_EQ(Calls(layered, WM_SIZE).back().lParam, MAKELPARAM(6, 5));
  auto frameNow = headless::LastFrame(layered);
  ASSERT_TRUE(frameNow);
  EXPECT_TRUE(frameNow->perPixelAlpha);
  EXPECT_EQ(frameNow->width, 6);
}

TEST_F(PresentTest, BitBltLandsInTheClientAreaClippedAndAtChildOffsets) {
  HWND w = Popup({0, 0, 8, 6});
  Buffer red(3, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) red.Set(x, y, 0, 0, 255, 255);
  }
  ASSERT_TRUE(BitBltToWindow(w, 2, 1, 3, 2, red.View(), 0, 0));
  ASSERT_TRUE(BitBltToWindow(w, 6, 4, 3, 2, red.View(), 0, 0));  // half of it outside
  auto frame = headless::LastFrame(w);
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->width, 8);
  auto px = [&](int x, int y) { return frame->bgra[(static_cast<std::size_t>(y) * 8 + x) * 4 + 2]; };
  EXPECT_EQ(px(2, 1), 255);
  EXPECT_EQ(px(4, 2), 255);
  EXPECT_EQ(px(5, 1), 0);
  EXPECT_EQ(px(1, 1), 0);
  EXPECT_EQ(px(7, 5), 255);
  EXPECT_EQ(px(5, 4), 0);
  int aw = 0, ah = 0;
  auto look = headless::Appearance(w, &aw, &ah);
  EXPECT_EQ(At(look, aw, 0, 0)[3], 255);  // an opaque window shows no transparency

  // A child presents at its offset; a parent with WS_CLIPCHILDREN leaves the
  // child's pixels alone.
  HWND parent = Popup({0, 0, 10, 10}, kPlainClass, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = Child(parent, {4, 4, 6, 6});
  Buffer blue(2, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) blue.Set(x, y, 255, 0, 0, 255);
  }
  ASSERT_TRUE(BitBltToWindow(child, 0, 0, 2, 2, blue.View(), 0, 0));
  Buffer green(10, 10);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) green.Set(x, y, 0, 255, 0, 255);
  }
  ASSERT_TRUE(BitBltToWindow(parent, 0, 0, 10, 10, green.View(), 0, 0));
  auto composed = headless::LastFrame(parent);
  auto pixel = [&](int x, int y) {
    auto i = (static_cast<std::size_t>(y) * 10 + x) * 4;
    return std::vector<std::uint8_t>{composed->bgra[i], composed->bgra[i + 1], composed->bgra[i + 2]};
  };
  EXPECT_EQ(pixel(5, 5), (std::vector<std::uint8_t>{255, 0, 0}));
  EXPECT_EQ(pixel(3, 5), (std::vector<std::uint8_t>{0, 255, 0}));
}

TEST_F(PresentTest, TransparentPixelsOfALayeredWindowLetTheMouseThrough) {
  HWND below = Popup({0, 0, 100, 100});
  HWND layered = Popup({0, 0, 100, 100}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  Buffer frame(100, 100);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      if (x < 50) {
        frame.Set(x, y, 0, 0, 0, 0);
      } else {
        frame.Set(x, y, 10, 10, 10, 255);
      }
    }
  }
  ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, frame.View(), 255));
  headless::Pump();
  Log().clear();
  inject::Click({75, 50});
  inject::Click({25, 50});
  headless::Pump();
  EXPECT_EQ(Count(layered, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1);
}

// Views of a high-density back buffer: sizes, clipping and hit testing are
// logical; a unit is visible when any of its device pixels is.
class DensePresentTest : public PresentTest, public ::testing::WithParamInterface<int> {
 protected:
  int f = GetParam();
  // A dense buffer of w x h units, fully transparent.
  Buffer Dense(int w, int h) { return Buffer(w * f, h * f); }
  PixelView DenseView(const Buffer& b) {
    return PixelView{b.bytes.data(), b.width, b.height, b.stride, DeviceScale(f)};
  }
};

TEST_P(DensePresentTest, LayeredFramesTakeTheirLogicalSizeAndHitTestByCoverage) {
  HWND below = Popup({0, 0, 40, 40});
  HWND layered = Popup({0, 0, 10, 10}, kPlainClass, WS_POPUP | WS_VISIBLE, WS_EX_LAYERED);
  Buffer frame = Dense(30, 20);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) frame.Set(x, y, 0, 0, 0, 0);
  // Unit (20, 10): only its last device pixel is visible. Unit (5, 10):
  // nothing is.
  frame.Set(21 * f - 1, 11 * f - 1, 9, 9, 9, 255);
  ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, DenseView(frame), 255));
  RECT r{};
  GetWindowRect(layered, &r);
  EXPECT_EQ(r, (RECT{0, 0, 30, 20}));
  headless::Pump();
  Log().clear();
  inject::Click({20, 10});
  inject::Click({5, 10});
  headless::Pump();
  EXPECT_EQ(Count(layered, WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Count(below, WM_LBUTTONDOWN), 1);
}

TEST_P(DensePresentTest, BitBltClipsToTheViewsLogicalSize) {
  HWND w = Popup({0, 0, 8, 6});
  Buffer red = Dense(3, 2);
  for (int y = 0; y < red.height; ++y)
    for (int x = 0; x < red.width; ++x) red.Set(x, y, 0, 0, 255, 255);
  // Asked for more than the view holds: only its three units arrive.
  ASSERT_TRUE(BitBltToWindow(w, 1, 1, 7, 5, DenseView(red), 0, 0));
  auto frame = headless::LastFrame(w);
  ASSERT_TRUE(frame);
  ASSERT_EQ(frame->width, 8);
  auto px = [&](int x, int y) { return frame->bgra[(static_cast<std::size_t>(y) * 8 + x) * 4 + 2]; };
  EXPECT_EQ(px(1, 1), 255);
  EXPECT_EQ(px(3, 2), 255);
  EXPECT_EQ(px(4, 1), 0);
  EXPECT_EQ(px(1, 3), 0);
  EXPECT_EQ(headless::Surface(w)->presentedScale, f);
}

// A row's coverage: each unit's highest alpha over its f x f device pixels,
// a unit the device pixels only partly fill (an odd width) counting what it
// has, and nothing beyond the frame.
TEST_P(DensePresentTest, CoverageRowsTakeEachUnitsHighestAlphaAndNothingBeyondTheFrame) {
  // Three whole units and one device column more, two units high.
  Buffer frame(3 * f + 1, 2 * f);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) frame.Set(x, y, 0, 0, 0, 0);
  frame.Set(f - 1, f - 1, 0, 0, 0, 30);       // unit (0, 0): its last pixel
  frame.Set(f, 0, 0, 0, 0, 90);               // unit (1, 0): its first pixel ...
  frame.Set(2 * f - 1, f - 1, 0, 0, 0, 200);  // ... and its last, the higher
  frame.Set(3 * f, f, 0, 0, 0, 7);            // unit (3, 1): the extra column
  const PixelView view = DenseView(frame);
  ASSERT_EQ(view.LogicalWidth(), 4);
  auto row = [&](int y, int count) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count), 0xAB);
    view.CoverageRow(y, out.data(), count);
    return out;
  };
  EXPECT_EQ(row(0, 6), (std::vector<std::uint8_t>{30, 200, 0, 0, 0, 0}));
  EXPECT_EQ(row(1, 6), (std::vector<std::uint8_t>{0, 0, 0, 7, 0, 0}));
  EXPECT_EQ(row(1, 2), (std::vector<std::uint8_t>{0, 0})) << "a shorter row stops where asked";
  EXPECT_EQ(row(2, 4), (std::vector<std::uint8_t>(4, 0))) << "below the frame";
  EXPECT_EQ(row(-1, 4), (std::vector<std::uint8_t>(4, 0))) << "above the frame";
  const PixelView none{nullptr, 4, 4, 16, DeviceScale(f)};
  std::vector<std::uint8_t> out(4, 0xAB);
  none.CoverageRow(0, out.data(), 4);
  EXPECT_EQ(out, (std::vector<std::uint8_t>(4, 0))) << "a view without pixels";
}

INSTANTIATE_TEST_SUITE_P(Densities, DensePresentTest, ::testing::Values(1, 2, 3));

}  // namespace
}  // namespace wintest
