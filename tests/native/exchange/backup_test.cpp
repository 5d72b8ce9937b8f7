// Backup and restore of the three stores, with the program's messages and settings: archives
// replaced on every backup and whole stores inside them, the remembered folder, the doubled
// backslash, a restore that stops at the first missing archive, read-only and open stores, and
// hostile archives or members that are not their stores, which leave every store as it was.
#include "exchange/backup.h"

#include "../catalogue/program_folder_fixture.h"
#include "../store/store_test_util.h"
#include "core/settings.h"
#include "core/site_checks.h"
#include "exchange_test_util.h"
#include "platform/zip_archive.h"

#include <random>

namespace qm {
namespace {

using namespace testing;
using Texts = std::vector<std::string>;

class Backup : public ProgramFolderTest {
  protected:
    std::string Store(std::size_t i) { return StorePath(BackupArchives()[i]); }
    std::string Archive(std::size_t i) { return ArchivePath(backup.Folder(), BackupArchives()[i]); }
    Texts StoreBytes() { return {Slurp(Store(0)), Slurp(Store(1)), Slurp(Store(2))}; }
    // The one member of an archive, extracted into a fresh folder.
    std::string Member(std::size_t i) {
        TempFolder out;
        if (ExtractArchive(Archive(i), out.Folder()) != 1 || Tree(out.Path()).size() != 1)
            return "<not one member>";
        return Slurp(out.Folder() + BackupArchives()[i].storeFile);
    }
    Texts Messages() {
        Texts t;
        for (const auto& d : script.shown) {
            EXPECT_EQ(d.title, "信息：");
            t.push_back(d.text);
        }
        script.shown.clear();
        return t;
    }
    long long SiteCount() {
        EXPECT_TRUE(OpenStoreByName(kSiteStoreAlias));
        const long long n = Stores().RecordCount();
        CloseStoreByName(kSiteStoreAlias);
        return n;
    }

    TempFolder backup;
};

TEST_F(Backup, BackingUpTwiceReplacesTheArchivesEachHoldingItsStore) {
    AddCategories({"A"});
    AddSites({{"A", "http://a", "1"}});
    ASSERT_TRUE(RunBackup(backup.Folder()));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Member(i), Slurp(Store(i))) << i;
    const std::string first = Slurp(Archive(0));
    AddSites({{"A", "http://b", "2"}});
    ASSERT_TRUE(RunBackup(backup.Folder()));
    EXPECT_NE(Slurp(Archive(0)), first);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Member(i), Slurp(Store(i))) << i;
    EXPECT_EQ(Messages(), (Texts{"备份成功!", "备份成功!"}));
    EXPECT_EQ(ReadBackupFolder(), backup.Folder());
    EXPECT_EQ(Tree(backup.Path()).size(), 4u) << "no temporary archive is left";
}

// A store left open with changes (as an early return leaves it) is closed first: the archive
// holds a whole store with everything done, which opens on its own.
TEST_F(Backup, TheArchiveHoldsAStoreWithEverythingDone) {
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(Stores().Append({"A", "http://s" + std::to_string(i)}));
    ASSERT_TRUE(RunBackup(backup.Folder()));
    TempFolder out;
    ASSERT_EQ(ExtractArchive(Archive(0), out.Folder()), 1);
    bool opened = false;
    const Snapshot s =
        SnapFile(out.Folder() + kSiteStoreFile, FindStoreInfo(kSiteStoreAlias)->password, 2, &opened);
    ASSERT_TRUE(opened);
    ASSERT_EQ(s.size(), 50u);
    EXPECT_EQ(s[49], (Fields{"A", "http://s49"}));
}

TEST_F(Backup, AFailedBackupKeepsTheRememberedFolderAndTheArchivesBeforeIt) {
    SaveBackupFolder("D:\\earlier");
    ASSERT_TRUE(fileio::RemoveFile(Store(1)));
    EXPECT_FALSE(RunBackup(backup.Folder()));
    EXPECT_TRUE(fileio::Exists(Archive(0)));
    EXPECT_FALSE(fileio::Exists(Archive(1)));
    EXPECT_FALSE(fileio::Exists(Archive(2)));
    // A folder whose parent is missing, and a blank path edit (no folder chosen), fail the same way.
    EXPECT_FALSE(RunBackup(backup.File("missing") + "\\deeper"));
    EXPECT_FALSE(RunBackup(""));
    EXPECT_FALSE(RunBackup("  "));
    EXPECT_FALSE(RunRestore(""));
    EXPECT_EQ(Messages(), (Texts{"备份失败!", "备份失败!", "备份失败!", "备份失败!", "还原失败!"}));
    EXPECT_EQ(ReadBackupFolder(), "D:\\earlier");
}

TEST_F(Backup, ATrailingBackslashGivesADoubledOneAndOneLevelIsMade) {
    EXPECT_EQ(ArchivePath("D:\\", BackupArchives()[0]), "D:\\\\wz.zip");
    EXPECT_EQ(ArchivePath("D:\\b", BackupArchives()[1]), "D:\\b\\fl.zip");
    EXPECT_EQ(ArchivePath("", BackupArchives()[2]), "\\zh.zip");
    const std::string folder = backup.File("新建") + "\\";
    ASSERT_TRUE(RunBackup(folder));
    EXPECT_TRUE(fileio::Exists(backup.File("新建") + "\\zh.zip"));
    EXPECT_EQ(ReadBackupFolder(), folder);
    ASSERT_TRUE(RunRestore(folder));
    EXPECT_EQ(Messages(), (Texts{"备份成功!", "还原成功!"}));
}

TEST_F(Backup, ARestoreFromOnlyWzZipRestoresTheSitesThenFails) {
    AddCategories({"A"});
    AddSites({{"A", "http://a", "1"}});
    ASSERT_TRUE(RunBackup(backup.Folder()));
    const Texts saved = StoreBytes();
    AddCategories({"B"});
    AddSites({{"B", "http://b", "2"}});
    SetGeneralRecord("2011年1月20日", "pw");
    const Texts changed = StoreBytes();
    ASSERT_TRUE(fileio::RemoveFile(Archive(1)) && fileio::RemoveFile(Archive(2)));
    Messages();
    EXPECT_FALSE(RunRestore(backup.Folder()));
    EXPECT_EQ(Messages(), Texts{"还原失败!"});
    EXPECT_EQ(StoreBytes(), (Texts{saved[0], changed[1], changed[2]}));
    EXPECT_EQ(SiteCount(), 1);
}

// The restored files are what the next access reads, also over a read-only file and with the
// store still open; a later change goes into the restored store, never into the old state.
TEST_F(Backup, ARestoreReplacesReadOnlyAndOpenStores) {
    AddSites({{"A", "http://a", "1"}});
    ASSERT_TRUE(RunBackup(backup.Folder()));
    AddSites({{"A", "http://b", "2"}, {"A", "http://c", "3"}});
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    ASSERT_EQ(Stores().RecordCount(), 3);
    ASSERT_TRUE(fileio::SetReadOnly(Store(0)));
    Messages();
    ASSERT_TRUE(RunRestore(backup.Folder()));
    EXPECT_EQ(Messages(), Texts{"还原成功!"});
    EXPECT_FALSE(fileio::IsReadOnly(Store(0)));
    ASSERT_TRUE(OpenStoreByName(kSiteStoreAlias));
    EXPECT_EQ(Stores().RecordCount(), 1);
    ASSERT_TRUE(Stores().Append({"A", "http://d"}));
    CloseStoreByName("");
    bool opened = false;
    const Snapshot s = SnapFile(Store(0), FindStoreInfo(kSiteStoreAlias)->password, 2, &opened);
    EXPECT_EQ(s, (Snapshot{{"A", "http://a"}, {"A", "http://d"}}));
}

TEST_F(Backup, HostileArchivesFailTheRestoreAndLeaveEveryStore) {
    AddSites({{"A", "http://a", "1"}});
    ASSERT_TRUE(RunBackup(backup.Folder()));
    AddSites({{"A", "http://b", "2"}});
    const Texts before = StoreBytes();
    const auto files = Tree(Folder());
    Messages();
    auto corpus = HostileArchives();
    // Plain names, but not store files: nothing but stores comes back beside the exe.
    corpus.push_back({"program file", BuildZip({{"version.dll", "MZ"}})});
    corpus.push_back(
        {"store beside a program file", BuildZip({{"网站数据库.edb", "s"}, {"Quillmark.exe", "MZ"}})});
    for (const auto& c : corpus) {
        Spit(Archive(0), c.bytes);
        EXPECT_FALSE(RunRestore(backup.Folder())) << c.what;
        EXPECT_EQ(Messages(), Texts{"还原失败!"}) << c.what;
        EXPECT_EQ(StoreBytes(), before) << c.what;
        EXPECT_EQ(Tree(Folder()), files) << c.what;
    }
}

// Each member must open as the store it replaces (its password, its field names) before any
// store file is replaced: a bad member in any of the three archives fails the restore with all
// three stores as they were and no temporary file left.
TEST_F(Backup, AMemberThatIsNotItsStoreFailsTheRestoreAndLeavesEveryStore) {
    AddCategories({"A"});
    AddSites({{"A", "http://a", "1"}});
    SetGeneralRecord("2011年1月20日", "pw");
    ASSERT_TRUE(RunBackup(backup.Folder()));
    const Texts good = {Slurp(Archive(0)), Slurp(Archive(1)), Slurp(Archive(2))};
    const Texts saved = StoreBytes();
    AddCategories({"B"});
    AddSites({{"B", "http://b", "2"}});
    SetGeneralRecord("2012年2月2日", "");
    const Texts before = StoreBytes();
    const auto files = Tree(Folder());
    Messages();
    std::mt19937 random(7);
    std::string noise(4000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    // The site store's password with the category store's fields.
    const std::string misfit = backup.File("misfit.edb");
    ASSERT_TRUE(RecordStore::Create(misfit, FindStoreInfo(kSiteStoreAlias)->password, {"分类名称"}));
    struct Case {
        const char* what;
        std::size_t archive;
        std::string bytes;
    } cases[] = {
        {"random bytes as the site store", 0, BuildZip({{"网站数据库.edb", noise}})},
        {"the site store as the category store", 1, BuildZip({{"分类数据库.edb", saved[0]}})},
        {"the category store as the general store, last archive", 2, BuildZip({{"综合库.edb", saved[1]}})},
        {"the site password, other fields", 0, BuildZip({{"网站数据库.edb", Slurp(misfit)}})},
        {"a good store beside a bad one", 1, BuildZip({{"分类数据库.edb", saved[1]}, {"综合库.edb", noise}})},
    };
    for (const Case& c : cases) {
        for (std::size_t i = 0; i < 3; ++i) Spit(Archive(i), i == c.archive ? c.bytes : good[i]);
        EXPECT_FALSE(RunRestore(backup.Folder())) << c.what;
        EXPECT_EQ(Messages(), Texts{"还原失败!"}) << c.what;
        EXPECT_EQ(StoreBytes(), before) << c.what;
        EXPECT_EQ(Tree(Folder()), files) << c.what;
    }
    // The same archives, whole, restore all three; a store moved under another store's name by
    // hand is taken when its contents match that name.
    for (std::size_t i = 0; i < 3; ++i) Spit(Archive(i), good[i]);
    Spit(Archive(1), BuildZip({{"分类数据库.edb", saved[1]}, {"网站数据库.edb", saved[0]}}));
    ASSERT_TRUE(RunRestore(backup.Folder()));
    EXPECT_EQ(Messages(), Texts{"还原成功!"});
    EXPECT_EQ(StoreBytes(), saved);
    EXPECT_EQ(SiteCount(), 1);
    EXPECT_EQ(Tree(Folder()), files);
}

// The site check's results ride along as a fourth archive; a backup made before it existed
// restores the stores and leaves the results file as it is; a bad one fails the whole restore.
TEST_F(Backup, TheResultsFileIsAFourthArchiveThatOlderBackupsDoNotTouch) {
    AddSites({{"A", "http://a", "1"}});
    const std::string results = ResultsArchive().storeFile;
    EXPECT_STREQ(ResultsArchive().archive, "jc.zip");
    // No results yet: an empty results file is archived, so no older archive stays behind.
    ASSERT_TRUE(RunBackup(backup.Folder()));
    ASSERT_TRUE(fileio::Exists(ArchivePath(backup.Folder(), ResultsArchive())));
    EXPECT_TRUE(LoadSiteChecks().empty());
    SiteCheck check;
    check.address = "http://a";
    check.outcome = CheckOutcome::kAnswered;
    check.status = 200;
    ASSERT_TRUE(SaveSiteChecks({check}));
    ASSERT_TRUE(RunBackup(backup.Folder()));
    const std::string kept = Slurp(Folder() + results);
    {
        TempFolder out;
        ASSERT_EQ(ExtractArchive(ArchivePath(backup.Folder(), ResultsArchive()), out.Folder()), 1);
        EXPECT_EQ(Slurp(out.Folder() + results), kept);
    }
    check.status = 503;
    ASSERT_TRUE(SaveSiteChecks({check}));
    AddSites({{"A", "http://b", "2"}});
    Messages();
    ASSERT_TRUE(RunRestore(backup.Folder()));
    EXPECT_EQ(Slurp(Folder() + results), kept);
    EXPECT_EQ(SiteCount(), 1);

    // An older backup: the three stores only.
    ASSERT_TRUE(fileio::RemoveFile(ArchivePath(backup.Folder(), ResultsArchive())));
    ASSERT_TRUE(SaveSiteChecks({check}));
    const std::string newer = Slurp(Folder() + results);
    AddSites({{"A", "http://c", "3"}});
    ASSERT_TRUE(RunRestore(backup.Folder()));
    EXPECT_EQ(SiteCount(), 1);
    EXPECT_EQ(Slurp(Folder() + results), newer);
    EXPECT_EQ(Messages(), (Texts{"还原成功!", "还原成功!"}));

    // A results archive that holds no results file, or another file: nothing is replaced.
    AddSites({{"A", "http://d", "4"}});
    const Texts before = StoreBytes();
    for (const auto& zip :
         {BuildZip({{"网站检查.csv", "not,our,header\r\n"}}), BuildZip({{"other.csv", kept}}),
          BuildZip({{"网站检查.csv", kept}, {"网站数据库.edb", "x"}})}) {
        Spit(ArchivePath(backup.Folder(), ResultsArchive()), zip);
        EXPECT_FALSE(RunRestore(backup.Folder()));
        EXPECT_EQ(StoreBytes(), before);
        EXPECT_EQ(Slurp(Folder() + results), newer);
    }
    EXPECT_EQ(Messages(), (Texts{"还原失败!", "还原失败!", "还原失败!"}));
}

TEST(PickerStart, DriveBeforeTheFirstColonAndFolderAfterTheFirstColonBackslash) {
    struct Case {
        const char* stored;
        const char* drive;
        const char* folder;
    } cases[] = {
        {"D:\\备份\\数据", "D", "备份\\数据"},
        {"D:\\", "D", ""},
        {"D:", "D", ""},
        {"", "", ""},
        {"备份", "", ""},
        {"D:a:\\b", "D", "b"},
        {"\\\\srv\\s", "", ""},
    };
    for (const Case& c : cases) {
        const PickerStart p = PickerStartOf(c.stored);
        EXPECT_EQ(p.drive, c.drive) << c.stored;
        EXPECT_EQ(p.folder, c.folder) << c.stored;
    }
}

}  // namespace
}  // namespace qm
