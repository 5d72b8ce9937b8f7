// Native folder of the executable, from /proc/self/exe (UTF-8 on disk, GBK for the program).
#include <iconv.h>
#include <unistd.h>

#include "platform/program_folder_backend.h"

namespace qm {

std::string ExecutableFolder() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<std::size_t>(n));
    path.erase(path.rfind('/') == 0 ? 1 : path.rfind('/'));
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return path;
    std::string out(path.size() * 2 + 4, '\0');
    char* in = path.data();
    char* o = out.data();
    size_t inLeft = path.size(), outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return path;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace qm
