// SettingsFile: the INI file "\信息.ini" in the program folder, holding the main window's
// position and size, the backup folder and how long a copied password stays on the clipboard.
// Values are decimal text; a missing file or key reads as empty text, which converts to 0 (the
// clipboard time excepted). Writes that fail are ignored. Window thread only.
#pragma once

#include <string>
#include <string_view>

namespace qm {

inline constexpr char kSettingsFileName[] = "\\信息.ini";
inline constexpr char kWindowSection[] = "窗口尺寸信息";
inline constexpr char kLeftKey[] = "窗口左边";
inline constexpr char kTopKey[] = "窗口顶边";
inline constexpr char kWidthKey[] = "窗口宽度";
inline constexpr char kHeightKey[] = "窗口高度";
// The site finder's window keeps its place under the same four keys.
inline constexpr char kFinderWindowSection[] = "查找窗口尺寸信息";
// So does the site check's window.
inline constexpr char kHealthWindowSection[] = "检查窗口尺寸信息";
inline constexpr char kBackupSection[] = "备份还原信息";
inline constexpr char kBackupFolderKey[] = "备份还原地址";
inline constexpr char kSecuritySection[] = "安全设置";
inline constexpr char kClipboardClearKey[] = "剪贴板清除秒数";
inline constexpr int kDefaultClipboardClearSeconds = 10;
inline constexpr int kMaxClipboardClearSeconds = 3600;

std::string SettingsFile();  // program folder + "\信息.ini"

// Text to integer as settings are read: the leading decimal number, truncated; 0 without one.
int SettingsInteger(std::string_view text);

struct WindowGeometry {
    int left = 0, top = 0, width = 0, height = 0;
};

// The stored geometry, with a negative left or top raised to 0; width and height as stored.
// The section is the main window's unless given.
WindowGeometry ReadWindowGeometry(const char* section = kWindowSection);
void SaveWindowPosition(int left, int top, const char* section = kWindowSection);
void SaveWindowSize(int width, int height, const char* section = kWindowSection);

std::string ReadBackupFolder();
void SaveBackupFolder(std::string_view folder);

// Seconds a copied account or password stays on the clipboard; 0 keeps it there. Unlike the other
// values, anything but a whole number from 0 to 3600 (blanks around it allowed), a missing key
// included, reads as the default of 10: a typo must not leave passwords on the clipboard.
int ClipboardClearSeconds(std::string_view text);
int ReadClipboardClearSeconds();

}  // namespace qm
