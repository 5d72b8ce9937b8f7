// The life of the process: see program.h. The update check comes after the main window's start
// sequence, once the window is shown and painted, so a slow or silent update server never keeps
// it hidden; while the check waits the window already answers the user.
#include "app/program.h"

#include <windows.h>

#include "app/wiring_win.h"
#include "catalogue/copied_secret_win.h"
#include "core/process_state.h"
#include "platform/win32/wide.h"
#include "web/service_hosts.h"
#include "web/win32/update_check_win.h"

namespace qm {

int RunProgram() {
    wchar_t services[64] = {};
    const DWORD n = GetEnvironmentVariableW(L"QUILLMARK_TEST_SERVICES", services, 64);
    if (n > 0 && n < 64) OverrideServiceHostsFromEnvironment(FromWide(services));
    CreateProcessState();
    Form* main = LoadProgramMainWindow();
    if (!main) {
        ReleaseProcessState();
        return 1;
    }
    CheckForUpdate(GetText(*main, FormDefinition(*main).name));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // A password copied shortly before the main window was closed must not outlive the program.
    ClearCopiedSecretNow();
    ReleaseProcessState();
    return 0;
}

}  // namespace qm
