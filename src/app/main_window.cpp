// The main window. Window thread only.
#include "app/main_window.h"

#include "platform/win32/wide.h"

namespace qm {

const char kMainWindowCaption[] = "Quillmark_v1.3 - 羽迹博客 - http://www.quillmark.example";

namespace {

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateMainWindow(AppState& state) {
    state.mainWindow = CreateWindowExW(0, kWindowClass, ToWide(kMainWindowCaption).c_str(),
                                       WS_OVERLAPPEDWINDOW, 0, 0, kMainWindowWidth, kMainWindowHeight,
                                       nullptr, nullptr, state.instance, nullptr);
    return state.mainWindow;
}

}  // namespace qm
