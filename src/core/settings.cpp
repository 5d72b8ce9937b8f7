// SettingsFile: see settings.h.
#include "core/settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/gbk.h"
#include "platform/ini_file.h"
#include "platform/program_folder.h"

namespace qm {

std::string SettingsFile() {
    return ProgramFolder() + kSettingsFileName;
}

int SettingsInteger(std::string_view text) {
    const double v = std::trunc(LeadingNumber(TrimBlanks(text)));
    if (!(v == v)) return 0;  // NaN
    if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

namespace {

int ReadInt(const char* section, const char* key) {
    return SettingsInteger(ReadIniString(SettingsFile(), section, key));
}

void WriteInt(const char* section, const char* key, int value) {
    WriteIniString(SettingsFile(), section, key, std::to_string(value));  // failure ignored
}

}  // namespace

WindowGeometry ReadWindowGeometry(const char* section) {
    WindowGeometry g;
    g.left = ReadInt(section, kLeftKey);
    g.top = ReadInt(section, kTopKey);
    g.height = ReadInt(section, kHeightKey);
    g.width = ReadInt(section, kWidthKey);
    if (g.left < 0) g.left = 0;
    if (g.top < 0) g.top = 0;
    return g;
}

void SaveWindowPosition(int left, int top, const char* section) {
    WriteInt(section, kLeftKey, left);
    WriteInt(section, kTopKey, top);
}

void SaveWindowSize(int width, int height, const char* section) {
    WriteInt(section, kWidthKey, width);
    WriteInt(section, kHeightKey, height);
}

std::string ReadBackupFolder() {
    return ReadIniString(SettingsFile(), kBackupSection, kBackupFolderKey);
}

void SaveBackupFolder(std::string_view folder) {
    WriteIniString(SettingsFile(), kBackupSection, kBackupFolderKey, folder);
}

int ClipboardClearSeconds(std::string_view text) {
    const std::string digits = TrimBlanks(text);
    if (digits.empty()) return kDefaultClipboardClearSeconds;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return kDefaultClipboardClearSeconds;
        value = std::min(value * 10 + (c - '0'), kMaxClipboardClearSeconds + 1);  // no overflow
    }
    return value <= kMaxClipboardClearSeconds ? value : kDefaultClipboardClearSeconds;
}

int ReadClipboardClearSeconds() {
    return ClipboardClearSeconds(ReadIniString(SettingsFile(), kSecuritySection, kClipboardClearKey));
}

}  // namespace qm
