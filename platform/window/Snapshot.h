// Snapshots of top-level windows: what a window shows, read back from its
// backend's copy of the frame it last presented (Backend::SurfacePixels), as
// straight RGBA or as a PNG file. For automation scripts and tests; the shared
// layer turns a backend's frame into the picture, so every backend's
// snapshots follow the same rules:
// - per-pixel-alpha frames are un-premultiplied (rounded; a transparent pixel
//   has no colour) and take the frame's constant alpha;
// - opaque frames show their colour bytes with the surface's opacity as
//   alpha (their own alpha bytes mean nothing);
// - pixels outside the window region are transparent.
//
// On Windows a layered window's picture is the last frame UpdateLayeredWindow
// showed; any other window's is read back from its window DC, and its window
// region cuts out the rest.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/window/Backend.h"

namespace os {

struct WindowPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // straight, width * 4 bytes per row
};

// The frame as it appears. A frame whose pixels do not fill its size gives
// an empty picture.
WindowPicture FrameAppearance(const SurfaceFrame& frame);
// The top-level window's appearance through the current backend; empty for
// child windows, handles that are no window and backends that keep no frame.
WindowPicture WindowAppearance(HWND hwnd);
// Writes WindowAppearance as a PNG file; false when it is empty or the file
// cannot be written.
bool SnapshotWindow(HWND hwnd, const std::filesystem::path& png);

}  // namespace os
