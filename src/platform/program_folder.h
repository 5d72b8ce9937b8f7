// The program folder: the folder of the executable, without a trailing backslash, as GBK. Data
// file names are this folder followed by a name that begins with a backslash. One definition per
// build; tests point it elsewhere with SetProgramFolderForTesting (empty text restores it).
#pragma once

#include <string>

namespace qm {

std::string ProgramFolder();
void SetProgramFolderForTesting(const std::string& folder);

}  // namespace qm
