// The update check: once per start, after the main window is shown, ask the maker's update page
// for the latest version and offer to open its download address in the default browser. Window
// thread only; it keeps processing window messages while it waits (at most 3 s of quiet).
#pragma once

#include <string_view>

namespace qm {

// mainWindowTitle is the main window's caption, which names the program's own version.
void CheckForUpdate(std::string_view mainWindowTitle);

}  // namespace qm
