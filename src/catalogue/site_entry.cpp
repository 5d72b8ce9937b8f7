// Site entry on SiteStore: see site_entry.h.
#include "catalogue/site_entry.h"

#include "core/stores.h"
#include "platform/dialogs.h"
#include "store/record_store.h"
#include "web/address.h"

namespace qm {

namespace {

constexpr char kAddFailed[] = "添加网站数据失败！";
constexpr int kFieldCount = 10;

bool OpenSites() {
    if (OpenStoreByName(kSiteStoreAlias)) return true;
    ShowMessage(kSiteOpenFailedMessage);
    return false;
}

bool HoldsValues(const Fields& f, const std::vector<std::string>& values, int firstField) {
    const std::size_t first = static_cast<std::size_t>(firstField - 1);
    if (f.size() < first + values.size()) return false;
    for (std::size_t k = 0; k < values.size(); ++k)
        if (f[first + k] != values[k]) return false;
    return true;
}

SiteValues ReadCurrentSite() {
    SiteValues values;
    for (int k = 1; k <= kFieldCount; ++k) values.push_back(Stores().Read(k));
    return values;
}

}  // namespace

bool IsAddressEmpty(std::string_view address) {
    return address.empty() || address == kWebSchemePrefix;
}

bool CheckEnteredSite(const SiteValues& values) {
    if (values.size() < kFieldCount || IsAddressEmpty(values[1])) {
        ShowMessage("网站地址不能为空！");
        return false;
    }
    if (values[2].empty()) {
        ShowMessage("网站标题不能为空！");
        return false;
    }
    if (values[0].empty()) {
        ShowMessage("分类不能为空！");
        return false;
    }
    if (!FieldsFit(values)) {
        ShowMessage(kTooLongMessage);
        return false;
    }
    return true;
}

bool IsDuplicateSite(std::string_view address) {
    if (!OpenSites()) {
        CloseStoreByName(kSiteStoreAlias);
        return false;
    }
    const std::string host = ExtractHost(address);
    return Stores().Find([&host](const Fields& f) { return f.size() > 1 && ExtractHost(f[1]) == host; });
}

bool AddSiteToStore(const SiteValues& values) {
    if (!CheckEnteredSite(values)) return false;
    if (IsDuplicateSite(values[1])) {
        ShowMessage("已有该网站数据！", "提示");
        return false;
    }
    if (!OpenSites()) return false;
    const bool added = Stores().Append(values);
    if (!added) ShowMessage(kAddFailed);
    CloseStoreByName(kSiteStoreAlias);
    return added;
}

long long LocateSite(long long preferred, const std::vector<std::string>& values, int firstField) {
    RecordStore& store = Stores();
    if (preferred >= 1 && preferred <= store.RecordCount() && store.GoTo(preferred) &&
        HoldsValues(ReadCurrentSite(), values, firstField))
        return preferred;
    if (!store.First() || !store.Find([&](const Fields& f) { return HoldsValues(f, values, firstField); }))
        return 0;
    return store.RecordNumber();
}

std::optional<StoredSite> ReadShownSite(long long record, const std::vector<std::string>& rowFields) {
    if (!OpenSites()) return std::nullopt;
    StoredSite site;
    site.record = LocateSite(record, rowFields, 2);
    if (site.record != 0) site.values = ReadCurrentSite();
    CloseStoreByName(kSiteStoreAlias);
    if (site.record == 0) {
        ShowMessage(kSiteGoneMessage);
        return std::nullopt;
    }
    return site;
}

bool SaveSite(const StoredSite& shown, const SiteValues& values) {
    if (!CheckEnteredSite(values) || !OpenSites()) return false;
    const long long record = LocateSite(shown.record, shown.values, 1);
    if (record == 0) {
        CloseStoreByName(kSiteStoreAlias);
        ShowMessage(kSiteGoneNotSavedMessage);
        return false;
    }
    std::vector<std::optional<std::string>> all(values.begin(), values.end());
    const bool saved = Stores().GoTo(record) && Stores().Modify(all);
    if (!saved) ShowMessage(kAddFailed);
    CloseStoreByName(kSiteStoreAlias);
    return saved;
}

void DeleteShownSite(long long record, const std::vector<std::string>& rowFields) {
    if (!OpenSites()) return;
    const long long found = LocateSite(record, rowFields, 2);
    if (found != 0 && Stores().GoTo(found)) DeleteCurrentAndPurge();
    CloseStoreByName(kSiteStoreAlias);
}

}  // namespace qm
