// A copied account or password leaves the clipboard by itself: after the seconds of the setting
// "剪贴板清除秒数" (section "安全设置"), and at the latest when the program ends, but only while
// the clipboard still holds that copy. Meanwhile the main window's status line counts down, until a
// hover hint takes the line back. Every copy of a login text goes through CopySecret. Window
// thread only; the count-down is a thread timer, so it runs in any message loop of that thread.
#pragma once

#include <string>
#include <string_view>

namespace qm {

enum class SecretKind { Account, Password };

// Puts the text on the clipboard, kept out of history, and starts its count-down (none when the
// setting is 0); a copy still waiting is replaced, its text gone from the clipboard at once. False
// when the clipboard could not be written (an earlier copy then keeps its own count-down).
bool CopySecret(std::string_view gbk, SecretKind kind);

// Program end: removes a copy that is still on the clipboard now, and ends the count-down.
void ClearCopiedSecretNow();

// The status line text while a copy waits: "密码已复制，N 秒后从剪贴板清除" and the same for an account.
std::string CopiedSecretHint(SecretKind kind, int seconds);

// Test seams: the millisecond clock the count-down reads (nullptr: the system's), and one run of
// what the timer does when it fires.
void SetCopyClockForTesting(unsigned long long (*now)());
void RunCopyTimerForTesting();

}  // namespace qm
