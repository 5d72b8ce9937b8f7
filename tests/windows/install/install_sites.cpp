// The install test's user at work: adds a site to the site store of an installed program folder,
// or lists the stored sites, through the program's own store functions under Wine. Single-threaded.
//   install_sites add FOLDER CATEGORY ADDRESS   appends the site; exit code 0 when stored
//   install_sites list FOLDER                   prints "CATEGORY ADDRESS" per site, in order
// FOLDER is a Unix path; it reaches the program as the same folder on drive Z:.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/stores.h"
#include "platform/program_folder.h"
#include "store/record_store.h"

int main(int argc, char** argv) {
    const bool add = argc == 5 && std::strcmp(argv[1], "add") == 0;
    const bool list = argc == 3 && std::strcmp(argv[1], "list") == 0;
    if (!add && !list) {
        std::fprintf(stderr, "usage: install_sites add FOLDER CATEGORY ADDRESS | list FOLDER\n");
        return 64;
    }
    std::string folder = argv[2];
    if (!folder.empty() && folder[0] == '/') {
        for (char& c : folder)
            if (c == '/') c = '\\';
        folder = "Z:" + folder;
    }
    qm::SetProgramFolderForTesting(folder);
    if (!qm::OpenStoreByName(qm::kSiteStoreAlias)) {
        std::fprintf(stderr, "cannot open the site store in %s\n", folder.c_str());
        return 1;
    }
    qm::RecordStore& store = qm::Stores();
    bool ok = true;
    if (add) {
        ok = store.Append({argv[3], argv[4]});
    } else {
        for (long long i = 1; i <= store.RecordCount(); ++i) {
            store.GoTo(i);
            std::printf("%s %s\n", store.Read(1).c_str(), store.Read(2).c_str());
        }
    }
    qm::CloseStoreByName("");
    return ok ? 0 : 1;
}
