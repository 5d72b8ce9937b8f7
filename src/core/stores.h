// The program's three record stores and the store functions every action uses: open a store by
// its alias (already open: select it and go to record 1), close it, delete the current record at
// once, test whether a category exists. Window thread only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

inline constexpr char kSiteStoreAlias[] = "网站";
inline constexpr char kCategoryStoreAlias[] = "分类";
inline constexpr char kGeneralStoreAlias[] = "时间";

inline constexpr char kSiteStoreFile[] = "\\网站数据库.edb";
inline constexpr char kCategoryStoreFile[] = "\\分类数据库.edb";
inline constexpr char kGeneralStoreFile[] = "\\综合库.edb";

// The ten fields of a site record, in their fixed order.
const std::vector<std::string>& SiteFieldNames();

// Describes one of the three stores; nullptr for any other name.
struct StoreInfo {
    const char* alias;
    const char* fileName;  // begins with a backslash
    const char* password;
    std::vector<std::string> fieldNames;
};
const StoreInfo* FindStoreInfo(std::string_view alias);
const std::vector<StoreInfo>& AllStores();

// The longest value the program stores in a field. Ten fields of a site stay far below what the
// engine takes as one change (16 MiB), so a record that was stored can always be rewritten (a
// category rename rewrites every site of it). Longer text is refused with kTooLongMessage.
inline constexpr std::size_t kMaxFieldBytes = 1u << 20;
inline constexpr char kTooLongMessage[] = "内容过长，无法保存！";
inline bool FieldFits(std::string_view value) {
    return value.size() <= kMaxFieldBytes;
}
inline bool FieldsFit(const std::vector<std::string>& values) {
    for (const std::string& v : values)
        if (!FieldFits(v)) return false;
    return true;
}

bool OpenStoreByName(std::string_view name);
void CloseStoreByName(std::string_view name);  // empty name: close every store
bool DeleteCurrentAndPurge();
bool CategoryExists(std::string_view name);  // shows "打开分类数据库失败！" when the store fails to open
// Every category name in store order, for the category lists of every window; nullopt after
// "打开分类数据库失败！".
std::optional<std::vector<std::string>> ReadCategoryNames();

}  // namespace qm
