// Cryptography of the store files, on libgcrypt: PBKDF2-SHA256 key derivation, AES-256-GCM
// sealing of entries, an HMAC password verifier, SHA-256 checksums and random bytes. Initialises
// libgcrypt once (and silences its informational log, which under Wine prints a note on stderr at
// the first strong random). Any thread; besides the library's state, one cipher handle shared
// under a mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qm::storecrypto {

inline constexpr std::size_t kKeySize = 32;
inline constexpr std::size_t kNonceSize = 12;
inline constexpr std::size_t kTagSize = 16;

bool Init();
bool DeriveKey(std::string_view password, std::string_view salt, std::uint32_t iterations, std::string* key);
// Key derivations run so far in this process (each costs tens of milliseconds or more): lets tests
// check that a damaged header is refused before one is started.
std::uint64_t DeriveKeyCount();
std::string RandomBytes(std::size_t n);  // unpredictable (salts, file ids)
std::string NonceBytes(std::size_t n);   // unique, cheap (entry nonces)
// out := ciphertext || tag. Returns false only on a library failure.
bool Seal(const std::string& key, std::string_view nonce, std::string_view aad, std::string_view plain,
          std::string* out);
// The same into plain.size() + kTagSize bytes at out (which may not overlap plain).
bool Seal(const std::string& key, std::string_view nonce, std::string_view aad, std::string_view plain,
          char* out);
// in = ciphertext || tag; false when the tag does not match (wrong key or tampered data).
bool Unseal(const std::string& key, std::string_view nonce, std::string_view aad, std::string_view in,
            std::string* plain);
std::string Hmac(const std::string& key, std::string_view data);  // HMAC-SHA256, 32 bytes
std::string Sha256(std::string_view data);

}  // namespace qm::storecrypto
