// The ZIP layer on real files: single-member archives with GBK names that read back (and, natively,
// that Debian's unzip lists and extracts byte for byte), replacement only of whole archives and
// files, extraction over read-only files, and a corpus of hostile archives that write nothing.
#include "platform/zip_archive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "../store/store_test_util.h"
#include "exchange_test_util.h"
#include "platform/file_io.h"

namespace qm {
namespace {

namespace fio = fileio;
using namespace testing;

const std::string kStoreName = "网站数据库.edb";

class ZipArchive : public ::testing::Test {
  protected:
    TempFolder tmp;
    std::string store = tmp.File(kStoreName), archive = tmp.File("wz.zip");
};

TEST_F(ZipArchive, CompressedStoreExtractsToTheSameBytesUnderItsGbkName) {
    for (const std::string& content : {std::string(), RandomBytes(300000)}) {
        Spit(store, content);
        ASSERT_EQ(CompressFile(store, archive), 1);
        fio::CreateFolder(tmp.File("out"));
        ASSERT_EQ(ExtractArchive(archive, tmp.File("out")), 1);
        EXPECT_EQ(Slurp(tmp.File("out") + "\\" + kStoreName), content);
        EXPECT_FALSE(fio::Exists(archive + ".tmp"));
    }
    // The archive names its one member with the GBK bytes, no folder part, and no UTF-8 flag.
    const std::string zip = Slurp(archive);
    ASSERT_GE(zip.size(), 30 + kStoreName.size());
    EXPECT_EQ(zip.substr(30, kStoreName.size()), kStoreName);
    EXPECT_EQ(zip[7] & 0x08, 0) << "no UTF-8 flag: the name is in the system's code page";
    EXPECT_EQ(zip.find(kStoreName, 31), zip.rfind(kStoreName)) << "one local and one central name only";
}

TEST_F(ZipArchive, ResultsForAMissingSourceAndAnUnwritableArchive) {
    EXPECT_EQ(CompressFile(tmp.File("none.edb"), archive), -1);
    EXPECT_FALSE(fio::Exists(archive));
    Spit(store, "data");
    EXPECT_EQ(CompressFile(store, tmp.File("no such folder") + "\\wz.zip"), 0);
    EXPECT_EQ(CompressFile(tmp.Folder(), archive), 0) << "a folder is no source file";
    EXPECT_EQ(ExtractArchive(tmp.File("none.zip"), tmp.File("out")), -1);
    EXPECT_FALSE(fio::Exists(tmp.File("out")));
}

TEST_F(ZipArchive, ANewArchiveReplacesTheOldOneOnlyWhenItIsWhole) {
    Spit(store, "first");
    ASSERT_EQ(CompressFile(store, archive), 1);
    const std::string first = Slurp(archive);
    Spit(store, RandomBytes(400000));
    {
        FailWritesFrom fail(3);  // part-way through the new archive
        EXPECT_EQ(CompressFile(store, archive), 0);
    }
    EXPECT_EQ(Slurp(archive), first);
    EXPECT_FALSE(fio::Exists(archive + ".tmp"));
    ASSERT_EQ(CompressFile(store, archive), 1);
    EXPECT_NE(Slurp(archive), first);
    ASSERT_EQ(ExtractArchive(archive, tmp.Folder() + "\\x"), 1);
    EXPECT_EQ(Slurp(tmp.File("x") + "\\" + kStoreName), Slurp(store));
    EXPECT_EQ(Tree(tmp.Path() / "x").size(), 1u) << "one member";
}

TEST_F(ZipArchive, ExtractionReplacesReadOnlyFilesAndMakesTheFolder) {
    Spit(store, "backed up");
    ASSERT_EQ(CompressFile(store, archive), 1);
    const std::string target = tmp.File("program");
    ASSERT_EQ(ExtractArchive(archive, target), 1) << "the folder is made";
    const std::string restored = target + "\\" + kStoreName;
    Spit(restored, "newer");
    ASSERT_TRUE(fio::SetReadOnly(restored));
    ASSERT_EQ(ExtractArchive(archive, target), 1);
    EXPECT_EQ(Slurp(restored), "backed up");
    EXPECT_FALSE(fio::IsReadOnly(restored));
}

TEST_F(ZipArchive, AMemberThatFailsPartWayLeavesTheOldFileAndNoTemporaryFile) {
    Spit(store, RandomBytes(500000));
    ASSERT_EQ(CompressFile(store, archive), 1);
    const std::string target = tmp.File("program");
    fio::CreateFolder(target);
    Spit(target + "\\" + kStoreName, "current");
    {
        FailWritesFrom fail(3);
        EXPECT_EQ(ExtractArchive(archive, target), 0);
    }
    EXPECT_EQ(Slurp(target + "\\" + kStoreName), "current");
    EXPECT_EQ(Tree(tmp.Path() / "program").size(), 1u) << "no temporary file is left";
}

TEST_F(ZipArchive, HostileArchivesWriteNothing) {
    for (const auto& c : testing::HostileArchives()) {
        TempFolder fresh;
        Spit(fresh.File("a.zip"), c.bytes);
        const std::string target = fresh.File("program");
        EXPECT_EQ(ExtractArchive(fresh.File("a.zip"), target), 0) << c.what;
        EXPECT_EQ(Tree(fresh.Path()), std::vector<std::string>{"a.zip"}) << c.what;
    }
    // The same writer's honest archive extracts: the corpus fails for what it holds.
    TempFolder fresh;
    Spit(fresh.File("a.zip"), BuildZip({{kStoreName, "s"}, {"b.edb", std::string(5000, 'q')}}));
    EXPECT_EQ(ExtractArchive(fresh.File("a.zip"), fresh.Folder()), 1);
    EXPECT_EQ(Slurp(fresh.File("b.edb")), std::string(5000, 'q'));
}

TEST(MemberNames, OnlyOnePlainFileNameIsAccepted) {
    for (const char* ok : {"网站数据库.edb", "淺.edb" /* second byte is a backslash */, "a b.txt", "COM10",
                           "con1.txt", "lpt.txt", ".hidden", "x..y"})
        EXPECT_TRUE(IsPlainMemberName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "C:x", "x:y", "AUX", "prn.txt", "Lpt9.log",
                            "com1 .txt", "a?", "a|b", "a\"b", "a<b", "\x7F", "a.", "a "})
        EXPECT_FALSE(IsPlainMemberName(bad)) << bad;
    EXPECT_FALSE(IsPlainMemberName(std::string(201, 'a')));
    EXPECT_TRUE(IsPlainMemberName(std::string(200, 'a')));
}

#ifndef _WIN32
// Debian's unzip reads our archives: it lists the one member with its GBK name bytes and
// extracts it to a file equal to the store.
TEST_F(ZipArchive, DebianUnzipListsAndExtractsTheArchive) {
    if (std::system("unzip -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "unzip is not installed";
    Spit(store, RandomBytes(100000));
    ASSERT_EQ(CompressFile(store, archive), 1);
    const std::string zip = (tmp.Path() / "wz.zip").string(), out = (tmp.Path() / "unzipped").string();
    std::string listing;
    if (FILE* p = popen(("unzip -Z1 '" + zip + "'").c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) listing += buf;
        pclose(p);
    }
    EXPECT_EQ(listing, kStoreName + "\n");
    ASSERT_EQ(std::system(("unzip -tq '" + zip + "' >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system(("unzip -q '" + zip + "' -d '" + out + "'").c_str()), 0);
    const auto files = Tree(out);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], kStoreName) << "name bytes kept as GBK";
    EXPECT_EQ(testing::ReadBytes(std::filesystem::path(out) / kStoreName), Slurp(store));
}
#endif

}  // namespace
}  // namespace qm
