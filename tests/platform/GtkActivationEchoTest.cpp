// The desktop's late focus changes after activation requests: echoes of the
// requests are dropped, real news passes.
#include <gtest/gtest.h>

#include "platform/gtk/ActivationEcho.h"

namespace {

using os::gtk::ActivationEchoFilter;

TEST(GtkActivationEcho, EchoesOfEarlierRequestsAreDroppedUntilTheLastRequestArrives) {
  ActivationEchoFilter filter(500);
  // Nothing asked for: every report is news.
  EXPECT_TRUE(filter.IsNews(1, true, 0));
  EXPECT_TRUE(filter.IsNews(1, false, 10));

  // The skinned window (1), its first field's popup (2), back to 1, then the
  // next field's popup (3): the desktop reports them afterwards, in order.
  filter.Expect(3, 100);
  EXPECT_FALSE(filter.IsNews(2, false, 110));
  EXPECT_FALSE(filter.IsNews(1, true, 115));
  EXPECT_FALSE(filter.IsNews(1, false, 120));
  EXPECT_FALSE(filter.IsNews(3, false, 121));  // still on its way
  EXPECT_TRUE(filter.IsNews(3, true, 125));
  // Arrived: what comes next is news again, such as the player switching
  // to another program.
  EXPECT_TRUE(filter.IsNews(3, false, 130));
}

TEST(GtkActivationEcho, ARequestTheDesktopNeverCarriesOutIsGivenUp) {
  ActivationEchoFilter filter(500);
  filter.Expect(2, 1000);
  EXPECT_FALSE(filter.IsNews(1, true, 1500));  // within the window
  EXPECT_TRUE(filter.IsNews(1, true, 1501));   // the desktop kept focus on 1
  EXPECT_TRUE(filter.IsNews(1, false, 1502));
}

}  // namespace
