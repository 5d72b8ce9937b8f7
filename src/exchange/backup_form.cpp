// The backup window's definition table: see backup_form.h. The ZIP facility of the design has no
// window: compression and extraction are plain functions (platform/zip_archive.h).
#include "exchange/backup_form.h"

namespace qm {

namespace {

FormDef BuildBackupForm() {
    FormDef f;
    f.name = kBackupFormName;
    f.caption = kBackupWindowCaption;
    f.left = 50, f.top = 50, f.width = 292, f.height = 274;
    f.controls = {
        MakeControl(kDrivePicker, ControlKind::DrivePicker, 5, 5, 277, 20),
        MakeControl(kFolderPicker, ControlKind::FolderTree, 5, 24, 277, 128),
        MakeControl("标签1", ControlKind::Label, 5, 155, 80, 24, "备份还原地址："),
        MakeControl(kBackupPathEdit, ControlKind::Edit, 90, 157, 192, 20),
        MakeControl("标签2", ControlKind::Label, 88, 176, 190, 20, "（请尽量选择非系统盘）"),
        MakeControl(kRunBackupButton, ControlKind::Button, 39, 202, 80, 24, "备 份"),
        MakeControl(kRunRestoreButton, ControlKind::Button, 160, 202, 80, 24, "还 原"),
    };
    return f;
}

}  // namespace

const FormDef& BackupFormDef() {
    static const FormDef def = BuildBackupForm();
    return def;
}

}  // namespace qm
