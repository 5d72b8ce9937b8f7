// Process entry: creates the process-wide state, shows the main window and runs the message loop
// until it is closed. Window thread only.
#include <windows.h>

#include "app/app_state.h"
#include "app/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    qm::AppState state;
    state.instance = instance;
    if (!qm::RegisterMainWindowClass(instance)) return 1;
    HWND main = qm::CreateMainWindow(state);
    if (!main) return 1;
    ShowWindow(main, showCommand);
    UpdateWindow(main);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
