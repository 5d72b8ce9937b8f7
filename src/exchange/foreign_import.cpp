// Import of other programs' files: see foreign_import.h.
#include "exchange/foreign_import.h"

#include <unordered_map>
#include <utility>
#include <vector>

#include "exchange/bookmarks.h"
#include "exchange/foreign_text.h"
#include "exchange/import_store.h"
#include "exchange/import_text.h"

namespace qm {

namespace {

using Logins = std::unordered_map<std::string, std::vector<std::pair<std::string, std::string>>>;

// Account and password of every stored site, by host: what tells a conflict from a duplicate.
Logins StoredLogins() {
    Logins logins;
    if (!OpenStoreByName(kSiteStoreAlias)) return logins;
    RecordStore& store = Stores();
    const long long count = store.RecordCount();
    for (long long n = 1; n <= count; ++n, store.Skip())
        logins[ExtractHost(store.Read(2))].emplace_back(store.Read(4), store.Read(5));
    CloseStoreByName(kSiteStoreAlias);
    return logins;
}

bool IsConflict(const Logins& logins, const ForeignSite& site) {
    const auto found = logins.find(ExtractHost(site.address));
    if (found == logins.end()) return false;
    bool sameAccount = false;
    for (const auto& [account, password] : found->second) {
        if (account != site.account) continue;
        if (password == site.password) return false;
        sameAccount = true;
    }
    return sameAccount;
}

// Writes the content in one batch; false when a failure (said) ended it.
bool StoreContent(const ForeignContent& content, ForeignImportReport* report) {
    Logins logins = StoredLogins();
    CurrentStore current;
    StoreWriter categories = CategoryWriter(&current);
    StoreWriter sites = SiteWriter(&current);
    ImportBatch batch;
    bool ok = true;
    for (const std::string& c : content.categories) {
        if (categories.Contains(c)) continue;
        if (!categories.Open()) {
            ShowMessage(kCategoryOpenFailed);
            ok = false;
        } else if (!categories.Append({c})) {
            ShowMessage("添加分类失败！");
            ok = false;
        }
        if (!ok) break;
    }
    for (std::size_t k = 0; ok && k < content.sites.size(); ++k) {
        const ForeignSite& s = content.sites[k];
        if (sites.Contains(s.address)) {
            ++(IsConflict(logins, s) ? report->conflicts : report->duplicates);
            continue;
        }
        if (!sites.Open()) {
            ShowMessage(kSiteOpenFailed);
            ok = false;
        } else if (sites.Append(
                       {s.category, s.address, s.title, s.account, s.password, "", "", "", "", ""})) {
            logins[ExtractHost(s.address)].emplace_back(s.account, s.password);
            ++report->added;
        } else {
            ShowMessage("添加网站数据失败！");
        }
    }
    batch.Commit(&categories, &sites);
    categories.Close();
    sites.Close();
    return ok;
}

}  // namespace

std::string ForeignImportSummary(const ForeignImportReport& r) {
    auto n = [](std::size_t v) { return std::to_string(v); };
    std::string text = "新增网站：" + n(r.added) + " 个\r\n";
    text += "重复跳过：" + n(r.duplicates) + " 个\r\n";
    text += "冲突（帐号相同、密码不同，未更改）：" + n(r.conflicts) + " 个\r\n";
    text += "无法读取的行：" + n(r.unreadable) + " 行";
    if (r.unreadable) text += "（第一处在第 " + n(r.firstUnreadableLine) + " 行）";
    text += "\r\n跳过的条目（无网址等）：" + n(r.skipped) + " 个\r\n";
    text += "替换为\"?\"的字符：" + n(r.replaced) + " 个";
    return text;
}

ForeignImportReport ImportForeign(ForeignFormat format, std::string_view bytes) {
    ForeignImportReport report;
    ForeignContent content;
    {
        DecodedText decoded = DecodeForeignText(bytes);
        content = format == ForeignFormat::Bookmarks ? ReadBookmarks(decoded.text)
                                                     : ReadLoginCsv(format, decoded.text);
        content.replaced += decoded.replaced;
    }
    if (content.noAddressColumn) {
        ShowMessage(kNoAddressColumnMessage);
        return report;
    }
    if (format == ForeignFormat::Bookmarks && content.sites.empty() && content.categories.empty() &&
        content.skipped == 0) {
        ShowMessage(kNoBookmarksMessage);
        return report;
    }
    report.unreadable = content.unreadable;
    report.firstUnreadableLine = content.firstUnreadableLine;
    report.skipped = content.skipped;
    report.replaced = content.replaced;
    StoreContent(content, &report);
    ShowMessage(ForeignImportSummary(report), kImportDoneTitle);
    return report;
}

}  // namespace qm
