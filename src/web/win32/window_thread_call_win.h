// The hand-over from worker threads to the window thread: one message-only window, made on the
// window thread, and one message whose handler runs a call the sending worker waits for. Workers
// never touch a window themselves; what the call may touch it checks on the window thread.
#pragma once

#include <functional>

namespace qm {

// Makes the hand-over window on the calling thread, which becomes the window thread of every later
// call (once per process; later calls from that thread do nothing). False when it cannot be made.
bool PrepareWindowThreadCalls();

// From a worker: runs the call on the window thread and returns when it has run. False, without
// running it, when no hand-over window was made. The window thread runs it the next time it
// takes messages (also inside a modal loop or RunRequest's wait).
bool CallOnWindowThread(const std::function<void()>& call);

}  // namespace qm
