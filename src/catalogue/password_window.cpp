// The software password window and the password change: see password_window.h.
#include "catalogue/password_window.h"

#include "catalogue/main_form.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "store/record_store.h"

namespace qm {

namespace {

FormDef BuildPasswordForm() {
    FormDef f;
    f.name = kPasswordFormName;
    f.caption = "修改软件密码";
    f.width = 237, f.height = 207;
    f.controls = {
        MakeControl("标签1", ControlKind::Label, 8, 7, 48, 24, "原密码："),
        MakeControl(kOldPasswordBox, ControlKind::PasswordEdit, 56, 9, 168, 20),
        MakeControl("标签2", ControlKind::Label, 8, 39, 48, 24, "新密码："),
        MakeControl(kNewPasswordBox, ControlKind::PasswordEdit, 56, 41, 168, 20),
        MakeControl("标签3", ControlKind::Label, 8, 71, 56, 24, "确认密码："),
        MakeControl(kConfirmPasswordBox, ControlKind::PasswordEdit, 68, 72, 156, 20),
        MakeControl("标签4", ControlKind::Label, 0, 95, 232, 24, "（密码为空则表示不需要密码）"),
        MakeControl(kPasswordOkButton, ControlKind::Button, 51, 123, 125, 32, "确 定"),
    };
    return f;
}

}  // namespace

const FormDef& PasswordFormDef() {
    static const FormDef def = BuildPasswordForm();
    return def;
}

bool ChangeSoftwarePassword(const std::string& oldPassword, const std::string& newPassword,
                            const std::string& confirmation) {
    if (confirmation != newPassword) {
        ShowMessage("两次输入密码不一样！");
        return false;
    }
    if (!OpenStoreByName(kGeneralStoreAlias)) {
        ShowMessage("读密码数据失败！");
        return false;
    }
    if (oldPassword != Stores().Read(2)) {
        ShowMessage("旧密码输入错误！");
        return false;
    }
    const bool stored = Stores().Modify({std::nullopt, newPassword});
    CloseStoreByName(kGeneralStoreAlias);
    ShowMessage(stored ? "软件密码修改成功！" : "修改软件密码失败！");
    return stored;
}

}  // namespace qm
