// Native build: there is no screen, so an unscripted box is answered like a user who closes it
// (OK, No, cancel). Portable tests install a DialogScript to check what was shown.
#include "platform/dialogs_backend.h"

namespace qm {

MessageAnswer ShowSystemMessage(std::string_view, std::string_view, MessageButtons buttons) {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
}

std::optional<std::string> ShowSystemInputBox(std::string_view, std::string_view, std::string_view, bool) {
    return std::nullopt;
}

}  // namespace qm
