// The resolution text is set at, the same rule on every system.
#include <algorithm>
#include <cmath>

#include "platform/gfx/Text.h"

namespace os {

namespace {

constexpr double kDefaultResolution = 96;

double& Resolution() {
  static double resolution = kDefaultResolution;
  return resolution;
}

}  // namespace

void SetTextResolution(double dotsPerInch) {
  Resolution() = std::isfinite(dotsPerInch) && dotsPerInch > 0 ? std::clamp(dotsPerInch, 48.0, 384.0)
                                                               : kDefaultResolution;
}

double TextResolution() { return Resolution(); }

}  // namespace os
