// The software password window "修改软件密码" as data, and the change of the start-up password
// in GeneralStore with its messages. Portable; window thread.
#pragma once

#include <string>

#include "platform/form.h"

namespace qm {

inline constexpr char kPasswordFormName[] = "修改软件密码";
inline constexpr char kOldPasswordBox[] = "编辑框1";
inline constexpr char kNewPasswordBox[] = "编辑框2";
inline constexpr char kConfirmPasswordBox[] = "编辑框3";
inline constexpr char kPasswordOkButton[] = "按钮1";

const FormDef& PasswordFormDef();

// Stores the new password when the confirmation equals it and the old one is the stored one
// (exact bytes); an empty new password removes it. Every outcome is reported; true when stored,
// and the window then closes.
bool ChangeSoftwarePassword(const std::string& oldPassword, const std::string& newPassword,
                            const std::string& confirmation);

}  // namespace qm
