// Benchmark of other programs' files: imports into empty stores in a temporary program folder,
// through the function the import window's button runs (file read, decoded, parsed, both stores
// written and closed). Prints, natively (and with "_wine" under Wine):
//   import_chrome_csv_25k_ms   a Chrome/Edge password file of 25,000 logins (UTF-8, Chinese
//                              titles, every tenth note with a line break)
//   import_bookmarks_25k_ms    a bookmark file of 25,000 links in 300 folders (30 with 9 nested
//                              folders each), every link with a base64 icon: about 10 MB
//   export_chrome_csv_25k_ms   the catalogue written back as a Chrome/Edge file
// Best of two runs each; every import is checked (25,000 sites stored) or the bench fails. With
// QM_BENCH_LARGE set, also the hostile sizes (one run each):
//   import_chrome_csv_1m_ms    1,000,000 rows (66 MB), every one stored
//   import_random_50mb_ms      50 MB of random bytes as a Chrome/Edge file (refused: no address
//                              column) and as a bookmark file (nothing found)
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>

#include "bench_clock.h"
#include "core/stores.h"
#include "exchange/csv.h"
#include "exchange/export_text.h"
#include "exchange/import_text.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "platform/text.h"
#include "platform/whole_file.h"
#include "store/record_store.h"

namespace {

constexpr int kSites = 25000;
constexpr int kFolders = 300;
// Combo indexes of the formats in the import and export windows.
constexpr int kImportChrome = 2, kImportBookmarks = 6, kExportChrome = 2;

#ifdef _WIN32
constexpr char kSuffix[] = "_wine";
#else
constexpr char kSuffix[] = "";
#endif

using qm::bench::NowMs;

std::string ChromeFile() {
    std::string gbk = "name,url,username,password,note\r\n";
    for (int i = 0; i < kSites; ++i) {
        const std::string n = std::to_string(i);
        gbk += qm::CsvRecord({"网站标题 " + n + " 的示例页面", "https://www.example-site-" + n + ".com/login",
                              "user" + n, "p,w\"" + n, i % 10 ? "" : "备注\r\n第二行"});
    }
    return qm::GbkToUtf8(gbk);
}

std::string BookmarkFile() {
    std::mt19937 gen(3);
    const char* base64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string icon = "data:image/png;base64,";
    for (int k = 0; k < 270; ++k) icon += base64[gen() % 64];
    std::string gbk =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<META HTTP-EQUIV=\"Content-Type\" "
        "CONTENT=\"text/html; charset=UTF-8\">\r\n<TITLE>Bookmarks</TITLE>\r\n<H1>Bookmarks</H1>\r\n"
        "<DL><p>\r\n";
    constexpr int perFolder = kSites / kFolders + 1;
    int site = 0;
    for (int top = 0; top < kFolders / 10; ++top) {
        gbk += "<DT><H3 ADD_DATE=\"1600000000\">文件夹 " + std::to_string(top) +
               " &amp; 更多</H3>\r\n<DL><p>\r\n";
        for (int sub = 0; sub < 10; ++sub) {
            if (sub) gbk += "<DT><H3>子文件夹 " + std::to_string(sub) + "</H3>\r\n<DL><p>\r\n";
            for (int k = 0; k < perFolder && site < kSites; ++k, ++site) {
                const std::string n = std::to_string(site);
                gbk += "<DT><A HREF=\"https://www.example-site-" + n +
                       ".com/?a=1&amp;b=2\" ADD_DATE=\"1600000000\" ICON=\"" + icon + "\">书签 " + n +
                       " &lt;示例&gt;</A>\r\n";
            }
            if (sub) gbk += "</DL><p>\r\n";
        }
        gbk += "</DL><p>\r\n";
    }
    return qm::GbkToUtf8(gbk + "</DL><p>\r\n");
}

bool MakeStores(const std::string& folder) {
    qm::CloseStoreByName("");
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true)) return false;
    return true;
}

long long Count(const char* alias) {
    if (!qm::OpenStoreByName(alias)) return -1;
    const long long n = qm::Stores().RecordCount();
    qm::CloseStoreByName(alias);
    return n;
}

// Best of two imports of the file into empty stores; -1 when one did not store every site.
double TimedImport(const std::string& folder, const std::string& file, int format) {
    double best = -1;
    for (int run = 0; run < 2; ++run) {
        if (!MakeStores(folder)) return -1;
        const double t = NowMs();
        qm::ImportFromFile(file, format, "", "自动分配");
        const double ms = NowMs() - t;
        if (Count(qm::kSiteStoreAlias) != kSites) return -1;
        if (best < 0 || ms < best) best = ms;
    }
    return best;
}

int LargeFiles(const std::string& folder) {
    constexpr int kRows = 1000000;
    std::string csv = "name,url,username,password,note\r\n";
    for (int i = 0; i < kRows; ++i) {
        const std::string n = std::to_string(i);
        csv += "site " + n + ",https://www.example-site-" + n + ".com/login,user" + n + ",pw" + n + ",\r\n";
    }
    const std::string big = folder + "\\big.csv", noise = folder + "\\noise.bin";
    std::mt19937 gen(9);
    std::string bytes(50u << 20, '\0');
    for (char& c : bytes) c = static_cast<char>(gen());
    if (!qm::ReplaceWholeFile(big, csv) || !qm::ReplaceWholeFile(noise, bytes)) return 1;
    csv.clear(), csv.shrink_to_fit(), bytes.clear(), bytes.shrink_to_fit();
    if (!MakeStores(folder)) return 1;
    double t = NowMs();
    qm::ImportFromFile(big, kImportChrome, "", "自动分配");
    std::printf("bench import_chrome_csv_1m%s_ms %.0f ms\n", kSuffix, NowMs() - t);
    const bool stored = Count(qm::kSiteStoreAlias) == kRows;
    t = NowMs();
    qm::ImportFromFile(noise, kImportChrome, "", "自动分配");
    qm::ImportFromFile(noise, kImportBookmarks, "", "自动分配");
    std::printf("bench import_random_50mb%s_ms %.0f ms (both formats)\n", kSuffix, NowMs() - t);
    if (!stored || Count(qm::kSiteStoreAlias) != kRows)
        return std::fprintf(stderr, "the large import failed\n"), 1;
    return 0;
}

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("qm-bench-foreign-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir);
    const std::string folder = dir.string();
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::SetProgramFolderForTesting(folder);
    const std::string chrome = folder + "\\chrome.csv", bookmarks = folder + "\\bookmarks.html";
    const std::string bookmarkBytes = BookmarkFile();
    if (!qm::ReplaceWholeFile(chrome, ChromeFile()) || !qm::ReplaceWholeFile(bookmarks, bookmarkBytes))
        return std::fprintf(stderr, "cannot write the files\n"), 1;
    int failed = 0;
    const double b = TimedImport(folder, bookmarks, kImportBookmarks);
    if (b < 0) ++failed, std::fprintf(stderr, "the bookmark import failed\n");
    if (Count(qm::kCategoryStoreAlias) != kFolders) ++failed, std::fprintf(stderr, "folders missing\n");
    std::printf("bench import_bookmarks_25k%s_ms %.0f ms (file %.1f MB)\n", kSuffix, b,
                bookmarkBytes.size() / 1048576.0);
    const double c = TimedImport(folder, chrome, kImportChrome);
    if (c < 0) ++failed, std::fprintf(stderr, "the Chrome import failed\n");
    std::printf("bench import_chrome_csv_25k%s_ms %.0f ms\n", kSuffix, c);
    const double t = NowMs();
    const bool exported = qm::ExportToFile(folder + "\\out.csv", kExportChrome, "", qm::kAllCategoriesChoice);
    std::printf("bench export_chrome_csv_25k%s_ms %.0f ms\n", kSuffix, NowMs() - t);
    if (!exported) ++failed, std::fprintf(stderr, "the export failed\n");
    if (std::getenv("QM_BENCH_LARGE")) failed += LargeFiles(folder);
    qm::CloseStoreByName("");
    qm::SetDialogScript(nullptr);
    std::error_code ec;
    if (!std::getenv("QM_BENCH_KEEP")) std::filesystem::remove_all(dir, ec);
    return failed ? 1 : 0;
}
