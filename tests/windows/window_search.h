// Window lookups for tests. All test processes share one display, so a lookup is always bound to
// one process: a display-wide one would find other tests' windows.
#pragma once

#include <windows.h>

#include <string>

namespace qm::testing {

struct FoundWindow {
    DWORD pid;
    const wchar_t* cls;
    std::wstring title;
    HWND found = nullptr;
};

inline BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<FoundWindow*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {}, title[128] = {};
    GetClassNameW(hwnd, cls, 64);
    GetWindowTextW(hwnd, title, 128);
    if (pid == f->pid && IsWindowVisible(hwnd) && lstrcmpW(cls, f->cls) == 0 &&
        (f->title.empty() || f->title == title)) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process with this class (and title, when given).
inline HWND WaitForWindow(DWORD pid, const wchar_t* cls, const std::wstring& title, DWORD timeoutMs) {
    const DWORD end = GetTickCount() + timeoutMs;
    do {
        FoundWindow f{pid, cls, title};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&f));
        if (f.found) return f.found;
        Sleep(20);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
    return nullptr;
}

}  // namespace qm::testing
