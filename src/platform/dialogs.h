// Message boxes and input boxes: modal, task-modal, no icon; the title defaults to "信息：".
// Tests install a script that answers them and records what was shown, so every message of the
// program can be checked without a person. Window thread only.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

inline constexpr char kDefaultMessageTitle[] = "信息：";

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

MessageAnswer ShowMessage(std::string_view text, std::string_view title = kDefaultMessageTitle,
                          MessageButtons buttons = MessageButtons::Ok);

// Returns the entered text, or nullopt when the box was cancelled.
std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                    std::string_view initialText = {}, bool password = false);

// Test seam: while a script is installed, boxes are not shown; each one is recorded and answered
// from the queues (Ok / Yes / cancel when a queue is empty).
struct ShownDialog {
    bool isInput = false;
    std::string text;  // message text or input prompt
    std::string title;
    MessageButtons buttons = MessageButtons::Ok;
    std::string initialText;
    bool password = false;
};
struct DialogScript {
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<std::string>> inputs;
    std::vector<ShownDialog> shown;
};
// Installs (or with nullptr removes) the script; the caller keeps it alive while installed.
void SetDialogScript(DialogScript* script);
DialogScript* CurrentDialogScript();

}  // namespace qm
