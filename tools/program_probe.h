// The parent's side of program_probe (tools/program_probe.cpp): start it with a mode, a program
// folder and a service host, read what it prints, find its main window. Shared by the metric
// benchmark and the program-end test. Any thread.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/wide.h"

namespace qm::probe {

// A started probe; the handles are closed with it.
struct Probe {
    HANDLE process = nullptr;
    HANDLE output = nullptr;  // read end of its stdout
    DWORD pid = 0;

    Probe() = default;
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    ~Probe() {
        if (process) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
            CloseHandle(process);
        }
        if (output) CloseHandle(output);
    }
};

// A path of the build tree (a Unix path under Wine) as the Windows path of the same file.
inline std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

// program_probe.exe beside the calling executable.
inline std::string ProbeBesideMe() {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.resize(dir.find_last_of(L'\\') + 1);
    return FromWide(dir + L"program_probe.exe");
}

inline bool StartProbe(Probe& probe, const std::string& exe, const std::string& mode,
                       const std::string& folder, const std::string& host) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = L"\"" + ToWide(WindowsPath(exe)) + L"\" " + ToWide(mode) + L" \"" + ToWide(folder) +
                        L"\" " + ToWide(host);
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    CloseHandle(pi.hThread);
    probe.process = pi.hProcess;
    probe.output = readEnd;
    probe.pid = pi.dwProcessId;
    return true;
}

// Everything the probe printed, once it has closed its output.
inline std::string ReadAll(const Probe& probe) {
    std::string out;
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(probe.output, buffer, sizeof buffer, &read, nullptr) && read > 0)
        out.append(buffer, read);
    return out;
}

struct WindowSearch {
    DWORD pid;
    std::wstring title;
    HWND found = nullptr;
};

inline BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    if (pid != s->pid || s->title != title) return TRUE;
    s->found = hwnd;
    return FALSE;
}

// The probe's top-level window with this title (GBK), or nullptr after timeoutMs.
inline HWND FindWindowOf(const Probe& probe, const std::string& title, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        WindowSearch s{probe.pid, ToWide(title)};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(10);
    } while (GetTickCount64() < end);
    return nullptr;
}

}  // namespace qm::probe
