// libgcrypt behind the store format: see store_crypto.h.
#include "store/store_crypto.h"

#include <gcrypt.h>

#include <cstdlib>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/system_random.h"

namespace qm::storecrypto {

namespace {

void QuietLog(void*, int level, const char* fmt, va_list args) {
    if (level < GCRY_LOG_ERROR) return;
    std::vfprintf(stderr, fmt, args);
}

bool InitOnce() {
    gcry_set_log_handler(QuietLog, nullptr);
    if (!gcry_check_version(GCRYPT_VERSION)) return false;
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
}

// One cipher handle, reused across entries while the key stays: opening a handle and setting the
// key costs more than sealing a small entry. Process-wide and never destroyed, behind a mutex: a
// thread-local cache closed its handle from the thread's exit, which under MinGW's thread-local
// destructors could run twice and stop the process ("already closed/invalid handle").
struct CipherCache {
    std::mutex mutex;
    gcry_cipher_hd_t hd = nullptr;
    std::string key;
};

CipherCache& Cache() {
    static CipherCache* cache = new CipherCache;
    return *cache;
}

// The handle set to this key; the caller holds the cache's mutex.
gcry_cipher_hd_t CipherFor(CipherCache& cache, const std::string& key) {
    if (cache.hd && cache.key == key) return cache.hd;
    if (!cache.hd && gcry_cipher_open(&cache.hd, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0)) {
        cache.hd = nullptr;
        return nullptr;
    }
    if (gcry_cipher_setkey(cache.hd, key.data(), key.size())) {
        cache.key.clear();
        return nullptr;
    }
    cache.key = key;
    return cache.hd;
}

bool Prepare(gcry_cipher_hd_t hd, std::string_view nonce, std::string_view aad) {
    return hd && !gcry_cipher_setiv(hd, nonce.data(), nonce.size()) &&
           !gcry_cipher_authenticate(hd, aad.data(), aad.size());
}

}  // namespace

bool Init() {
    static const bool ok = InitOnce();
    return ok;
}

namespace {
std::atomic<std::uint64_t> g_derivations{0};
}

bool DeriveKey(std::string_view password, std::string_view salt, std::uint32_t iterations, std::string* key) {
    if (!Init()) return false;
    ++g_derivations;
    key->assign(kKeySize, '\0');
    return !gcry_kdf_derive(password.data(), password.size(), GCRY_KDF_PBKDF2, GCRY_MD_SHA256, salt.data(),
                            salt.size(), iterations, kKeySize, key->data());
}

std::uint64_t DeriveKeyCount() {
    return g_derivations;
}

std::string RandomBytes(std::size_t n) {
    std::string s(n, '\0');
    if (!SystemRandom(s.data(), n)) std::abort();  // a store must never get a predictable salt or id
    return s;
}

std::string NonceBytes(std::size_t n) {
    return RandomBytes(n);
}

bool Seal(const std::string& key, std::string_view nonce, std::string_view aad, std::string_view plain,
          std::string* out) {
    out->resize(plain.size() + kTagSize);
    return Seal(key, nonce, aad, plain, out->data());
}

bool Seal(const std::string& key, std::string_view nonce, std::string_view aad, std::string_view plain,
          char* out) {
    if (!Init()) return false;
    CipherCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    gcry_cipher_hd_t hd = CipherFor(cache, key);
    if (!Prepare(hd, nonce, aad)) return false;
    gcry_cipher_final(hd);
    if (!plain.empty() && gcry_cipher_encrypt(hd, out, plain.size(), plain.data(), plain.size()))
        return false;
    return !gcry_cipher_gettag(hd, out + plain.size(), kTagSize);
}

bool Unseal(const std::string& key, std::string_view nonce, std::string_view aad, std::string_view in,
            std::string* plain) {
    if (!Init() || in.size() < kTagSize) return false;
    CipherCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    gcry_cipher_hd_t hd = CipherFor(cache, key);
    if (!Prepare(hd, nonce, aad)) return false;
    const std::size_t n = in.size() - kTagSize;
    plain->resize(n);
    gcry_cipher_final(hd);
    if (n && gcry_cipher_decrypt(hd, plain->data(), n, in.data(), n)) return false;
    return !gcry_cipher_checktag(hd, in.data() + n, kTagSize);
}

std::string Hmac(const std::string& key, std::string_view data) {
    Init();
    std::string out(32, '\0');
    gcry_mac_hd_t hd;
    if (gcry_mac_open(&hd, GCRY_MAC_HMAC_SHA256, 0, nullptr)) return {};
    size_t len = out.size();
    bool ok = !gcry_mac_setkey(hd, key.data(), key.size()) && !gcry_mac_write(hd, data.data(), data.size()) &&
              !gcry_mac_read(hd, out.data(), &len);
    gcry_mac_close(hd);
    return ok ? out : std::string();
}

std::string Sha256(std::string_view data) {
    Init();
    std::string out(32, '\0');
    gcry_md_hash_buffer(GCRY_MD_SHA256, out.data(), data.data(), data.size());
    return out;
}

}  // namespace qm::storecrypto
