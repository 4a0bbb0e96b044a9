// The resolution text is set at, the same rule on every system.
#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/gfx/Text.h"

namespace os {

namespace {

constexpr double kDefaultResolution = 96;

// Fonts may be made on a worker (FontsAhead) while the backend sets it.
std::atomic<double>& Resolution() {
  static std::atomic<double> resolution = kDefaultResolution;
  return resolution;
}

}  // namespace

void SetTextResolution(double dotsPerInch) {
  Resolution() = std::isfinite(dotsPerInch) && dotsPerInch > 0 ? std::clamp(dotsPerInch, 48.0, 384.0)
                                                               : kDefaultResolution;
}

double TextResolution() { return Resolution().load(); }

}  // namespace os
