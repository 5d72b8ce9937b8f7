// Program commands in the system menu: see system_menu_win.h. One subclass per window routes
// WM_SYSCOMMAND with a program identifier to its function; everything else goes on unchanged.
#include "catalogue/system_menu_win.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/wide.h"

namespace qm {

namespace {

constexpr UINT_PTR kSubclassId = 0x5359;  // "SY"

struct Command {
    HWND window;
    UINT id;
    SystemMenuCommand run;
};
std::vector<Command> g_commands;

bool IsProgramCommand(HWND window, UINT id) {
    for (const Command& c : g_commands)
        if (c.window == window && c.id == id) return true;
    return false;
}

LRESULT CALLBACK SystemCommandProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SYSCOMMAND) {
        const UINT id = static_cast<UINT>(wp & 0xFFF0);
        for (const Command& c : g_commands)
            if (c.window == hwnd && c.id == id) {
                const SystemMenuCommand run = c.run;
                run();
                return 0;
            }
    } else if (msg == WM_NCDESTROY) {
        std::erase_if(g_commands, [hwnd](const Command& c) { return c.window == hwnd; });
        RemoveWindowSubclass(hwnd, SystemCommandProc, kSubclassId);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

// Where the next program item goes: after the program's last item, else at the end of the
// system's items (before Wine's separator and "about" item) behind a new separator.
int InsertionPoint(HWND window, HMENU menu, bool* needSeparator) {
    const int count = GetMenuItemCount(menu);
    int lastProgram = -1, wineAbout = -1;
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (IsProgramCommand(window, id)) lastProgram = i;
        if (id == kWineAboutCommand) wineAbout = i;
    }
    *needSeparator = lastProgram < 0;
    if (lastProgram >= 0) return lastProgram + 1;
    if (wineAbout < 0) return count;
    const bool separatorBefore =
        wineAbout > 0 && (GetMenuState(menu, wineAbout - 1, MF_BYPOSITION) & MF_SEPARATOR);
    return separatorBefore ? wineAbout - 1 : wineAbout;
}

}  // namespace

bool AddSystemMenuCommand(HWND window, UINT id, std::string_view caption, SystemMenuCommand run) {
    if (!window || !run || id == 0 || id >= 0xF000 || (id & 0xF) != 0) return false;
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu) return false;
    bool needSeparator = false;
    int at = InsertionPoint(window, menu, &needSeparator);
    if (needSeparator) InsertMenuW(menu, static_cast<UINT>(at++), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    InsertMenuW(menu, static_cast<UINT>(at), MF_BYPOSITION | MF_STRING, id, ToWide(caption).c_str());
    const bool subclassed = std::any_of(g_commands.begin(), g_commands.end(),
                                        [window](const Command& c) { return c.window == window; });
    g_commands.push_back({window, id, run});
    if (!subclassed) SetWindowSubclass(window, SystemCommandProc, kSubclassId, 0);
    return true;
}

}  // namespace qm
