// Text on the clipboard, for every program on any system locale: the GBK bytes as CF_TEXT (with
// the Chinese locale as CF_LOCALE) and the same characters as CF_UNICODETEXT. Window thread.
#pragma once

#include <string_view>

namespace qm {

// Replaces what the clipboard holds with the text (empty text is an empty string). A private text
// (an account, a password) is kept out of clipboard history and cloud clipboard and marked for
// clipboard monitors to ignore. False when the clipboard could not be opened or written.
bool PutClipboardText(std::string_view gbk, bool privateText);

}  // namespace qm
