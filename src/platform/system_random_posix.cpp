// SystemRandom on POSIX: getrandom(2). See system_random.h.
#include <sys/random.h>

#include <cerrno>

#include "platform/system_random.h"

namespace qm {

bool SystemRandom(void* out, std::size_t n) {
    auto* p = static_cast<unsigned char*>(out);
    while (n > 0) {
        const ssize_t got = getrandom(p, n, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace qm
