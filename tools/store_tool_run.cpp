// The store tool:
//   store_tool create FOLDER [--overwrite]: creates the three stores of a new installation in
//     FOLDER (the general store with its one record, both fields empty; the others empty). An
//     existing store is kept unless --overwrite is given; a replaced store is written beside the old
//     one and renamed over it. Used by make dist and make run.
//   store_tool check FILE: reports whether a store file is intact, ends in a torn tail (the records
//     before it open; the torn bytes are cut at the next change) or is damaged at an offset (the
//     program refuses to open it). Exit code 0, 1 or 2; 3 when the file cannot be read or none of
//     the program's passwords opens it.
//   store_tool salvage FILE OUT: writes every record of FILE that can be authenticated, in order,
//     into the new store OUT (which must not exist). FILE is only read. Exit code 0 or 1.
// The password of a file is found by trying the program's three store passwords, so a store keeps
// working under another name (a backup copy, say). Usage errors exit with 64. Single-threaded.
#include <cstdio>
#include <cstring>

#include "core/stores.h"
#include "platform/file_io.h"
#include "store/record_store.h"
#include "store/store_file.h"
#include "store_tool.h"

namespace qm {

namespace {

namespace sf = storefile;

constexpr int kUsage = 64;

int Usage() {
    std::fprintf(stderr,
                 "usage: store_tool create FOLDER [--overwrite]\n"
                 "       store_tool check FILE\n"
                 "       store_tool salvage FILE OUT\n");
    return kUsage;
}

bool CreateStore(const StoreInfo& info, const std::string& path, bool overwrite) {
    if (!RecordStore::Create(path, info.password, info.fieldNames, overwrite)) return false;
    if (std::strcmp(info.alias, kGeneralStoreAlias) != 0) return true;
    RecordStore rs;
    bool ok = rs.Open(path, info.alias, info.password) && rs.Append({});
    rs.CloseAll();
    return ok;
}

int Create(const std::vector<std::string>& args) {
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

// The program's stores whose password opens the file: checked in turn until one is not refused
// for its password.
sf::FileCheck CheckWithKnownPasswords(const std::string& path, sf::KeyCache* keys, const StoreInfo** store) {
    sf::FileCheck c;
    for (const StoreInfo& info : AllStores()) {
        c = sf::CheckFile(path, info.password, keys);
        *store = &info;
        if (c.result != sf::FileCheck::WrongPassword) return c;
    }
    *store = nullptr;
    return c;
}

unsigned long long U(std::uint64_t v) {
    return static_cast<unsigned long long>(v);
}

int Check(const std::string& path) {
    sf::KeyCache keys;
    const StoreInfo* store = nullptr;
    const sf::FileCheck c = CheckWithKnownPasswords(path, &keys, &store);
    switch (c.result) {
        case sf::FileCheck::Intact:
            std::printf("intact: %llu records, %llu bytes\n", U(c.records), U(c.size));
            return 0;
        case sf::FileCheck::TornTail:
            std::printf(
                "torn tail at offset %llu: %llu records open, %llu torn bytes are cut at the next change\n",
                U(c.offset), U(c.records), U(c.size - c.offset));
            return 1;
        case sf::FileCheck::Damaged:
            std::printf(
                "damaged at offset %llu (%s): the program refuses the file; store_tool salvage recovers "
                "what authenticates\n",
                U(c.offset), c.error.c_str());
            return 2;
        case sf::FileCheck::WrongPassword:
            std::fprintf(stderr, "none of the program's store passwords opens this file\n");
            return 3;
        case sf::FileCheck::Unreadable:
            break;
    }
    std::fprintf(stderr, "cannot check: %s\n", c.error.c_str());
    return 3;
}

int Salvage(const std::string& path, const std::string& out) {
    if (fileio::AbsolutePath(path) == fileio::AbsolutePath(out) || fileio::Exists(out)) {
        std::fprintf(stderr, "the output must be a new file\n");
        return 1;
    }
    sf::KeyCache keys;
    const StoreInfo* store = nullptr;
    const sf::FileCheck c = CheckWithKnownPasswords(path, &keys, &store);
    if (!store) {
        std::fprintf(stderr, "cannot salvage: %s\n",
                     c.result == sf::FileCheck::WrongPassword
                         ? "none of the program's store passwords opens this file"
                         : c.error.c_str());
        return 1;
    }
    sf::Salvaged s;
    std::string error;
    if (!sf::SalvageFile(path, store->password, store->fieldNames, &keys, &s, &error) ||
        !sf::WriteNewStore(out, store->password, s.iterations, s.table, false, &error)) {
        std::fprintf(stderr, "cannot salvage: %s\n", error.c_str());
        return 1;
    }
    std::printf(
        "salvaged %llu records from %llu entries; %llu bytes lost, %llu changes that no longer fit "
        "left out, %llu records marked deleted dropped, %llu records too long to store dropped\n",
        U(s.table.rows.size()), U(s.entries), U(s.lostBytes), U(s.refused), U(s.droppedDeleted),
        U(s.droppedTooLong));
    return 0;
}

}  // namespace

int RunStoreTool(const std::vector<std::string>& args) {
    if (args.size() >= 2 && args[0] == "create" && !args[1].empty()) return Create(args);
    if (args.size() == 2 && args[0] == "check") return Check(args[1]);
    if (args.size() == 3 && args[0] == "salvage") return Salvage(args[1], args[2]);
    return Usage();
}

}  // namespace qm
