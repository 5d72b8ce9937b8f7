// The skin engine's process-wide state and its spine: installation, the creation hook, dispatch
// by class name, the saved-procedure chain and teardown. Drawers reach the palette, the metrics
// and the shared brushes through here. Window thread only.
#pragma once

#include <windows.h>

#include "skin/palette.h"

namespace qm::skin {

const SkinTheme& Theme();
inline const SkinPalette& Palette() {
    return Theme().palette;
}
inline const SkinMetrics& Metrics() {
    return Theme().metrics;
}

HBRUSH FaceBrush();       // solid Face; null after teardown
HBRUSH FaceLightBrush();  // solid FaceLight; null after teardown
HWND SkinMainWindow();    // null when the skin is not installed
bool SkinInstalled();

// Picks the drawer of one window by its class name and installs it, then visits the window's
// children, depth first. A window is skinned once; helper windows (message-only, IME) never.
void SkinWindow(HWND hwnd);

// Stores the window's procedure in "Easy.窗口过程" and installs proc. False, changing nothing,
// when the window already has a saved procedure.
bool Subclass(HWND hwnd, WNDPROC proc);

// Forwards a message to the saved procedure, or to the default procedure without one.
LRESULT CallSavedProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Deletes the shared brushes and removes the hook; called when the main window is destroyed.
// Windows still skinned keep their procedures; a later InstallSkin installs afresh.
void TearDownSkin();

}  // namespace qm::skin
