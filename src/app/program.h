// The life of the process: process-wide state, the main window, the message loop. Window thread.
#pragma once

namespace qm {

// Runs the program until the main window is closed; the process exit code (0, or 1 when the main
// window could not be created).
int RunProgram();

}  // namespace qm
