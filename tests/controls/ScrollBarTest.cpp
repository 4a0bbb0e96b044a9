// Scroll bars: part placement, attributes, buttons, rail, thumb dragging,
// auto-repeat, hot state and painting.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "controls/Container.h"
#include "controls/ScrollBar.h"
#include "platform/base/Unicode.h"
#include "platform/gfx/Canvas.h"
#include "testsupport/TempDir.h"

namespace Kesto {
namespace {

using controltest::CountPixels;
using controltest::MakeEvent;
using controltest::Recorder;

TEST(ScrollBarPartsTest, ThumbSizeAndPositionFollowRangeAndPosition) {
  CScrollBarUI bar;
  EXPECT_EQ(bar.GetFixedWidth(), 16);
  EXPECT_EQ(bar.GetScrollRange(), 100);
  EXPECT_EQ(bar.GetClass(), u"ScrollBarUI");
  EXPECT_EQ(bar.GetInterface(u"ScrollBar"), &bar);
  bar.SetPos(RECT{0, 0, 16, 116});
  // Track 116 − 2·16 = 84; thumb 116·84/216 = 45.
  EXPECT_EQ(bar.GetButton1Rect(), (RECT{0, 0, 16, 16}));
  EXPECT_EQ(bar.GetButton2Rect(), (RECT{0, 100, 16, 116}));
  EXPECT_EQ(bar.GetThumbRect(), (RECT{0, 16, 16, 61}));
  bar.SetScrollPos(50);
  EXPECT_EQ(bar.GetThumbRect(), (RECT{0, 35, 16, 80}));
  bar.SetScrollPos(500);  // clamped to the range
  EXPECT_EQ(bar.GetScrollPos(), 100);
  EXPECT_EQ(bar.GetThumbRect(), (RECT{0, 55, 16, 100}));

  // A shrinking range pulls the position with it; nothing below 0.
  bar.SetScrollRange(40);
  EXPECT_EQ(bar.GetScrollPos(), 40);
  bar.SetScrollRange(-5);
  EXPECT_EQ(bar.GetScrollRange(), 0);
  EXPECT_EQ(bar.GetScrollPos(), 0);
  // Range 0: the thumb fills the whole track.
  EXPECT_EQ(bar.GetThumbRect(), (RECT{0, 16, 16, 100}));
}

TEST(ScrollBarPartsTest, ShortBarsKeepOnlyTheButtons) {
  CScrollBarUI bar;
  bar.SetPos(RECT{0, 0, 16, 40});
  EXPECT_EQ(bar.GetButton1Rect(), (RECT{0, 0, 16, 16}));
  EXPECT_EQ(bar.GetButton2Rect(), (RECT{0, 24, 16, 40}));
  EXPECT_TRUE(rect::IsEmpty(bar.GetThumbRect()));
  bar.SetPos(RECT{0, 0, 16, 20});
  EXPECT_EQ(bar.GetButton1Rect(), (RECT{0, 0, 16, 10}));
  EXPECT_EQ(bar.GetButton2Rect(), (RECT{0, 10, 16, 20}));
}

TEST(ScrollBarPartsTest, AttributesTurnHideAndSet) {
  CScrollBarUI bar;
  bar.SetAttribute(u"hor", u"true");
  EXPECT_TRUE(bar.IsHorizontal());
  EXPECT_EQ(bar.GetFixedWidth(), 0);
  EXPECT_EQ(bar.GetFixedHeight(), 16);
  bar.SetAttribute(u"range", u"200");
  bar.SetAttribute(u"value", u"50");
  bar.SetAttribute(u"linesize", u"5");
  bar.SetAttribute(u"showbutton1", u"false");
  bar.SetAttribute(u"thumbhotimage", u"thumb_hot.png");
  bar.SetAttribute(u"bkdisabledimage", u"bk_off.png");
  bar.SetAttribute(u"name", u"hbar");  // the control base still answers
  EXPECT_EQ(bar.GetScrollRange(), 200);
  EXPECT_EQ(bar.GetScrollPos(), 50);
  EXPECT_EQ(bar.GetLineSize(), 5);
  EXPECT_EQ(bar.GetThumbHotImage(), u"thumb_hot.png");
  EXPECT_EQ(bar.GetBkDisabledImage(), u"bk_off.png");
  EXPECT_EQ(bar.GetName(), u"hbar");

  bar.SetPos(RECT{0, 0, 116, 16});
  // No first button: the track is 100 long and starts at the left edge.
  EXPECT_TRUE(rect::IsEmpty(bar.GetButton1Rect()));
  EXPECT_EQ(bar.GetButton2Rect(), (RECT{100, 0, 116, 16}));
  // Thumb 116·100/316 = 36, at (100 − 36)·50/200 = 16.
  EXPECT_EQ(bar.GetThumbRect(), (RECT{16, 0, 52, 16}));

  bar.SetAttribute(u"hor", u"false");
  EXPECT_EQ(bar.GetFixedWidth(), 16);
  EXPECT_EQ(bar.GetFixedHeight(), 0);
}

// A 100×100 container whose content is 300 high; its bar is at the right.
struct Owned {
  UIManager manager;
  CContainerUI box;
  CControlUI* content = new CControlUI();
  CScrollBarUI* bar = nullptr;
  Owned() {
    box.SetOwner(&manager, nullptr, false);
    box.SetAttribute(u"vscrollbar", u"true");
    box.SetAttribute(u"scrollstepsize", u"10");
    box.Add(content);
    content->SetOwner(&manager, &box, false);
    box.SetPos(RECT{0, 0, 100, 100});
    content->SetPos(RECT{0, 0, 84, 300});
    box.ProcessScrollBar(RECT{0, 0, 84, 100}, 0, 300);
    bar = box.GetVerticalScrollBar();
  }
  void Send(int type, POINT pt, WPARAM wParam = 0) {
    ControlEvent e = MakeEvent(type, pt, wParam);
    bar->Event(e);
  }
};

TEST(ScrollBarInputTest, DraggingTheThumbScrollsTheOwner) {
  Owned o;
  ASSERT_NE(o.bar, nullptr);
  // Track 68, thumb 100·68/300 = 22 long, starting below the first button.
  ASSERT_EQ(o.bar->GetThumbRect(), (RECT{84, 16, 100, 38}));
  o.Send(UIEvent::ButtonDown, {90, 20});
  EXPECT_EQ(o.bar->GetThumbState() & (UIState::Captured | UIState::Pushed),
            UIState::Captured | UIState::Pushed);
  // 23 of the 46 pixels the thumb can travel: half of the range.
  o.Send(UIEvent::MouseMove, {90, 43});
  EXPECT_EQ(o.box.GetScrollPos().cy, 100);
  EXPECT_EQ(o.content->GetPos().top, -100);
  EXPECT_EQ(o.bar->GetThumbRect(), (RECT{84, 39, 100, 61}));
  // Back above the start: clamped at 0.
  o.Send(UIEvent::MouseMove, {90, 0});
  EXPECT_EQ(o.box.GetScrollPos().cy, 0);
  o.Send(UIEvent::MouseMove, {90, 43});
  o.Send(UIEvent::ButtonUp, {90, 43});
  EXPECT_EQ(o.bar->GetThumbState() & (UIState::Captured | UIState::Pushed), 0u);
  // Moving after the release does nothing.
  o.Send(UIEvent::MouseMove, {90, 90});
  EXPECT_EQ(o.box.GetScrollPos().cy, 100);
}

TEST(ScrollBarInputTest, ButtonsAndRailStepTheOwner) {
  Owned o;
  o.box.SetScrollPos(SIZE{0, 100});
  o.Send(UIEvent::ButtonDown, {90, 5});  // first button: one line up
  o.Send(UIEvent::ButtonUp, {90, 5});
  EXPECT_EQ(o.box.GetScrollPos().cy, 90);
  o.Send(UIEvent::DblClick, {90, 95});  // a double click counts as a press
  o.Send(UIEvent::ButtonUp, {90, 95});
  EXPECT_EQ(o.box.GetScrollPos().cy, 100);
  // Thumb now at 39..61: the rail below pages down, above pages up.
  o.Send(UIEvent::ButtonDown, {90, 70});
  o.Send(UIEvent::ButtonUp, {90, 70});
  EXPECT_EQ(o.box.GetScrollPos().cy, 200);
  o.Send(UIEvent::ButtonDown, {90, 20});
  o.Send(UIEvent::ButtonUp, {90, 20});
  EXPECT_EQ(o.box.GetScrollPos().cy, 100);
  EXPECT_EQ(o.content->GetPos().top, -100);
}

TEST(ScrollBarInputTest, WithoutOwnerTheBarMovesItselfRepeatsAndNotifies) {
  UIManager manager;
  Recorder recorder;
  manager.AddNotifier(&recorder);
  CScrollBarUI bar;
  bar.SetOwner(&manager, nullptr, false);
  bar.SetPos(RECT{0, 0, 16, 116});
  const auto send = [&](int type, POINT pt, WPARAM wParam = 0) {
    ControlEvent e = MakeEvent(type, pt, wParam);
    bar.Event(e);
  };
  send(UIEvent::ButtonDown, {8, 110});
  EXPECT_EQ(bar.GetScrollPos(), 8);
  EXPECT_EQ(bar.GetButton2State() & UIState::Pushed, UIState::Pushed);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].type, u"scroll");
  EXPECT_EQ(recorder.messages[0].sender, &bar);

  // Held: five ticks of waiting, then one line per tick.
  for (int i = 0; i < 5; ++i) send(UIEvent::Timer, {}, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar.GetScrollPos(), 8);
  send(UIEvent::Timer, {}, CScrollBarUI::kRepeatTimerId);
  send(UIEvent::Timer, {}, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar.GetScrollPos(), 24);
  EXPECT_EQ(recorder.messages.size(), 3u);
  send(UIEvent::ButtonUp, {8, 110});
  send(UIEvent::Timer, {}, CScrollBarUI::kRepeatTimerId);
  EXPECT_EQ(bar.GetScrollPos(), 24);
  // Another timer of the bar is an ordinary control timer.
  send(UIEvent::Timer, {}, 3);
  EXPECT_EQ(bar.GetScrollPos(), 24);
  ASSERT_EQ(recorder.messages.size(), 4u);
  EXPECT_EQ(recorder.messages[3].type, u"timer");
  EXPECT_EQ(recorder.messages[3].wParam, 3u);

  // The rail pages by the bar's length.
  send(UIEvent::ButtonDown, {8, 99});
  send(UIEvent::ButtonUp, {8, 99});
  EXPECT_EQ(bar.GetScrollPos(), 100);
  send(UIEvent::ButtonDown, {8, 5});
  send(UIEvent::ButtonUp, {8, 5});
  EXPECT_EQ(bar.GetScrollPos(), 92);
}

TEST(ScrollBarInputTest, HotAndDisabledStates) {
  CScrollBarUI bar;
  bar.SetPos(RECT{0, 0, 16, 116});
  const auto send = [&](int type, POINT pt) {
    ControlEvent e = MakeEvent(type, pt);
    bar.Event(e);
  };
  send(UIEvent::MouseEnter, {8, 30});  // over the thumb (16..61)
  EXPECT_EQ(bar.GetButton1State(), UIState::Hot);
  EXPECT_EQ(bar.GetButton2State(), UIState::Hot);
  EXPECT_EQ(bar.GetThumbState(), UIState::Hot);
  send(UIEvent::MouseLeave, {-1, -1});
  EXPECT_EQ(bar.GetButton1State() | bar.GetButton2State() | bar.GetThumbState(), 0u);
  send(UIEvent::MouseEnter, {8, 90});  // below the thumb
  EXPECT_EQ(bar.GetThumbState(), 0u);

  bar.SetEnabled(false);
  EXPECT_EQ(bar.GetThumbState(), UIState::Disabled);
  send(UIEvent::ButtonDown, {8, 110});
  EXPECT_EQ(bar.GetScrollPos(), 0);
  bar.SetEnabled(true);
  EXPECT_EQ(bar.GetThumbState(), 0u);
}

// ---------------------------------------------------------------------------
// Painting

constexpr std::uint32_t kOutline = 0xFF85E4FF;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kRed = 0xFFFF0000;

TEST(ScrollBarPaintTest, PartsWithoutImagesAreOutlined) {
  CScrollBarUI bar;
  bar.SetPos(RECT{0, 0, 16, 116});
  bar.SetThumbNormalImage(u"never drawn without a manager");
  os::Bitmap bitmap(16, 116);
  {
    os::Canvas canvas(bitmap);
    bar.DoPaint(canvas, RECT{0, 0, 16, 116});
  }
  // The image could not draw: dropped, and the thumb outlined instead.
  EXPECT_EQ(bar.GetThumbNormalImage(), u"");
  EXPECT_EQ(bitmap.Pixel(0, 0), kOutline);     // button 1
  EXPECT_EQ(bitmap.Pixel(15, 115), kOutline);  // button 2
  EXPECT_EQ(bitmap.Pixel(0, 16), kOutline);    // thumb
  EXPECT_EQ(bitmap.Pixel(8, 8), 0u);           // outlines only
  EXPECT_EQ(bitmap.Pixel(8, 80), 0u);          // the rail is left alone
}

TEST(ScrollBarPaintTest, StateImagesArePreferredOverTheNormalOne) {
  testsupport::TempDir dir;
  testsupport::WriteFileBytes(dir / "normal.png", controltest::SolidPng(2, 2, 0x00FF00));
  testsupport::WriteFileBytes(dir / "hot.png", controltest::SolidPng(2, 2, 0xFF0000));
  const std::u16string normal = os::Utf8ToUtf16((dir / "normal.png").string());
  const std::u16string hot = os::Utf8ToUtf16((dir / "hot.png").string());

  UIManager manager;
  CScrollBarUI bar;
  bar.SetOwner(&manager, nullptr, false);
  bar.SetPos(RECT{0, 0, 16, 116});
  bar.SetThumbNormalImage(normal);
  bar.SetThumbHotImage(hot);
  const auto paint = [&]() {
    os::Bitmap bitmap(16, 116);
    os::Canvas canvas(bitmap);
    bar.DoPaint(canvas, RECT{0, 0, 16, 116});
    return bitmap;
  };
  os::Bitmap plain = paint();
  EXPECT_EQ(CountPixels(plain, RECT{0, 16, 16, 61}, kGreen), 16 * 45);
  EXPECT_EQ(plain.Pixel(0, 0), kOutline);  // the buttons have no image

  ControlEvent enter = MakeEvent(UIEvent::MouseEnter, {8, 30});
  bar.Event(enter);
  os::Bitmap hovered = paint();
  EXPECT_EQ(CountPixels(hovered, RECT{0, 16, 16, 61}, kRed), 16 * 45);
  EXPECT_EQ(bar.GetThumbHotImage(), hot);
}

}  // namespace
}  // namespace Kesto
