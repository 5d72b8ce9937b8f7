// Process-wide state of the catalogue, created before the main window is loaded and released
// after the message loop ends. Window thread only.
#pragma once

#include <string>

namespace qm {

struct ProcessState {
    std::string hoverRegion;     // region whose hint the status bar shows
    std::string browserCommand;  // default browser, looked up once
    bool sortDirection = false;  // flips on every header click; true lays rows out ascending
    int rememberedRow = -1;      // list row selected when a modify or delete began
};

// Resets the state to its initial values (start of the process, and tests).
void CreateProcessState();
void ReleaseProcessState();
ProcessState& State();

}  // namespace qm
