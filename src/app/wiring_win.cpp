// The program's composition root: see wiring_win.h.
#include "app/wiring_win.h"

#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "exchange/backup_window_win.h"
#include "exchange/exchange_windows_win.h"

namespace qm {

namespace {

// An import adds sites and categories: the main window's lists show them at once.
void RefreshMainWindowLists() {
    FillCategoryCombos();
    if (Form* main = MainForm()) FillSiteList(ComboSelectedText(*main, kFilterCombo));
}

}  // namespace

std::vector<EventBinding> ProgramWindowBindings() {
    SetImportDoneHook(RefreshMainWindowLists);
    return {
        {kBackupButton, FormEvent::Clicked, OpenBackupWindow},
        {kExportButton, FormEvent::Clicked, OpenExportWindow},
        {kImportButton, FormEvent::Clicked, OpenImportWindow},
    };
}

Form* LoadProgramMainWindow(bool show, std::vector<EventBinding> more) {
    std::vector<EventBinding> bindings = ProgramWindowBindings();
    bindings.insert(bindings.end(), more.begin(), more.end());
    return LoadMainWindow(show, std::move(bindings));
}

}  // namespace qm
