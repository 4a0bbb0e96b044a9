// Fonts loaded ahead on a worker thread: the thread that started the worker
// takes its fonts over with its next font, other threads never do, a font
// taken over measures and draws as one loaded on the spot, and the hand-over
// waits for no more than the font being loaded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
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

TEST(FontsAheadTest, WhatTheWorkerMeasuredIsKeptForFontsMadeAlike) {
  // Sizes no other test asks for: what was measured stays for the process.
  const TextMetrics want = Font(u"DejaVu Sans", 23, true, false, false).Metrics();
  FontsAhead::Start([] { return std::vector<FontRequest>{{u"DejaVu Sans", 23, true, false, false}}; });
  // A hand-over stops the worker: this one waits until it is through.
  for (int i = 0; i < 2000 && !FontsAhead::Finished(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(FontsAhead::Finished());
  FontsAhead::Take();
  EXPECT_FALSE(FontsAhead::Finished()) << "nothing waits for a hand-over";

  TextMetrics measured;
  ASSERT_TRUE(FontsAhead::Measured(Font(u"DejaVu Sans", 23, true, true, false), measured))
      << "an underline does not change what a font measures";
  ExpectSameMetrics(measured, want);
  ExpectSameMetrics(Font(u"DejaVu Sans", 23, true, false, false).Metrics(), want);
  EXPECT_FALSE(FontsAhead::Measured(Font(u"DejaVu Sans", 23, false, false, false), measured)) << "weight";
  EXPECT_FALSE(FontsAhead::Measured(Font(u"DejaVu Sans", 22, true, false, false), measured)) << "size";
  EXPECT_FALSE(FontsAhead::Measured(Font(u"DejaVu Serif", 23, true, false, false), measured)) << "face";

  // At another text resolution the same request is a larger font.
  const double resolution = TextResolution();
  SetTextResolution(resolution * 2);
  const Font larger(u"DejaVu Sans", 23, true, false, false);
  EXPECT_FALSE(FontsAhead::Measured(larger, measured));
  EXPECT_GT(larger.Metrics().height, want.height);
  SetTextResolution(resolution);
}

// Starts the worker with `list`, which it gets only once `end` (a hand-over
// or a stop) has taken the worker over, and runs `end`.
void EndBeforeTheWorkerHasItsList(const std::vector<FontRequest>& list, const std::function<void()>& end) {
  std::mutex lock;
  std::condition_variable changed;
  bool ending = false;
  FontsAhead::Start([&] {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return ending; });
    return list;
  });
  std::thread watcher([&] {
    while (FontsAhead::Pending()) std::this_thread::yield();
    const std::lock_guard<std::mutex> guard(lock);
    ending = true;
    changed.notify_all();
  });
  end();
  watcher.join();
}

TEST(FontsAheadTest, TheHandOverStopsTheWorkerBeforeItsNextFont) {
  // The worker loads none of its list, and the fonts load where they are used.
  EndBeforeTheWorkerHasItsList({{u"DejaVu Sans", 27}, {u"DejaVu Sans", 29}, {u"DejaVu Sans", 31}},
                               [] { FontsAhead::Take(); });
  TextMetrics measured;
  for (const int size : {27, 29, 31}) {
    const Font font(u"DejaVu Sans", size);
    EXPECT_FALSE(FontsAhead::Measured(font, measured)) << size << " px was loaded after the hand-over began";
    EXPECT_GT(font.Metrics().height, 0);
  }
}

TEST(FontsAheadTest, StopEndsTheWorkerFromAnyThreadAndHandsNothingOver) {
  // Stopped from a thread other than the one that started it: the worker
  // loads none of its list, and the starting thread keeps its own font map.
  const PangoFontMap* own = MapOf(Font(u"DejaVu Sans", 12));
  EndBeforeTheWorkerHasItsList({{u"DejaVu Sans", 33}, {u"DejaVu Sans", 35}}, [] {
    std::thread stopper([] { FontsAhead::Stop(); });
    stopper.join();
  });
  EXPECT_FALSE(FontsAhead::Pending());
  FontsAhead::Stop();  // nothing left to stop

  TextMetrics measured;
  const Font font(u"DejaVu Sans", 33);
  EXPECT_FALSE(FontsAhead::Measured(font, measured));
  EXPECT_EQ(MapOf(font), own) << "the worker's fonts were not handed over";
}

}  // namespace
}  // namespace os
