// Opening an address in the default web browser, for the site list and the update check. Window
// thread only (BrowserCommand is process-wide state).
#pragma once

#include <string>
#include <string_view>

namespace qm {

// BrowserCommand: the browser's path, read from the registry the first time and then kept. An
// empty result counts as not yet looked up and is read again next time.
std::string LookUpBrowserCommand();

// Starts the default browser with the address as its one argument (none when the address is
// empty), without waiting. False when nothing was started: no browser command, an address the
// browser must not be given (IsLaunchableAddress) or a failed start.
bool OpenInDefaultBrowser(std::string_view address);

}  // namespace qm
