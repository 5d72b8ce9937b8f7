// The program's three stores and its store functions: see stores.h.
#include "core/stores.h"

#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

namespace qm {

const std::vector<std::string>& SiteFieldNames() {
    static const std::vector<std::string> names = {"分类名称", "网站地址", "网站标题", "登录帐号",
                                                   "登录密码", "PR值",     "百度收录", "谷歌收录",
                                                   "百度反链", "雅虎反链"};
    return names;
}

const std::vector<StoreInfo>& AllStores() {
    // Field names of the category and general stores are ours: the program reads them by position.
    static const std::vector<StoreInfo> stores = {
        {kSiteStoreAlias, kSiteStoreFile, "mizotvrahkqel38@", SiteFieldNames()},
        {kCategoryStoreAlias, kCategoryStoreFile, "pagemortlxi472#", {"分类名称"}},
        {kGeneralStoreAlias, kGeneralStoreFile, "hukzeq3916@@27", {"使用时间", "软件密码"}},
    };
    return stores;
}

const StoreInfo* FindStoreInfo(std::string_view alias) {
    for (const StoreInfo& s : AllStores())
        if (alias == s.alias) return &s;
    return nullptr;
}

bool OpenStoreByName(std::string_view name) {
    const StoreInfo* info = FindStoreInfo(name);
    if (!info) return false;
    const std::string path = ProgramFolder() + info->fileName;
    RecordStore& rs = Stores();
    if (rs.IsOpen(path)) return rs.SelectStore(info->alias) && rs.First();
    return rs.Open(path, info->alias, info->password);
}

void CloseStoreByName(std::string_view name) {
    if (name.empty())
        Stores().CloseAll();
    else
        Stores().Close(std::string(name));
}

bool DeleteCurrentAndPurge() {
    RecordStore& rs = Stores();
    return rs.DeleteCurrent() && rs.Purge();
}

namespace {
constexpr char kCategoryOpenFailed[] = "打开分类数据库失败！";
}  // namespace

bool CategoryExists(std::string_view name) {
    if (!OpenStoreByName(kCategoryStoreAlias)) {
        ShowMessage(kCategoryOpenFailed);
        CloseStoreByName(kCategoryStoreAlias);
        return false;
    }
    return Stores().Find([name](const Fields& f) { return !f.empty() && f[0] == name; });
}

std::optional<std::vector<std::string>> ReadCategoryNames() {
    if (!OpenStoreByName(kCategoryStoreAlias)) {
        ShowMessage(kCategoryOpenFailed);
        return std::nullopt;
    }
    RecordStore& store = Stores();
    std::vector<std::string> names;
    const long long count = store.RecordCount();
    names.reserve(static_cast<std::size_t>(count));
    for (long long i = 0; i < count; ++i) {
        names.push_back(store.Read(1));
        store.Skip(1);
    }
    CloseStoreByName(kCategoryStoreAlias);
    return names;
}

}  // namespace qm
