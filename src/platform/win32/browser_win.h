// The banner control of the form runtime: a child window that hosts the system web browser
// control showing an address, or, where that control cannot be created, draws a plain banner of
// its own. It never shows an installer prompt or an error box. Window thread only; the window
// owns the hosted browser and releases it when destroyed.
#pragma once

#include <windows.h>

#include <string>

namespace qm {

// Creates the banner window; embedded tells whether the web browser could be hosted.
HWND CreateBannerWindow(HWND parent, int id, int left, int top, int width, int height,
                        const std::string& address, bool& embedded);

// Test seam: when set to false, the web browser is never tried and the plain banner is drawn.
void AllowEmbeddedBrowserForTesting(bool allow);

}  // namespace qm
