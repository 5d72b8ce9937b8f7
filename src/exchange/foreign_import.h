// Import of other programs' files (login CSV files, bookmark files) into the stores: the file
// decoded and taken apart first, then every category and site written in one store batch, with
// the duplicate rule of the program's own import (a host stored already, or met earlier in the
// file, is skipped). A skipped site with the same host and account as a stored one but another
// password is a conflict: counted apart, nothing changed. Portable; window thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "exchange/login_formats.h"

namespace qm {

inline constexpr char kNoAddressColumnMessage[] = "导入文件不是所选格式：第1行没有网址列！";
inline constexpr char kNoBookmarksMessage[] = "导入文件中没有书签！";

struct ForeignImportReport {
    std::size_t added = 0, duplicates = 0, conflicts = 0;
    std::size_t unreadable = 0, firstUnreadableLine = 0, skipped = 0, replaced = 0;
};

// The final message of a run, one line per count.
std::string ForeignImportSummary(const ForeignImportReport& report);

// Imports the file's bytes and shows the summary (or why nothing could be read); the caller
// says "导入完成！" after it, as after the program's own import.
ForeignImportReport ImportForeign(ForeignFormat format, std::string_view bytes);

}  // namespace qm
