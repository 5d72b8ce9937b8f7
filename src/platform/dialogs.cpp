// The scripted side of dialogs, shared by both builds: see dialogs.h.
#include "platform/dialogs.h"

#include "platform/dialogs_backend.h"

namespace qm {

namespace {
DialogScript* g_script = nullptr;
}

void SetDialogScript(DialogScript* script) { g_script = script; }
DialogScript* CurrentDialogScript() { return g_script; }

MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageButtons buttons) {
    if (g_script) {
        g_script->shown.push_back({false, std::string(text), std::string(title), buttons, {}, false});
        MessageAnswer a = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
        if (!g_script->answers.empty()) {
            a = g_script->answers.front();
            g_script->answers.pop_front();
        }
        return a;
    }
    return ShowSystemMessage(text, title, buttons);
}

std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                    std::string_view initialText, bool password) {
    if (g_script) {
        g_script->shown.push_back({true, std::string(prompt), std::string(title), MessageButtons::Ok,
                                   std::string(initialText), password});
        if (g_script->inputs.empty()) return std::nullopt;
        auto v = g_script->inputs.front();
        g_script->inputs.pop_front();
        return v;
    }
    return ShowSystemInputBox(prompt, title, initialText, password);
}

}  // namespace qm
