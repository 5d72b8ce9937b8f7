// The program's own commands in a window's system menu, the way small Win32 tools add theirs:
// below the system's items after one separator that all of the program's items share, each added
// after the program's items already there (Wine's own "about" item, when present, stays last).
// Choosing one runs its function. Window thread only.
#pragma once

#include <windows.h>

#include <string_view>

namespace qm {

using SystemMenuCommand = void (*)();

// The identifier must be below 0xF000 and a multiple of 16 (the system uses the low four bits).
// False when the window has no system menu or the identifier is not usable.
bool AddSystemMenuCommand(HWND window, UINT id, std::string_view caption, SystemMenuCommand run);

// Wine's "about" item in the system menu.
inline constexpr UINT kWineAboutCommand = 0xF141;

}  // namespace qm
