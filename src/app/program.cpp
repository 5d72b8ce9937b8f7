// The life of the process: see program.h. The skin engine and the update check join the start
// sequence of the main window when they exist.
#include "app/program.h"

#include <windows.h>

#include "catalogue/main_window_win.h"
#include "core/process_state.h"

namespace qm {

int RunProgram() {
    CreateProcessState();
    if (!LoadMainWindow()) {
        ReleaseProcessState();
        return 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ReleaseProcessState();
    return 0;
}

}  // namespace qm
