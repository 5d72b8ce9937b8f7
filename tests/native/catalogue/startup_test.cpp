// Start-up pieces: the date and time text, the access guard on GeneralStore, and SettingsFile.
#include <gtest/gtest.h>

#include "core/access_guard.h"
#include "core/date_text.h"
#include "core/settings.h"
#include "platform/file_io.h"
#include "platform/ini_file.h"
#include "../store/store_test_util.h"
#include "program_folder_fixture.h"

namespace qm {
namespace {

TEST(DateText, TrailingZeroPartsAreDropped) {
    EXPECT_EQ(DateTimeText({2011, 1, 20, 9, 5, 0}), "2011年1月20日9时5分");
    EXPECT_EQ(DateTimeText({2011, 1, 20, 9, 5, 7}), "2011年1月20日9时5分7秒");
    EXPECT_EQ(DateTimeText({2011, 1, 20, 9, 0, 0}), "2011年1月20日9时");
    EXPECT_EQ(DateTimeText({2011, 1, 20, 0, 0, 0}), "2011年1月20日");
    EXPECT_EQ(DateTimeText({2011, 12, 31, 0, 0, 1}), "2011年12月31日0时0分1秒");
    EXPECT_EQ(DateTimeText({2011, 12, 31, 9, 0, 30}), "2011年12月31日9时0分30秒");
    EXPECT_EQ(DateTimeText({2011, 12, 31, 0, 30, 0}), "2011年12月31日0时30分");
}

TEST(DateText, NowIsAPlausibleLocalTime) {
    const LocalDateTime t = CurrentLocalDateTime();
    EXPECT_GE(t.year, 2020);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12);
    EXPECT_TRUE(t.hour >= 0 && t.hour <= 23);
}

class AccessGuard : public testing::ProgramFolderTest {
  protected:
    bool Run(const LocalDateTime& now) {
        return RunAccessGuard(now, [this](const std::string& c) { captions.push_back(c); });
    }
    std::vector<std::string> captions;
};

TEST_F(AccessGuard, FirstStartShowsAndStoresNowWithoutAPassword) {
    EXPECT_TRUE(Run({2011, 1, 20, 9, 5, 0}));
    EXPECT_EQ(captions, (std::vector<std::string>{"第一次使用：2011年1月20日9时5分"}));
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(GeneralRecord(), std::make_pair(std::string("2011年1月20日9时5分"), std::string()));
    EXPECT_FALSE(Stores().IsOpen(Folder() + kGeneralStoreFile));
}

TEST_F(AccessGuard, SecondStartShowsThePreviousUse) {
    ASSERT_TRUE(Run({2011, 1, 20, 9, 5, 0}));
    ASSERT_TRUE(Run({2011, 1, 21, 10, 0, 0}));
    EXPECT_EQ(captions.back(), "上次使用时间：2011年1月20日9时5分");
    EXPECT_EQ(GeneralRecord().first, "2011年1月21日10时");
}

TEST_F(AccessGuard, RightPasswordIsAskedOnceAndAdmits) {
    SetGeneralRecord("2011年1月1日", "Secret");
    script.inputs.push_back(std::string("Secret"));
    EXPECT_TRUE(Run({2011, 1, 2, 8, 0, 0}));
    ASSERT_EQ(script.shown.size(), 1u);
    const ShownDialog& box = script.shown[0];
    EXPECT_TRUE(box.isInput);
    EXPECT_EQ(box.text, "请输入登陆密码！");
    EXPECT_EQ(box.title, "需要密码");
    EXPECT_EQ(box.initialText, "");
    EXPECT_TRUE(box.password);
    EXPECT_EQ(GeneralRecord(), std::make_pair(std::string("2011年1月2日8时"), std::string("Secret")));
}

TEST_F(AccessGuard, CancelRefusesAfterTheUseTimeIsStored) {
    SetGeneralRecord("2011年1月1日", "Secret");
    // No input queued: the box is cancelled.
    EXPECT_FALSE(Run({2011, 1, 2, 8, 0, 0}));
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_FALSE(script.shown[1].isInput);
    EXPECT_EQ(script.shown[1].text, "密码错误！");
    EXPECT_EQ(script.shown[1].title, "提示");
    EXPECT_EQ(captions, (std::vector<std::string>{"上次使用时间：2011年1月1日"}));
    EXPECT_EQ(GeneralRecord().first, "2011年1月2日8时");
}

TEST_F(AccessGuard, PasswordInAnotherLetterCaseIsRefused) {
    SetGeneralRecord("", "Secret");
    script.inputs.push_back(std::string("secret"));
    EXPECT_FALSE(Run({2011, 1, 2, 8, 0, 0}));
    ASSERT_EQ(script.shown.size(), 2u);
    EXPECT_EQ(script.shown[1].text, "密码错误！");
}

TEST_F(AccessGuard, UnreadableGeneralStoreIsReportedAndLetsTheProgramRun) {
    SetGeneralRecord("", "Secret");
    SetProgramFolderForTesting(Folder() + "\\nowhere");
    EXPECT_TRUE(Run({2011, 1, 2, 8, 0, 0}));
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].text, "读取时间数据失败！");
    EXPECT_EQ(script.shown[0].title, "信息：");
    EXPECT_TRUE(captions.empty());
}

using Settings = testing::ProgramFolderTest;

TEST_F(Settings, MissingFileReadsZero) {
    const WindowGeometry g = ReadWindowGeometry();
    EXPECT_EQ(g.left, 0);
    EXPECT_EQ(g.top, 0);
    EXPECT_EQ(g.width, 0);
    EXPECT_EQ(g.height, 0);
    EXPECT_EQ(ReadBackupFolder(), "");
}

TEST_F(Settings, GeometryRoundTripsWithNegativePositionRaisedToZero) {
    SaveWindowPosition(-20, -5);
    SaveWindowSize(600, 300);
    EXPECT_EQ(ReadIniString(SettingsFile(), "窗口尺寸信息", "窗口左边"), "-20");
    const WindowGeometry g = ReadWindowGeometry();
    EXPECT_EQ(g.left, 0);
    EXPECT_EQ(g.top, 0);
    EXPECT_EQ(g.width, 600);
    EXPECT_EQ(g.height, 300);
    SaveWindowPosition(30, 40);
    EXPECT_EQ(ReadWindowGeometry().left, 30);
    EXPECT_EQ(ReadWindowGeometry().width, 600) << "other keys survive a write";
}

TEST_F(Settings, FileHoldsGbkBytesWhateverTheCodePage) {
    SaveWindowPosition(7, 8);
    fileio::File* f = fileio::OpenFile(Folder() + "\\信息.ini", fileio::OpenMode::ReadOnly);
    ASSERT_NE(f, nullptr) << "the settings file is named in GBK";
    char buf[256] = {};
    std::size_t got = 0;
    ASSERT_TRUE(fileio::ReadAt(f, 0, buf, sizeof buf, &got));
    fileio::CloseFile(f);
    EXPECT_EQ(std::string(buf, got), "[窗口尺寸信息]\r\n窗口左边=7\r\n窗口顶边=8\r\n");
}

TEST_F(Settings, FailedWriteIsIgnoredAndLeavesTheOldFile) {
    SaveWindowSize(800, 500);
    for (auto failing : {fileio::Op::Open, fileio::Op::Write, fileio::Op::Rename}) {
        fileio::SetFaultHook(
            [failing](fileio::Op op) { return op == failing ? fileio::Fault::Fail : fileio::Fault::None; });
        SaveWindowSize(900, 600);
        fileio::SetFaultHook({});
        EXPECT_EQ(ReadWindowGeometry().width, 800);
        EXPECT_EQ(ReadWindowGeometry().height, 500);
    }
    EXPECT_TRUE(script.shown.empty());
    EXPECT_FALSE(fileio::Exists(SettingsFile() + ".tmp"));
}

TEST_F(Settings, AFileThatExistsButCannotBeReadIsNeverReplacedByOneKey) {
    auto bytes = [] { return testing::FileBytes(SettingsFile()); };
    SaveWindowSize(800, 500);
    SaveBackupFolder("C:\\备份");
    const std::string before = bytes();
    fileio::SetFaultHook(
        [](fileio::Op op) { return op == fileio::Op::Read ? fileio::Fault::Fail : fileio::Fault::None; });
    SaveWindowPosition(10, 20);
    fileio::SetFaultHook({});
    EXPECT_EQ(bytes(), before);
    // Larger than a settings file can be (1 MiB): not read, so not rewritten either.
    const std::string big = before + "; " + std::string(1 << 20, 'x') + "\r\n";
    ASSERT_TRUE(testing::PutFileBytes(SettingsFile(), big));
    SaveWindowPosition(10, 20);
    EXPECT_TRUE(bytes() == big);
    EXPECT_FALSE(fileio::Exists(SettingsFile() + ".tmp"));
}

TEST_F(Settings, AFileAtTheSizeLimitIsReadAndOneByteOverIsNotReplaced) {
    SaveWindowSize(800, 500);
    const std::string kept = testing::FileBytes(SettingsFile());
    auto padded = [&](std::size_t size) {
        std::string bytes = kept + ";";
        bytes += std::string(size - bytes.size() - 2, 'x') + "\r\n";
        return bytes;
    };
    ASSERT_TRUE(testing::PutFileBytes(SettingsFile(), padded(1 << 20)));
    EXPECT_EQ(ReadWindowGeometry().width, 800);
    const std::string over = padded((1 << 20) + 1);
    ASSERT_TRUE(testing::PutFileBytes(SettingsFile(), over));
    EXPECT_EQ(ReadWindowGeometry().width, 0);
    SaveWindowPosition(30, 40);
    EXPECT_TRUE(testing::FileBytes(SettingsFile()) == over);
}

TEST_F(Settings, BackupFolderKeepsChineseAndBackslashes) {
    SaveBackupFolder("C:\\备份\\数据");
    EXPECT_EQ(ReadBackupFolder(), "C:\\备份\\数据");
    SaveWindowSize(800, 500);
    EXPECT_EQ(ReadBackupFolder(), "C:\\备份\\数据");
}

TEST(SettingsInteger, TextToIntegerAsStored) {
    EXPECT_EQ(SettingsInteger(""), 0);
    EXPECT_EQ(SettingsInteger("abc"), 0);
    EXPECT_EQ(SettingsInteger("812"), 812);
    EXPECT_EQ(SettingsInteger(" -20 "), -20);
    EXPECT_EQ(SettingsInteger("12.9px"), 12);
    EXPECT_EQ(SettingsInteger("99999999999"), 2147483647);
}

// Only a whole number of seconds from 0 to 3600 is taken; anything else, where the other
// settings would read a leading number or 0, is the default 10.
TEST_F(Settings, ClipboardClearSecondsTakeOnlyAWholeNumberUpTo3600) {
    EXPECT_EQ(ReadClipboardClearSeconds(), 10) << "no file";
    SaveWindowSize(800, 500);
    EXPECT_EQ(ReadClipboardClearSeconds(), 10) << "no key";
    const std::pair<const char*, int> cases[] = {
        {"0", 0},     {"1", 1},     {" 25\t", 25}, {"007", 7},    {"3600", 3600}, {"3601", 10},
        {"", 10},     {"-5", 10},   {"+5", 10},     {"5s", 10},    {"2.5", 10},    {"1e3", 10},
        {"5 5", 10},  {"abc", 10},  {"\xca\xae", 10},  {"99999999999999999999", 10},
        {"000000003600", 3600},
    };
    for (const auto& [text, seconds] : cases) {
        ASSERT_TRUE(WriteIniString(SettingsFile(), "安全设置", "剪贴板清除秒数", text));
        EXPECT_EQ(ReadClipboardClearSeconds(), seconds) << "[" << text << "]";
    }
    EXPECT_EQ(ReadWindowGeometry().width, 800) << "a section of its own";
}

}  // namespace
}  // namespace qm
