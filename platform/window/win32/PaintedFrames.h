// When a window of ours has shown a frame on Windows. The system paints
// nothing for us to hear about, so the frame of a top-level window counts as
// drawn once a WM_PAINT of it (or of a window inside it) has been handled:
// EndPaint marks the top-level window, and the calls inside which WM_PAINT
// is handled (DispatchMessage, SendMessage, UpdateWindow, RedrawWindow) tell
// NotifyFrameDrawn about the marked windows when they return. A paint handled
// inside a loop of the system's (a message box's) is told at the next
// retrieval of a message of ours. A layered window's frame is drawn when
// UpdateLayeredWindow has shown it.
#pragma once

#include "platform/window/Window.h"

namespace os::win32 {

void MarkFramePainted(HWND hwnd);
void NotifyPaintedFrames();

}  // namespace os::win32
