// The life of the process: see program.h. The update check comes after the main window's start
// sequence, once the window is shown and painted, so a slow or silent update server never keeps
// it hidden; while the check waits the window already answers the user.
#include "app/program.h"

#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>

#include "app/wiring_win.h"
#include "catalogue/copied_secret_win.h"
#include "catalogue/main_form.h"
#include "core/process_state.h"
#include "platform/win32/wide.h"
#include "web/service_hosts.h"
#include "web/win32/update_check_win.h"

namespace qm {

namespace {

constexpr UINT_PTR kPaintSignalId = 0x5150;  // "QP"
HANDLE g_paintSignal = nullptr;

// Sets the benchmark's event once the window and then its controls have painted: the controls'
// own paints are due now anyway, the loop would only run them a moment later.
LRESULT CALLBACK SignalFirstPaint(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg != WM_PAINT) return DefSubclassProc(hwnd, msg, wp, lp);
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RemoveWindowSubclass(hwnd, SignalFirstPaint, kPaintSignalId);
    SetEvent(g_paintSignal);
    CloseHandle(g_paintSignal);
    g_paintSignal = nullptr;
    return result;
}

void WatchFirstPaint(Form& form, const EventInfo&) {
    SetWindowSubclass(FormWindow(form), SignalFirstPaint, kPaintSignalId, 0);
}

// The start-up benchmark names an event in QUILLMARK_TEST_PAINTED to learn when the main window
// has first painted. Without that variable nothing is watched.
std::vector<EventBinding> FirstPaintWatch() {
    wchar_t name[128] = {};
    const DWORD n = GetEnvironmentVariableW(L"QUILLMARK_TEST_PAINTED", name, 128);
    if (n == 0 || n >= 128) return {};
    g_paintSignal = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (!g_paintSignal) return {};
    return {{kMainFormName, FormEvent::Created, WatchFirstPaint}};
}

}  // namespace

int RunProgram() {
    wchar_t services[64] = {};
    const DWORD n = GetEnvironmentVariableW(L"QUILLMARK_TEST_SERVICES", services, 64);
    if (n > 0 && n < 64) OverrideServiceHostsFromEnvironment(FromWide(services));
    CreateProcessState();
    Form* main = LoadProgramMainWindow(true, FirstPaintWatch());
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
