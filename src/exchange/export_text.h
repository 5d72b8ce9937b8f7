// Export: the whole catalogue, or the sites of one category, as the text of a file in the native
// format or in the custom format of a line template, and the file written from it. Reads
// SiteStore and CategoryStore and changes nothing in them. Portable; window thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The category choice that exports every category, item 0 of the window's category list.
inline constexpr char kAllCategoriesChoice[] = "所有数据";

inline constexpr char kExportDoneMessage[] = "导出完成！";
inline constexpr char kExportDoneTitle[] = "提示";
inline constexpr char kExportNoPathMessage[] = "请选择导出地址！";
inline constexpr char kExportWriteFailedMessage[] = "写入导出文件失败！";

// The native format's line of one site (its ten fields in their fixed order), CR LF included.
std::string NativeSiteLine(const std::vector<std::string>& site);

// The whole file content for a format index (0: native, 1: custom with the template, from 2 on
// the formats of ForeignExportFormats()) and a category choice (kAllCategoriesChoice, or one
// category name). Sites come grouped by category, in
// the order of CategoryStore for every category, and in store order within one. nullopt after
// "打开分类数据库失败！" when every category is chosen and CategoryStore cannot be opened, or after
// "打开网站数据库失败！" when SiteStore cannot be opened.
std::optional<std::string> BuildExportText(int formatIndex, std::string_view lineTemplate,
                                           std::string_view choice);

// The export run of the window: builds the text, then replaces the file at path with it in one
// piece (a failure leaves the file as it was and is said), and shows "导出完成！" after every run.
// True when the file was written.
bool ExportToFile(const std::string& path, int formatIndex, std::string_view lineTemplate,
                  std::string_view choice);

}  // namespace qm
