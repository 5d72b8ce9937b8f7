// Backup and restore of the three store files into ZIP archives in a folder the user chooses:
// the actions behind the backup window's two buttons, and where its pickers start. The folder is
// the path edit's text as it stands; archive paths are that text, a backslash and the archive
// name, with no check for a backslash already at its end. Portable; window thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

inline constexpr char kBackupFailed[] = "备份失败!";
inline constexpr char kBackupSucceeded[] = "备份成功!";
inline constexpr char kRestoreFailed[] = "还原失败!";
inline constexpr char kRestoreSucceeded[] = "还原成功!";

// What is archived, in processing order.
struct BackupArchive {
    const char* storeFile;  // in the program folder; begins with a backslash
    const char* archive;    // in the backup folder
};
const std::vector<BackupArchive>& BackupArchives();

// The site check's results file, archived after the three stores. A backup without it (an older
// one) restores the stores as before and leaves the results file as it is.
const BackupArchive& ResultsArchive();

std::string StorePath(const BackupArchive& a);                             // program folder + store file
std::string ArchivePath(std::string_view folder, const BackupArchive& a);  // folder + "\" + archive

// Closes every store (so each file holds all that was done and nothing is half-written), writes
// the three archives and the results archive (an empty results file is made first when there is
// none, so an archive of older results never stays behind in the folder), remembers the folder in SettingsFile and shows "备份成功!"; on the first
// failure shows "备份失败!" and stops, leaving the archives written before it and the remembered
// folder as they were. A blank folder text fails at once: it is no folder the user chose.
bool RunBackup(std::string_view folder);

// Closes every store (the next access reads the restored files, and no store still open can
// write its old state over them), extracts the three archives into the program folder and shows
// "还原成功!". Nothing is replaced until every archive is extracted and each member opens as the
// store it replaces (its password, its field names) and the results archive, when there is one,
// holds a results file: a member that does not shows "还原失败!" with every store as it was. A missing or unreadable archive shows "还原失败!" after the stores
// of the archives before it are restored. A blank folder text fails at once.
bool RunRestore(std::string_view folder);

// Where the pickers start for a remembered path: the drive is the text before its first ":",
// the folder the text after its first ":\" (each empty when absent).
struct PickerStart {
    std::string drive;
    std::string folder;
};
PickerStart PickerStartOf(std::string_view storedPath);

}  // namespace qm
