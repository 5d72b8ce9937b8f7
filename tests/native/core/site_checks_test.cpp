// Site check results: kinds and summary, certificate days, the CSV report and the results file in
// a temporary program folder.
#include "core/site_checks.h"

#include <gtest/gtest.h>

#include "../store/store_test_util.h"
#include "platform/csv.h"
#include "platform/program_folder.h"
#include "platform/text.h"
#include "platform/whole_file.h"

namespace qm {
namespace {

SiteCheck Answered(std::string address, int status, std::string final = {}, int days = kNoCertificateDays) {
    SiteCheck c;
    c.address = std::move(address);
    c.outcome = CheckOutcome::kAnswered;
    c.status = status;
    c.finalAddress = std::move(final);
    c.firstByteMs = 42;
    c.certificateDays = days;
    return c;
}

SiteCheck Failed(std::string address, CheckOutcome outcome) {
    SiteCheck c;
    c.address = std::move(address);
    c.outcome = outcome;
    return c;
}

TEST(SiteCheckKinds, EachResultIsCountedOnceAndTheSummaryReadsAsWritten) {
    const std::vector<SiteCheck> checks = {
        Answered("http://a.cn", 200),
        Answered("http://b.cn", 204, {}, 14),                 // exactly 14 days: no warning
        Answered("http://c.cn", 200, "https://c.cn/", 365),   // redirected
        Answered("https://d.cn", 200, {}, 13),                // warning, still ok
        Answered("https://e.cn", 301, "https://e.cn/x", -2),  // redirected, expired
        Answered("http://f.cn", 404),                         // an error status
        Answered("http://g.cn", 503, "http://g.cn/down"),     // error wins over a redirect
        Failed("http://h.cn", CheckOutcome::kTimedOut),
        Failed("ftp://i.cn", CheckOutcome::kInvalidAddress),
    };
    EXPECT_EQ(KindOf(checks[0]), CheckKind::kOk);
    EXPECT_EQ(KindOf(checks[1]), CheckKind::kOk);
    EXPECT_EQ(KindOf(checks[2]), CheckKind::kRedirected);
    EXPECT_EQ(KindOf(checks[3]), CheckKind::kCertificateSoon);
    EXPECT_EQ(KindOf(checks[4]), CheckKind::kCertificateSoon);
    EXPECT_EQ(KindOf(checks[5]), CheckKind::kError);
    EXPECT_EQ(KindOf(checks[6]), CheckKind::kError);
    EXPECT_EQ(KindOf(checks[7]), CheckKind::kError);
    const CheckSummary s = Summarise(checks);
    EXPECT_EQ(s.ok, 3u);
    EXPECT_EQ(s.redirected, 2u);
    EXPECT_EQ(s.errors, 4u);
    EXPECT_EQ(s.certificateSoon, 2u);
    EXPECT_EQ(SummaryText(s), "正常 3，跳转 2，出错 4，证书将过期 2");
    EXPECT_EQ(SummaryText(Summarise({})), "正常 0，跳转 0，出错 0，证书将过期 0");
}

TEST(SiteCheckKinds, StatusTextNamesEveryFailure) {
    EXPECT_EQ(StatusText(Answered("x", 301)), "301");
    EXPECT_EQ(StatusText(Failed("x", CheckOutcome::kInvalidAddress)), "地址无效");
    const CheckOutcome failures[] = {CheckOutcome::kNoSuchHost,
                                     CheckOutcome::kRefused,
                                     CheckOutcome::kTimedOut,
                                     CheckOutcome::kCertificateInvalid,
                                     CheckOutcome::kTooManyRedirects,
                                     CheckOutcome::kInvalidAddress,
                                     CheckOutcome::kFailed};
    std::vector<std::string> seen;
    for (CheckOutcome o : failures) {
        const std::string text = StatusText(Failed("x", o));
        EXPECT_FALSE(text.empty());
        for (const std::string& other : seen) EXPECT_NE(text, other);
        seen.push_back(text);
    }
}

TEST(CertificateDays, RoundDownAcrossMonthsLeapYearsAndExpiry) {
    const UtcTime now{2026, 12, 9, 6, 0, 0};
    EXPECT_EQ(CertificateDaysLeft({2026, 12, 12, 6, 0, 0}, now), 3);
    EXPECT_EQ(CertificateDaysLeft({2026, 12, 12, 5, 59, 59}, now), 2);
    EXPECT_EQ(CertificateDaysLeft({2026, 12, 9, 6, 0, 1}, now), 0);     // its last day
    EXPECT_EQ(CertificateDaysLeft({2026, 12, 9, 5, 59, 59}, now), -1);  // ended a second ago
    EXPECT_EQ(CertificateDaysLeft({2026, 11, 9, 6, 0, 0}, now), -30);
    EXPECT_EQ(CertificateDaysLeft({2027, 1, 8, 6, 0, 0}, now), 30);                    // over the year's end
    EXPECT_EQ(CertificateDaysLeft({2028, 3, 1, 0, 0, 0}, {2028, 2, 28, 0, 0, 0}), 2);  // leap year
    EXPECT_EQ(CertificateDaysLeft({2100, 3, 1, 0, 0, 0}, {2100, 2, 28, 0, 0, 0}), 1);  // not a leap year
    EXPECT_EQ(SecondsSinceEpoch({1970, 1, 1, 0, 0, 0}), 0);
    EXPECT_EQ(SecondsSinceEpoch({2000, 3, 1, 0, 0, 0}), 951868800);
    EXPECT_EQ(SecondsSinceEpoch({1969, 12, 31, 23, 59, 59}), -1);
    // A certificate valid for ever stays a number, never the "no certificate" mark.
    EXPECT_NE(CertificateDaysLeft({1, 1, 1, 0, 0, 0}, {9999999, 1, 1, 0, 0, 0}), kNoCertificateDays);
}

TEST(CheckReport, IsUtf8CsvWithTheSevenColumnsQuotedWhereNeeded) {
    SiteCheck tricky = Answered("http://a.cn/?q=1,2", 200, "http://a.cn/\"x\"", 20);
    tricky.pageTitle = "网站,\"首页\"";
    const std::string csv = CheckReportCsv({tricky, Failed("bad", CheckOutcome::kInvalidAddress)}, {"甲站"});
    CsvReader reader(csv);
    std::vector<std::string> row;
    std::size_t line = 0;
    ASSERT_TRUE(reader.Next(&row, &line));
    EXPECT_EQ(row, (std::vector<std::string>{GbkToUtf8("网站标题"), GbkToUtf8("网站地址"), GbkToUtf8("状态"),
                                             GbkToUtf8("最终地址"), GbkToUtf8("响应(ms)"),
                                             GbkToUtf8("证书剩余(天)"), GbkToUtf8("页面标题")}));
    ASSERT_TRUE(reader.Next(&row, &line));
    EXPECT_EQ(row, (std::vector<std::string>{GbkToUtf8("甲站"), "http://a.cn/?q=1,2", "200",
                                             "http://a.cn/\"x\"", "42", "20", GbkToUtf8("网站,\"首页\"")}));
    ASSERT_TRUE(reader.Next(&row, &line));  // a title missing from the list, no figures
    EXPECT_EQ(row, (std::vector<std::string>{"", "bad", GbkToUtf8("地址无效"), "", "", "", ""}));
    EXPECT_FALSE(reader.Next(&row, &line));
    EXPECT_EQ(csv.substr(0, 3), GbkToUtf8("网"));  // no byte-order mark
    EXPECT_NE(csv.find("\r\n"), std::string::npos);
}

class SiteChecksFile : public ::testing::Test {
  protected:
    void SetUp() override { SetProgramFolderForTesting(dir.Folder()); }
    void TearDown() override { SetProgramFolderForTesting(""); }
    testing::TempFolder dir;
};

TEST_F(SiteChecksFile, ResultsSurviveAReloadAndANewRunReplacesOnlyItsSites) {
    EXPECT_TRUE(LoadSiteChecks().empty());  // no file yet
    SiteCheck a = Answered("http://a.cn", 200, "http://a.cn/首页", 7);
    a.checkedAt = "2026-12-09 06:00:00";
    a.pageTitle = "标题\r\n带,逗号\"";
    SiteCheck b = Failed("http://b.cn", CheckOutcome::kRefused);
    ASSERT_TRUE(SaveSiteChecks({a, b}));
    std::vector<SiteCheck> loaded = LoadSiteChecks();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(loaded[0].address, a.address);
    EXPECT_EQ(loaded[0].checkedAt, a.checkedAt);
    EXPECT_EQ(loaded[0].outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(loaded[0].status, 200);
    EXPECT_EQ(loaded[0].finalAddress, a.finalAddress);
    EXPECT_EQ(loaded[0].firstByteMs, 42);
    EXPECT_EQ(loaded[0].certificateDays, 7);
    EXPECT_EQ(loaded[0].pageTitle, a.pageTitle);
    EXPECT_EQ(loaded[1].outcome, CheckOutcome::kRefused);
    EXPECT_EQ(loaded[1].firstByteMs, -1);
    EXPECT_EQ(loaded[1].certificateDays, kNoCertificateDays);

    SiteCheck b2 = Answered("http://b.cn", 200);
    ASSERT_TRUE(SaveSiteChecks({b2, Failed("http://c.cn", CheckOutcome::kTimedOut)}));
    loaded = LoadSiteChecks();
    ASSERT_EQ(loaded.size(), 3u);
    EXPECT_EQ(loaded[0].status, 200);  // a is untouched
    EXPECT_EQ(loaded[0].certificateDays, 7);
    EXPECT_EQ(loaded[1].outcome, CheckOutcome::kAnswered);
    EXPECT_EQ(loaded[2].address, "http://c.cn");
}

TEST_F(SiteChecksFile, BackgroundSavesAreWaitedForAndLoseNothing) {
    // Saves in a row, a folder change and a read right behind them: each waits for the one before,
    // so every result lands in the folder that was current when it was handed over.
    std::vector<SiteCheck> many;
    for (int i = 0; i < 2000; ++i) many.push_back(Answered("http://s" + std::to_string(i) + ".cn", 200));
    SaveSiteChecksInBackground(many);
    SaveSiteChecksInBackground(
        {Answered("http://s0.cn", 404), Failed("http://new.cn", CheckOutcome::kRefused)});
    testing::TempFolder other;
    SetProgramFolderForTesting(other.Folder());
    SaveSiteChecksInBackground({Answered("http://elsewhere.cn", 200)});
    EXPECT_EQ(LoadSiteChecks().size(), 1u);
    SetProgramFolderForTesting(dir.Folder());
    const std::vector<SiteCheck> loaded = LoadSiteChecks();
    ASSERT_EQ(loaded.size(), 2001u);
    EXPECT_EQ(loaded[0].status, 404);
    EXPECT_EQ(loaded[2000].address, "http://new.cn");
    EXPECT_TRUE(FinishSiteChecksSave());

    // A save that cannot write says so when waited for; the file stays as it was.
    SetProgramFolderForTesting(dir.Folder() + "\\missing\\deeper");
    SaveSiteChecksInBackground({Answered("http://lost.cn", 200)});
    EXPECT_FALSE(FinishSiteChecksSave());
    SetProgramFolderForTesting(dir.Folder());
    EXPECT_EQ(LoadSiteChecks().size(), 2001u);
}

TEST_F(SiteChecksFile, DamagedRowsAndForeignFilesAreSkipped) {
    const std::string good = SiteChecksText({Answered("http://a.cn", 200)});
    const std::string rows = good +
                             "http://x.cn,t,99,200,,1,,\r\n"  // unknown outcome
                             "http://y.cn,t,0,abc,,1,,\r\n"   // status not a number
                             "http://z.cn,t,0,200,,1\r\n"     // too few columns
                             ",t,0,200,,1,,\r\n"              // no address
                             "http://w.cn,t,0,200,,1,99999999999,\r\n"
                             "http://a.cn,t,0,500,,1,,\r\n";  // a later row for a.cn wins
    const std::vector<SiteCheck> parsed = ParseSiteChecks(rows);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].status, 500);
    EXPECT_TRUE(ParseSiteChecks("address,when\r\nhttp://a.cn,t,0,200,,1,,\r\n").empty());
    EXPECT_TRUE(ParseSiteChecks("").empty());
    ASSERT_TRUE(ReplaceWholeFile(SiteChecksPath(), std::string(3, '\0') + "\xFF\xFE"));
    EXPECT_TRUE(LoadSiteChecks().empty());
}

}  // namespace
}  // namespace qm
