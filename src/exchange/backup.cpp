// Backup and restore of the stores: see backup.h.
#include "exchange/backup.h"

#include "core/settings.h"
#include "core/site_checks.h"
#include "core/stores.h"
#include "platform/dialogs.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "platform/program_folder.h"
#include "platform/whole_file.h"
#include "platform/zip_archive.h"
#include "store/record_store.h"

namespace qm {

const std::vector<BackupArchive>& BackupArchives() {
    static const std::vector<BackupArchive> archives = {
        {kSiteStoreFile, "wz.zip"},
        {kCategoryStoreFile, "fl.zip"},
        {kGeneralStoreFile, "zh.zip"},
    };
    return archives;
}

const BackupArchive& ResultsArchive() {
    static const BackupArchive archive = {kSiteChecksFile, "jc.zip"};
    return archive;
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
    FinishSiteChecksSave();
    fileio::CreateFolder(std::string(folder));  // one level; an existing folder is fine
    for (const BackupArchive& a : BackupArchives()) {
        if (CompressFile(StorePath(a), ArchivePath(folder, a)) != 1) {
            ShowMessage(kBackupFailed);
            return false;
        }
    }
    if ((!fileio::Exists(SiteChecksPath()) && !SaveSiteChecks({})) ||
        CompressFile(StorePath(ResultsArchive()), ArchivePath(folder, ResultsArchive())) != 1) {
        ShowMessage(kBackupFailed);
        return false;
    }
    SaveBackupFolder(folder);
    ShowMessage(kBackupSucceeded);
    return true;
}

namespace {

// A results file far beyond any catalogue's is not one.
constexpr std::uint64_t kMaxResultsBytes = 256u << 20;

// True when an extracted file opens as the store it would replace: with that store's password
// and with its field names in their order. Any other bytes under a store's name would leave a
// store the program can no longer open, or the wrong table under the right name.
bool OpensAsItsStore(const StagedFile& f) {
    const StoreInfo* info = nullptr;
    for (const StoreInfo& s : AllStores())
        if (AsciiLower(MidToEnd(s.fileName, 2)) == AsciiLower(f.name)) info = &s;
    if (!info) return false;
    RecordStore probe;  // an engine of its own: the program's engine keeps no trace of the file
    const bool ok =
        probe.Open(f.tempPath, "还原检查", info->password) && probe.FieldNames() == info->fieldNames;
    probe.CloseAll();
    return ok;
}

// The work of RunRestore: true when all three stores were replaced. Every archive is extracted
// and every member checked before any store file is replaced, so a member that is not its store
// (or a results archive without a results file) leaves all three stores as they were. A missing or unreadable
// archive ends the restore after the stores of the archives before it. No temporary file outlives this call.
bool RestoreStores(std::string_view folder) {
    // Only store files may come back into the program folder.
    std::vector<std::string> storeNames;
    for (const BackupArchive& a : BackupArchives()) storeNames.push_back(MidToEnd(a.storeFile, 2));
    std::vector<StagedMembers> staged;
    staged.reserve(BackupArchives().size());
    bool complete = true;
    for (const BackupArchive& a : BackupArchives()) {
        StagedMembers s;
        if (StageArchive(ArchivePath(folder, a), ProgramFolder(), storeNames, &s) != 1) {
            complete = false;
            break;
        }
        for (const StagedFile& f : s.Files())
            if (!OpensAsItsStore(f)) return false;
        staged.push_back(std::move(s));
    }
    if (complete) {
        // No results archive: a backup from before the site check, which leaves the file alone.
        StagedMembers s;
        const int staging = StageArchive(ArchivePath(folder, ResultsArchive()), ProgramFolder(),
                                         {MidToEnd(ResultsArchive().storeFile, 2)}, &s);
        if (staging == 0) return false;
        for (const StagedFile& f : s.Files()) {
            const std::optional<std::string> text = ReadWholeFile(f.tempPath, kMaxResultsBytes);
            if (!text || !IsSiteChecksText(*text)) return false;
        }
        if (staging == 1) staged.push_back(std::move(s));
    }
    for (StagedMembers& s : staged)
        if (!s.Place()) return false;
    return complete;
}

}  // namespace

bool RunRestore(std::string_view folder) {
    if (TrimBlanks(folder).empty()) {
        ShowMessage(kRestoreFailed);
        return false;
    }
    CloseStoreByName("");
    FinishSiteChecksSave();
    const bool ok = RestoreStores(folder);
    ShowMessage(ok ? kRestoreSucceeded : kRestoreFailed);
    return ok;
}

PickerStart PickerStartOf(std::string_view storedPath) {
    PickerStart p;
    if (const TextPos colon = FindText(storedPath, ":"); colon > 0) p.drive = Left(storedPath, colon - 1);
    if (const TextPos root = FindText(storedPath, ":\\"); root > 0) p.folder = MidToEnd(storedPath, root + 2);
    return p;
}

}  // namespace qm
