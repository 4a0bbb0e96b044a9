// Layout and painting of the manager inside a headless window: the back
// buffer and what reaches the window, the layered frame, the layout pass at
// paint time, "windowinit", the caret and the window-level settings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "ManagerTestSupport.h"
#include "platform/gfx/Bitmap.h"
#include "platform/window/Paint.h"

namespace managertest {
namespace {

using Kesto::CContainerUI;

// A probe that counts its placements.
class Placed : public Probe {
 public:
  using Probe::Probe;
  void SetPos(os::RECT rc) override {
    ++placements;
    Probe::SetPos(rc);
  }
  int placements = 0;
};

// Straight colour of a presented pixel as 0xAARRGGBB.
std::uint32_t FramePixel(os::HWND hwnd, int x, int y) {
  const auto frame = os::headless::LastFrame(hwnd);
  if (!frame || x < 0 || y < 0 || x >= frame->width || y >= frame->height) return 0xDEADBEEF;
  const std::uint8_t* p = frame->bgra.data() + (static_cast<std::size_t>(y) * frame->width + x) * 4;
  return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

class ManagerPaintTest : public ::testing::Test {
 protected:
  void SetUp() override { os::headless::Reset(); }

  void Build(bool layered = false, bool rootColour = true) {
    window = std::make_unique<ManagerWindow>(200, 120);
    root = new CContainerUI;
    if (rootColour) root->SetAttribute(u"bkcolor", u"#FF204060");
    a = new Placed("a", nullptr, Kesto::ControlFlag::TabStop);
    a->At(10, 10, 60, 40);
    a->SetAttribute(u"bkcolor", u"#FFFF0000");
    b = new Placed("b", nullptr);
    b->At(120, 60, 180, 100);
    b->SetAttribute(u"bkcolor", u"#FF00FF00");
    root->Add(a);
    root->Add(b);
    manager().SetLayeredBackground(layered);
    manager().AddNotifier(&notes);
    manager().AttachRoot(root);
    window->Show();
  }

  UIManager& manager() { return window->manager; }
  int Presents() { return os::headless::Surface(window->hwnd)->presents; }

  Recorder notes;
  std::unique_ptr<ManagerWindow> window;
  CContainerUI* root = nullptr;
  Placed* a = nullptr;
  Placed* b = nullptr;
};

TEST_F(ManagerPaintTest, OpaqueWindowShowsTheTreeThroughItsBackBuffer) {
  Build();
  EXPECT_EQ(FramePixel(window->hwnd, 5, 5), 0xFF204060u);
  EXPECT_EQ(FramePixel(window->hwnd, 20, 20), 0xFFFF0000u);
  EXPECT_EQ(FramePixel(window->hwnd, 150, 80), 0xFF00FF00u);
  const os::Bitmap* buffer = manager().OffscreenBitmap();
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(buffer->Width(), 200);
  EXPECT_EQ(buffer->Height(), 120);
  EXPECT_EQ(buffer->Pixel(20, 20), 0xFFFF0000u);
  EXPECT_EQ(a->GetPos(), (os::RECT{10, 10, 60, 40}));

  // A change repaints only its own rectangle, in the same back buffer.
  b->paints.clear();
  a->SetBkColor(0xFF0000FF);
  ManagerWindow::Pump();
  EXPECT_EQ(FramePixel(window->hwnd, 20, 20), 0xFF0000FFu);
  EXPECT_TRUE(b->paints.empty());
  EXPECT_EQ(manager().OffscreenBitmap(), buffer);
}

TEST_F(ManagerPaintTest, WindowInitIsSentOnceAfterTheFirstLayout) {
  Build();
  EXPECT_THAT(notes.types, ::testing::Contains("windowinit"));
  ASSERT_FALSE(notes.messages.empty());
  EXPECT_EQ(notes.messages[0].type, u"windowinit");
  EXPECT_EQ(notes.messages[0].sender, root);
  os::SetWindowPos(window->hwnd, nullptr, 0, 0, 300, 200, os::SWP_NOMOVE | os::SWP_NOZORDER);
  ManagerWindow::Pump();
  os::InvalidateRect(window->hwnd, nullptr, os::FALSE);
  ManagerWindow::Pump();
  EXPECT_EQ(std::count(notes.types.begin(), notes.types.end(), "windowinit"), 1);
}

TEST_F(ManagerPaintTest, LayoutRunsAtPaintTimeAndOnlyWhereNeeded) {
  Build();
  b->SetAttribute(u"pos", u"100,60,180,110");
  root->NeedUpdate();
  EXPECT_TRUE(manager().IsLayoutNeeded());
  EXPECT_EQ(b->GetPos(), (os::RECT{120, 60, 180, 100}));  // not yet
  ManagerWindow::Pump();
  EXPECT_FALSE(manager().IsLayoutNeeded());
  EXPECT_EQ(b->GetPos(), (os::RECT{100, 60, 180, 110}));
  EXPECT_EQ(FramePixel(window->hwnd, 105, 105), 0xFF00FF00u);

  // Only the control that needs it is placed again when the root does not.
  b->NeedUpdate();
  const int aMid = a->placements;
  const int bMid = b->placements;
  ManagerWindow::Pump();
  EXPECT_EQ(a->placements, aMid);
  EXPECT_EQ(b->placements, bMid + 1);

  // A new client size relays the whole tree and renews the back buffer.
  os::SetWindowPos(window->hwnd, nullptr, 0, 0, 260, 150, os::SWP_NOMOVE | os::SWP_NOZORDER);
  ManagerWindow::Pump();
  ASSERT_NE(manager().OffscreenBitmap(), nullptr);
  EXPECT_EQ(manager().OffscreenBitmap()->Width(), 260);
  EXPECT_EQ(root->GetPos(), (os::RECT{0, 0, 260, 150}));
  EXPECT_EQ(FramePixel(window->hwnd, 250, 140), 0xFF204060u);
}

TEST_F(ManagerPaintTest, PaintWithNothingInvalidDoesNothing) {
  Build();
  const int presents = Presents();
  a->paints.clear();
  os::LRESULT result = 0;
  EXPECT_TRUE(manager().MessageHandler(os::WM_PAINT, 0, 0, result));
  EXPECT_EQ(Presents(), presents);
  EXPECT_TRUE(a->paints.empty());
}

TEST_F(ManagerPaintTest, LayeredWindowLeavesUntouchedPixelsTransparent) {
  Build(/*layered=*/true, /*rootColour=*/false);
  const auto frame = os::headless::LastFrame(window->hwnd);
  ASSERT_TRUE(frame.has_value());
  EXPECT_TRUE(frame->perPixelAlpha);
  EXPECT_EQ(frame->width, 200);
  EXPECT_EQ(FramePixel(window->hwnd, 20, 20), 0xFFFF0000u);
  EXPECT_EQ(FramePixel(window->hwnd, 100, 50) >> 24, 0u);
  EXPECT_EQ(FramePixel(window->hwnd, 0, 0) >> 24, 0u);
  EXPECT_NE(os::GetWindowLongPtr(window->hwnd, os::GWL_EXSTYLE) & os::WS_EX_LAYERED, 0);
  ASSERT_NE(manager().LayeredBitmap(), nullptr);
  EXPECT_EQ(manager().OffscreenBitmap(), nullptr);

  // A translucent control keeps its alpha in the frame.
  a->SetBkColor(0x80FF0000);
  ManagerWindow::Pump();
  EXPECT_EQ(FramePixel(window->hwnd, 20, 20) >> 24, 0x80u);
  EXPECT_EQ(FramePixel(window->hwnd, 100, 50) >> 24, 0u);
}

// A window moved to a screen of another density is painted anew at it: its
// buffers are made again with the screen's device pixels, at the same
// logical size, and the tree lands where it did.
class ManagerDensityTest : public ManagerPaintTest, public ::testing::WithParamInterface<bool> {
 protected:
  const os::Bitmap* Buffer() { return GetParam() ? manager().LayeredBitmap() : manager().OffscreenBitmap(); }
};

TEST_P(ManagerDensityTest, APaintFollowsTheWindowsDensity) {
  Build(/*layered=*/GetParam());
  ASSERT_NE(Buffer(), nullptr);
  EXPECT_EQ(Buffer()->Scale().Factor(), 1);
  for (int factor : {2, 3, 1}) {
    os::headless::SetSurfaceScale(window->hwnd, factor);
    ManagerWindow::Pump();
    ASSERT_NE(Buffer(), nullptr);
    EXPECT_EQ(Buffer()->Scale().Factor(), factor);
    EXPECT_EQ(Buffer()->Width(), 200);
    EXPECT_EQ(Buffer()->Height(), 120);
    EXPECT_EQ(os::headless::Surface(window->hwnd)->presentedScale, factor);
    // The red control fills its units' device pixels, nothing outside.
    EXPECT_EQ(Buffer()->Pixel(10 * factor, 10 * factor), 0xFFFF0000u);
    EXPECT_EQ(Buffer()->Pixel(60 * factor - 1, 40 * factor - 1), 0xFFFF0000u);
    EXPECT_NE(Buffer()->Pixel(60 * factor, 40 * factor), 0xFFFF0000u);
    EXPECT_NE(Buffer()->Pixel(10 * factor - 1, 10 * factor - 1), 0xFFFF0000u);
    EXPECT_EQ(FramePixel(window->hwnd, 20, 20), 0xFFFF0000u);
    EXPECT_EQ(FramePixel(window->hwnd, 150, 80), 0xFF00FF00u);
  }
  // A later partial repaint keeps the buffer of the density.
  const os::Bitmap* kept = Buffer();
  a->SetBkColor(0xFF0000FF);
  ManagerWindow::Pump();
  EXPECT_EQ(Buffer(), kept);
  EXPECT_EQ(FramePixel(window->hwnd, 20, 20), 0xFF0000FFu);
}

INSTANTIATE_TEST_SUITE_P(OpaqueAndLayered, ManagerDensityTest, ::testing::Bool());

TEST_F(ManagerPaintTest, LayeredRestoreRepaintsTheWholeClientArea) {
  Build(/*layered=*/true);
  b->paints.clear();
  a->Invalidate();
  ManagerWindow::Pump();
  EXPECT_TRUE(b->paints.empty());  // only the invalidated part

  os::LRESULT result = 0;
  EXPECT_TRUE(manager().MessageHandler(os::WM_SYSCOMMAND, os::SC_RESTORE | 2, 0, result));
  EXPECT_TRUE(manager().IsRestoring());
  a->Invalidate();
  ManagerWindow::Pump();
  ASSERT_FALSE(b->paints.empty());
  EXPECT_EQ(b->paints.back(), (os::RECT{0, 0, 200, 120}));
  EXPECT_FALSE(manager().IsRestoring());
}

TEST_F(ManagerPaintTest, CaretIsDrawnForTheFocusedOwnerAndBlinks) {
  Build();
  ASSERT_TRUE(manager().CreateCaret(a, 2, 10, 0xFF00FF00));
  manager().SetCaretPos(os::POINT{20, 15});
  manager().SetFocus(a);
  manager().ShowCaret(true);
  ManagerWindow::Pump();
  EXPECT_EQ(FramePixel(window->hwnd, 20, 15), 0xFF00FF00u);
  EXPECT_EQ(FramePixel(window->hwnd, 22, 15), 0xFFFF0000u);
  ManagerWindow::Advance(os::GetCaretBlinkTime());
  EXPECT_FALSE(manager().IsCaretShown());
  EXPECT_EQ(FramePixel(window->hwnd, 20, 15), 0xFFFF0000u);
  ManagerWindow::Advance(os::GetCaretBlinkTime());
  EXPECT_TRUE(manager().IsCaretShown());
  EXPECT_EQ(FramePixel(window->hwnd, 20, 15), 0xFF00FF00u);

  // Without the focus the caret hides and stops blinking.
  manager().SetFocus(nullptr);
  ManagerWindow::Pump();
  EXPECT_FALSE(manager().IsCaretShown());
  EXPECT_EQ(FramePixel(window->hwnd, 20, 15), 0xFFFF0000u);
  ManagerWindow::Advance(3 * os::GetCaretBlinkTime());
  EXPECT_FALSE(manager().IsCaretShown());
}

TEST_F(ManagerPaintTest, WindowSettingsReachTheWindow) {
  window = std::make_unique<ManagerWindow>(200, 120);
  manager().SetInitialSize(320, 240);  // no root yet: the window takes it
  os::RECT rc{};
  os::GetClientRect(window->hwnd, &rc);
  EXPECT_EQ(rc, (os::RECT{0, 0, 320, 240}));

  manager().SetWindowOpacity(128);
  EXPECT_EQ(manager().WindowOpacity(), 128);
  EXPECT_NE(os::GetWindowLongPtr(window->hwnd, os::GWL_EXSTYLE) & os::WS_EX_LAYERED, 0);
  EXPECT_EQ(os::headless::Surface(window->hwnd)->opacity, 128);
  // Out of range: stored as 255, and the window is opaque again.
  manager().SetWindowOpacity(300);
  EXPECT_EQ(manager().WindowOpacity(), 255);
  EXPECT_EQ(os::GetWindowLongPtr(window->hwnd, os::GWL_EXSTYLE) & os::WS_EX_LAYERED, 0);

  manager().AttachRoot(new CContainerUI);
  manager().SetInitialSize(100, 100);  // with a root it is only stored
  os::GetClientRect(window->hwnd, &rc);
  EXPECT_EQ(rc, (os::RECT{0, 0, 320, 240}));
  EXPECT_EQ(manager().InitialSize(), (os::SIZE{100, 100}));
}

}  // namespace
}  // namespace managertest
