#include "platform/gtk/ActivationEcho.h"

namespace os::gtk {

void ActivationEchoFilter::Expect(SurfaceId surface, std::int64_t nowMs) {
  expected_ = surface;
  since_ = nowMs;
}

bool ActivationEchoFilter::IsNews(SurfaceId surface, bool active, std::int64_t nowMs) {
  if (!expected_) return true;
  if (nowMs - since_ > windowMs_) {
    expected_ = 0;
    return true;
  }
  if (surface != expected_) return false;
  if (!active) return false;  // on its way to the surface: not there yet
  expected_ = 0;
  return true;
}

}  // namespace os::gtk
