// Progress bars and sliders built from skins into a headless window: the
// fore part's rectangle in both orientations, stretched and cropped, the
// range fix-ups, the slider's pointer mapping with its dead zones at the
// ends, thumb states, wheel and keyboard steps and what they report.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SkinHarness.h"
#include "controls/Progress.h"
#include "controls/Slider.h"
#include "platform/window/Input.h"

namespace Kesto {
namespace {

using controltest::SkinFolder;
using controltest::SkinWindow;

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kYellow = 0xFFFFFF00;
constexpr std::uint32_t kCyan = 0xFF00FFFF;

// A picture whose first half (left, or top) is one colour and second half
// another.
std::string HalvesPng(int width, int height, bool splitAcross, std::uint32_t first, std::uint32_t second) {
  return testsupport::DrawPng(width, height, [&](int x, int y) {
    return (splitAcross ? x < width / 2 : y < height / 2) ? first : second;
  });
}

std::u16string Skin(std::u16string_view layout, std::u16string_view control) {
  return u"<Window size=\"300,300\"><" + std::u16string(layout) + u" bkcolor=\"#FFFFFFFF\">" +
         std::u16string(control) + u"</" + std::u16string(layout) + u"></Window>";
}

// ---------------------------------------------------------------------------
// Progress: the fore part

struct ForeCase {
  const char* name;
  bool horizontal;
  bool stretch;
};

class ProgressForeTest : public ::testing::TestWithParam<ForeCase> {};

// min −50, max 150, value 10: 30 % of the way. A 100×20 bar (or 20×100
// standing) whose fore picture is red in its first half (left, or top) and
// blue in its second.
TEST_P(ProgressForeTest, ForePartCoversTheValueStretchedOrCropped) {
  const ForeCase c = GetParam();
  SkinFolder folder;
  folder.Write("fore.png",
               HalvesPng(c.horizontal ? 100 : 20, c.horizontal ? 20 : 100, c.horizontal, 0xFF0000, 0x0000FF));
  SkinWindow window;
  const std::u16string size = c.horizontal ? u"width=\"100\" height=\"20\"" : u"width=\"20\" height=\"100\"";
  const std::u16string attrs = u"<Progress name=\"p\" " + size + u" hor=\"" +
                               (c.horizontal ? u"true" : u"false") + u"\" isstretchfore=\"" +
                               (c.stretch ? u"true" : u"false") +
                               u"\" min=\"-50\" max=\"150\" value=\"10\" foreimage=\"fore.png\"/>";
  ASSERT_TRUE(window.Load(Skin(c.horizontal ? u"VerticalLayout" : u"HorizontalLayout", attrs)));
  auto* progress = window.Find<CProgressUI>(u"p", u"Progress");
  ASSERT_NE(progress, nullptr);

  const RECT fore = progress->ForeRect();
  // Horizontal: (0, 0, 30, 20); vertical: (0, 70, 20, 100).
  EXPECT_EQ(fore.left, 0);
  EXPECT_EQ(fore.right, c.horizontal ? 30 : 20);
  EXPECT_EQ(fore.top, c.horizontal ? 0 : 70);
  EXPECT_EQ(fore.bottom, c.horizontal ? 20 : 100);

  // Outside the fore part nothing is drawn.
  const RECT rest = c.horizontal ? RECT{30, 0, 100, 20} : RECT{0, 0, 20, 70};
  EXPECT_EQ(window.CountOther(rest, kWhite), 0);
  // Inside, away from the seam of a stretched picture: the first 13 lines
  // along the axis and the last 13.
  const RECT nearMin = c.horizontal ? RECT{0, 0, 13, 20} : RECT{0, 70, 20, 83};
  const RECT nearValue = c.horizontal ? RECT{17, 0, 30, 20} : RECT{0, 87, 20, 100};
  const std::uint32_t firstHalf = kRed;
  const std::uint32_t secondHalf = kBlue;
  if (c.stretch) {
    // The whole picture squeezed into the part.
    EXPECT_EQ(window.CountPixels(nearMin, firstHalf), 13 * 20);
    EXPECT_EQ(window.CountPixels(nearValue, secondHalf), 13 * 20);
  } else {
    // The picture cut at the same rectangle: horizontally its left 30
    // columns (red), vertically its bottom 30 rows (blue).
    const std::uint32_t shown = c.horizontal ? firstHalf : secondHalf;
    EXPECT_EQ(window.CountPixels(nearMin, shown), 13 * 20);
    EXPECT_EQ(window.CountPixels(nearValue, shown), 13 * 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Orientations, ProgressForeTest,
                         ::testing::Values(ForeCase{"HorizontalStretched", true, true},
                                           ForeCase{"HorizontalCropped", true, false},
                                           ForeCase{"VerticalStretched", false, true},
                                           ForeCase{"VerticalCropped", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressTest, DefaultsAndNames) {
  CProgressUI progress;
  EXPECT_EQ(progress.GetClass(), u"ProgressUI");
  EXPECT_EQ(progress.GetInterface(u"Progress"), &progress);
  EXPECT_NE(progress.GetInterface(u"Label"), nullptr);
  EXPECT_TRUE(progress.IsHorizontal());
  EXPECT_TRUE(progress.IsStretchForeImage());
  EXPECT_EQ(progress.GetMinValue(), 0);
  EXPECT_EQ(progress.GetMaxValue(), 100);
  EXPECT_EQ(progress.GetValue(), 0);
}

// Nonsense ranges and values: fixed up before painting, never a crash.
TEST(ProgressTest, BadRangesAreFixedUpBeforePainting) {
  struct Case {
    const char16_t* attrs;
    int min, max, value;
    int foreRight;  // of a 100-wide bar
  };
  const Case cases[] = {
      {u"min=\"50\" max=\"20\" value=\"70\"", 50, 51, 51, 100},  // max raised, value clamped
      {u"min=\"50\" max=\"50\" value=\"10\"", 50, 51, 50, 0},    // value below min
      {u"min=\"abc\" max=\"x\" value=\"-\"", 0, 1, 0, 0},        // nothing numeric
      {u"value=\"-999\"", 0, 100, 0, 0},
      {u"value=\"99999999999\"", 0, 100, 100, 100},  // beyond int: clamped
      {u"min=\"2147483647\" max=\"2147483647\" value=\"5\"", 2147483646, 2147483647, 2147483646, 0},
      {u"min=\"-2147483648\" max=\"2147483647\" value=\"2147483647\"", INT32_MIN, INT32_MAX, INT32_MAX, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attrs, c.attrs + std::char_traits<char16_t>::length(c.attrs)));
    SkinFolder folder;
    folder.Solid("fore.png", 0xFF0000);
    SkinWindow window;
    ASSERT_TRUE(window.Load(Skin(u"VerticalLayout",
                                 u"<Progress name=\"p\" width=\"100\" height=\"20\" "
                                 u"foreimage=\"fore.png\" " +
                                     std::u16string(c.attrs) + u"/>")));
    auto* progress = window.Find<CProgressUI>(u"p", u"Progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetMinValue(), c.min);
    EXPECT_EQ(progress->GetMaxValue(), c.max);
    EXPECT_EQ(progress->GetValue(), c.value);
    EXPECT_EQ(progress->ForeRect().right, c.foreRight);
    EXPECT_EQ(window.CountPixels(RECT{0, 0, 100, 20}, kRed), c.foreRight * 20);
  }
}

// ---------------------------------------------------------------------------
// Slider

// A 200-long slider with a 20×20 thumb over 0..180: between the dead zones
// the value is the distance from the minimum's end less 10.
class SliderAxisTest : public ::testing::TestWithParam<bool> {
 protected:
  void Load(std::u16string_view extra = {}) {
    folder.Solid("thumb.png", 0x00FF00);
    folder.Solid("hot.png", 0x00FFFF);
    folder.Solid("pushed.png", 0xFFFF00);
    const bool horizontal = GetParam();
    const std::u16string size = horizontal ? u"width=\"200\" height=\"20\"" : u"width=\"20\" height=\"200\"";
    const std::u16string control = u"<Slider name=\"s\" " + size + u" hor=\"" +
                                   (horizontal ? u"true" : u"false") +
                                   u"\" thumbsize=\"20,20\" min=\"0\" max=\"180\" thumbimage=\"thumb.png\" "
                                   u"thumbhotimage=\"hot.png\" thumbpushedimage=\"pushed.png\" " +
                                   std::u16string(extra) + u"/>";
    ASSERT_TRUE(window.Load(Skin(horizontal ? u"VerticalLayout" : u"HorizontalLayout", control)));
    slider = window.Find<CSliderUI>(u"s", u"Slider");
    ASSERT_NE(slider, nullptr);
  }
  // The client point at distance d from the minimum's end, across the middle.
  static os::POINT At(int d) { return GetParam() ? os::POINT{d, 10} : os::POINT{10, 200 - d}; }
  void MoveAlong(int d) { window.MoveTo(At(d).x, At(d).y); }
  // The thumb's rectangle for a value, as painted.
  static RECT ThumbAt(int value) {
    return GetParam() ? RECT{value, 0, value + 20, 20} : RECT{0, 180 - value, 20, 200 - value};
  }

  SkinFolder folder;
  SkinWindow window;
  CSliderUI* slider = nullptr;
};

TEST_P(SliderAxisTest, DragMapsThePointerWithDeadZonesAtBothEnds) {
  Load(u"sendmove=\"true\"");
  MoveAlong(100);
  window.Down();
  EXPECT_EQ(slider->GetValue(), 90);
  EXPECT_EQ(window.Count(u"movevaluechanged"), 0);
  // Captured: the pushed thumb at the value.
  EXPECT_EQ(window.CountPixels(ThumbAt(90), kYellow), 400);

  const std::vector<std::pair<int, int>> moves = {{11, 1},    {10, 0},    {5, 0},  {189, 179},
                                                  {190, 180}, {199, 180}, {60, 50}};
  for (const auto& [d, value] : moves) {
    SCOPED_TRACE(d);
    MoveAlong(d);
    EXPECT_EQ(slider->GetValue(), value);
  }
  EXPECT_EQ(window.Count(u"movevaluechanged"), static_cast<int>(moves.size()));
  EXPECT_EQ(window.Count(u"valuechanged"), 0);

  // Release: the value under the pointer, then "valuechanged".
  MoveAlong(150);
  window.Up();
  EXPECT_EQ(slider->GetValue(), 140);
  EXPECT_EQ(window.Count(u"valuechanged"), 1);
  EXPECT_EQ(window.CountPixels(ThumbAt(140), kGreen) + window.CountPixels(ThumbAt(140), kCyan), 400);
}

TEST_P(SliderAxisTest, PressAndReleaseOutsideTheRangeKeepTheValue) {
  Load();
  slider->SetValue(70);
  // Three pixels from the minimum's end lies before the thumb's half: the
  // unclamped mapping gives −7, which press and release both ignore.
  MoveAlong(3);
  window.Down();
  EXPECT_EQ(slider->GetValue(), 70);
  window.Up();
  EXPECT_EQ(slider->GetValue(), 70);
  EXPECT_EQ(window.Count(u"valuechanged"), 1);
  // Without "sendmove" a drag reports nothing until the release.
  MoveAlong(100);
  window.Down();
  MoveAlong(120);
  EXPECT_EQ(slider->GetValue(), 110);
  EXPECT_EQ(window.Count(u"movevaluechanged"), 0);
  window.Up();
  EXPECT_EQ(window.Count(u"valuechanged"), 2);
}

TEST_P(SliderAxisTest, HoveringTheThumbMakesItHot) {
  Load();
  slider->SetValue(90);
  MoveAlong(30);  // on the bar, off the thumb
  EXPECT_EQ(slider->GetButtonState() & UIState::Hot, 0u);
  EXPECT_EQ(window.CountPixels(ThumbAt(90), kGreen), 400);
  MoveAlong(100);
  EXPECT_NE(slider->GetButtonState() & UIState::Hot, 0u);
  EXPECT_EQ(window.CountPixels(ThumbAt(90), kCyan), 400);
  window.MoveTo(250, 250);
  EXPECT_EQ(slider->GetButtonState() & UIState::Hot, 0u);
  EXPECT_EQ(window.CountPixels(ThumbAt(90), kGreen), 400);
}

TEST_P(SliderAxisTest, WheelAndKeysStepWithinTheRange) {
  Load(u"step=\"50\"");
  MoveAlong(100);
  window.Down();
  window.Up();  // value 90, focused
  const int clicks = window.Count(u"valuechanged");
  os::inject::Wheel(120);  // away from the user: up a step
  SkinWindow::Pump();
  EXPECT_EQ(slider->GetValue(), 140);
  os::inject::Wheel(120);
  SkinWindow::Pump();
  EXPECT_EQ(slider->GetValue(), 180);  // clamped at the maximum
  os::inject::Wheel(-120);
  SkinWindow::Pump();
  EXPECT_EQ(slider->GetValue(), 130);
  EXPECT_EQ(window.Count(u"valuechanged"), clicks + 3);

  struct KeyStep {
    os::UINT key;
    int value;
  };
  const KeyStep keys[] = {{os::VK_LEFT, 80},   {os::VK_DOWN, 30}, {os::VK_DOWN, 0}, {os::VK_UP, 50},
                          {os::VK_RIGHT, 100}, {os::VK_END, 180}, {os::VK_HOME, 0}};
  for (const KeyStep& k : keys) {
    window.Key(k.key);
    EXPECT_EQ(slider->GetValue(), k.value) << k.key;
  }
  EXPECT_EQ(window.Count(u"valuechanged"), clicks + 3 + 7);
  // At the minimum already: nothing changes, nothing is reported.
  window.Key(os::VK_HOME);
  window.Key(os::VK_LEFT);
  EXPECT_EQ(window.Count(u"valuechanged"), clicks + 3 + 7);
}

INSTANTIATE_TEST_SUITE_P(Orientations, SliderAxisTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Horizontal" : "Vertical"; });

TEST(SliderTest, DefaultsNamesAndDisabledSliderIgnoresThePointer) {
  CSliderUI plain;
  EXPECT_EQ(plain.GetClass(), u"SliderUI");
  EXPECT_EQ(plain.GetInterface(u"Slider"), &plain);
  EXPECT_NE(plain.GetInterface(u"Progress"), nullptr);
  EXPECT_EQ(plain.GetThumbSize().cx, 10);
  EXPECT_EQ(plain.GetThumbSize().cy, 10);
  EXPECT_EQ(plain.GetChangeStep(), 1);
  EXPECT_FALSE(plain.IsSendMove());
  EXPECT_EQ(plain.GetTextStyle(), 0x21u);

  SkinWindow window;
  ASSERT_TRUE(window.Load(Skin(u"VerticalLayout",
                               u"<Slider name=\"s\" width=\"200\" height=\"20\" "
                               u"enabled=\"false\" value=\"40\"/>")));
  auto* slider = window.Find<CSliderUI>(u"s", u"Slider");
  ASSERT_NE(slider, nullptr);
  window.Click(150, 10);
  os::inject::Wheel(120);
  SkinWindow::Pump();
  EXPECT_EQ(slider->GetValue(), 40);
  EXPECT_EQ(window.Count(u"valuechanged"), 0);
}

// Nonsense sizes and steps: no crash, sensible values.
TEST(SliderTest, BadThumbSizesAndStepsAreHarmless) {
  struct Case {
    const char16_t* attrs;
    SIZE thumb;
    int step;
  };
  const Case cases[] = {
      {u"thumbsize=\"-5,-7\" step=\"-3\"", {0, 0}, -3},
      {u"thumbsize=\"abc\" step=\"x\"", {0, 0}, 0},
      {u"thumbsize=\"500,500\"", {500, 500}, 1},  // larger than the slider
      {u"thumbsize=\"200,20\" min=\"10\" max=\"5\"", {200, 20}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attrs, c.attrs + std::char_traits<char16_t>::length(c.attrs)));
    SkinFolder folder;
    folder.Solid("thumb.png", 0x00FF00);
    SkinWindow window;
    ASSERT_TRUE(window.Load(Skin(u"VerticalLayout",
                                 u"<Slider name=\"s\" width=\"200\" height=\"20\" "
                                 u"thumbimage=\"thumb.png\" sendmove=\"true\" " +
                                     std::u16string(c.attrs) + u"/>")));
    auto* slider = window.Find<CSliderUI>(u"s", u"Slider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->GetThumbSize().cx, c.thumb.cx);
    EXPECT_EQ(slider->GetThumbSize().cy, c.thumb.cy);
    EXPECT_EQ(slider->GetChangeStep(), c.step);
    for (int x : {0, 1, 100, 199}) {
      window.MoveTo(x, 10);
      window.Down();
      window.MoveTo(199 - x, 10);
      window.Up();
      EXPECT_GE(slider->GetValue(), slider->GetMinValue());
      EXPECT_LE(slider->GetValue(), slider->GetMaxValue());
    }
    os::inject::Wheel(120);
    SkinWindow::Pump();
    EXPECT_GE(slider->GetValue(), slider->GetMinValue());
    EXPECT_LE(slider->GetValue(), slider->GetMaxValue());
  }
}

}  // namespace
}  // namespace Kesto
