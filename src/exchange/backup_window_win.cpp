// The backup window's handlers: see backup_window_win.h. The path edit is the only input of
// backup and restore; the pickers only fill it.
#include "exchange/backup_window_win.h"

#include "core/settings.h"
#include "exchange/backup.h"
#include "exchange/backup_form.h"

namespace qm {

namespace {

Form* g_backup = nullptr;

// The pickers follow the remembered folder without raising their change events: those would
// rewrite the edit with what the pickers could find of it (a folder not made yet would become
// its parent). A folder given without its drive is looked for on the drive the picker shows.
void BackupWindowCreated(Form& form, const EventInfo&) {
    g_backup = &form;
    const std::string stored = ReadBackupFolder();
    SetText(form, kBackupPathEdit, stored);
    HWND edit = ControlWindow(form, kBackupPathEdit);
    const int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), end);
    if (stored.empty()) return;  // the pickers stay at the current drive and folder
    const PickerStart start = PickerStartOf(stored);
    PickDrive(form, kDrivePicker, start.drive);
    ShowFolder(form, kFolderPicker, PickedDrive(form, kDrivePicker) + ":\\" + start.folder);
}

void DriveChanged(Form& form, const EventInfo&) {
    ShowFolder(form, kFolderPicker, PickedDrive(form, kDrivePicker) + ":\\");
    SetText(form, kBackupPathEdit, PickedFolder(form, kFolderPicker));
}

void DirectoryChanged(Form& form, const EventInfo&) {
    SetText(form, kBackupPathEdit, PickedFolder(form, kFolderPicker));
}

void OnBackupClicked(Form& form, const EventInfo&) {
    RunBackup(GetText(form, kBackupPathEdit));
}

void OnRestoreClicked(Form& form, const EventInfo&) {
    RunRestore(GetText(form, kBackupPathEdit));
}

void OnDestroying(Form& form, const EventInfo&) {
    if (g_backup == &form) g_backup = nullptr;
}

std::vector<EventBinding> BackupBindings() {
    return {
        {kBackupFormName, FormEvent::Created, BackupWindowCreated},
        {kBackupFormName, FormEvent::Destroying, OnDestroying},
        {kDrivePicker, FormEvent::SelectionChanged, DriveChanged},
        {kFolderPicker, FormEvent::SelectionChanged, DirectoryChanged},
        {kRunBackupButton, FormEvent::Clicked, OnBackupClicked},
        {kRunRestoreButton, FormEvent::Clicked, OnRestoreClicked},
    };
}

}  // namespace

void OpenBackupWindow(Form& owner, const EventInfo&) {
    if (g_backup) {
        HWND hwnd = FormWindow(*g_backup);
        if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
        SetForegroundWindow(hwnd);
        return;
    }
    if (!LoadForm(BackupFormDef(), BackupBindings(), FormWindow(owner))) g_backup = nullptr;
}

Form* BackupWindow() {
    return g_backup;
}

}  // namespace qm
