// The main window's class and creation. Window thread only.
#pragma once

#include <windows.h>

#include "app/app_state.h"

namespace qm {

inline constexpr wchar_t kWindowClass[] = L"KXWindow";
inline constexpr int kMainWindowWidth = 750;
inline constexpr int kMainWindowHeight = 458;

// The caption; the update check reads the version between "_" and " -".
extern const char kMainWindowCaption[];

bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(AppState& state);

}  // namespace qm
