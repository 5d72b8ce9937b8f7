// The common file dialogs: see file_dialogs_win.h. The dialog never changes the process's current
// folder, and a name longer than the buffer counts as cancelled rather than being cut.
#include "platform/win32/file_dialogs_win.h"

#include <windows.h>
// commdlg.h needs the types of windows.h.
#include <commdlg.h>

#include "platform/gbk.h"
#include "platform/win32/wide.h"

namespace qm {

namespace {

FileDialogHook g_hook;

// "a|b|c|d" as the dialog wants it: "a\0b\0c\0d\0\0".
std::wstring FilterOf(const std::string& filter) {
    std::wstring out;
    for (const std::string& part : Split(filter, "|")) {
        out += ToWide(part);
        out += L'\0';
    }
    out += L'\0';
    return out;
}

}  // namespace

std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) {
    if (g_hook) return g_hook(request);
    std::wstring name(32768, L'\0');
    const std::wstring initial = ToWide(request.fileName);
    if (initial.size() < name.size()) initial.copy(name.data(), initial.size());
    const std::wstring filter = FilterOf(request.filter), extension = ToWide(request.defaultExtension);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                (request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return std::nullopt;
    return FromWide(name.c_str());
}

void SetFileDialogHookForTesting(FileDialogHook hook) {
    g_hook = std::move(hook);
}

}  // namespace qm
