// The bytes of a store file: varints, the header, sealed entries, rows and payloads. See
// store_format.h and docs/store-format.md.
#include "store/store_format.h"

#include <algorithm>
#include <cstring>

namespace qm::storefile {

namespace sc = storecrypto;

void PutVarint(std::string* s, std::uint64_t v) {
    while (v >= 0x80) {
        s->push_back(static_cast<char>((v & 0x7F) | 0x80));
        v >>= 7;
    }
    s->push_back(static_cast<char>(v));
}

bool GetVarint(std::string_view s, std::size_t* pos, std::uint64_t* v) {
    *v = 0;
    for (int shift = 0; shift < 64 && *pos < s.size(); shift += 7) {
        unsigned char c = static_cast<unsigned char>(s[(*pos)++]);
        *v |= static_cast<std::uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80)) return true;
    }
    return false;
}

// A length-prefixed piece at *pos.
bool GetPiece(std::string_view s, std::size_t* pos, std::string_view* piece) {
    std::uint64_t n;
    if (!GetVarint(s, pos, &n) || n > s.size() - *pos) return false;
    *piece = s.substr(*pos, n);
    *pos += n;
    return true;
}

void PutU32(std::string* s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}
std::uint32_t GetU32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

HeaderFields FieldsOf(std::string_view header) {
    using L = HeaderLayout;
    HeaderFields f;
    f.iterations = GetU32(header.data() + L::kIterations);
    f.salt = header.substr(L::kSalt, L::kIdSize);
    f.fileId = header.substr(L::kFileId, L::kIdSize);
    f.verifier = header.substr(L::kVerifier, L::kIdSize);
    return f;
}

HeaderProblem CheckHeader(std::string_view h) {
    using L = HeaderLayout;
    if (h.size() < kHeaderSize || std::memcmp(h.data(), kMagic, sizeof kMagic) != 0)
        return HeaderProblem::NotAStore;
    if (sc::Sha256(h.substr(0, L::kChecksum)).substr(0, kHeaderSize - L::kChecksum) != h.substr(L::kChecksum))
        return HeaderProblem::Damaged;
    if (h[L::kVersion] != 1 || h[L::kVersion + 1] != 0 || h[L::kVersion + 2] != 1 || h[L::kVersion + 3] != 1)
        return HeaderProblem::UnknownVersion;
    const std::uint32_t it = FieldsOf(h).iterations;
    if (it < kMinIterations || it > kMaxIterations) return HeaderProblem::Damaged;
    return HeaderProblem::None;
}

Aad::Aad(std::string_view fileId, std::uint64_t offset, std::uint32_t n) {
    std::memcpy(bytes, fileId.data(), std::min<std::size_t>(fileId.size(), 16));
    for (int i = 0; i < 8; ++i) bytes[16 + i] = static_cast<char>(offset >> (8 * i));
    for (int i = 0; i < 4; ++i) bytes[24 + i] = static_cast<char>(n >> (8 * i));
}

std::string Verifier(const std::string& key, std::string_view header) {
    return sc::Hmac(key, std::string("verify") + std::string(header.substr(0, HeaderLayout::kVerifier)))
        .substr(0, HeaderLayout::kIdSize);
}

// Header bytes for these parameters; the verifier needs the key.
std::string MakeHeader(std::uint32_t iterations, std::string_view salt, std::string_view fileId,
                       const std::string& key) {
    std::string h(kMagic, sizeof kMagic);
    h += '\x01';
    h += '\x00';  // version 1
    h += '\x01';  // PBKDF2-SHA256
    h += '\x01';  // AES-256-GCM
    PutU32(&h, iterations);
    h += salt;
    h += fileId;
    h += Verifier(key, h);
    h += sc::Sha256(h).substr(0, kHeaderSize - HeaderLayout::kChecksum);
    return h;
}

std::string KeyFor(KeyCache* keys, const std::string& password, std::string_view salt,
                   std::uint32_t iterations) {
    std::string id = password + '\0' + std::string(salt) + std::to_string(iterations);
    auto it = keys->find(id);
    if (it != keys->end()) return it->second;
    std::string key;
    if (!sc::DeriveKey(password, salt, iterations, &key)) return {};
    (*keys)[id] = key;
    return key;
}

std::string SealEntry(const std::string& key, std::string_view fileId, std::uint64_t offset,
                      std::string_view payload, std::string* tag) {
    std::string e;
    e.reserve(kEntryOverhead + payload.size());
    if (!AppendSealedEntry(&e, key, fileId, offset, payload, tag)) return {};
    return e;
}

bool AppendSealedEntry(std::string* out, const std::string& key, std::string_view fileId,
                       std::uint64_t offset, std::string_view payload, std::string* tag) {
    if (payload.size() > kMaxEntry) return false;
    const std::uint32_t n = static_cast<std::uint32_t>(payload.size());
    const std::size_t at = out->size();
    PutU32(out, n);
    out->append(sc::NonceBytes(sc::kNonceSize));
    out->resize(at + kEntryOverhead + n);
    char* e = out->data() + at;
    if (!sc::Seal(key, std::string_view(e + 4, sc::kNonceSize), Aad(fileId, offset, n).view(), payload,
                  e + 4 + sc::kNonceSize)) {
        out->resize(at);
        return false;
    }
    if (tag) tag->assign(out->data() + out->size() - sc::kTagSize, sc::kTagSize);
    return true;
}

std::string EncodeRow(const FieldList& values, std::size_t fieldCount, bool deleted) {
    std::string row(1, deleted ? '\x01' : '\x00');
    for (std::size_t i = 0; i < fieldCount; ++i) {
        const std::size_t n = i < values.size() ? values[i].size() : 0;
        PutVarint(&row, n);
        if (n) row += values[i];
    }
    return row;
}

bool RowValid(std::string_view row, std::size_t fieldCount) {
    if (row.empty() || static_cast<unsigned char>(row[0]) > 1) return false;
    std::size_t pos = 1;
    std::string_view piece;
    for (std::size_t i = 0; i < fieldCount; ++i)
        if (!GetPiece(row, &pos, &piece)) return false;
    return pos == row.size();
}

bool RowDeleted(std::string_view row) {
    return !row.empty() && row[0] == '\x01';
}

void RowFields(std::string_view row, std::vector<std::string_view>* out) {
    out->clear();
    std::size_t pos = 1;
    std::string_view piece;
    while (GetPiece(row, &pos, &piece)) out->push_back(piece);
}

void RowFields(std::string_view row, std::string_view* out, std::size_t n) {
    std::size_t pos = 1, i = 0;
    while (i < n && GetPiece(row, &pos, &out[i])) ++i;
    for (; i < n; ++i) out[i] = {};
}

void DecodeRow(std::string_view row, FieldList* out) {
    std::size_t pos = 1, i = 0;
    std::string_view piece;
    while (GetPiece(row, &pos, &piece)) {
        if (i == out->size()) out->emplace_back();
        (*out)[i++].assign(piece);
    }
    out->resize(i);
}

std::string WithField(std::string_view row, std::size_t index, std::string_view value) {
    std::string out(row.substr(0, 1));
    std::size_t pos = 1, i = 0;
    std::string_view piece;
    while (GetPiece(row, &pos, &piece)) {
        std::string_view v = i++ == index ? value : piece;
        PutVarint(&out, v.size());
        out += v;
    }
    return out;
}

std::string WithDeleted(std::string_view row, bool deleted) {
    std::string out(row);
    if (!out.empty()) out[0] = deleted ? '\x01' : '\x00';
    return out;
}

std::string SchemaPayload(const FieldList& fieldNames) {
    std::string p(1, static_cast<char>(kSchema));
    PutVarint(&p, fieldNames.size());
    for (const std::string& n : fieldNames) {
        PutVarint(&p, n.size());
        p += n;
    }
    return p;
}

std::string AppendPayload(const std::string& row) {
    return static_cast<char>(kAppend) + row;
}

std::string UpdatePayload(std::uint64_t index, const std::string& row) {
    std::string p(1, static_cast<char>(kUpdate));
    PutVarint(&p, index);
    return p + row;
}

std::string DeletePayload(std::uint64_t index) {
    std::string p(1, static_cast<char>(kDelete));
    PutVarint(&p, index);
    return p;
}

std::string PurgePayload() {
    return std::string(1, static_cast<char>(kPurge));
}

}  // namespace qm::storefile
