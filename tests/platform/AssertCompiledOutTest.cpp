// The optimised flavour's view of LUMORA_ASSERT, whatever this build's is.
#undef LUMORA_ASSERTIONS
#define LUMORA_ASSERTIONS 0
#include "platform/base/Assert.h"

#include <gtest/gtest.h>

namespace {

int Evaluations(int* counter) { return ++*counter; }

TEST(Assert, CompiledOutCheckNeitherEvaluatesNorStops) {
  int counter = 0;
  LUMORA_ASSERT(Evaluations(&counter) == 5, "never evaluated");
  EXPECT_EQ(counter, 0);
}

}  // namespace
