// Other programs' files of logins and bookmarks: the formats the exchange windows offer after
// their own two, what each reads into (sites with a category) and how the login CSV files are read
// and written. Columns are found by header name (case-insensitive, any order, known aliases),
// never by position. Portable, no state; window thread (the data has no thread of its own).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

enum class ForeignFormat { ChromeCsv, FirefoxCsv, BitwardenCsv, KeePassXcCsv, Bookmarks };

// A format as the windows offer it: the combo item, the note beside the combo, the file dialog's
// filter and default extension.
struct ForeignFormatInfo {
    ForeignFormat format;
    const char* item;
    const char* note;
    const char* filter;
    const char* extension;
};

// The items after "自定义" in the import and the export window's format combo, in order; the
// export offers every format but the one that is read only.
const std::vector<ForeignFormatInfo>& ForeignImportFormats();
const std::vector<ForeignFormatInfo>& ForeignExportFormats();
// The format of a combo index (2 is the first after the program's own two); nullptr for 0, 1 and
// beyond the list.
const ForeignFormatInfo* ForeignImportFormatAt(int comboIndex);
const ForeignFormatInfo* ForeignExportFormatAt(int comboIndex);

// Where sites without a folder go.
inline constexpr char kUnsortedCategory[] = "未分类";

struct ForeignSite {
    std::string category, title, address, account, password;
    bool operator==(const ForeignSite&) const = default;
};

// What a file holds, GBK, read without touching the stores.
struct ForeignContent {
    std::vector<std::string> categories;  // every folder of the file, first seen first
    std::vector<ForeignSite> sites;
    bool noAddressColumn = false;         // a CSV whose header names no address column
    std::size_t unreadable = 0;           // rows with too few fields
    std::size_t firstUnreadableLine = 0;  // the first one's line (the header is line 1)
    std::size_t skipped = 0;              // entries that are no site: no address, a script, ...
    std::size_t replaced = 0;             // characters GBK cannot hold
};

// A login CSV file's text (GBK) taken apart. The title falls back to the address's host; the
// folder (Bitwarden "folder", KeePassXC "Group" without its root group) becomes the category,
// nested folders as "A/B", none as "未分类".
ForeignContent ReadLoginCsv(ForeignFormat format, std::string_view text);

// The file of a login format (GBK text; the caller turns it into UTF-8). Sites of "未分类" go
// without a folder.
std::string WriteLoginCsv(ForeignFormat format, const std::vector<ForeignSite>& sites);

}  // namespace qm
