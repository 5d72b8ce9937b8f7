// Program start: see process_start_win.h.
#include "platform/win32/process_start_win.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace qm {

namespace {
ProcessStartHook g_hook = nullptr;
}

std::wstring QuoteArgument(std::wstring_view argument) {
    // Backslashes are literal except before a quote: there each one is doubled and the quote
    // escaped; those before the closing quote are doubled too.
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

bool StartProgram(std::string_view program, std::string_view argument) {
    // The program's own name is read up to the closing quote, without escapes.
    const std::wstring path = ToWide(program);
    if (path.empty() || path.find(L'"') != std::wstring::npos) return false;
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!argument.empty()) commandLine += L" " + QuoteArgument(ToWide(argument));
    if (g_hook) return g_hook(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    return true;
}

void SetProcessStartHookForTesting(ProcessStartHook hook) {
    g_hook = hook;
}

}  // namespace qm
