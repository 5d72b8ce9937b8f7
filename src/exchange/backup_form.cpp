// The backup window's definition table: see backup_form.h. The ZIP facility of the design has no
// window: compression and extraction are plain functions (platform/zip_archive.h).
#include "exchange/backup_form.h"

namespace qm {

namespace {

ControlDef Control(const char* name, ControlKind kind, int left, int top, int width, int height,
                   const char* caption = "") {
    ControlDef c;
    c.name = name;
    c.kind = kind;
    c.left = left, c.top = top, c.width = width, c.height = height;
    c.caption = caption;
    return c;
}

FormDef BuildBackupForm() {
    FormDef f;
    f.name = kBackupFormName;
    f.caption = kBackupWindowCaption;
    f.left = 50, f.top = 50, f.width = 292, f.height = 274;
    f.controls = {
        Control(kDrivePicker, ControlKind::DrivePicker, 5, 5, 277, 20),
        Control(kFolderPicker, ControlKind::FolderTree, 5, 24, 277, 128),
        Control("标签1", ControlKind::Label, 5, 155, 80, 24, "备份还原地址："),
        Control(kBackupPathEdit, ControlKind::Edit, 90, 157, 192, 20),
        Control("标签2", ControlKind::Label, 88, 176, 190, 20, "（请尽量选择非系统盘）"),
        Control(kRunBackupButton, ControlKind::Button, 39, 202, 80, 24, "备 份"),
        Control(kRunRestoreButton, ControlKind::Button, 160, 202, 80, 24, "还 原"),
    };
    return f;
}

}  // namespace

const FormDef& BackupFormDef() {
    static const FormDef def = BuildBackupForm();
    return def;
}

}  // namespace qm
