// Login CSV formats and the format tables: see login_formats.h.
#include "exchange/login_formats.h"

#include <initializer_list>
#include <unordered_set>

#include "exchange/csv.h"
#include "platform/gbk.h"
#include "web/address.h"

namespace qm {

namespace {

constexpr char kCsvFilter[] = "CSV文件（*.csv）|*.csv";
constexpr char kHtmlFilter[] = "网页文件（*.html;*.htm）|*.html;*.htm";

// The notes fit the label beside the combo (as wide as seven Chinese characters).
const ForeignFormatInfo kChrome{ForeignFormat::ChromeCsv, "Chrome/Edge密码", "浏览器密码CSV", kCsvFilter,
                                "csv"};
const ForeignFormatInfo kFirefox{ForeignFormat::FirefoxCsv, "Firefox登录信息", "登录信息CSV", kCsvFilter,
                                 "csv"};
const ForeignFormatInfo kBitwarden{ForeignFormat::BitwardenCsv, "Bitwarden", "密码管理器CSV", kCsvFilter,
                                   "csv"};
const ForeignFormatInfo kKeePassXc{ForeignFormat::KeePassXcCsv, "KeePassXC", "密码管理器CSV", kCsvFilter,
                                   "csv"};
const ForeignFormatInfo kBookmarks{ForeignFormat::Bookmarks, "浏览器书签", "书签HTML文件", kHtmlFilter,
                                   "html"};

constexpr int kFirstForeignIndex = 2;

const ForeignFormatInfo* At(const std::vector<ForeignFormatInfo>& formats, int comboIndex) {
    const int k = comboIndex - kFirstForeignIndex;
    return k >= 0 && k < static_cast<int>(formats.size()) ? &formats[static_cast<std::size_t>(k)] : nullptr;
}

enum Column { kTitle, kAddress, kAccount, kPassword, kFolder, kType, kColumnCount };

// Header names, lower-cased, of each column in the formats offered and in the files of tools
// that write similar ones.
const std::initializer_list<const char*> kAliases[kColumnCount] = {
    {"name", "title"},
    {"url", "login_uri", "website", "uri", "login_url", "web site", "address", "origin_url"},
    {"username", "login_username", "account", "user name", "user", "login", "username_value"},
    {"password", "login_password", "password_value"},
    {"folder", "group", "grouping", "category"},
    {"type"},
};

// The position of each known column in a header; -1 for a column it lacks (the first of two
// columns with one name counts).
std::vector<int> MapHeader(const std::vector<std::string>& header) {
    std::vector<int> at(kColumnCount, -1);
    for (std::size_t k = 0; k < header.size(); ++k) {
        const std::string name = AsciiLower(TrimBlanks(header[k]));
        for (int c = 0; c < kColumnCount; ++c)
            for (const char* alias : kAliases[c])
                if (at[static_cast<std::size_t>(c)] < 0 && name == alias)
                    at[static_cast<std::size_t>(c)] = static_cast<int>(k);
    }
    return at;
}

bool IsAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string Field(const std::vector<std::string>& row, int at) {
    return at >= 0 && static_cast<std::size_t>(at) < row.size() ? row[static_cast<std::size_t>(at)]
                                                                : std::string();
}

// A folder path as a category: no leading, trailing or doubled "/"; KeePassXC's root group left out.
std::string CategoryOf(ForeignFormat format, std::string_view folder) {
    std::vector<std::string> parts;
    for (std::string& part : Split(folder, "/"))
        if (!part.empty()) parts.push_back(std::move(part));
    std::size_t first = format == ForeignFormat::KeePassXcCsv && !parts.empty() ? 1 : 0;
    std::string category;
    for (std::size_t k = first; k < parts.size(); ++k) category += (category.empty() ? "" : "/") + parts[k];
    return category.empty() ? kUnsortedCategory : category;
}

// Bitwarden joins the several addresses of one login with commas: the first one counts. A comma
// starts the next address only where a scheme ("x://") follows, so one in a query stays.
std::string FirstUri(std::string_view uris) {
    for (std::size_t comma = uris.find(','); comma != std::string_view::npos;
         comma = uris.find(',', comma + 1)) {
        std::size_t i = comma + 1;
        while (i < uris.size() && uris[i] == ' ') ++i;
        const std::size_t schemeAt = i;
        while (i < uris.size() &&
               (IsAsciiAlnum(uris[i]) || uris[i] == '+' || uris[i] == '.' || uris[i] == '-'))
            ++i;
        if (i > schemeAt && uris.substr(i, 3) == "://") return TrimBlanks(uris.substr(0, comma));
    }
    return TrimBlanks(uris);
}

}  // namespace

const std::vector<ForeignFormatInfo>& ForeignImportFormats() {
    static const std::vector<ForeignFormatInfo> formats = {kChrome, kFirefox, kBitwarden, kKeePassXc,
                                                           kBookmarks};
    return formats;
}

const std::vector<ForeignFormatInfo>& ForeignExportFormats() {
    static const std::vector<ForeignFormatInfo> formats = {kChrome, kBitwarden, kKeePassXc, kBookmarks};
    return formats;
}

const ForeignFormatInfo* ForeignImportFormatAt(int comboIndex) {
    return At(ForeignImportFormats(), comboIndex);
}

const ForeignFormatInfo* ForeignExportFormatAt(int comboIndex) {
    return At(ForeignExportFormats(), comboIndex);
}

ForeignContent ReadLoginCsv(ForeignFormat format, std::string_view text) {
    ForeignContent content;
    CsvReader reader(text);
    std::vector<std::string> row;
    std::size_t line = 0;
    if (!reader.Next(&row, &line)) {
        content.noAddressColumn = true;
        return content;
    }
    const std::vector<int> at = MapHeader(row);
    if (at[kAddress] < 0) {
        content.noAddressColumn = true;
        return content;
    }
    const std::size_t width = row.size();
    const bool multipleUris =
        AsciiLower(TrimBlanks(row[static_cast<std::size_t>(at[kAddress])])) == "login_uri";
    std::unordered_set<std::string> listed;
    while (reader.Next(&row, &line)) {
        if (row.size() == 1 && row[0].empty()) continue;  // a blank line holds no row
        if (row.size() < width) {
            if (content.unreadable++ == 0) content.firstUnreadableLine = line;
            continue;
        }
        const std::string type = AsciiLower(TrimBlanks(Field(row, at[kType])));
        ForeignSite site;
        site.address = TrimBlanks(Field(row, at[kAddress]));
        if (multipleUris) site.address = FirstUri(site.address);
        if (site.address.empty() || (at[kType] >= 0 && !type.empty() && type != "login")) {
            ++content.skipped;
            continue;
        }
        site.title = Field(row, at[kTitle]);
        if (site.title.empty()) site.title = ExtractHost(site.address);
        site.account = Field(row, at[kAccount]);
        site.password = Field(row, at[kPassword]);
        site.category = CategoryOf(format, Field(row, at[kFolder]));
        if (listed.insert(site.category).second) content.categories.push_back(site.category);
        content.sites.push_back(std::move(site));
    }
    return content;
}

std::string WriteLoginCsv(ForeignFormat format, const std::vector<ForeignSite>& sites) {
    std::string out;
    auto folder = [](const ForeignSite& s) {
        return s.category == kUnsortedCategory ? std::string() : s.category;
    };
    switch (format) {
        case ForeignFormat::BitwardenCsv:
            out =
                "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                "login_totp\r\n";
            for (const ForeignSite& s : sites)
                out += CsvRecord(
                    {folder(s), "", "login", s.title, "", "", "0", s.address, s.account, s.password, ""});
            break;
        case ForeignFormat::KeePassXcCsv:
            // KeePassXC quotes every field and names the root group first in every path.
            out = CsvRecord({"Group", "Title", "Username", "Password", "URL", "Notes", "TOTP", "Icon",
                             "Last Modified", "Created"},
                            true);
            for (const ForeignSite& s : sites) {
                const std::string f = folder(s);
                out += CsvRecord({f.empty() ? "Root" : "Root/" + f, s.title, s.account, s.password, s.address,
                                  "", "", "0", "", ""},
                                 true);
            }
            break;
        default:
            out = "name,url,username,password,note\r\n";
            for (const ForeignSite& s : sites)
                out += CsvRecord({s.title, s.address, s.account, s.password, ""});
            break;
    }
    return out;
}

}  // namespace qm
