// Store file format and file procedures: see store_file.h and docs/store-format.md.
#include "platform/store_file.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/store_crypto.h"

namespace qm::storefile {

namespace sc = storecrypto;

namespace {

constexpr char kMagic[8] = {'Q', 'M', 'S', 'T', 'O', 'R', 'E', '\x1a'};
constexpr std::size_t kHeaderSize = 72;
constexpr std::size_t kEntryOverhead = 4 + sc::kNonceSize + sc::kTagSize;
constexpr std::uint32_t kMaxEntry = 64u << 20;
constexpr std::size_t kRowsChunk = 256u << 10;
constexpr std::size_t kReadChunk = 1u << 20;
// Entries up to this size are looked for at every offset after a bad entry (see
// NextAuthenticEntry): it covers single changes and the rows entries of a compaction, and keeps
// the search linear in the bytes searched.
constexpr std::uint32_t kScanEntry = 512u << 10;

enum EntryType : unsigned char {
    kSchema = 1,
    kAppend,
    kUpdate,
    kDelete,
    kPurge,
    kRows,
    kMoved,
    kBatch,     // a batch, or the last part of one
    kBatchPart  // a part of a batch that more parts follow
};

// A batch larger than this is written in parts: entries are read whole into memory, and entries
// of this size are found after damage at any offset (kScanEntry).
constexpr std::size_t kBatchPartSize = 256u << 10;

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

// The additional data of an entry: file id, offset, length (built without an allocation, since a
// load makes one per entry).
struct Aad {
    Aad(std::string_view fileId, std::uint64_t offset, std::uint32_t n) {
        std::memcpy(bytes, fileId.data(), std::min<std::size_t>(fileId.size(), 16));
        for (int i = 0; i < 8; ++i) bytes[16 + i] = static_cast<char>(offset >> (8 * i));
        for (int i = 0; i < 4; ++i) bytes[24 + i] = static_cast<char>(n >> (8 * i));
    }
    char bytes[28] = {};
    std::string_view view() const { return {bytes, sizeof bytes}; }
};

std::string Verifier(const std::string& key, std::string_view header) {
    return sc::Hmac(key, std::string("verify") + std::string(header.substr(0, 48))).substr(0, 16);
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
    h += sc::Sha256(h).substr(0, 8);
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
    const std::uint32_t n = static_cast<std::uint32_t>(payload.size());
    std::string nonce = sc::NonceBytes(sc::kNonceSize), sealed;
    if (!sc::Seal(key, nonce, Aad(fileId, offset, n).view(), payload, &sealed)) return {};
    std::string e;
    e.reserve(kEntryOverhead + n);
    PutU32(&e, n);
    e += nonce;
    e += sealed;
    if (tag) *tag = e.substr(e.size() - sc::kTagSize);
    return e;
}

// Sequential reads through a window of the file, a large read at a time.
struct Reader {
    explicit Reader(fileio::File* f) : file(f) {}
    fileio::File* file;
    std::unique_ptr<char[]> buf;
    std::size_t capacity = 0, size = 0;
    std::uint64_t bufStart = 0;
    bool Get(std::uint64_t off, std::size_t n, std::string_view* out) {
        if (off < bufStart || off + n > bufStart + size) {
            if (capacity < std::max(n, kReadChunk)) {
                capacity = std::max(n, kReadChunk);
                buf.reset(new char[capacity]);
            }
            size = 0;
            bufStart = off;
            if (!fileio::ReadAt(file, off, buf.get(), capacity, &size) || size < n) return false;
        }
        *out = std::string_view(buf.get() + (off - bufStart), n);
        return true;
    }
};

// The entry at `pos` when it is complete and authentic: *n receives its length and *plain its
// payload.
bool AuthenticEntryAt(Reader& r, const FileState& st, std::uint64_t pos, std::uint64_t size, std::uint32_t* n,
                      std::string* plain, bool* readFailed) {
    std::string_view head, body;
    if (size - pos < kEntryOverhead) return false;
    if (!r.Get(pos, 4, &head)) return *readFailed = true, false;
    *n = GetU32(head.data());
    // Every payload has a type byte: a zero length is never an entry (and zeros are what a lost
    // write often reads back as).
    if (*n == 0 || *n > kMaxEntry || *n > size - pos - kEntryOverhead) return false;
    if (!r.Get(pos + 4, sc::kNonceSize + *n + sc::kTagSize, &body)) return *readFailed = true, false;
    return sc::Unseal(st.key, body.substr(0, sc::kNonceSize), Aad(st.fileId, pos, *n).view(),
                      body.substr(sc::kNonceSize), plain);
}

// Looks for an authentic entry of this file after `pos`. Entries carry their offset in their
// authentication data, so noise never passes for one: what follows a bad entry is either data (the
// bad entry is damage) or the leftovers of a crash (the bad entry is a torn tail).
// Checking every offset would cost a decryption of up to the rest of the file at each plausible
// length, so only two kinds of offset are checked: those whose chain of lengths ends exactly at
// the end of the file (intact data after the damage), and those with an entry of at most
// kScanEntry bytes (data after the damage that itself ends in a torn tail). A bad entry followed
// only by large entries that end in a torn tail is taken for a torn tail.
// Returns the offset of the first such entry, or `size` when there is none.
std::uint64_t NextAuthenticEntry(fileio::File* file, const FileState& st, std::uint64_t pos,
                                 std::uint64_t size, bool* readFailed) {
    if (size - pos <= kEntryOverhead) return size;
    const std::size_t rest = static_cast<std::size_t>(size - pos);
    std::string bytes(rest, '\0');
    std::size_t got = 0;
    if (!fileio::ReadAt(file, pos, bytes.data(), rest, &got) || got != rest) return *readFailed = true, size;
    // length[i]: the plausible entry length at pos + i, or 0.
    auto length = [&](std::size_t i) -> std::uint32_t {
        if (rest - i < kEntryOverhead) return 0;
        const std::uint32_t n = GetU32(bytes.data() + i);
        return n <= kMaxEntry && n <= rest - i - kEntryOverhead ? n : 0;
    };
    std::vector<bool> reachesEnd(rest + 1, false);
    reachesEnd[rest] = true;
    for (std::size_t i = rest; i-- > 1;)
        if (const std::uint32_t n = length(i)) reachesEnd[i] = reachesEnd[i + kEntryOverhead + n];
    std::string plain;
    for (std::size_t i = 1; i < rest; ++i) {
        const std::uint32_t n = length(i);
        if (!n || (!reachesEnd[i] && n > kScanEntry)) continue;
        const std::string_view body =
            std::string_view(bytes).substr(i + 4, sc::kNonceSize + n + sc::kTagSize);
        if (sc::Unseal(st.key, body.substr(0, sc::kNonceSize), Aad(st.fileId, pos + i, n).view(),
                       body.substr(sc::kNonceSize), &plain))
            return pos + i;
    }
    return size;
}

// Reads the entries from `from` up to `size`. An entry that is cut short or fails authentication
// ends the walk as a torn tail when no authentic entry follows it (a crash leaves such tails:
// short, zeros, garbage or stale bytes); with one after it, it is damage and fails the walk, as
// does an authentic entry that `take` refuses. *damagedAt receives the offset of the bad entry.
// The parts of a batch are joined and handed to `take` as one payload once the last part is read;
// *end and *lastTag only ever move past whole payloads, so a batch cut short is a torn tail too.
bool WalkEntries(fileio::File* file, const FileState& st, std::uint64_t from, std::uint64_t size,
                 const std::function<bool(std::string_view)>& take, std::uint64_t* end, std::string* lastTag,
                 std::string* error, std::uint64_t* damagedAt) {
    Reader r(file);
    std::string plain, joined;
    bool inBatch = false;
    std::uint64_t batchAt = 0;
    bool readFailed = false;
    for (std::uint64_t pos = from; pos < size;) {
        std::uint32_t n = 0;
        if (!AuthenticEntryAt(r, st, pos, size, &n, &plain, &readFailed)) {
            if (!readFailed && NextAuthenticEntry(file, st, pos, size, &readFailed) == size)
                break;  // torn tail
            if (readFailed) return *error = "read failed", false;
            *damagedAt = pos;
            return *error = std::string("damaged entry at ").append(std::to_string(pos)), false;
        }
        const unsigned char type = static_cast<unsigned char>(plain[0]);
        std::string_view whole = plain;
        if (type == kBatchPart || inBatch) {
            if (!inBatch) joined.assign(1, static_cast<char>(kBatch)), batchAt = pos;
            joined.append(plain, 1);
            inBatch = type == kBatchPart;
            if (!inBatch && type != kBatch) {  // a part followed by something else
                *damagedAt = batchAt;
                return *error = std::string("invalid entry at ").append(std::to_string(batchAt)), false;
            }
            whole = joined;
        }
        if (!inBatch) {
            if (!take(whole)) {
                *damagedAt = whole.data() == joined.data() ? batchAt : pos;
                return *error = std::string("invalid entry at ").append(std::to_string(*damagedAt)), false;
            }
            std::string_view tag;
            if (!r.Get(pos + kEntryOverhead + n - sc::kTagSize, sc::kTagSize, &tag))
                return *error = "read failed", false;
            lastTag->assign(tag);
            *end = pos + kEntryOverhead + n;
        }
        pos += kEntryOverhead + n;
    }
    return true;
}

bool ReadHeader(fileio::File* file, std::string* header, std::string* error) {
    header->assign(kHeaderSize, '\0');
    std::size_t got = 0;
    if (!fileio::ReadAt(file, 0, header->data(), kHeaderSize, &got)) return *error = "read failed", false;
    if (got < kHeaderSize || std::memcmp(header->data(), kMagic, sizeof kMagic) != 0)
        return *error = "not a store file", false;
    if (sc::Sha256(header->substr(0, 64)).substr(0, 8) != header->substr(64))
        return *error = "damaged header", false;
    if ((*header)[8] != 1 || (*header)[9] != 0 || (*header)[10] != 1 || (*header)[11] != 1)
        return *error = "unknown store format version", false;
    const std::uint32_t it = GetU32(header->data() + 12);
    if (it < kMinIterations || it > kMaxIterations) return *error = "damaged header", false;
    return true;
}

// Takes one payload into a state being loaded or caught up.
bool TakePayload(FileState* st, std::string_view p) {
    if (p.empty()) return false;
    const unsigned char type = static_cast<unsigned char>(p[0]);
    if (type == kSchema) {
        if (!st->table.fieldNames.empty() || st->end != kHeaderSize) return false;
        std::size_t pos = 1;
        std::uint64_t count;
        if (!GetVarint(p, &pos, &count) || count == 0 || count > p.size()) return false;
        FieldList names;
        for (std::uint64_t i = 0; i < count; ++i) {
            std::string_view name;
            if (!GetPiece(p, &pos, &name)) return false;
            names.emplace_back(name);
        }
        if (pos != p.size()) return false;
        st->table.fieldNames = std::move(names);
        return true;
    }
    if (st->table.fieldNames.empty()) return false;
    if (type == kMoved) {
        if (p.size() != 17) return false;
        st->movedTo = std::string(p.substr(1));
        return true;
    }
    st->movedTo.clear();
    return ApplyPayload(&st->table, p);
}

// Where a load failed, for the check of a store file.
enum class Problem { None, Unreadable, Header, Password, Entries };

// Header, key and file id of the store in `file`; the start of every load.
bool OpenHeader(fileio::File* file, FileState* n, KeyCache* keys, std::string* error, Problem* problem) {
    if (!ReadHeader(file, &n->header, error))
        return *problem = *error == "read failed" ? Problem::Unreadable : Problem::Header, false;
    const std::uint32_t iterations = GetU32(n->header.data() + 12);
    n->key = KeyFor(keys, n->password, std::string_view(n->header).substr(16, 16), iterations);
    if (n->key.empty()) return *problem = Problem::Unreadable, *error = "key derivation failed", false;
    if (Verifier(n->key, n->header) != n->header.substr(48, 16))
        return *problem = Problem::Password, *error = "wrong password", false;
    n->fileId = n->header.substr(32, 16);
    return true;
}

bool LoadFull(fileio::File* file, FileState* st, KeyCache* keys, std::string* error,
              Problem* problem = nullptr, std::uint64_t* damagedAt = nullptr) {
    Problem ignoredProblem;
    std::uint64_t ignoredOffset = 0;
    if (!problem) problem = &ignoredProblem;
    if (!damagedAt) damagedAt = &ignoredOffset;
    *problem = Problem::Unreadable;
    fileio::FileStat s;
    if (!fileio::StatFile(file, &s)) return *error = "cannot read the file", false;
    FileState n;
    n.path = st->path;
    n.password = st->password;
    if (!OpenHeader(file, &n, keys, error, problem)) return false;
    n.end = kHeaderSize;
    // The rows take at most the size of the file: one block, left untouched where not needed.
    n.table.rows.Reserve(static_cast<std::size_t>(s.size / 128), static_cast<std::size_t>(s.size));
    FileState* np = &n;
    std::uint64_t end = kHeaderSize;
    auto take = [np, &end](std::string_view p) {
        np->end = end;  // lets the schema check see whether it is the first entry
        ++np->entries;
        return TakePayload(np, p);
    };
    std::string tag;
    // `end` advances inside the walk; the lambda reads it before each payload.
    *problem = Problem::Entries;
    if (!WalkEntries(file, n, kHeaderSize, s.size, take, &end, &tag, error, damagedAt)) {
        if (*error == "read failed") *problem = Problem::Unreadable;
        return false;
    }
    if (n.table.fieldNames.empty())
        return *damagedAt = kHeaderSize, *error = "store file without a schema", false;
    *problem = Problem::None;
    n.table.rows.ShrinkIfWasteful();
    n.end = end;
    n.lastTag = tag;
    n.stat = s;
    *st = std::move(n);
    return true;
}

bool WriteAll(fileio::File* f, std::uint64_t* offset, const std::string& bytes) {
    if (!fileio::WriteAt(f, *offset, bytes.data(), bytes.size())) return false;
    *offset += bytes.size();
    return true;
}

// Writes header, schema and rows of `table` into a new file at `path` under `fileId`.
bool WriteStoreFile(const std::string& path, const std::string& header, const std::string& key,
                    const Table& table, fileio::OpenMode mode, std::string* error) {
    fileio::File* f = fileio::OpenFile(path, mode);
    if (!f) return *error = "cannot create " + path, false;
    const std::string fileId = header.substr(32, 16);
    std::uint64_t off = 0;
    bool ok = WriteAll(f, &off, header);
    ok = ok && WriteAll(f, &off, SealEntry(key, fileId, off, SchemaPayload(table.fieldNames), nullptr));
    std::string chunk;
    std::uint64_t count = 0;
    std::size_t i = 0;
    while (ok && i <= table.rows.size()) {
        const bool last = i == table.rows.size();
        if (!last) {
            PutVarint(&chunk, table.rows[i].size());
            chunk += table.rows[i];
            ++count;
        }
        if ((last && count) || chunk.size() >= kRowsChunk) {
            std::string p(1, static_cast<char>(kRows));
            PutVarint(&p, count);
            p += chunk;
            ok = WriteAll(f, &off, SealEntry(key, fileId, off, p, nullptr));
            chunk.clear();
            count = 0;
        }
        ++i;
    }
    ok = ok && fileio::Sync(f);
    fileio::CloseFile(f);
    if (!ok) *error = "write failed: " + path;
    return ok;
}

bool RenameWithRetries(const std::string& from, const std::string& to) {
    // Antivirus and sync clients hold files briefly; under Wine any open handle blocks the rename.
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool sharing = false;
        if (fileio::RenameReplace(from, to, &sharing)) return true;
        if (!sharing) return false;
        fileio::SleepMs(25);
    }
    return false;
}

// Loads the file at `path` as a check that it is a complete store with this id.
bool LoadOther(const std::string& path, const FileState& like, KeyCache* keys, FileState* out) {
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    if (!f) return false;
    out->path = path;
    out->password = like.password;
    std::string error;
    bool ok = LoadFull(f, out, keys, &error);
    fileio::CloseFile(f);
    return ok;
}

}  // namespace

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

namespace {

// The batch body (see WriteBatch) applied to a table of baseCount rows; the table is unchanged on
// failure.
bool ApplyBatch(Table* t, std::string_view body) {
    const std::size_t nf = t->fieldNames.size(), before = t->rows.size();
    std::size_t pos = 0;
    std::uint64_t base = 0;
    if (!GetVarint(body, &pos, &base) || base != before) return false;
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    auto fail = [&] {
        t->rows.Truncate(before);
        return false;
    };
    while (pos < body.size()) {
        std::uint64_t head = 0, start = 0;
        if (!GetVarint(body, &pos, &head) || head < 2) return fail();
        const std::uint64_t count = head >> 1;
        if (head & 1) {  // new rows
            if (count > body.size() - pos) return fail();
            runs.emplace_back(t->rows.size(), static_cast<std::size_t>(count));
            for (std::uint64_t k = 0; k < count; ++k) {
                std::string_view row;
                if (!GetPiece(body, &pos, &row) || !RowValid(row, nf)) return fail();
                t->rows.Add(row);
            }
        } else {  // rows kept from the table before the batch
            if (!GetVarint(body, &pos, &start) || start > before || count > before - start) return fail();
            runs.emplace_back(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
        }
    }
    t->rows.Select(runs);
    return true;
}

void Forget(std::vector<std::size_t>* marked, std::size_t index) {
    auto it = std::find(marked->begin(), marked->end(), index);
    if (it != marked->end()) marked->erase(it);
}

// A purge in a batch: only the marked rows are removed, so only the rows after the first of them
// move (a purge outside a batch looks at every row).
void PurgeTracked(Table* t, BatchTrack* track) {
    std::vector<std::size_t>& marked = track->marked;
    if (marked.empty()) return;
    std::sort(marked.begin(), marked.end());
    t->rows.RemoveAt(marked);
    std::vector<std::uint64_t>& origin = track->origin;
    std::size_t w = marked[0], k = 0;
    for (std::size_t r = marked[0]; r < origin.size(); ++r) {
        if (k < marked.size() && marked[k] == r)
            ++k;
        else
            origin[w++] = origin[r];
    }
    origin.resize(w);
    marked.clear();
    track->purged = true;
}

}  // namespace

void BatchTrack::Start(const RowList& rows) {
    baseCount = rows.size();
    origin.resize(rows.size());
    for (std::size_t i = 0; i < origin.size(); ++i) origin[i] = i;
    marked.clear();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (RowDeleted(rows[i])) marked.push_back(i);
    purged = false;
}

bool BatchTrack::Changed() const {
    if (origin.size() != baseCount) return true;
    for (std::size_t i = 0; i < origin.size(); ++i)
        if (origin[i] != i) return true;
    return false;
}

bool ApplyPayload(Table* t, std::string_view p, BatchTrack* track) {
    if (p.empty()) return false;
    const std::size_t nf = t->fieldNames.size();
    std::size_t pos = 1;
    std::uint64_t index = 0;
    switch (static_cast<unsigned char>(p[0])) {
        case kAppend:
            if (!RowValid(p.substr(1), nf)) return false;
            if (track) {
                if (RowDeleted(p.substr(1))) track->marked.push_back(t->rows.size());
                track->origin.push_back(BatchTrack::kNew);
            }
            t->rows.Add(p.substr(1));
            return true;
        case kUpdate: {
            if (!GetVarint(p, &pos, &index) || index >= t->rows.size() || !RowValid(p.substr(pos), nf))
                return false;
            if (track) {
                const bool was = RowDeleted(t->rows[index]), is = RowDeleted(p.substr(pos));
                if (is && !was) track->marked.push_back(index);
                if (was && !is) Forget(&track->marked, index);
                track->origin[index] = BatchTrack::kNew;
            }
            t->rows.Set(index, p.substr(pos));
            return true;
        }
        case kDelete:
            if (!GetVarint(p, &pos, &index) || pos != p.size() || index >= t->rows.size()) return false;
            if (track && !RowDeleted(t->rows[index])) {
                track->marked.push_back(index);
                track->origin[index] = BatchTrack::kNew;
            }
            t->rows.SetFirstByte(index, '\x01');
            return true;
        case kPurge: {
            if (p.size() != 1) return false;
            if (track)
                PurgeTracked(t, track);
            else
                t->rows.RemoveIf(RowDeleted);
            return true;
        }
        case kRows: {
            std::uint64_t count;
            if (track || !GetVarint(p, &pos, &count) || count > p.size()) return false;
            const std::size_t before = t->rows.size();
            for (std::uint64_t i = 0; i < count; ++i) {
                std::string_view row;
                if (!GetPiece(p, &pos, &row) || !RowValid(row, nf)) {
                    t->rows.Truncate(before);
                    return false;
                }
                t->rows.Add(row);
            }
            if (pos != p.size()) t->rows.Truncate(before);
            return pos == p.size();
        }
        case kBatch:
            return !track && ApplyBatch(t, p.substr(1));
        default:
            return false;
    }
}

std::string PendingPath(const std::string& path) {
    return path + ".new";
}

bool CreateFile(const std::string& path, const std::string& password, const FieldList& fieldNames,
                std::uint32_t iterations, bool overwrite, std::string* error) {
    Table t;
    t.fieldNames = fieldNames;
    return WriteNewStore(path, password, iterations, t, overwrite, error);
}

bool WriteNewStore(const std::string& path, const std::string& password, std::uint32_t iterations,
                   const Table& table, bool overwrite, std::string* error) {
    if (table.fieldNames.empty()) return *error = "a store needs at least one field", false;
    if (!overwrite && fileio::Exists(path)) return *error = "file exists: " + path, false;
    const std::string salt = sc::RandomBytes(16), fileId = sc::NonceBytes(16);
    std::string key;
    if (!sc::DeriveKey(password, salt, iterations, &key)) return *error = "key derivation failed", false;
    // Written beside the target and renamed over it: an existing store is never half-overwritten.
    const std::string pending = PendingPath(path);
    if (!WriteStoreFile(pending, MakeHeader(iterations, salt, fileId, key), key, table,
                        fileio::OpenMode::CreateAlways, error)) {
        fileio::RemoveFile(pending);
        return false;
    }
    if (!overwrite && fileio::Exists(path)) {
        fileio::RemoveFile(pending);
        return *error = "file exists: " + path, false;
    }
    if (!RenameWithRetries(pending, path)) {
        fileio::RemoveFile(pending);
        return *error = "cannot replace " + path, false;
    }
    return true;
}

FileCheck CheckFile(const std::string& path, const std::string& password, KeyCache* keys) {
    FileCheck c;
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    if (!f) return c.error = "cannot open " + path, c;
    FileState st;
    st.path = path;
    st.password = password;
    Problem problem = Problem::None;
    std::uint64_t damagedAt = 0;
    const bool ok = LoadFull(f, &st, keys, &c.error, &problem, &damagedAt);
    fileio::FileStat s;
    if (fileio::StatFile(f, &s)) c.size = s.size;
    fileio::CloseFile(f);
    if (ok) {
        c.result = st.end < st.stat.size ? FileCheck::TornTail : FileCheck::Intact;
        c.offset = st.end;
        c.records = st.table.rows.size();
        return c;
    }
    switch (problem) {
        case Problem::Header:
            c.result = FileCheck::Damaged;
            c.offset = 0;
            break;
        case Problem::Entries:
            c.result = FileCheck::Damaged;
            c.offset = damagedAt;
            break;
        case Problem::Password:
            c.result = FileCheck::WrongPassword;
            break;
        default:
            c.result = FileCheck::Unreadable;
    }
    return c;
}

bool SalvageFile(const std::string& path, const std::string& password, const FieldList& knownSchema,
                 KeyCache* keys, Salvaged* out, std::string* error) {
    *out = Salvaged();
    fileio::File* f = fileio::OpenFile(path, fileio::OpenMode::ReadOnly);
    if (!f) return *error = "cannot open " + path, false;
    FileState st;
    st.path = path;
    st.password = password;
    Problem problem = Problem::None;
    fileio::FileStat s;
    bool ok = fileio::StatFile(f, &s) && OpenHeader(f, &st, keys, error, &problem);
    if (!ok && error->empty()) *error = "cannot read " + path;
    out->iterations = ok ? GetU32(st.header.data() + 12) : 0;
    Table& t = out->table;
    Reader r(f);
    std::string plain, joined;
    bool readFailed = false, inBatch = false;  // inBatch: parts of a batch were read, not its end
    for (std::uint64_t pos = kHeaderSize; ok && pos < s.size;) {
        std::uint32_t n = 0;
        if (!AuthenticEntryAt(r, st, pos, s.size, &n, &plain, &readFailed)) {
            const std::uint64_t next =
                readFailed ? s.size : NextAuthenticEntry(f, st, pos, s.size, &readFailed);
            if (readFailed) ok = false, *error = "read failed";
            out->lostBytes += next - pos;
            pos = next;
            continue;
        }
        pos += kEntryOverhead + n;
        ++out->entries;
        unsigned char type = static_cast<unsigned char>(plain[0]);
        if (type == kBatchPart || (inBatch && type == kBatch)) {  // a batch counts only whole
            if (!inBatch) joined.assign(1, static_cast<char>(kBatch));
            joined.append(plain, 1);
            inBatch = type == kBatchPart;
            if (inBatch) continue;
            plain.swap(joined);
            type = kBatch;
        } else if (inBatch) {
            inBatch = false;
            ++out->refused;  // a batch whose end was lost
        }
        if (type == kSchema && t.fieldNames.empty() && t.rows.size() == 0) {
            FileState schema;
            schema.end = kHeaderSize;
            if (TakePayload(&schema, plain)) t.fieldNames = schema.table.fieldNames;
            continue;
        }
        if (t.fieldNames.empty()) t.fieldNames = knownSchema;  // the schema entry was lost
        if (type == kMoved) continue;
        if (t.fieldNames.empty() || !ApplyPayload(&t, plain)) ++out->refused;
    }
    fileio::CloseFile(f);
    if (inBatch) ++out->refused;
    if (!ok) return false;
    if (t.fieldNames.empty()) t.fieldNames = knownSchema;
    if (t.fieldNames.empty()) return *error = "no schema: neither the file nor the caller has one", false;
    const std::size_t before = t.rows.size();
    t.rows.RemoveIf(RowDeleted);  // deleted and not yet purged when the file ends
    out->droppedDeleted = before - t.rows.size();
    return true;
}

bool Refresh(fileio::File* file, FileState* st, KeyCache* keys, std::string* error) {
    fileio::FileStat s;
    if (!fileio::StatFile(file, &s)) return *error = "cannot read the file", false;
    if (!st->fileId.empty() && s == st->stat) return true;
    // Appends only ever make the file longer: one that changed without growing was rewritten (a
    // restore, a repair, damage) and is read again whole.
    if (!st->fileId.empty() && s.size > st->stat.size && s.size >= st->end &&
        st->lastTag.size() == sc::kTagSize) {
        std::string header, tag(sc::kTagSize, '\0');
        std::size_t got = 0;
        if (ReadHeader(file, &header, error) && header == st->header &&
            fileio::ReadAt(file, st->end - sc::kTagSize, tag.data(), tag.size(), &got) && got == tag.size() &&
            tag == st->lastTag) {
            // Only grown: catch up with the new entries, all checked before any is applied.
            std::vector<std::string> payloads;
            std::uint64_t end = st->end;
            std::string lastTag = st->lastTag;
            auto take = [&payloads](std::string_view p) {
                payloads.emplace_back(p);
                return !p.empty() && p[0] != kSchema;
            };
            std::uint64_t damagedAt = 0;
            if (!WalkEntries(file, *st, st->end, s.size, take, &end, &lastTag, error, &damagedAt))
                return false;
            for (const std::string& p : payloads) {
                if (!TakePayload(st, p)) {
                    st->fileId.clear();  // inconsistent: the next access reads the file from scratch
                    return *error = "entry does not fit the table", false;
                }
            }
            st->end = end;
            st->lastTag = lastTag;
            st->entries += payloads.size();
            st->stat = s;
            return true;
        }
    }
    return LoadFull(file, st, keys, error);
}

bool SettleReplacement(FileState* st, KeyCache* keys, std::string* error) {
    if (st->movedTo.empty()) return true;
    const std::string pending = PendingPath(st->path);
    FileState next;
    if (!LoadOther(pending, *st, keys, &next) || next.fileId != st->movedTo)
        return true;                                         // nothing to finish
    if (!RenameWithRetries(pending, st->path)) return true;  // the old file still holds the same records
    *error = "replacement finished";
    return false;
}

fileio::File* OpenLockedFresh(FileState* st, KeyCache* keys, std::string* error) {
    for (int attempt = 0;; ++attempt) {
        fileio::File* f = fileio::OpenFile(st->path, fileio::OpenMode::ReadWrite);
        if (!f) return *error = "cannot open " + st->path + " for writing", nullptr;
        if (!fileio::Lock(f)) {
            fileio::CloseFile(f);
            return *error = "cannot lock " + st->path, nullptr;
        }
        if (!Refresh(f, st, keys, error)) {
            fileio::Unlock(f);
            fileio::CloseFile(f);
            return nullptr;
        }
        if (st->movedTo.empty() || attempt > 0) {
            // A new file that no hand-over names is the leftover of an interrupted compaction; and
            // appending after a hand-over that could not be finished voids it. Looked for once per
            // load, and whenever a hand-over was seen.
            const std::string pending = PendingPath(st->path);
            if ((!st->pendingChecked || attempt > 0) && fileio::Exists(pending)) fileio::RemoveFile(pending);
            st->pendingChecked = true;
            return f;
        }
        fileio::Unlock(f);
        fileio::CloseFile(f);
        if (!SettleReplacement(st, keys, error)) st->fileId.clear();  // replaced: read the new file
    }
}

namespace {

// Writes sealed entries at the end of the store's data; on failure cuts the file back there (best
// effort: a torn write is dropped at the next read anyway).
bool WriteSealed(fileio::File* f, FileState* st, const std::string& entries, std::string* error) {
    if (fileio::WriteAt(f, st->end, entries.data(), entries.size())) return true;
    fileio::Truncate(f, st->end);
    st->stat = {};
    return *error = "write failed", false;
}

// After entries were written up to `end`: the state follows, and torn bytes after them are cut.
void Written(fileio::File* f, FileState* st, std::uint64_t end, const std::string& tag,
             std::uint64_t entries) {
    st->end = end;
    st->lastTag = tag;
    st->entries += entries;
    if (!fileio::StatFile(f, &st->stat)) {
        st->stat = {};
    } else if (st->stat.size > st->end && fileio::Truncate(f, st->end)) {
        if (!fileio::StatFile(f, &st->stat)) st->stat = {};
    }
}

}  // namespace

bool WriteEntry(fileio::File* f, FileState* st, const std::string& payload, std::string* error) {
    const std::uint64_t offset = st->end;
    std::string tag;
    const std::string entry = SealEntry(st->key, st->fileId, offset, payload, &tag);
    if (entry.empty()) return *error = "encryption failed", false;
    if (!WriteSealed(f, st, entry, error)) return false;
    if (!TakePayload(st, payload)) {
        fileio::Truncate(f, offset);
        st->fileId.clear();
        return *error = "invalid change", false;
    }
    Written(f, st, offset + entry.size(), tag, 1);
    return true;
}

bool WriteBatch(fileio::File* f, FileState* st, const BatchTrack& track, std::string* error) {
    // The body: the row count before the batch, then runs of rows kept from before (count << 1,
    // first index) and runs of new rows (count << 1 | 1, then each row with its length).
    const RowList& rows = st->table.rows;
    std::string body;
    PutVarint(&body, track.baseCount);
    for (std::size_t i = 0, j = 0; i < rows.size(); i = j) {
        j = i + 1;
        if (track.origin[i] != BatchTrack::kNew) {
            while (j < rows.size() && track.origin[j] == track.origin[j - 1] + 1) ++j;
            PutVarint(&body, (j - i) << 1);
            PutVarint(&body, track.origin[i]);
        } else {
            while (j < rows.size() && track.origin[j] == BatchTrack::kNew) ++j;
            PutVarint(&body, ((j - i) << 1) | 1);
            for (std::size_t k = i; k < j; ++k) {
                PutVarint(&body, rows[k].size());
                body += rows[k];
            }
        }
    }
    const std::uint64_t start = st->end;
    std::string out, tag;
    std::uint64_t parts = 0;
    for (std::size_t at = 0; at < body.size(); ++parts) {
        const std::size_t n = std::min(kBatchPartSize, body.size() - at);
        std::string payload(1, static_cast<char>(at + n == body.size() ? kBatch : kBatchPart));
        payload.append(body, at, n);
        const std::string entry = SealEntry(st->key, st->fileId, start + out.size(), payload, &tag);
        if (entry.empty()) return *error = "encryption failed", false;
        out += entry;
        at += n;
    }
    if (!WriteSealed(f, st, out, error)) return false;
    st->movedTo.clear();
    Written(f, st, start + out.size(), tag, parts);
    return true;
}

bool Compact(FileState* st, KeyCache* keys, std::string* error) {
    fileio::File* f = OpenLockedFresh(st, keys, error);
    if (!f) return false;
    const std::string fileId = sc::NonceBytes(16), pending = PendingPath(st->path);
    const std::string header =
        MakeHeader(GetU32(st->header.data() + 12), st->header.substr(16, 16), fileId, st->key);
    FileState next;
    std::string writeError;
    bool ok =
        WriteStoreFile(pending, header, st->key, st->table, fileio::OpenMode::CreateAlways, &writeError);
    // Check the new file before the old one hands over to it.
    ok = ok && LoadOther(pending, *st, keys, &next) && next.fileId == fileId &&
         next.table.fieldNames == st->table.fieldNames && next.table.rows == st->table.rows;
    if (ok) {
        std::string moved(1, static_cast<char>(kMoved));
        ok = WriteEntry(f, st, moved + fileId, error) && fileio::Sync(f);
    } else if (!writeError.empty()) {
        *error = writeError;
    } else {
        *error = "the new file failed its check";
    }
    fileio::Unlock(f);
    fileio::CloseFile(f);  // under Wine a rename over a file fails while any handle to it is open
    if (!ok) {
        fileio::RemoveFile(pending);
        return false;
    }
    if (!RenameWithRetries(pending, st->path)) return *error = "cannot replace " + st->path, false;
    next.path = st->path;
    if (!fileio::StatPath(next.path, &next.stat)) next.stat = {};
    *st = std::move(next);
    return true;
}

}  // namespace qm::storefile
