// Backup and restore of the stores: see backup.h.
#include "exchange/backup.h"

#include "core/settings.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/program_folder.h"
#include "platform/zip_archive.h"

namespace qm {

const std::vector<BackupArchive>& BackupArchives() {
    static const std::vector<BackupArchive> archives = {
        {kSiteStoreFile, "wz.zip"},
        {kCategoryStoreFile, "fl.zip"},
        {kGeneralStoreFile, "zh.zip"},
    };
    return archives;
}

std::string StorePath(const BackupArchive& a) {
    return ProgramFolder() + a.storeFile;
}

std::string ArchivePath(std::string_view folder, const BackupArchive& a) {
    return std::string(folder) + "\\" + a.archive;
}

bool RunBackup(std::string_view folder) {
    if (TrimBlanks(folder).empty()) {
        ShowMessage(kBackupFailed);
        return false;
    }
    CloseStoreByName("");
    fileio::CreateFolder(std::string(folder));  // one level; an existing folder is fine
    for (const BackupArchive& a : BackupArchives()) {
        if (CompressFile(StorePath(a), ArchivePath(folder, a)) != 1) {
            ShowMessage(kBackupFailed);
            return false;
        }
    }
    SaveBackupFolder(folder);
    ShowMessage(kBackupSucceeded);
    return true;
}

bool RunRestore(std::string_view folder) {
    if (TrimBlanks(folder).empty()) {
        ShowMessage(kRestoreFailed);
        return false;
    }
    CloseStoreByName("");
    // Only store files may come back into the program folder.
    std::vector<std::string> storeNames;
    for (const BackupArchive& a : BackupArchives()) storeNames.push_back(MidToEnd(a.storeFile, 2));
    for (const BackupArchive& a : BackupArchives()) {
        if (ExtractArchive(ArchivePath(folder, a), ProgramFolder(), storeNames) != 1) {
            ShowMessage(kRestoreFailed);
            return false;
        }
    }
    ShowMessage(kRestoreSucceeded);
    return true;
}

PickerStart PickerStartOf(std::string_view storedPath) {
    PickerStart p;
    if (const TextPos colon = FindText(storedPath, ":"); colon > 0) p.drive = Left(storedPath, colon - 1);
    if (const TextPos root = FindText(storedPath, ":\\"); root > 0) p.folder = MidToEnd(storedPath, root + 2);
    return p;
}

}  // namespace qm
