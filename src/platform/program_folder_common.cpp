// The test override of the program folder, shared by both builds: see program_folder.h.
#include "platform/program_folder.h"
#include "platform/program_folder_backend.h"

namespace qm {

namespace {
std::string& Override() {
    static std::string folder;
    return folder;
}
}  // namespace

std::string ProgramFolder() {
    if (!Override().empty()) return Override();
    static const std::string folder = ExecutableFolder();
    return folder;
}

void SetProgramFolderForTesting(const std::string& folder) {
    Override() = folder;
}

}  // namespace qm
