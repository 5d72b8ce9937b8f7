// Random bytes from the operating system's generator (salts, file ids, nonces of the stores).
// Any thread. The stores never use libgcrypt's own generator: its entropy gathering on Windows
// lists every handle of the system, and Wine's server can die of that listing while another
// process starts, taking every program of the session with it.
#pragma once

#include <cstddef>

namespace qm {

// Fills n bytes; false when the system gives none (the caller must then not go on).
bool SystemRandom(void* out, std::size_t n);

}  // namespace qm
