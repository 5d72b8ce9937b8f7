// SystemRandom on Windows: the system-preferred generator of BCrypt. See system_random.h.
#include <windows.h>
// after windows.h, which it needs
#include <bcrypt.h>

#include <climits>

#include "platform/system_random.h"

namespace qm {

bool SystemRandom(void* out, std::size_t n) {
    auto* p = static_cast<unsigned char*>(out);
    while (n > 0) {
        const ULONG chunk = n > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(n);
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, p, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
            return false;
        p += chunk;
        n -= chunk;
    }
    return true;
}

}  // namespace qm
