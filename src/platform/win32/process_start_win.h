// Starting another program without waiting for it. Window thread.
#pragma once

#include <string>
#include <string_view>

namespace qm {

// One argument quoted so that CommandLineToArgvW and the C runtime read back exactly that text,
// whatever quotes, backslashes and blanks it holds.
std::wstring QuoteArgument(std::wstring_view argument);

// Starts the program (a path) in a normal window with the argument as its one argument (no
// argument when empty). The command line is the quoted path, a space and the quoted argument.
// False when the program could not be started.
bool StartProgram(std::string_view program, std::string_view argument);

// Test seam: while set, the command line is handed to the hook instead of being started; its
// result stands for the start's.
using ProcessStartHook = bool (*)(const std::wstring& commandLine);
void SetProcessStartHookForTesting(ProcessStartHook hook);

}  // namespace qm
