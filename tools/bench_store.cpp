// Store benchmark: a 100,000-site store with realistic field lengths. Prints
//   store_append_batch_per_s  appends with one open (each change written at once, flushed at close)
//   store_append_each_per_s   the program's open-append-close pattern (flushed at every close)
//   store_open_scan_vs_sqlite first open (key derivation, decrypt, load) plus reading every field,
//                             against the sqlite3 CLI reading the same rows (native only); both
//                             timed alike as a child process, best of 9 runs taken in turns
//   store_open_scan_uncompacted_vs_sqlite  the same for the file before the close compacted it
//   store_open_scan_imported_vs_sqlite  the same for the store as the batch of an import of 100,000
//                             sites leaves it (one batch in parts; not compacted)
//   store_peak_mem_vs_plain   peak resident growth of a process loading the store / plaintext size
//                             (native only; a child process measures itself)
//   store_batch_import_100000_ms  100,000 sites appended in one batch through the program's store
//                             functions, each opening and closing the site store as the import does
//   store_batch_delete_1000_of_N_ms  a category of 1,000 sites deleted from a store of N sites
//                             (10,000, 30,000, 100,000) by the program's literal loop (Find, then
//                             DeleteCurrent and Purge) in one batch
// Under Wine the store figures run too; the sqlite and memory comparisons need the native tools,
// so the Windows run prints the open-and-scan time in ms instead of the ratio.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

#include "bench_clock.h"
#include "core/stores.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "platform/whole_file.h"
#include "store/record_store.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

// <chrono> cannot be compiled with the GBK execution character set (its unit suffixes).
struct Clock {
    using time_point = double;
    static double now() { return qm::bench::NowMs(); }
};
double MsSince(double t) {
    return Clock::now() - t;
}

qm::Fields Site(int i) {
    const std::string n = std::to_string(i);
    return {std::string("分类").append(std::to_string(i % 20)),
            "http://www.example-site-" + n + ".com/",
            "网站标题 " + n + " 的示例页面",
            "user" + n,
            "pw" + n + "xyz",
            std::to_string(i % 10),
            std::to_string(i * 7 % 100000),
            std::to_string(i * 13 % 1000000),
            std::to_string(i % 5000),
            std::to_string(i * 3 % 20000)};
}

const qm::StoreInfo& SiteInfo() {
    return *qm::FindStoreInfo(qm::kSiteStoreAlias);
}

// Opens with a fresh engine and reads every field; returns ms, or -1.
double OpenAndScan(const std::string& path, std::size_t* records) {
    auto t = Clock::now();
    qm::RecordStore rs;
    if (!rs.Open(path, "s", SiteInfo().password)) return -1;
    if (std::getenv("QM_BENCH_VERBOSE")) std::fprintf(stderr, "open %.1f ms\n", MsSince(t));
    std::size_t bytes = 0;
    const long long n = rs.RecordCount();
    for (rs.First(); rs.RecordNumber() <= n; rs.Skip())
        for (int k = 1; k <= 10; ++k) bytes += rs.Read(k).size();
    *records = bytes ? static_cast<std::size_t>(n) : 0;  // every record was read (and not optimised away)
    return MsSince(t);
}

#ifndef _WIN32
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return 0;
}

// Runs a program with stdout into `out` and returns its wall time in ms (spawn to exit), or -1.
// Both sides of the comparison are measured this way: process start, load, read, exit.
double RunTimed(const std::vector<std::string>& args, const std::string& out) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const double t = Clock::now();
    pid_t pid = 0;
    int status = 0;
    const bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                    waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const double ms = Clock::now() - t;
    posix_spawn_file_actions_destroy(&actions);
    return ok ? ms : -1;
}

bool MakeSqliteDb(const std::filesystem::path& dir, int count, std::string* db) {
    *db = (dir / "s.db").string();
    const auto sql = dir / "s.sql";
    {
        std::ofstream out(sql, std::ios::binary);
        out << "CREATE TABLE s(a,b,c,d,e,f,g,h,i,j);\nBEGIN;\n";
        for (int i = 1; i <= count; ++i) {
            out << "INSERT INTO s VALUES(";
            qm::Fields f = Site(i);
            for (std::size_t k = 0; k < f.size(); ++k) out << (k ? ",'" : "'") << f[k] << "'";
            out << ");\n";
        }
        out << "COMMIT;\n";
    }
    return std::system(("sqlite3 '" + *db + "' < '" + sql.string() + "'").c_str()) == 0;
}

// One side of the comparison: the best wall time of a child process opening and scanning a store,
// with the child's own figures of that run.
struct StoreSide {
    std::string path;
    double ms = -1, inside = -1;
    long base = 0, hwm = 0;
    void Run(const char* self, const std::string& report, int count) {
        const double t = RunTimed({self, "--load", path}, report);
        std::ifstream in(report);
        double childMs = -1;
        long b = 0, h = 0;
        std::size_t records = 0;
        if (t > 0 && in >> childMs >> b >> h >> records && records == static_cast<std::size_t>(count) &&
            (ms < 0 || t < ms)) {
            ms = t;
            inside = childMs;
            base = b;
            hwm = h;
        }
    }
};

// The store as the engine leaves it (compacted when it was closed), the same store as the log of
// single appends it was before (the worst case: a writer that never closed it), and sqlite3 reading
// the same rows, run in turns so that all see the same load of the machine; the best run counts.
void CompareWithSqlite(const char* self, const std::filesystem::path& dir, const std::string& store,
                       const std::string& log, const std::string& imported, int count, std::size_t plain) {
    std::string db;
    if (!MakeSqliteDb(dir, count, &db)) {
        std::fprintf(stderr, "sqlite3 failed\n");
        return;
    }
    const std::string report = (dir / "child.txt").string();
    StoreSide closed{store}, appended{log}, batch{imported};
    double sqliteMs = -1;
    for (int run = 0; run < 9; ++run) {
        closed.Run(self, report, count);
        appended.Run(self, report, count);
        batch.Run(self, report, 100000);
        const double q = RunTimed({"sqlite3", db, "SELECT * FROM s"}, "/dev/null");
        if (q > 0 && (sqliteMs < 0 || q < sqliteMs)) sqliteMs = q;
    }
    if (closed.ms <= 0 || appended.ms <= 0 || batch.ms <= 0 || sqliteMs <= 0) {
        std::fprintf(stderr, "the comparison with sqlite3 failed\n");
        return;
    }
    std::printf("bench store_open_scan_ms %.1f ms\n", closed.ms);
    std::printf("bench store_open_scan_in_process_ms %.1f ms\n", closed.inside);
    std::printf("bench store_open_scan_uncompacted_ms %.1f ms\n", appended.ms);
    std::printf("bench sqlite_select_all_ms %.1f ms\n", sqliteMs);
    std::printf("bench store_open_scan_vs_sqlite %.2f ratio\n", closed.ms / sqliteMs);
    std::printf("bench store_open_scan_uncompacted_vs_sqlite %.2f ratio\n", appended.ms / sqliteMs);
    std::printf("bench store_open_scan_imported_vs_sqlite %.2f ratio\n", batch.ms / sqliteMs);
    std::printf("bench store_peak_mem_vs_plain %.2f ratio\n", (closed.hwm - closed.base) * 1024.0 / plain);
    std::printf("bench store_peak_mem_uncompacted_vs_plain %.2f ratio\n",
                (appended.hwm - appended.base) * 1024.0 / plain);
    std::printf("bench store_peak_mem_imported_vs_plain %.2f ratio\n",
                (batch.hwm - batch.base) * 1024.0 / plain);
}
#endif

// The program's store functions in a folder of the benchmark's: 100,000 sites imported in one batch,
// then categories of 1,000 sites deleted from stores of 10,000, 30,000 and 100,000 sites.
bool BenchBatches(const std::filesystem::path& dir) {
    const std::string folder = (dir / "program").string();
    std::filesystem::create_directories(dir / "program");
    qm::SetProgramFolderForTesting(folder);
    const qm::StoreInfo& info = SiteInfo();
    const std::string path = folder + info.fileName;
    auto create = [&] { return qm::RecordStore::Create(path, info.password, info.fieldNames, true); };
    qm::RecordStore& rs = qm::Stores();
    if (!create()) return false;
    auto t = Clock::now();
    rs.BeginBatch();
    for (int i = 1; i <= 100000; ++i) {
        if (!qm::OpenStoreByName(qm::kSiteStoreAlias) || !rs.Append(Site(i))) return false;
        qm::CloseStoreByName(qm::kSiteStoreAlias);
    }
    if (!rs.CommitBatch()) return false;
    std::printf("bench store_batch_import_100000_ms %.0f ms\n", MsSince(t));
    qm::CloseStoreByName(qm::kSiteStoreAlias);
    const std::optional<std::string> imported = qm::ReadWholeFile(path);
    if (!imported || !qm::ReplaceWholeFile((dir / "imported.edb").string(), *imported)) return false;
    for (const int count : {10000, 30000, 100000}) {
        if (!create()) return false;
        rs.BeginBatch();  // the filling is not measured
        const int every = count / 1000;
        for (int i = 1; i <= count; ++i) {
            qm::Fields f = Site(i);
            if (i % every == 0) f[0] = "待删";
            if (!qm::OpenStoreByName(qm::kSiteStoreAlias) || !rs.Append(f)) return false;
        }
        if (!rs.CommitBatch()) return false;
        qm::CloseStoreByName("");
        t = Clock::now();
        if (!qm::OpenStoreByName(qm::kSiteStoreAlias)) return false;
        rs.BeginBatch();
        int deleted = 0;
        while (rs.Find([](const qm::Fields& f) { return f[0] == "待删"; })) {
            if (!qm::DeleteCurrentAndPurge()) return false;
            ++deleted;
        }
        if (!rs.CommitBatch() || deleted != 1000 || rs.RecordCount() != count - 1000) return false;
        qm::CloseStoreByName(qm::kSiteStoreAlias);
        std::printf("bench store_batch_delete_1000_of_%d_ms %.0f ms\n", count, MsSince(t));
    }
    qm::SetProgramFolderForTesting("");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {  // child: measures its own peak
        const long base = StatusKb("VmRSS:");
        std::size_t records = 0;
        const double ms = OpenAndScan(argv[2], &records);
        std::printf("%f %ld %ld %zu\n", ms, base, StatusKb("VmHWM:"), records);
        return ms < 0;
    }
#endif
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int eachCount = 2000;  // every close flushes to disk: a few seconds are enough for the rate
    const auto dir = std::filesystem::temp_directory_path() /
                     (std::string("qm-bench-store-").append(std::to_string(std::random_device()())));
    std::filesystem::create_directories(dir);
    const std::string path = dir.string() + "\\site.edb", eachPath = dir.string() + "\\each.edb";
    const qm::StoreInfo& info = SiteInfo();
    if (!qm::RecordStore::Create(path, info.password, info.fieldNames) ||
        !qm::RecordStore::Create(eachPath, info.password, info.fieldNames)) {
        std::fprintf(stderr, "cannot create the stores\n");
        return 1;
    }
    std::size_t plain = 0;
    {
        qm::RecordStore rs;
        rs.Open(path, "s", info.password);
        // Each single change flushes the one before it; that cost is store_append_each_per_s's.
        // Here: the appending itself, and a store of many small entries for the scans.
        qm::fileio::SetSyncToDiskForTesting(false);
        auto t = Clock::now();
        for (int i = 1; i <= count; ++i) {
            qm::Fields f = Site(i);
            for (const std::string& v : f) plain += v.size();
            if (!rs.Append(f)) return std::fprintf(stderr, "append failed: %s\n", rs.LastError().c_str()), 1;
        }
        double ms = MsSince(t);
        // The file as the appends left it, before the close compacts it.
        std::error_code ec;
        std::filesystem::copy_file(dir / "site.edb", dir / "log.edb", ec);
        qm::fileio::SetSyncToDiskForTesting(true);
        t = Clock::now();
        rs.CloseAll();
        ms += MsSince(t);
        std::printf("bench store_append_batch_per_s %.0f per_s\n", count / (ms / 1000));
    }
    {
        qm::RecordStore rs;
        rs.Open(eachPath, "e", info.password);  // derives the key once, as the program does
        rs.CloseAll();
        auto t = Clock::now();
        for (int i = 1; i <= eachCount; ++i) {
            if (!rs.Open(eachPath, "e", info.password) || !rs.Append(Site(i))) return 1;
            rs.CloseAll();
        }
        std::printf("bench store_append_each_per_s %.0f per_s\n", eachCount / (MsSince(t) / 1000));
    }
    if (!BenchBatches(dir))
        std::fprintf(stderr, "the batch benchmark failed: %s\n", qm::Stores().LastError().c_str());
#ifndef _WIN32
    CompareWithSqlite(argv[0], dir, path, dir.string() + "\\log.edb", (dir / "imported.edb").string(), count,
                      plain);
#else
    std::size_t records = 0;
    std::printf("bench store_open_scan_ms %.1f ms\n", OpenAndScan(path, &records));
    std::printf("(store of %d records)\n", count);
#endif
    std::error_code ec;
    if (!std::getenv("QM_BENCH_KEEP")) std::filesystem::remove_all(dir, ec);
    return 0;
}
