// Where the executable lies, one definition per build (program_folder_posix.cpp,
// win32/program_folder_win.cpp). GBK, no trailing separator. Any thread.
#pragma once

#include <string>

namespace qm {

std::string ExecutableFolder();

}  // namespace qm
