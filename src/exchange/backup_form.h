// The backup window as data: caption, position and its controls, with the names its handlers use.
// Portable.
#pragma once

#include "platform/form.h"

namespace qm {

inline constexpr char kBackupFormName[] = "备份还原窗口";
inline constexpr char kBackupWindowCaption[] = "备份/还原";
inline constexpr char kDrivePicker[] = "驱动器框";
inline constexpr char kFolderPicker[] = "目录框";
inline constexpr char kBackupPathEdit[] = "备份还原地址编辑框";
inline constexpr char kRunBackupButton[] = "备份按钮";
inline constexpr char kRunRestoreButton[] = "按钮3";

const FormDef& BackupFormDef();

}  // namespace qm
