// Import: a file's content read into the stores, in the native format or in the custom format of
// a line template. Categories and sites are only ever appended; a site whose host is stored
// already (or was imported earlier in the same run) is skipped, so importing a file twice adds
// nothing the second time. Every byte of the file is read, NUL and 1A included; what the reader
// cannot take apart (an opening delimiter with no closing one) or passes over inside a record
// (anything but delimiters and line ends) is said before the completion message. Portable; window
// thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "exchange/marked_text.h"

namespace qm {

inline constexpr char kImportDoneMessage[] = "导入完成！";
inline constexpr char kImportDoneTitle[] = "提示";
inline constexpr char kImportNoPathMessage[] = "请选择导入文件！";
inline constexpr char kImportReadFailedMessage[] = "打开导入文件失败！";
inline constexpr char kImportUnreadableMessage[] = "导入文件中有无法读取的数据！";
inline constexpr char kTemplateWithoutAddressMessage[] = "格式文本中缺少[#网站地址#]！";

// Said before the completion message when sites (or categories, with their sites) were skipped
// for a field longer than kMaxFieldBytes.
std::string TooLongSkippedMessage(long long count);

// The native format taken apart: the category names of the category section and the records of
// the site section, each collected once; `skipped` when the reading passes over more than
// delimiters and line ends: in a record's fields, or in what the items leave of either section.
struct NativeContent {
    MarkedItems categories, records;
    bool skipped = false;
    bool Unreadable() const { return categories.unclosed || records.unclosed || skipped; }
};
NativeContent ReadNativeText(std::string_view text);

// The first `count` fields of a site record, views into it; fields without a piece are empty.
std::vector<std::string_view> RecordFields(std::string_view record, std::size_t count = 10);
// True when reading a record's ten fields passes over anything but delimiters and line ends: text
// between a field's closing delimiter and the next opening one, a field that the record's closing
// delimiter cut short, pieces after the tenth.
bool RecordSkipsData(std::string_view record);

// Sites come in the order of the file's category section, each category's in record order; a
// site whose category is not in that section is not imported.
void ImportNative(std::string_view text);
// One site per line up to the first empty line, into the target category unless the template
// carries "[#分类名称#]". A template without "[#网站地址#]" is refused: without an address
// sites cannot be told apart.
void ImportCustom(std::string_view lineTemplate, std::string_view target, std::string_view text);
// Format index 0: native; 1: custom; from 2 on, the formats of ForeignImportFormats().
void ImportText(int formatIndex, std::string_view lineTemplate, std::string_view target,
                std::string_view text);

// The import run of the window: reads the whole file and imports it, then shows "导入完成！"
// (also after a failure, which is said first).
void ImportFromFile(const std::string& path, int formatIndex, std::string_view lineTemplate,
                    std::string_view target);

}  // namespace qm
