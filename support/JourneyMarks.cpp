#include "support/JourneyMarks.h"

#include <ctime>
#include <utility>

namespace journey {
namespace {

MarkSink& Sink() {
  static MarkSink sink;
  return sink;
}

}  // namespace

void SetMarkSink(MarkSink sink) { Sink() = std::move(sink); }

void Mark(std::string_view point) {
  if (const MarkSink& sink = Sink()) sink(point, MonotonicNanoseconds());
}

std::uint64_t MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace journey
