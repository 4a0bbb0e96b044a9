// Fonts loaded ahead on a worker thread: the thread that started the worker
// takes its fonts over with its next font, other threads never do, and a
// font taken over measures and draws as one loaded on the spot.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/FontsAhead.h"
#include "platform/gfx/Text.h"

// After the platform headers: GLib defines TRUE and FALSE as macros.
#include <pango/pangocairo.h>

namespace os {
namespace {

PangoFontMap* MapOf(const Font& font) { return pango_context_get_font_map(font.Context()); }

void ExpectSameMetrics(const TextMetrics& got, const TextMetrics& want) {
  EXPECT_EQ(got.ascent, want.ascent);
  EXPECT_EQ(got.descent, want.descent);
  EXPECT_EQ(got.height, want.height);
  EXPECT_EQ(got.internalLeading, want.internalLeading);
  EXPECT_EQ(got.externalLeading, want.externalLeading);
  EXPECT_EQ(got.aveCharWidth, want.aveCharWidth);
  EXPECT_EQ(got.maxCharWidth, want.maxCharWidth);
}

TEST(FontsAheadTest, TheStartingThreadTakesTheFontsOverAndTheyMeasureAsOnTheSpot) {
  const std::u16string text = u"登录 Login 注册";
  const Font onTheSpot(u"微软雅黑", 14, true, false, false);
  const TextMetrics want = onTheSpot.Metrics();
  const SIZE wantSize = MeasureText(onTheSpot, text);

  std::atomic<bool> onWorker{false};
  const std::thread::id self = std::this_thread::get_id();
  FontsAhead::Start([&] {
    onWorker = std::this_thread::get_id() != self;
    return std::vector<FontRequest>{{u"微软雅黑", 14, true, false, false}, {u"Tahoma", 12}};
  });
  ASSERT_TRUE(FontsAhead::Pending());

  // A font made on another thread takes nothing over.
  std::thread([] { Font elsewhere(u"Tahoma", 12); }).join();
  EXPECT_TRUE(FontsAhead::Pending());

  const Font taken(u"微软雅黑", 14, true, false, false);
  EXPECT_FALSE(FontsAhead::Pending());
  EXPECT_TRUE(onWorker) << "the requests were read on the starting thread";
  EXPECT_NE(MapOf(taken), MapOf(onTheSpot)) << "the new font is not from the worker's collection";
  ExpectSameMetrics(taken.Metrics(), want);
  EXPECT_EQ(MeasureText(taken, text).cx, wantSize.cx);
  EXPECT_EQ(MeasureText(taken, text).cy, wantSize.cy);
  // Fonts made afterwards come from the same collection.
  EXPECT_EQ(MapOf(Font(u"Tahoma", 12)), MapOf(taken));
}

TEST(FontsAheadTest, AStartBeforeTheHandOverIsIgnoredAndOneAfterItCounts) {
  std::atomic<int> first{0}, second{0}, third{0};
  FontsAhead::Start([&] {
    ++first;
    return std::vector<FontRequest>{{u"DejaVu Sans", 11}};
  });
  FontsAhead::Start([&] {
    ++second;
    return std::vector<FontRequest>{};
  });
  FontsAhead::Take();
  EXPECT_FALSE(FontsAhead::Pending());
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0) << "a second worker was started before the hand-over";
  FontsAhead::Take();  // nothing waits: nothing happens

  // Requests of faces nobody has, and of sizes nobody asked for, cost only
  // their time: the fonts made afterwards are usable.
  FontsAhead::Start([&] {
    ++third;
    return std::vector<FontRequest>{{u"No Such Face 123", 0}, {u"", -4, true, true, true}};
  });
  EXPECT_TRUE(FontsAhead::Pending());
  const Font after(u"No Such Face 123", 0);
  EXPECT_EQ(third, 1);
  EXPECT_FALSE(FontsAhead::Pending());
  EXPECT_TRUE(after.Usable());
  EXPECT_GT(after.Metrics().height, 0);
}

}  // namespace
}  // namespace os
