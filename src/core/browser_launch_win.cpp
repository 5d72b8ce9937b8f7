// Opening an address in the default web browser: see browser_launch_win.h. The address goes to
// the browser as one quoted argument, never spliced into its command line.
#include "core/browser_launch_win.h"

#include "core/browser_launch.h"
#include "core/process_state.h"
#include "platform/win32/process_start_win.h"
#include "platform/win32/registry_win.h"

namespace qm {

std::string LookUpBrowserCommand() {
    std::string& command = State().browserCommand;
    if (command.empty()) command = BrowserPathOfCommand(ReadClassesRootDefault(kBrowserCommandKey));
    return command;
}

bool OpenInDefaultBrowser(std::string_view address) {
    const std::string path = LookUpBrowserCommand();
    if (path.empty() || !IsLaunchableAddress(address)) return false;
    return StartProgram(path, address);
}

}  // namespace qm
