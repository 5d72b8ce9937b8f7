// The fixed texts of the two exchange formats: the section lines and delimiters of the native
// format, the placeholders of line templates, and the two marks the template analysis works with
// (they belong to no file). Portable, no state.
#pragma once

#include <string>
#include <string_view>

namespace qm {

inline constexpr char kLineEnd[] = "\r\n";

inline constexpr char kCategoriesBegin[] = "<!--分类数据开始-->";
inline constexpr char kCategoriesEnd[] = "<!--分类数据结束-->";
inline constexpr char kSitesBegin[] = "<!--网站数据开始-->";
inline constexpr char kSitesEnd[] = "<!--网站数据结束-->";
inline constexpr char kCategoryOpen[] = "{@#]";
inline constexpr char kCategoryClose[] = "[#@}";
inline constexpr char kSiteOpen[] = "{@@##]";
inline constexpr char kSiteClose[] = "[##@@}";
inline constexpr char kFieldOpen[] = "[(开@始)]";
inline constexpr char kFieldClose[] = "[(结@束)]";

inline constexpr char kBeforeMark[] = "[@#~前~#@]";
inline constexpr char kAfterMark[] = "[@#~后~#@]";

inline constexpr char kDefaultTemplate[] = "[#网站地址#]-[#网站标题#]-[#PR值#]";
inline constexpr char kPlaceholderOpen[] = "[#";
inline constexpr char kPlaceholderClose[] = "#]";

// Format index 0 of the format combos is the native format, index 1 the custom one; the items after
// them are other programs' formats (exchange/login_formats.h).
inline constexpr int kNativeFormat = 0;
inline constexpr int kCustomFormat = 1;

// "[#" + field name + "#]".
inline std::string Placeholder(std::string_view fieldName) {
    return std::string(kPlaceholderOpen).append(fieldName).append(kPlaceholderClose);
}

}  // namespace qm
