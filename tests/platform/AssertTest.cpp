#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/base/Assert.h"

namespace {

// The test flavour is the one that must stop at a broken invariant.
static_assert(LUMORA_ASSERTIONS, "the test flavour checks internal invariants");

int Evaluations(int* counter) { return ++*counter; }

TEST(AssertDeathTest, BrokenInvariantAbortsNamingConditionReasonAndPlace) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int items = 3;
  EXPECT_DEATH(LUMORA_ASSERT(items == 2, "the list holds its two rows"),
               "assertion failed: items == 2 \\(the list holds its two rows\\) at .*AssertTest\\.cpp:[0-9]+");
}

TEST(Assert, KeptInvariantEvaluatesItsConditionOnceAndGoesOn) {
  int counter = 0;
  LUMORA_ASSERT(Evaluations(&counter) == 1, "counted once");
  EXPECT_EQ(counter, 1);
}

struct Unusual {};

TEST(Assert, CaughtExceptionIsDescribedByTypeAndMessage) {
  EXPECT_EQ(os::DescribeCurrentException(), "no exception");
  try {
    throw std::out_of_range("row 7 of 3");
  } catch (...) {
    EXPECT_EQ(os::DescribeCurrentException(), "std::out_of_range: row 7 of 3");
  }
  try {
    throw Unusual{};
  } catch (...) {
    EXPECT_EQ(os::DescribeCurrentException(), "(anonymous namespace)::Unusual");
  }
  try {
    throw 42;
  } catch (...) {
    EXPECT_EQ(os::DescribeCurrentException(), "int");
  }
}

}  // namespace
