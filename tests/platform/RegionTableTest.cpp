// The region table on its own.
#include "platform/window/internal/RegionTable.h"

#include <gtest/gtest.h>

namespace os::internal {
namespace {

WindowShape Shape(LONG right) {
  WindowShape s;
  s.rect = RECT{0, 0, right, 10};
  return s;
}

TEST(RegionTableTest, RegionsLiveUntilDeletedOrTakenAndHandlesAreNotReused) {
  RegionTable regions;
  HRGN a = regions.Add(Shape(5));
  HRGN b = regions.Add(Shape(6));
  ASSERT_NE(a, b);
  ASSERT_TRUE(regions.Find(a));
  EXPECT_EQ(regions.Find(a)->rect.right, 5);

  EXPECT_TRUE(regions.Replace(b, Shape(9)));
  auto taken = regions.Take(b);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->rect.right, 9);
  EXPECT_FALSE(regions.Find(b));
  EXPECT_FALSE(regions.Take(b));
  EXPECT_FALSE(regions.Replace(b, Shape(1)));

  EXPECT_TRUE(regions.Remove(a));
  EXPECT_FALSE(regions.Remove(a));
  HRGN c = regions.Add(Shape(7));
  EXPECT_NE(c, a);
  EXPECT_NE(c, b);
  EXPECT_FALSE(regions.Find(nullptr));
}

}  // namespace
}  // namespace os::internal
