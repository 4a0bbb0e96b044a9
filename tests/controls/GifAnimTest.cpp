// Animated pictures in a headless window: frames shown for their own delays
// on the virtual clock, playing tied to visibility and to the picture's name,
// still pictures and broken files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SkinHarness.h"
#include "controls/GifAnim.h"
#include "platform/headless/Headless.h"

namespace Kesto {
namespace {

using controltest::SkinFolder;
using controltest::SkinWindow;

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// A GIF of solid frames over a four-colour palette (red, green, blue,
// white), each frame with its delay in hundredths of a second. Pixels are
// written as literal codes with a clear code every two, so the code width
// never grows.
std::string SolidFramesGif(int width, int height, const std::vector<std::pair<int, int>>& frames) {
  std::string out = "GIF89a";
  auto word = [&](int v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8 & 0xFF));
  };
  word(width);
  word(height);
  out += std::string("\x91\x00\x00", 3);
  out += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 12);
  for (const auto& [colour, delay] : frames) {
    out += std::string("\x21\xF9\x04\x00", 4);
    word(delay);
    out += std::string("\x00\x00", 2);
    out.push_back('\x2C');
    word(0);
    word(0);
    word(width);
    word(height);
    out.push_back('\x00');
    out.push_back('\x02');  // code size: clear 4, end 5, codes of 3 bits
    std::string data;
    unsigned bits = 0, count = 0;
    auto code = [&](unsigned c) {
      bits |= c << count;
      count += 3;
      while (count >= 8) {
        data.push_back(static_cast<char>(bits & 0xFF));
        bits >>= 8;
        count -= 8;
      }
    };
    for (int i = 0; i < width * height; ++i) {
      if (i % 2 == 0) code(4);
      code(static_cast<unsigned>(colour));
    }
    code(5);
    if (count > 0) data.push_back(static_cast<char>(bits & 0xFF));
    for (std::size_t at = 0; at < data.size(); at += 255) {
      const std::string chunk = data.substr(at, 255);
      out.push_back(static_cast<char>(chunk.size()));
      out += chunk;
    }
    out.push_back('\x00');
  }
  out.push_back('\x3B');
  return out;
}

constexpr int kRedIndex = 0, kGreenIndex = 1, kBlueIndex = 2;

void Advance(std::uint32_t ms) {
  os::headless::Advance(ms, [](os::MSG& msg) { return UIManager::TranslateForManagers(&msg); });
}

std::u16string Skin(std::u16string_view gifAttributes) {
  return u"<Window size=\"300,300\"><VerticalLayout bkcolor=\"#FFFFFFFF\"><GifAnim name=\"g\" width=\"40\" "
         u"height=\"30\" " +
         std::u16string(gifAttributes) + u"/></VerticalLayout></Window>";
}

class GifAnimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Red for 5/100 s, green for 0 (shown 100 ms), blue for 20/100 s.
    folder.Write("anim.gif", SolidFramesGif(8, 6, {{kRedIndex, 5}, {kGreenIndex, 0}, {kBlueIndex, 20}}));
  }
  bool Load(std::u16string_view attrs) {
    if (!window.Load(Skin(attrs))) return false;
    gif = window.Find<CGifAnimUI>(u"g", u"GifAnim");
    return gif != nullptr;
  }
  // The colour filling the control, or 0 when it is not one colour.
  std::uint32_t Shown() const {
    const std::uint32_t first = window.Pixel(0, 0);
    return window.CountPixels(RECT{0, 0, 40, 30}, first) == 40 * 30 ? first : 0;
  }
  bool TimerRunning() const {
    for (const TimerInfo& t : window.manager.Timers()) {
      if (t.sender == gif && t.localId == CGifAnimUI::kFrameTimerId && !t.killed) return true;
    }
    return false;
  }

  SkinFolder folder;
  SkinWindow window;
  CGifAnimUI* gif = nullptr;
};

TEST_F(GifAnimTest, EachFrameShowsForItsDelayTimesTenAndPlayingWraps) {
  ASSERT_TRUE(Load(u"bkimage=\"anim.gif\""));
  ASSERT_EQ(gif->GetFrameCount(), 3u);
  EXPECT_EQ(gif->GetFrameDelay(0), 5);
  EXPECT_EQ(gif->GetFrameDelay(1), 0);
  EXPECT_EQ(gif->GetFrameDelay(2), 20);
  EXPECT_TRUE(gif->IsPlaying());
  // frame colour, how long it stays
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> schedule = {
      {kRed, 50}, {kGreen, 100}, {kBlue, 200}, {kRed, 50}, {kGreen, 100}};
  for (std::size_t i = 0; i < schedule.size(); ++i) {
    const auto [colour, ms] = schedule[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(Shown(), colour);
    Advance(ms - 1);
    EXPECT_EQ(Shown(), colour);
    Advance(1);
  }
  EXPECT_EQ(Shown(), kBlue);
}

TEST_F(GifAnimTest, HidingStopsAndRewindsShowingPlaysAgain) {
  ASSERT_TRUE(Load(u"bkimage=\"anim.gif\""));
  Advance(50);
  EXPECT_EQ(gif->GetCurrentFrame(), 1u);
  gif->SetVisible(false);
  SkinWindow::Pump();
  EXPECT_FALSE(gif->IsPlaying());
  EXPECT_FALSE(TimerRunning());
  EXPECT_EQ(gif->GetCurrentFrame(), 0u);
  EXPECT_EQ(window.CountOther(RECT{0, 0, 40, 30}, kWhite), 0);
  Advance(1000);
  EXPECT_EQ(gif->GetCurrentFrame(), 0u);

  gif->SetVisible(true);
  SkinWindow::Pump();
  EXPECT_TRUE(gif->IsPlaying());
  EXPECT_EQ(Shown(), kRed);
  Advance(50);
  EXPECT_EQ(Shown(), kGreen);
}

TEST_F(GifAnimTest, AutoplayOffWaitsAndAutosizeTakesThePictureSize) {
  ASSERT_TRUE(Load(u"bkimage=\"anim.gif\" autoplay=\"false\" autosize=\"true\""));
  EXPECT_FALSE(gif->IsPlaying());
  EXPECT_FALSE(TimerRunning());
  EXPECT_EQ(gif->GetFixedWidth(), 8);
  EXPECT_EQ(gif->GetFixedHeight(), 6);
  EXPECT_EQ(window.CountPixels(RECT{0, 0, 8, 6}, kRed), 48);
  EXPECT_EQ(window.CountOther(RECT{8, 0, 40, 30}, kWhite), 0);
  Advance(500);
  EXPECT_EQ(gif->GetCurrentFrame(), 0u);
  gif->PlayGif();
  Advance(50);
  EXPECT_EQ(gif->GetCurrentFrame(), 1u);
}

TEST_F(GifAnimTest, NamingAnotherPictureStopsDropsAndLoadsItAtThePaint) {
  folder.Write("blue.gif", SolidFramesGif(4, 4, {{kBlueIndex, 3}, {kGreenIndex, 3}}));
  ASSERT_TRUE(Load(u"bkimage=\"anim.gif\""));
  Advance(50);
  gif->SetBkImage(u"blue.gif");
  EXPECT_FALSE(gif->IsPlaying());
  EXPECT_EQ(gif->GetFrameCount(), 0u);
  EXPECT_EQ(gif->GetCurrentFrame(), 0u);
  SkinWindow::Pump();  // the paint loads it and autoplay starts it
  EXPECT_EQ(gif->GetFrameCount(), 2u);
  EXPECT_TRUE(gif->IsPlaying());
  EXPECT_EQ(Shown(), kBlue);
  Advance(30);
  EXPECT_EQ(Shown(), kGreen);
}

TEST_F(GifAnimTest, StillPicturesShowTheirOnlyFrameWithoutATimer) {
  folder.Solid("still.png", 0x00FF00);
  folder.Write("one.gif", SolidFramesGif(4, 4, {{kBlueIndex, 10}}));
  for (const char16_t* name : {u"still.png", u"one.gif"}) {
    SCOPED_TRACE(std::u16string(name).size());
    SkinWindow w;
    ASSERT_TRUE(w.Load(Skin(u"bkimage=\"" + std::u16string(name) + u"\"")));
    auto* still = w.Find<CGifAnimUI>(u"g", u"GifAnim");
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->GetFrameCount(), 1u);
    EXPECT_FALSE(still->IsPlaying());
    EXPECT_TRUE(w.manager.Timers().empty());
    const std::uint32_t colour = name[0] == u's' ? kGreen : kBlue;
    EXPECT_EQ(w.CountPixels(RECT{0, 0, 40, 30}, colour), 40 * 30);
    still->SetVisible(false);
    still->SetVisible(true);
    EXPECT_FALSE(still->IsPlaying());
  }
}

// Missing, truncated and garbage files: nothing shown, no timer, no crash.
TEST(GifAnimBadInputTest, BrokenPicturesShowNothing) {
  SkinFolder folder;
  const std::string whole = SolidFramesGif(8, 6, {{kRedIndex, 5}, {kGreenIndex, 5}});
  std::vector<std::string> names = {"missing.gif"};
  for (std::size_t cut = 0; cut < whole.size(); cut += 3) {
    names.push_back("cut" + std::to_string(cut) + ".gif");
    folder.Write(names.back(), whole.substr(0, cut));
  }
  folder.Write("garbage.gif", "GIF89a\xFF\xFF\xFF\xFF garbage");
  names.push_back("garbage.gif");
  folder.Write("text.gif", "not a picture");
  names.push_back("text.gif");

  SkinWindow window;
  ASSERT_TRUE(window.Load(Skin(u"bkimage=\"missing.gif\"")));
  auto* gif = window.Find<CGifAnimUI>(u"g", u"GifAnim");
  ASSERT_NE(gif, nullptr);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    gif->SetBkImage(std::u16string(name.begin(), name.end()));
    SkinWindow::Pump();
    Advance(200);
    EXPECT_EQ(gif->GetFrameCount(), 0u);
    EXPECT_FALSE(gif->IsPlaying());
    EXPECT_TRUE(window.manager.Timers().empty());
    EXPECT_EQ(window.CountOther(RECT{0, 0, 40, 30}, kWhite), 0);
  }
  // The whole file after all that plays.
  folder.Write("whole.gif", whole);
  gif->SetBkImage(u"whole.gif");
  SkinWindow::Pump();
  EXPECT_EQ(gif->GetFrameCount(), 2u);
  EXPECT_TRUE(gif->IsPlaying());
}

}  // namespace
}  // namespace Kesto
