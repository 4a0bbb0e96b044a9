// A window's appearance read back from its backend's copy of the frame it
// last presented.
#include "platform/window/Snapshot.h"
#include "platform/window/internal/WindowSystem.h"

namespace os {

WindowPicture WindowAppearance(HWND hwnd) {
  const internal::WindowPtr w = internal::LookupOwn(hwnd);
  if (!w || !w->surface) return {};
  const std::optional<SurfaceFrame> frame = internal::Sys().backend().SurfacePixels(w->surface);
  return frame ? FrameAppearance(*frame) : WindowPicture{};
}

}  // namespace os
