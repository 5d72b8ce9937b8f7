// Export and import benchmark: a catalogue of 100,000 sites in 100 categories, in a temporary
// program folder, through the functions the two windows' buttons run. Prints
//   import_native_100k_vs_sqlite      the native file read into empty stores (file read, both
//                                     stores written and closed) against Debian's sqlite3 CLI
//                                     importing the same rows from CSV (.import) into a table
//                                     with a unique index on the host; best of three each, taken
//                                     in turns (native only)
//   import_native_100k_dup_vs_sqlite  the same file again, every site a duplicate, against the
//                                     same .import again, every row refused by the index
//   export_100k_ms                    the whole catalogue exported in the native format to a file
//                                     ("所有数据"), file written and flushed
//   import_peak_mem_vs_file           a child process importing the file: its peak resident
//                                     growth, less what the filled stores take when merely
//                                     loaded, over the file size (native only)
//   import_native_100k_wine_ms        the import under Wine (Windows build)
//   import_hostile_1mb_ms             a crafted 1 MB file: one category piece, bare opening
//                                     delimiters, then copies of the piece (each removal joins
//                                     the piece's copy to the bare ones); the whole import run
//                                     (import_hostile_1mb_wine_ms under Wine)
//   import_hostile_50mb_peak_vs_file  a child process importing 50 MB of bare opening delimiters
//                                     in the category section: its peak resident growth over the
//                                     file size (native only)
//   import_custom_hostile_1mb_ms      a crafted custom-format file of 1 MB: one short line per
//                                     site, every host new ("h1f"), imported by the template of the
//                                     address alone (import_custom_hostile_1mb_wine_ms under Wine)
//   import_custom_hostile_4mb_vs_1mb  the same for 4 MB over the 1 MB time (4 when linear)
//   import_custom_hostile_1mb_peak_vs_file  a child importing the 1 MB file: its peak resident
//                                     growth over the file size; ..._less_stores_vs_file less
//                                     what the filled stores take when merely loaded (native only)
// Every import is checked: 100,000 sites and 100 categories stored, or the bench fails; the
// crafted import must store its one category and say that the rest could not be read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

#include "bench_clock.h"
#include "bench_sites.h"
#include "core/stores.h"
#include "platform/whole_file.h"
#include "exchange/exchange_format.h"
#include "exchange/export_text.h"
#include "exchange/import_text.h"
#include "platform/dialogs.h"
#include "platform/program_folder.h"
#include "store/record_store.h"
#include "web/address.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

using namespace qm;

constexpr int kSites = 100000;
constexpr int kCategories = 100;

using qm::bench::NowMs;

std::vector<std::string> SiteFields(int i) {
    return bench::Site("分类" + std::to_string(i % kCategories), i);
}

// The native file of the catalogue as the export writes it (sites grouped by category), and the
// same rows as CSV with the host in an eleventh column.
void MakeFiles(std::string* native, std::string* csv) {
    *native = std::string(kCategoriesBegin) + kLineEnd;
    for (int c = 0; c < kCategories; ++c)
        native->append(kCategoryOpen)
            .append("分类" + std::to_string(c))
            .append(kCategoryClose)
            .append(kLineEnd);
    native->append(kCategoriesEnd).append(kLineEnd).append(kSitesBegin).append(kLineEnd);
    for (int i = 0; i < kSites; ++i) {
        constexpr int perCategory = kSites / kCategories;
        const std::vector<std::string> site = SiteFields(i % perCategory * kCategories + i / perCategory);
        native->append(qm::NativeSiteLine(site));
        for (const std::string& f : site) csv->append(f).append(",");
        csv->append(qm::ExtractHost(site[1])).append("\n");
    }
    native->append(kSitesEnd).append(kLineEnd);
}

bool MakeStores(const std::string& folder) {
    qm::CloseStoreByName("");
    for (const qm::StoreInfo& s : qm::AllStores())
        if (!qm::RecordStore::Create(folder + s.fileName, s.password, s.fieldNames, true)) return false;
    // Derive the keys once, as the running program has done before its first import.
    const bool opened =
        qm::OpenStoreByName(qm::kSiteStoreAlias) && qm::OpenStoreByName(qm::kCategoryStoreAlias);
    qm::CloseStoreByName("");
    return opened;
}

// The category section of a native file around `body`, and an empty site section.
std::string CategorySection(const std::string& body) {
    return std::string(kCategoriesBegin) + kLineEnd + body + kLineEnd + kCategoriesEnd + kLineEnd +
           kSitesBegin + kLineEnd + kSitesEnd + kLineEnd;
}

// One piece, then bare opening delimiters and copies of the piece in equal numbers, `bytes` long in
// all: every copy's removal joins the next copy to the bare delimiters before it.
std::string CraftedFile(std::size_t bytes) {
    const std::string piece = std::string(kCategoryOpen) + "u" + kCategoryClose;
    const std::size_t count = bytes / (piece.size() + std::strlen(kCategoryOpen));
    std::string body = piece;
    for (std::size_t i = 0; i < count; ++i) body += kCategoryOpen;
    for (std::size_t i = 0; i < count; ++i) body += piece;
    return CategorySection(body);
}

// A custom-format file of `bytes`: short lines, each a site of a host not seen before. Each line
// becomes a record, so it is the most a byte of such a file can make an import hold; returns the
// number of lines.
std::size_t CustomHostileFile(std::size_t bytes, std::string* text) {
    text->clear();
    std::size_t lines = 0;
    char line[32];
    while (text->size() < bytes) text->append(line, std::snprintf(line, sizeof line, "h%zx\n", lines++));
    return lines;
}

std::string AddressTemplate() {
    return qm::Placeholder(qm::SiteFieldNames()[1]);
}

long long Count(const char* alias) {
    if (!qm::OpenStoreByName(alias)) return -1;
    const long long n = qm::Stores().RecordCount();
    qm::CloseStoreByName(alias);
    return n;
}

// One import of the file, its milliseconds; -1 when the stores do not hold the catalogue after it.
double TimedImport(const std::string& file) {
    const double t = NowMs();
    qm::ImportFromFile(file, qm::kNativeFormat, "", "自动分配");
    const double ms = NowMs() - t;
    return Count(qm::kSiteStoreAlias) == kSites && Count(qm::kCategoryStoreAlias) == kCategories ? ms : -1;
}

#ifndef _WIN32
long StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    long value = 0;
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, key, std::strlen(key)) == 0) value = std::atol(line + std::strlen(key));
    if (f) std::fclose(f);
    return value;
}

// Runs a program with its output into `out`; its wall time in ms (spawn to exit), or -1.
double RunTimed(const std::vector<std::string>& args, const std::string& out) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const double t = NowMs();
    pid_t pid = 0;
    int status = 0;
    const bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                    waitpid(pid, &status, 0) == pid && WIFEXITED(status);
    const double ms = NowMs() - t;
    posix_spawn_file_actions_destroy(&actions);
    return ok ? ms : -1;
}

bool NewSqliteTable(const std::string& db) {
    std::filesystem::remove(db);
    return RunTimed({"sqlite3", db,
                     "CREATE TABLE s(category, address, title, account, password, pr, baidu, google, "
                     "baidu_links, yahoo_links, host); CREATE UNIQUE INDEX s_host ON s(host);"},
                    "/dev/null") >= 0;
}

double SqliteImport(const std::string& db, const std::string& csv) {
    return RunTimed({"sqlite3", db, ".import --csv " + csv + " s"}, "/dev/null");
}

// A child's figures: the resident size before it began, its peak, in kB.
struct Memory {
    long base = 0, peak = 0;
};
Memory ChildMemory(const char* self, const std::string& mode, const std::string& folder,
                   const std::string& file, const std::string& report) {
    Memory m;
    if (RunTimed({self, mode, folder, file}, report) < 0) return m;
    FILE* f = std::fopen(report.c_str(), "r");
    if (!f || std::fscanf(f, "%ld %ld", &m.base, &m.peak) != 2) m = {};
    if (f) std::fclose(f);
    return m;
}

// The child: imports the file (or, with --load, only loads the stores) and reports its memory.
int Child(const std::string& mode, const std::string& folder, const std::string& file) {
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::SetProgramFolderForTesting(folder);
    const long base = StatusKb("VmRSS:");
    if (mode == "--import") {
        qm::ImportFromFile(file, qm::kNativeFormat, "", "自动分配");
    } else if (mode == "--import-custom") {
        qm::ImportFromFile(file, qm::kCustomFormat, AddressTemplate(), "自动分配");
    } else {
        std::size_t bytes = 0;
        for (const char* alias : {qm::kSiteStoreAlias, qm::kCategoryStoreAlias}) {
            if (!qm::OpenStoreByName(alias)) return 1;
            bytes += qm::Stores().Read(1).size();
        }
        qm::CloseStoreByName("");
        if (bytes == 0) return 1;
    }
    std::printf("%ld %ld\n", base, StatusKb("VmHWM:"));
    return 0;
}

void CompareWithSqlite(const char* self, const std::filesystem::path& dir, const std::string& folder,
                       const std::string& file, std::size_t fileSize, const std::string& csv) {
    const std::string db = (dir / "sites.db").string();
    double first = -1, again = -1, sqliteFirst = -1, sqliteAgain = -1;
    auto best = [](double* b, double v) {
        if (v > 0 && (*b < 0 || v < *b)) *b = v;
    };
    for (int run = 0; run < 3; ++run) {
        if (!MakeStores(folder) || !NewSqliteTable(db)) return (void)std::fprintf(stderr, "setup failed\n");
        best(&first, TimedImport(file));
        best(&again, TimedImport(file));
        best(&sqliteFirst, SqliteImport(db, csv));
        best(&sqliteAgain, SqliteImport(db, csv));
    }
    if (first < 0 || again < 0 || sqliteFirst < 0 || sqliteAgain < 0)
        return (void)std::fprintf(stderr, "an import failed\n");
    std::printf("bench import_native_100k_ms %.1f ms\n", first);
    std::printf("bench import_native_100k_dup_ms %.1f ms\n", again);
    std::printf("bench sqlite_import_100k_ms %.1f ms\n", sqliteFirst);
    std::printf("bench sqlite_import_100k_dup_ms %.1f ms\n", sqliteAgain);
    std::printf("bench import_native_100k_vs_sqlite %.2f ratio\n", first / sqliteFirst);
    std::printf("bench import_native_100k_dup_vs_sqlite %.2f ratio\n", again / sqliteAgain);

    const std::string report = (dir / "child.txt").string();
    if (!MakeStores(folder)) return;
    const Memory import = ChildMemory(self, "--import", folder, file, report);
    const Memory load = ChildMemory(self, "--load", folder, file, report);
    const double fileKb = static_cast<double>(fileSize) / 1024;
    if (import.peak <= 0 || load.peak <= 0) return (void)std::fprintf(stderr, "the memory children failed\n");
    const double stores = static_cast<double>(load.peak - load.base);
    std::printf("bench import_peak_mem_mb %.1f MB\n", (import.peak - import.base) / 1024.0);
    std::printf("bench import_stores_mem_mb %.1f MB\n", stores / 1024);
    std::printf("bench import_file_mb %.1f MB\n", fileKb / 1024);
    std::printf("bench import_peak_mem_vs_file %.2f ratio\n", (import.peak - import.base - stores) / fileKb);
}
#endif

// The crafted custom-format imports: 1 MB and 4 MB timed here, and (natively) the memory of a child
// importing 1 MB; false when an import did not store every line.
bool CustomHostileImports(const char* self, const std::filesystem::path& dir, const std::string& folder) {
    const std::string file = folder + "\\custom.txt";
    std::string text;
    double ms[2] = {-1, -1};
    for (int k = 0; k < 2; ++k) {
        const std::size_t lines = CustomHostileFile(std::size_t{1} << (k ? 22 : 20), &text);
        if (!MakeStores(folder) || !qm::ReplaceWholeFile(file, text)) return false;
        const double t = NowMs();
        qm::ImportFromFile(file, qm::kCustomFormat, AddressTemplate(), "自动分配");
        ms[k] = NowMs() - t;
        if (Count(qm::kSiteStoreAlias) != static_cast<long long>(lines)) return false;
    }
#ifdef _WIN32
    (void)self, (void)dir;
    std::printf("bench import_custom_hostile_1mb_wine_ms %.0f ms\n", ms[0]);
#else
    std::printf("bench import_custom_hostile_1mb_ms %.1f ms\n", ms[0]);
    std::printf("bench import_custom_hostile_4mb_vs_1mb %.2f ratio\n", ms[1] / ms[0]);
    CustomHostileFile(std::size_t{1} << 20, &text);
    if (!MakeStores(folder) || !qm::ReplaceWholeFile(file, text)) return false;
    const std::string report = (dir / "custom-child.txt").string();
    const Memory import = ChildMemory(self, "--import-custom", folder, file, report);
    const Memory load = ChildMemory(self, "--load", folder, file, report);
    if (import.peak <= 0 || load.peak <= 0) return false;
    const double fileKb = static_cast<double>(text.size()) / 1024;
    std::printf("bench import_custom_hostile_1mb_peak_vs_file %.2f ratio\n",
                (import.peak - import.base) / fileKb);
    std::printf("bench import_custom_hostile_1mb_peak_less_stores_vs_file %.2f ratio\n",
                (import.peak - import.base - (load.peak - load.base)) / fileKb);
#endif
    return true;
}

// The crafted import of 1 MB, and (natively) the memory of a child importing 50 MB of bare opening
// delimiters; false when the crafted import did not end as it must.
bool HostileImports(const char* self, const std::filesystem::path& dir, const std::string& folder) {
    const std::string file = folder + "\\hostile.txt";
    if (!MakeStores(folder) || !qm::ReplaceWholeFile(file, CraftedFile(1u << 20))) return false;
    std::vector<qm::ShownDialog>& shown = qm::CurrentDialogScript()->shown;
    shown.clear();
    const double t = NowMs();
    qm::ImportFromFile(file, qm::kNativeFormat, "", "自动分配");
    const double ms = NowMs() - t;
    const bool said = shown.size() == 2 && shown[0].text == qm::kImportUnreadableMessage;
    if (Count(qm::kCategoryStoreAlias) != 1 || !said) return false;
#ifdef _WIN32
    (void)self, (void)dir;
    std::printf("bench import_hostile_1mb_wine_ms %.0f ms\n", ms);
#else
    std::printf("bench import_hostile_1mb_ms %.1f ms\n", ms);
    std::string bare;
    bare.reserve(std::size_t{50} << 20);
    while (bare.size() < (std::size_t{50} << 20)) bare += kCategoryOpen;
    const std::string body = CategorySection(bare);
    bare = std::string();
    if (!MakeStores(folder) || !qm::ReplaceWholeFile(file, body)) return false;
    const Memory m = ChildMemory(self, "--import", folder, file, (dir / "hostile-child.txt").string());
    if (m.peak <= 0) return false;
    std::printf("bench import_hostile_50mb_peak_vs_file %.2f ratio\n",
                (m.peak - m.base) / (static_cast<double>(body.size()) / 1024));
#endif
    return CustomHostileImports(self, dir, folder);
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    if (argc == 4) return Child(argv[1], argv[2], argv[3]);
#endif
    (void)argc;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("qm-bench-exchange-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir);
    const std::string folder = dir.string();
    qm::DialogScript script;
    qm::SetDialogScript(&script);
    qm::SetProgramFolderForTesting(folder);
    std::string native, csv;
    MakeFiles(&native, &csv);
    const std::string file = folder + "\\sites.txt", csvFile = (dir / "sites.csv").string();
    if (!qm::ReplaceWholeFile(file, native)) return std::fprintf(stderr, "cannot write the file\n"), 1;
#ifdef _WIN32
    (void)argv;
    double ms = -1;
    for (int run = 0; run < 2; ++run) {
        if (!MakeStores(folder)) return std::fprintf(stderr, "cannot create the stores\n"), 1;
        const double t = TimedImport(file);
        if (t > 0 && (ms < 0 || t < ms)) ms = t;
    }
    if (ms < 0) return std::fprintf(stderr, "the import failed\n"), 1;
    std::printf("bench import_native_100k_wine_ms %.0f ms\n", ms);
#else
    {
        FILE* f = std::fopen(csvFile.c_str(), "wb");
        if (!f) return 1;
        std::fwrite(csv.data(), 1, csv.size(), f);
        std::fclose(f);
    }
    CompareWithSqlite(argv[0], dir, folder, file, native.size(), csvFile);
#endif
    // The export of the catalogue the last import left.
    const std::string out = folder + "\\export.txt";
    const double t = NowMs();
    const bool exported = qm::ExportToFile(out, qm::kNativeFormat, "", qm::kAllCategoriesChoice);
    const double exportMs = NowMs() - t;
    if (!exported || qm::ReadWholeFile(out) != native) return std::fprintf(stderr, "the export differs\n"), 1;
#ifdef _WIN32
    std::printf("bench export_100k_wine_ms %.0f ms\n", exportMs);
#else
    std::printf("bench export_100k_ms %.0f ms\n", exportMs);
#endif
    if (!HostileImports(argv[0], dir, folder)) return std::fprintf(stderr, "the crafted import failed\n"), 1;
    qm::CloseStoreByName("");
    qm::SetDialogScript(nullptr);
    std::error_code ec;
    if (!std::getenv("QM_BENCH_KEEP")) std::filesystem::remove_all(dir, ec);
    return 0;
}
