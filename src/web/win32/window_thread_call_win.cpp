// Window-thread calls: see window_thread_call_win.h. The window lives as long as its thread (it is
// never destroyed by the program), so a worker may always send to it; a sent message carries a
// pointer to the call, which stays valid because the sender waits.
#include "web/win32/window_thread_call_win.h"

#include <windows.h>

#include <atomic>

namespace qm {

namespace {

constexpr wchar_t kCallWindowClass[] = L"QuillmarkWindowThreadCalls";
constexpr UINT kRunCall = WM_APP + 1;

std::atomic<HWND> callWindow{nullptr};

LRESULT CALLBACK CallWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRunCall) {
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool PrepareWindowThreadCalls() {
    if (callWindow.load()) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = CallWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kCallWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    HWND hwnd = CreateWindowExW(0, kCallWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    callWindow.store(hwnd);
    return true;
}

bool CallOnWindowThread(const std::function<void()>& call) {
    HWND hwnd = callWindow.load();
    if (!hwnd) return false;
    return SendMessageW(hwnd, kRunCall, 0, reinterpret_cast<LPARAM>(&call)) == 1;
}

}  // namespace qm
