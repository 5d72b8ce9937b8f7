// The parts of the file layer that are the same on both builds: see file_io.h.
#include "platform/file_io.h"

namespace qm::fileio {

bool RenameWithRetries(const std::string& from, const std::string& to) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool sharing = false;
        if (RenameReplace(from, to, &sharing)) return true;
        if (!sharing) return false;
        SleepMs(25);
    }
    return false;
}

}  // namespace qm::fileio
