// A worker lowers its own priority and nobody else's.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "platform/base/WorkerPriority.h"

namespace os {
namespace {

int ThisThreadsNice() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }

TEST(WorkerPriorityTest, OnlyTheCallingThreadIsLoweredAndOnlyOnce) {
  const int before = ThisThreadsNice();
  int lowered = 0;
  int again = 0;
  std::thread([&] {
    LowerThisThreadPriority();
    lowered = ThisThreadsNice();
    LowerThisThreadPriority();
    again = ThisThreadsNice();
  }).join();
  // Nice 10, or where the process already runs when that is lower still.
  EXPECT_EQ(lowered, std::max(before, 10));
  EXPECT_EQ(again, lowered) << "a second call lowered the thread further";
  EXPECT_EQ(ThisThreadsNice(), before) << "the calling thread's priority went with the worker's";
}

}  // namespace
}  // namespace os
