#include "platform/base/WorkerPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace os {

namespace {

// Nice values are per thread on Linux; 10 leaves a competing thread of
// nice 0 about nine tenths of a shared processor.
constexpr int kWorkerNice = 10;

}  // namespace

void LowerThisThreadPriority() {
  const auto thread = static_cast<id_t>(syscall(SYS_gettid));
  const int current = getpriority(PRIO_PROCESS, thread);
  if (current < kWorkerNice) setpriority(PRIO_PROCESS, thread, kWorkerNice);
}

}  // namespace os
