// Fonts loaded on a worker thread ahead of the UI thread's first text.
//
// Finding a face (the font configuration's substitutions and sorting) and
// measuring it take milliseconds per size, and a window's skin declares
// several; a window built on the UI thread waits for all of them before its
// first frame. A program that knows which fonts its first window will use
// starts them here while its UI thread does other work: the worker loads them
// into a font collection of its own, and the thread that started it takes the
// collection over when it makes its next font (os::Font's constructor), so
// that the skin's fonts are found there, already loaded and measured.
//
// Chosen here:
// - The worker touches nothing the UI thread uses: its fonts live in its own
//   collection until the hand-over, which waits for the worker to end.
// - The hand-over does not wait for the whole list: the worker finishes the
//   font it is loading and stops, and the rest load where they are first
//   used. Requests come in the order they are likely needed.
// - What the worker measured is kept: a font made alike afterwards takes its
//   metrics from there instead of measuring again.
// - Fonts not requested, or made before the hand-over on other threads, are
//   loaded as before; a request that fails costs nothing but its time.
// - Where fonts need no such help (Windows' GDI) nothing is started.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/Text.h"

namespace os {

// A font as os::Font's constructor takes it.
struct FontRequest {
  std::u16string face;
  int pixelSize = 0;
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

class FontsAhead {
 public:
  // Starts the worker, which first calls `requests` (it may read and parse
  // whatever names the fonts) and then loads each font. The calling thread is
  // the one that takes the result. A second start before the hand-over is
  // ignored, as is a start when no thread can be made.
  static void Start(std::function<std::vector<FontRequest>()> requests);
  // On the thread that started the worker: waits for it and makes its fonts
  // this thread's. Nothing on other threads, or when nothing waits.
  static void Take();
  // On any thread: ends the worker after the font it is loading, waits for
  // it and drops its fonts, for a process about to end without the window
  // they were for. A worker still running while the process ends would use
  // the text libraries after they freed their data at exit (their clean-up
  // is registered after ours, from the worker's first use, so it runs first).
  static void Stop();
  // Whether a worker's fonts wait for the hand-over.
  static bool Pending();
  // Whether a worker waiting for the hand-over is through its whole list,
  // so that a hand-over now would not wait and would lose nothing.
  static bool Finished();
  // After a hand-over, on any thread: the metrics the worker measured for a
  // font of the same face, size, weight and style at the same resolution.
  // False when it measured none such (or nothing was handed over).
  static bool Measured(const Font& font, TextMetrics& metrics);
};

}  // namespace os
