// Process-wide state of the program, created by the entry point and alive for the whole run.
// Window thread only.
#pragma once

#include <windows.h>

namespace qm {

struct AppState {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
};

}  // namespace qm
