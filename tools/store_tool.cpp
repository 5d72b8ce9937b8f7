// store_tool create FOLDER [--overwrite]: creates the three stores of a new installation in FOLDER
// (the general store with its one record, both fields empty; the others empty). An existing store
// is kept unless --overwrite is given. Exit code 0 unless a creation failed. Used by make dist/run.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/stores.h"
#include "platform/file_io.h"
#include "platform/record_store.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: store_tool create FOLDER [--overwrite]\n");
    return 2;
}

bool CreateStore(const qm::StoreInfo& info, const std::string& path, bool overwrite) {
    if (!qm::RecordStore::Create(path, info.password, info.fieldNames, overwrite)) return false;
    if (std::strcmp(info.alias, qm::kGeneralStoreAlias) != 0) return true;
    qm::RecordStore rs;
    bool ok = rs.Open(path, info.alias, info.password) && rs.Append({});
    rs.CloseAll();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "create") != 0) return Usage();
    bool overwrite = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--overwrite") != 0) return Usage();
        overwrite = true;
    }
    std::string folder = argv[2];
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    // Plain names for the console: the file names are GBK.
    const char* names[] = {"site store", "category store", "general store"};
    int failures = 0, index = 0;
    for (const qm::StoreInfo& info : qm::AllStores()) {
        const std::string path = folder + info.fileName;
        const char* name = names[index++ % 3];
        if (!overwrite && qm::fileio::Exists(path)) {
            std::printf("kept the existing %s\n", name);
            continue;
        }
        if (CreateStore(info, path, overwrite)) {
            std::printf("created the %s\n", name);
        } else {
            std::fprintf(stderr, "could not create the %s\n", name);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
