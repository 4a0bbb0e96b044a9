// Logical units and device pixels at the densities screens come in: exact
// multiplication one way, floor for positions and covering sizes the other.
#include <gtest/gtest.h>

#include "platform/gfx/DeviceScale.h"

namespace os {
namespace {

class DeviceScaleTest : public ::testing::TestWithParam<int> {
 protected:
  DeviceScale scale{GetParam()};
  int f = GetParam();
};

TEST_P(DeviceScaleTest, LogicalValuesMultiplyAndComeBackUnchanged) {
  EXPECT_EQ(scale.Factor(), f);
  const RECT logical{-37, -5, 41, 1100};
  const RECT device = scale.ToDevice(logical);
  EXPECT_EQ(device, (RECT{-37 * f, -5 * f, 41 * f, 1100 * f}));
  EXPECT_EQ(scale.ToLogical(device), logical);
  EXPECT_EQ(scale.ToLogical(scale.ToDevice(POINT{-1, 7})), (POINT{-1, 7}));
  EXPECT_EQ(scale.ToLogical(scale.ToDevice(SIZE{1100, 720})), (SIZE{1100, 720}));
  EXPECT_EQ(scale.ToDevice(SIZE{1100, 720}), (SIZE{1100 * f, 720 * f}));
}

TEST_P(DeviceScaleTest, DevicePositionsFallInTheUnitHoldingThem) {
  // Every device pixel of units -3 .. 2, on both sides of the origin (a
  // monitor left of or above the primary one has negative positions).
  for (int unit = -3; unit <= 2; ++unit) {
    for (int pixel = unit * f; pixel < (unit + 1) * f; ++pixel) {
      EXPECT_EQ(scale.PositionToLogical(pixel), unit) << "device " << pixel;
      EXPECT_EQ(scale.ToLogical(POINT{pixel, -pixel - 1}), (POINT{unit, -unit - 1})) << "device " << pixel;
    }
  }
}

TEST_P(DeviceScaleTest, OddDeviceSizesRoundUpToCoverEveryPixel) {
  for (int length = 0; length <= 3 * f + 1; ++length) {
    const int logical = scale.LengthToLogical(length);
    EXPECT_GE(logical * f, length) << "a column lost";
    EXPECT_LT((logical - 1) * f, length) << "more than needed";
  }
  // Two units and one device pixel more need three units at any density.
  EXPECT_EQ(scale.ToLogical(SIZE{2 * f + 1, 1}), (SIZE{3, 1}));
}

TEST_P(DeviceScaleTest, DeviceRectanglesBecomeTheSmallestCoveringOnes) {
  const RECT rects[] = {{-7, -3, 5, 9}, {1, 1, 2, 2}, {-1, 0, 0, 1}, {3, 4, 3 + 2 * f + 1, 4 + f}};
  for (const RECT& device : rects) {
    const RECT logical = scale.ToLogical(device);
    const RECT back = scale.ToDevice(logical);
    EXPECT_LE(back.left, device.left);
    EXPECT_LE(back.top, device.top);
    EXPECT_GE(back.right, device.right);
    EXPECT_GE(back.bottom, device.bottom);
    // One unit less on any side leaves a pixel out.
    EXPECT_GT(back.left + f, device.left);
    EXPECT_GT(back.top + f, device.top);
    EXPECT_LT(back.right - f, device.right);
    EXPECT_LT(back.bottom - f, device.bottom);
  }
}

TEST_P(DeviceScaleTest, ExtentsBeyondTheLimitTakeALowerDensity) {
  EXPECT_EQ(scale.FittingExtent(SIZE{32767 / f, 10}, 32767), scale);
  EXPECT_LT(scale.FittingExtent(SIZE{32767 / f + 1, 10}, 32767).Factor(), f == 1 ? 2 : f);
  EXPECT_EQ(scale.FittingExtent(SIZE{10, 30000}, 32767).Factor(), 1);
  EXPECT_EQ(scale.FittingExtent(SIZE{0, -5}, 32767), scale);
  for (int side : {100, 12000, 16384, 20000, 40000}) {
    const int fitted = scale.FittingExtent(SIZE{side, 1}, 32767).Factor();
    EXPECT_TRUE(fitted == 1 || side * fitted <= 32767) << side;
    EXPECT_TRUE(fitted == f || side * (fitted + 1) > 32767) << "lowered more than needed at " << side;
  }
}

INSTANTIATE_TEST_SUITE_P(Densities, DeviceScaleTest, ::testing::Values(1, 2, 3));

TEST(DeviceScale, NonsenseFactorsAreKeptInRange) {
  EXPECT_EQ(DeviceScale().Factor(), 1);
  EXPECT_EQ(DeviceScale(0).Factor(), 1);
  EXPECT_EQ(DeviceScale(-4).Factor(), 1);
  EXPECT_EQ(DeviceScale(1000).Factor(), DeviceScale::kMaxFactor);
  EXPECT_TRUE(DeviceScale(0).IsIdentity());
  EXPECT_FALSE(DeviceScale(2).IsIdentity());
}

}  // namespace
}  // namespace os
