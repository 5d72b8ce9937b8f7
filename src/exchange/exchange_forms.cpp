// The definition tables of the export and import windows: see exchange_forms.h. The two windows
// share their layout; an edit comes before the label to its left, whose box reaches into the edit,
// so that the edit is drawn over it.
#include "exchange/exchange_forms.h"


namespace qm {

namespace {

constexpr char kPlaceholderHelp[] =
    "格式文本参数：\r\n [#分类名称#] [#网站地址#] [#网站标题#]\r\n [#登录帐号#] [#登录密码#] [#PR值#]\r\n"
    " [#百度收录#] [#谷歌收录#] [#百度反链#]\r\n [#雅虎反链#]";

struct Words {
    const char* name;
    const char* caption;
    const char* formatLabel;
    const char* choiceLabel;
    const char* choiceCombo;
    const char* choiceHint;
    const char* pathLabel;
    const char* pathEdit;
    const char* runButton;
    const char* runCaption;
};

FormDef BuildForm(const Words& w) {
    FormDef f;
    f.name = w.name;
    f.caption = w.name;
    f.left = 50, f.top = 50, f.width = 268, f.height = 250;
    ControlDef notice = MakeControl(kTemplateEdit, ControlKind::Edit, 67, 33, 188, 20, kFirstTemplateNotice);
    notice.readOnly = true;
    f.controls = {
        MakeControl("标签1", ControlKind::Label, 6, 6, 58, 24, w.formatLabel),
        MakeControl(kFormatCombo, ControlKind::ComboList, 67, 7, 100, 20),
        MakeControl(kFormatNote, ControlKind::Label, 169, 6, 95, 24, kNativeFormatNote),
        MakeControl("标签2", ControlKind::Label, 6, 32, 58, 24, "格式文本："),
        notice,
        MakeControl("标签3", ControlKind::LabelLines, 7, 56, 248, 64, kPlaceholderHelp),
        MakeControl("标签4", ControlKind::Label, 6, 127, 58, 24, w.choiceLabel),
        MakeControl(w.choiceCombo, ControlKind::ComboList, 67, 128, 100, 20),
        MakeControl("格式说明1", ControlKind::Label, 170, 125, 95, 24, w.choiceHint),
        MakeControl(w.pathEdit, ControlKind::Edit, 67, 153, 170, 20),
        MakeControl("标签5", ControlKind::Label, 6, 152, 80, 24, w.pathLabel),
        MakeControl(kPathButton, ControlKind::SmallButton, 237, 152, 20, 20, "…"),
        MakeControl(w.runButton, ControlKind::Button, 94, 177, 80, 28, w.runCaption),
    };
    return f;
}

}  // namespace

const FormDef& ExportFormDef() {
    static const FormDef def =
        BuildForm({kExportFormName, kExportFormName, "导出格式：", "导出内容：", kExportChoiceCombo,
                   "想要导出的分类", "导出地址：", kSavePathEdit, kRunExportButton, "导  出"});
    return def;
}

const FormDef& ImportFormDef() {
    static const FormDef def =
        BuildForm({kImportFormName, kImportFormName, "导入格式：", "导至分类：", kImportTargetCombo,
                   "添加到该分类下", "导入文件：", kOpenPathEdit, kRunImportButton, "导  入"});
    return def;
}

}  // namespace qm
