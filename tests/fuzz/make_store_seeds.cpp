// Writes the seed stores of the store_open fuzz corpus into a folder: small real stores (password
// "fuzz", the lowest key-derivation cost) that reach each kind of entry: appends, an update, a
// delete and purge, a batch in parts, a compaction's rows and hand-over; with a second folder, also
// a backup archive of one of them as the site store. Run by hand when a format changes:
// make_store_seeds tests/fuzz/corpus/store_open tests/fuzz/corpus/zip_restore
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/file_io.h"
#include "platform/zip_archive.h"
#include "store/record_store.h"
#include "store/store_file.h"

int main(int argc, char** argv) {
    using namespace qm;
    if (argc != 2 && argc != 3) return std::fprintf(stderr, "usage: make_store_seeds FOLDER [ZIPFOLDER]\n"), 2;
    const std::string dir = argv[1];
    SetStoreKdfIterationsForTesting(storefile::kMinIterations);
    const Fields schema = {"a", "b", "c"};
    auto make = [&](const std::string& name, auto&& fill) {
        const std::string path = name[0] == '\\' ? dir + name : dir + "/" + name;
        fileio::RemoveFile(path);
        RecordStore rs;
        if (!RecordStore::Create(path, "fuzz", schema) || !rs.Open(path, "s", "fuzz")) return false;
        fill(rs);
        rs.CloseAll();
        return true;
    };
    bool ok = make("empty.edb", [](RecordStore&) {});
    ok = ok && make("appends.edb", [](RecordStore& rs) {
        for (int i = 0; i < 4; ++i) rs.Append({"http://a" + std::to_string(i), "t", "u"});
    });
    ok = ok && make("changes.edb", [](RecordStore& rs) {
        rs.Append({"x", "y", "z"});
        rs.Append({"p", "q", "r"});
        rs.Write("b", "changed");
        rs.DeleteCurrent();
        rs.Purge();
        rs.Append({"last", "", ""});
    });
    ok = ok && make("batch.edb", [](RecordStore& rs) {
        rs.Append({"before", "", ""});
        rs.BeginBatch();
        for (int i = 0; i < 3000; ++i) rs.Append({std::string(100, static_cast<char>('a' + i % 26)), "b", "c"});
        rs.CommitBatch();
    });
    ok = ok && make("compacted.edb", [](RecordStore& rs) {
        for (int i = 0; i < 200; ++i) rs.Append({"site" + std::to_string(i), "", ""});
    });
    if (ok && argc == 3) {
        const std::string site = dir + "\\网站数据库.edb";
        ok = make("\\网站数据库.edb", [](RecordStore& rs) { rs.Append({"http://a.cn", "网站", "u"}); });
        ok = ok && CompressFile(site, std::string(argv[2]) + "\\wz.zip") == 1;
        fileio::RemoveFile(site);
    }
    SetStoreKdfIterationsForTesting(0);
    return ok ? 0 : 1;
}
