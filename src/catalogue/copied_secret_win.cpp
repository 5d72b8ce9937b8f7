// Copied login texts that clear themselves: see copied_secret_win.h. The clear is tied to the
// clipboard's sequence number as the copy left it, so what anyone copied since is never touched;
// the time is counted from a deadline fixed at the copy, so late or extra timer ticks never move it.
#include "catalogue/copied_secret_win.h"

#include "catalogue/main_form.h"
#include "catalogue/main_window_win.h"
#include "core/settings.h"
#include "platform/win32/clipboard_win.h"

namespace qm {

namespace {

// How soon to try again when another program holds the clipboard at the time-out.
constexpr UINT kBusyRetryMs = 200;

struct Countdown {
    bool waiting = false;
    unsigned long sequence = 0;  // the clipboard's sequence number as the copy left it
    unsigned long long deadline = 0;
    SecretKind kind = SecretKind::Password;
    std::string shown;       // the status caption last written
    std::string before;      // the caption the count-down replaced, put back at its end
    bool lineTaken = false;  // a hover hint has written the line since
};

Countdown g_countdown;
UINT_PTR g_timer = 0;
unsigned long long (*g_clock)() = nullptr;

unsigned long long Now() {
    return g_clock ? g_clock() : GetTickCount64();
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);

void Arm(UINT ms) {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = SetTimer(nullptr, 0, ms, OnTimer);
}

void Disarm() {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
}

// Shows the seconds left, unless a hover hint has taken the line since the last count.
void ShowSecondsLeft(int seconds) {
    Form* main = MainForm();
    if (!main || g_countdown.lineTaken) return;
    if (!g_countdown.shown.empty() && GetText(*main, kStatusBar) != g_countdown.shown) {
        g_countdown.lineTaken = true;
        return;
    }
    g_countdown.shown = " " + CopiedSecretHint(g_countdown.kind, seconds);
    SetText(*main, kStatusBar, g_countdown.shown);
}

// Whether the status line still shows the count-down as last written.
bool CountdownOnStatusLine() {
    Form* main = MainForm();
    return g_countdown.waiting && !g_countdown.lineTaken && main && !g_countdown.shown.empty() &&
           GetText(*main, kStatusBar) == g_countdown.shown;
}

// Ends the count-down; the status line gets back what it showed before, if it still counts.
void EndCountdown() {
    Disarm();
    if (CountdownOnStatusLine()) SetText(*MainForm(), kStatusBar, g_countdown.before);
    g_countdown = Countdown{};
}

void Tick() {
    Disarm();
    if (!g_countdown.waiting) return;
    const long long left = static_cast<long long>(g_countdown.deadline - Now());
    if (left > 0) {
        // Someone copied something else: nothing of ours is left to clear or to count.
        if (GetClipboardSequenceNumber() != g_countdown.sequence) {
            EndCountdown();
            return;
        }
        const int seconds = static_cast<int>((left + 999) / 1000);
        ShowSecondsLeft(seconds);
        // The next tick when the shown number goes down by one.
        Arm(static_cast<UINT>(left - (seconds - 1) * 1000LL));
        return;
    }
    if (ClearClipboardIfUnchanged(g_countdown.sequence) == ClearResult::Busy) {
        Arm(kBusyRetryMs);
        return;
    }
    EndCountdown();
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    Tick();
}

}  // namespace

std::string CopiedSecretHint(SecretKind kind, int seconds) {
    return std::string(kind == SecretKind::Password ? "密码" : "帐号") + "已复制，" +
           std::to_string(seconds) + " 秒后从剪贴板清除";
}

bool CopySecret(std::string_view gbk, SecretKind kind) {
    const int seconds = ReadClipboardClearSeconds();
    unsigned long sequence = 0;
    const bool ok = PutClipboardText(gbk, true, &sequence);
    if (sequence == 0) return ok;  // the clipboard is as it was
    if (seconds == 0) {
        EndCountdown();
        return ok;
    }
    // The caption to put back is the one before the first of several copies in a row.
    std::string before;
    if (CountdownOnStatusLine())
        before = g_countdown.before;
    else if (Form* main = MainForm())
        before = GetText(*main, kStatusBar);
    Disarm();
    g_countdown = Countdown{};
    g_countdown.waiting = true;
    g_countdown.sequence = sequence;
    g_countdown.deadline = Now() + static_cast<unsigned long long>(seconds) * 1000;
    g_countdown.kind = kind;
    g_countdown.before = before;
    ShowSecondsLeft(seconds);
    Arm(1000);
    return ok;
}

void ClearCopiedSecretNow() {
    if (g_countdown.waiting) ClearClipboardIfUnchanged(g_countdown.sequence);
    EndCountdown();
}

void SetCopyClockForTesting(unsigned long long (*now)()) {
    g_clock = now;
}

void RunCopyTimerForTesting() {
    Tick();
}

}  // namespace qm
