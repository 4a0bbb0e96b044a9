// Activation the window system asks the desktop for travels to the X server
// and comes back as focus changes, after the window system has moved on: a
// field's popup edit window is activated, the skinned window taken back for a
// moment, the next field's popup activated, all before the first focus change
// arrives. Replayed as news, those echoes would undo the last request (a
// stale "the skinned window is active" closes the new field). Until the
// surface asked for last reports itself active, reports about the others are
// echoes; an expectation older than the window given is dropped, in case the
// desktop refused the request. Kept free of GDK headers.
#pragma once

#include <cstdint>

#include "platform/window/Backend.h"

namespace os::gtk {

class ActivationEchoFilter {
 public:
  explicit ActivationEchoFilter(std::int64_t windowMs = 500) : windowMs_(windowMs) {}

  // The window system asked for surface to be activated at nowMs.
  void Expect(SurfaceId surface, std::int64_t nowMs);
  // Whether the desktop's report that surface became active (or inactive)
  // is news for the window system.
  bool IsNews(SurfaceId surface, bool active, std::int64_t nowMs);

 private:
  std::int64_t windowMs_;
  SurfaceId expected_ = 0;
  std::int64_t since_ = 0;
};

}  // namespace os::gtk
