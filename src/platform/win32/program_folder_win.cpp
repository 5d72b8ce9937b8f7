// Windows folder of the executable: GetModuleFileNameW, converted to GBK at the boundary.
#include <windows.h>

#include "platform/program_folder_backend.h"
#include "platform/win32/wide.h"

namespace qm {

std::string ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return ".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) path.erase(slash);
    return FromWide(path);
}

}  // namespace qm
