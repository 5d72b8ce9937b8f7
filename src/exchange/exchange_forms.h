// The export window "导出窗口" and the import window "导入窗口" as data: caption, position and
// every control with the name its handlers use, and the texts the handlers put into them.
// Portable.
#pragma once

#include "platform/form.h"

namespace qm {

inline constexpr char kExportFormName[] = "导出窗口";
inline constexpr char kImportFormName[] = "导入窗口";

// Controls of both windows.
inline constexpr char kFormatCombo[] = "格式组合框";
inline constexpr char kFormatNote[] = "格式说明";
inline constexpr char kTemplateEdit[] = "格式文本编辑框";
inline constexpr char kPathButton[] = "保存位置按钮";
// Export window.
inline constexpr char kExportChoiceCombo[] = "导出内容组合框";
inline constexpr char kSavePathEdit[] = "保存位置编辑框";
inline constexpr char kRunExportButton[] = "导出按钮";
// Import window.
inline constexpr char kImportTargetCombo[] = "导入内容组合框";
inline constexpr char kOpenPathEdit[] = "打开位置编辑框";
inline constexpr char kRunImportButton[] = "导入按钮";

inline constexpr char kNativeFormatItem[] = "标准格式";
inline constexpr char kCustomFormatItem[] = "自定义";
inline constexpr char kNativeFormatNote[] = "本软件专用格式";
inline constexpr char kCustomFormatNote[] = "自行定义的格式";
// The template box's notice as the window opens (full-width quotes) and after a change of format
// (ASCII quotes).
inline constexpr char kFirstTemplateNotice[] = "当导出格式为“自定义”时生效";
inline constexpr char kTemplateNotice[] = "当导出格式为\"自定义\"时生效";

// The file dialogs "通用对话框_导出" (save) and "通用对话框_导入" (open).
inline constexpr char kTextFileFilter[] = "文本文件（*.txt）|*.txt";
inline constexpr char kTextFileExtension[] = "txt";

const FormDef& ExportFormDef();
const FormDef& ImportFormDef();

}  // namespace qm
