// The site check's results: one record per checked site, how a result is told apart (ok,
// redirected, an error, a certificate about to run out), the summary line, the CSV report, and the
// results file beside the stores that keeps the last result of every site between runs (its format
// is in docs/site-checks.md). Portable; any thread, except that the results file is read and
// written by the window thread only (a background save is the window thread's, waited for by it).
#pragma once

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// What a check came to. The order is the file's: values are written as numbers.
enum class CheckOutcome {
    kAnswered = 0,    // a status code came back (2xx-5xx), after any redirects
    kNoSuchHost = 1,  // the name did not resolve
    kRefused = 2,     // nothing listens at the address
    kTimedOut = 3,    // no answer within the time-out (connect, first byte or a body read)
    kCertificateInvalid = 4,
    kTooManyRedirects = 5,  // more hops than allowed, or a circle
    kInvalidAddress = 6,    // not a web address: never requested
    kFailed = 7,            // any other failure of the connection
};

inline constexpr int kNoCertificateDays = INT_MIN;  // a plain connection, or no expiry known
inline constexpr int kCertificateWarningDays = 14;  // fewer days left than this: shown as a warning

struct SiteCheck {
    std::string address;    // as stored with the site (the key of the results file)
    std::string checkedAt;  // local time of the check, "YYYY-MM-DD HH:MM:SS"
    CheckOutcome outcome = CheckOutcome::kFailed;
    int status = 0;              // the last status code received, 0 when none
    std::string finalAddress;    // where the redirects ended; empty when no redirect was followed
    long long firstByteMs = -1;  // time to the first byte of the last answer, -1 when none
    int certificateDays = kNoCertificateDays;
    std::string pageTitle;  // GBK, already cut to its bounded length
};

// How a row is shown and counted. Error wins over everything; a certificate warning over a
// redirect.
enum class CheckKind { kOk, kRedirected, kError, kCertificateSoon };
CheckKind KindOf(const SiteCheck& check);

// The status column: the status code ("200"), or the failure in words ("地址无效" ...).
std::string StatusText(const SiteCheck& check);

// "正常 N，跳转 N，出错 N，证书将过期 N": ok and redirected count sites without an error whatever
// their certificate; the last figure counts sites with fewer than 14 days left (expired included).
struct CheckSummary {
    std::size_t ok = 0, redirected = 0, errors = 0, certificateSoon = 0;
};
CheckSummary Summarise(const std::vector<SiteCheck>& checks);
std::string SummaryText(const CheckSummary& summary);

// A moment in UTC, as the certificate gives its end of validity.
struct UtcTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
long long SecondsSinceEpoch(const UtcTime& t);
// Whole days from now until the certificate ends, rounded down: 0 on its last day, -1 the day
// after it ended.
int CertificateDaysLeft(const UtcTime& notAfter, const UtcTime& now);

// The report as a CSV file (UTF-8 without a byte-order mark, CR LF, RFC 4180 quoting): a header
// row of the seven column names, then one row per site. titles[i] is the stored title of
// checks[i] (missing titles are empty).
std::string CheckReportCsv(const std::vector<SiteCheck>& checks, const std::vector<std::string>& titles);

// The results file: "\网站检查.csv" in the program folder.
inline constexpr char kSiteChecksFile[] = "\\网站检查.csv";
std::string SiteChecksPath();

// The file's bytes for these results, and back. Parsing skips rows it cannot read and a header it
// does not know (so a damaged file loses only its damaged rows); a later row for the same address
// replaces an earlier one.
std::string SiteChecksText(const std::vector<SiteCheck>& checks);
std::vector<SiteCheck> ParseSiteChecks(std::string_view text);
// True when the text starts with the results file's header row (a file of this program's).
bool IsSiteChecksText(std::string_view text);

// Reads the results file (none, or one too large, reads as no results).
std::vector<SiteCheck> LoadSiteChecks();
// Merges `fresh` into the stored results (same address: the fresh one replaces it) and replaces
// the file. False when the file could not be written; it is then as it was.
bool SaveSiteChecks(const std::vector<SiteCheck>& fresh);
// The same save on a thread of its own, so that the window thread never waits for the disk at a
// run's end. Every later LoadSiteChecks or SaveSiteChecks, and whoever else reads or replaces the
// file (the backup and the restore), waits for it first with FinishSiteChecksSave.
void SaveSiteChecksInBackground(std::vector<SiteCheck> fresh);
// Waits for a save still running in the background. False when the last one failed.
bool FinishSiteChecksSave();

}  // namespace qm
