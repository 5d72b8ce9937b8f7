// Site check results, their summary, the report and the results file: see site_checks.h.
#include "core/site_checks.h"

#include <charconv>
#include <map>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/csv.h"
#include "platform/program_folder.h"
#include "platform/text.h"
#include "platform/whole_file.h"

namespace qm {

namespace {

constexpr char kFileHeader[] = "网站地址,检查时间,结果,状态码,最终地址,响应毫秒,证书剩余天数,页面标题";
constexpr std::size_t kFileColumns = 8;
// A results file is a few hundred bytes per site; anything far beyond that is not ours.
constexpr std::uint64_t kMaxFileBytes = 256u << 20;

bool ReadNumber(std::string_view text, long long* value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, *value);
    return error == std::errc() && at == end;
}

// Days from 1970-01-01 to a civil date of the proleptic Gregorian calendar (Howard Hinnant's
// days_from_civil), so no C library time zone ever enters the arithmetic.
long long DaysFromCivil(int year, int month, int day) {
    const long long y = static_cast<long long>(year) - (month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long mp = (month + 9) % 12;
    const long long doy = (153 * mp + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long long FloorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

CheckKind KindOf(const SiteCheck& check) {
    if (check.outcome != CheckOutcome::kAnswered || check.status < 100 || check.status >= 400)
        return CheckKind::kError;
    if (check.certificateDays != kNoCertificateDays && check.certificateDays < kCertificateWarningDays)
        return CheckKind::kCertificateSoon;
    return check.finalAddress.empty() ? CheckKind::kOk : CheckKind::kRedirected;
}

std::string StatusText(const SiteCheck& check) {
    switch (check.outcome) {
        case CheckOutcome::kAnswered:
            return std::to_string(check.status);
        case CheckOutcome::kNoSuchHost:
            return "找不到主机";
        case CheckOutcome::kRefused:
            return "连接被拒绝";
        case CheckOutcome::kTimedOut:
            return "超时";
        case CheckOutcome::kCertificateInvalid:
            return "证书无效";
        case CheckOutcome::kTooManyRedirects:
            return "跳转过多";
        case CheckOutcome::kInvalidAddress:
            return "地址无效";
        case CheckOutcome::kFailed:
            break;
    }
    return "连接失败";
}

CheckSummary Summarise(const std::vector<SiteCheck>& checks) {
    CheckSummary s;
    for (const SiteCheck& c : checks) {
        const CheckKind kind = KindOf(c);
        if (kind == CheckKind::kError)
            ++s.errors;
        else if (c.finalAddress.empty())
            ++s.ok;
        else
            ++s.redirected;
        if (c.certificateDays != kNoCertificateDays && c.certificateDays < kCertificateWarningDays)
            ++s.certificateSoon;
    }
    return s;
}

std::string SummaryText(const CheckSummary& s) {
    return "正常 " + std::to_string(s.ok) + "，跳转 " + std::to_string(s.redirected) + "，出错 " +
           std::to_string(s.errors) + "，证书将过期 " + std::to_string(s.certificateSoon);
}

long long SecondsSinceEpoch(const UtcTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600LL + t.minute * 60LL + t.second;
}

int CertificateDaysLeft(const UtcTime& notAfter, const UtcTime& now) {
    const long long days = FloorDiv(SecondsSinceEpoch(notAfter) - SecondsSinceEpoch(now), 86400);
    if (days > INT_MAX - 1) return INT_MAX - 1;
    if (days < INT_MIN + 1) return INT_MIN + 1;  // never the "no certificate" mark
    return static_cast<int>(days);
}

std::string CheckReportCsv(const std::vector<SiteCheck>& checks, const std::vector<std::string>& titles) {
    std::string out = GbkToUtf8(
        CsvRecord({"网站标题", "网站地址", "状态", "最终地址", "响应(ms)", "证书剩余(天)", "页面标题"}));
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const SiteCheck& c = checks[i];
        const std::vector<std::string> row = {
            GbkToUtf8(i < titles.size() ? titles[i] : std::string()),
            GbkToUtf8(c.address),
            GbkToUtf8(StatusText(c)),
            GbkToUtf8(c.finalAddress),
            c.firstByteMs >= 0 ? std::to_string(c.firstByteMs) : std::string(),
            c.certificateDays != kNoCertificateDays ? std::to_string(c.certificateDays) : std::string(),
            GbkToUtf8(c.pageTitle),
        };
        out += CsvRecord(row);
    }
    return out;
}

std::string SiteChecksPath() {
    return ProgramFolder() + kSiteChecksFile;
}

std::string SiteChecksText(const std::vector<SiteCheck>& checks) {
    std::string out = std::string(kFileHeader) + "\r\n";
    for (const SiteCheck& c : checks) {
        out += CsvRecord(
            {c.address, c.checkedAt, std::to_string(static_cast<int>(c.outcome)), std::to_string(c.status),
             c.finalAddress, std::to_string(c.firstByteMs),
             c.certificateDays != kNoCertificateDays ? std::to_string(c.certificateDays) : std::string(),
             c.pageTitle});
    }
    return out;
}

bool IsSiteChecksText(std::string_view text) {
    CsvReader reader(text);
    std::vector<std::string> fields;
    std::size_t line = 0;
    return reader.Next(&fields, &line) && CsvRecord(fields) == std::string(kFileHeader) + "\r\n";
}

std::vector<SiteCheck> ParseSiteChecks(std::string_view text) {
    if (!IsSiteChecksText(text)) return {};
    CsvReader reader(text);
    std::vector<std::string> fields;
    std::size_t line = 0;
    reader.Next(&fields, &line);
    std::vector<SiteCheck> checks;
    std::map<std::string, std::size_t> index;
    while (reader.Next(&fields, &line)) {
        if (fields.size() != kFileColumns || fields[0].empty()) continue;
        long long outcome = 0, status = 0, ms = 0, days = kNoCertificateDays;
        if (!ReadNumber(fields[2], &outcome) || outcome < 0 ||
            outcome > static_cast<long long>(CheckOutcome::kFailed) || !ReadNumber(fields[3], &status) ||
            status < 0 || status > 999 || !ReadNumber(fields[5], &ms) || ms < -1 ||
            (!fields[6].empty() && (!ReadNumber(fields[6], &days) || days <= INT_MIN || days >= INT_MAX)))
            continue;
        SiteCheck c;
        c.address = fields[0];
        c.checkedAt = fields[1];
        c.outcome = static_cast<CheckOutcome>(outcome);
        c.status = static_cast<int>(status);
        c.finalAddress = fields[4];
        c.firstByteMs = ms;
        c.certificateDays = static_cast<int>(days);
        c.pageTitle = fields[7];
        auto [it, added] = index.emplace(c.address, checks.size());
        if (added)
            checks.push_back(std::move(c));
        else
            checks[it->second] = std::move(c);
    }
    return checks;
}

namespace {

std::vector<SiteCheck> LoadFrom(const std::string& path) {
    const std::optional<std::string> text = ReadWholeFile(path, kMaxFileBytes);
    return text ? ParseSiteChecks(*text) : std::vector<SiteCheck>();
}

bool SaveTo(const std::string& path, const std::vector<SiteCheck>& fresh) {
    std::vector<SiteCheck> all = LoadFrom(path);
    std::map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < all.size(); ++i) index.emplace(all[i].address, i);
    for (const SiteCheck& c : fresh) {
        auto [it, added] = index.emplace(c.address, all.size());
        if (added)
            all.push_back(c);
        else
            all[it->second] = c;
    }
    return ReplaceWholeFile(path, SiteChecksText(all));
}

// The save running in the background, if any; joined before the process ends at the latest.
struct BackgroundSave {
    std::thread thread;
    bool saved = true;  // written by the thread, read after the join
    ~BackgroundSave() {
        if (thread.joinable()) thread.join();
    }
};

BackgroundSave& PendingSave() {
    static BackgroundSave save;
    return save;
}

}  // namespace

std::vector<SiteCheck> LoadSiteChecks() {
    FinishSiteChecksSave();
    return LoadFrom(SiteChecksPath());
}

bool SaveSiteChecks(const std::vector<SiteCheck>& fresh) {
    FinishSiteChecksSave();
    return SaveTo(SiteChecksPath(), fresh);
}

void SaveSiteChecksInBackground(std::vector<SiteCheck> fresh) {
    FinishSiteChecksSave();
    BackgroundSave& pending = PendingSave();
    // The path is taken here: the program folder is the window thread's to read.
    auto job =
        std::make_shared<std::pair<std::string, std::vector<SiteCheck>>>(SiteChecksPath(), std::move(fresh));
    try {
        pending.thread = std::thread([job, &pending] { pending.saved = SaveTo(job->first, job->second); });
    } catch (const std::system_error&) {
        pending.saved = SaveTo(job->first, job->second);
    }
}

bool FinishSiteChecksSave() {
    BackgroundSave& pending = PendingSave();
    if (pending.thread.joinable()) pending.thread.join();
    return pending.saved;
}

}  // namespace qm
