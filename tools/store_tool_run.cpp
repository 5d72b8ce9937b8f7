// store_tool create FOLDER [--overwrite]: creates the three stores of a new installation in FOLDER
// (the general store with its one record, both fields empty; the others empty). An existing store
// is kept unless --overwrite is given; a replaced store is written beside the old one and renamed
// over it. Used by make dist and make run.
#include <cstdio>
#include <cstring>

#include "core/stores.h"
#include "platform/file_io.h"
#include "platform/record_store.h"
#include "store_tool.h"

namespace qm {

namespace {

int Usage() {
    std::fprintf(stderr, "usage: store_tool create FOLDER [--overwrite]\n");
    return 2;
}

bool CreateStore(const StoreInfo& info, const std::string& path, bool overwrite) {
    if (!RecordStore::Create(path, info.password, info.fieldNames, overwrite)) return false;
    if (std::strcmp(info.alias, kGeneralStoreAlias) != 0) return true;
    RecordStore rs;
    bool ok = rs.Open(path, info.alias, info.password) && rs.Append({});
    rs.CloseAll();
    return ok;
}

}  // namespace

int RunStoreTool(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0] != "create" || args[1].empty()) return Usage();
    bool overwrite = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] != "--overwrite") return Usage();
        overwrite = true;
    }
    std::string folder = args[1];
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    // Plain names for the console: the file names are GBK.
    const char* names[] = {"site store", "category store", "general store"};
    int failures = 0, index = 0;
    for (const StoreInfo& info : AllStores()) {
        const std::string path = folder + info.fileName;
        const char* name = names[index++ % 3];
        if (!overwrite && fileio::Exists(path)) {
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

}  // namespace qm
