// The default web browser: where its path is read from, and which addresses it may be given.
// Opening an address is in core/browser_launch_win.h. Portable, no state.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// The registry key whose default value is the command that opens plain web addresses.
inline constexpr char kBrowserCommandKey[] = "http\\shell\\open\\command\\";

// The browser's path in that command: the text between its first two double quotes; empty when
// the command holds fewer than two.
std::string BrowserPathOfCommand(std::string_view command);

// False for an address the browser must not be given: one it would read as an option (a leading
// "-" or "/"), one naming a local or network file (a "file:" scheme, a path beginning with a
// backslash or a drive letter), or one holding control characters. Blanks before it are ignored.
// The empty address is allowed: the browser then opens without one.
bool IsLaunchableAddress(std::string_view address);

}  // namespace qm
