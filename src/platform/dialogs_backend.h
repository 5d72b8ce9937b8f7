// The real dialogs behind dialogs.h, one definition per build (win32/dialogs_win.cpp shows Win32
// boxes; dialogs_native.cpp, used by portable tests, answers OK / cancel without showing anything).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/dialogs.h"

namespace qm {

MessageAnswer ShowSystemMessage(std::string_view text, std::string_view title, MessageButtons buttons);
std::optional<std::string> ShowSystemInputBox(std::string_view prompt, std::string_view title,
                                              std::string_view initialText, bool password);

}  // namespace qm
