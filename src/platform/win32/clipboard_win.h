// Text on the clipboard, for every program on any system locale: the GBK bytes as CF_TEXT (with
// the Chinese locale as CF_LOCALE) and the same characters as CF_UNICODETEXT. Window thread.
#pragma once

#include <string_view>

namespace qm {

// Replaces what the clipboard holds with the text (empty text is an empty string). A private text
// (an account, a password) is kept out of clipboard history and cloud clipboard and marked for
// clipboard monitors and viewers to ignore. False when the clipboard could not be opened or
// written. *sequence (when given) is the clipboard's sequence number as this put left it, or 0
// when nothing was changed or another program has copied since.
bool PutClipboardText(std::string_view gbk, bool privateText, unsigned long* sequence = nullptr);

enum class ClearResult { Cleared, ChangedSince, Busy };

// Removes the text a put left on the clipboard, unless the clipboard changed since (its sequence
// number is no longer `sequence`): then whatever another program or the user copied stays.
// Busy when the clipboard could not be opened (another program holds it): try again later.
ClearResult ClearClipboardIfUnchanged(unsigned long sequence);

}  // namespace qm
