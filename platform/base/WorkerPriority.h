// Work done ahead on worker threads (pictures decoded, fonts loaded, a
// request sent before its answer is needed) must not slow down the UI thread
// it is meant to spare: on a machine with few processors the workers, the UI
// thread and the display server compete for them, and the UI thread's work is
// what the player waits for. A worker lowers its own priority first; when the
// UI thread waits for it, it runs on the processor the wait leaves free.
#pragma once

namespace os {

// The calling thread yields to the process's other threads when they compete
// for a processor (Linux: nice +10 for this thread only; Windows: below
// normal). Never fails visibly: a thread that cannot be lowered runs as before.
void LowerThisThreadPriority();

}  // namespace os
