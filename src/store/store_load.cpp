// Reading a store file: see store_load.h and docs/store-format.md.
#include "store/store_load.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qm::storefile {

namespace sc = storecrypto;

bool Reader::Get(std::uint64_t off, std::size_t n, std::string_view* out) {
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

// Whether a bad entry inside a batch that began at `start` (its first part, or the bad entry
// itself), with the authentic entry `next` after it, is what a crash in the batch's one write
// leaves. The file is flushed before a batch is written, so such a crash loses pages of the batch
// only; every part but the last has one size, so from `start` on, at whole part sizes, there can
// only be parts (authentic, or bad and followed by more of them) and perhaps the last part, then
// a torn tail or the end.
bool IsTornBatch(Reader& r, const FileState& st, std::uint64_t start, std::uint64_t next, std::uint64_t size,
                 bool* readFailed) {
    constexpr std::uint64_t kPartEntry = kEntryOverhead + 1 + kBatchPartSize;
    std::string plain;
    for (std::uint64_t pos = next; pos < size;) {
        if ((pos - start) % kPartEntry != 0) return false;
        std::uint32_t n = 0;
        while (AuthenticEntryAt(r, st, pos, size, &n, &plain, readFailed)) {
            const auto type = static_cast<unsigned char>(plain[0]);
            if ((type != kBatchPart || kEntryOverhead + n != kPartEntry) && type != kBatch) return false;
            pos += kEntryOverhead + n;
            if (type == kBatch)
                return pos == size ||
                       (!AuthenticEntryAt(r, st, pos, size, &n, &plain, readFailed) && !*readFailed &&
                        NextAuthenticEntry(r.file, st, pos, size, readFailed) == size);
        }
        if (*readFailed || pos == size) return !*readFailed;
        pos = NextAuthenticEntry(r.file, st, pos, size, readFailed);
        if (*readFailed) return false;
    }
    return true;
}

void BatchJoiner::Append(std::string_view bytes, std::uint64_t most) {
    if (size_ + bytes.size() > capacity_) {
        const std::size_t capacity =
            std::max({size_ + bytes.size(), 2 * capacity_, static_cast<std::size_t>(most)});
        std::shared_ptr<char[]> grown = AllocateRowBlock(capacity);
        if (size_) std::memcpy(grown.get(), joined_.get(), size_);
        joined_ = std::move(grown);
        capacity_ = capacity;
    }
    if (!bytes.empty()) std::memcpy(joined_.get() + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
}

BatchJoiner::Step BatchJoiner::Add(std::string_view plain, std::uint64_t pos, std::string_view* whole,
                                   std::uint64_t most) {
    const unsigned char type = static_cast<unsigned char>(plain[0]);
    if (type != kBatchPart && !pending_) {
        *whole = plain;
        return Whole;
    }
    if (!pending_) {
        size_ = 0;
        const char batch = static_cast<char>(kBatch);
        Append(std::string_view(&batch, 1), most);
        startedAt_ = pos;
    }
    if (type != kBatchPart && type != kBatch) {
        pending_ = false;
        size_ = 0;
        return Broken;
    }
    Append(plain.substr(1), most);
    pending_ = type == kBatchPart;
    if (pending_) return Pending;
    *whole = std::string_view(joined_.get(), size_);
    return Whole;
}

std::shared_ptr<char[]> BatchJoiner::TakeJoined(std::size_t* size) {
    *size = capacity_;
    capacity_ = size_ = 0;
    return std::move(joined_);
}

// An entry that is cut short or fails authentication ends the walk as a torn tail when no
// authentic entry follows it (a crash leaves such tails: short, zeros, garbage or stale bytes);
// with one after it, it is damage and fails the walk, as does an authentic entry that `take`
// refuses. *damagedAt receives the offset of the bad entry. The parts of a batch are joined and
// handed to `take` as one payload once the last part is read; *end and *lastTag only ever move
// past whole payloads, so a batch cut short is a torn tail too.
bool WalkEntries(fileio::File* file, const FileState& st, std::uint64_t from, std::uint64_t size,
                 const std::function<bool(std::string_view)>& take, std::uint64_t* end, std::string* lastTag,
                 std::string* error, std::uint64_t* damagedAt, Problem* problem, RowList* rows) {
    Reader r(file);
    std::string plain;
    BatchJoiner joiner;
    bool readFailed = false;
    auto unreadable = [&] {
        *problem = Problem::Unreadable;
        *error = "read failed";
        return false;
    };
    auto damaged = [&](const char* what, std::uint64_t at) {
        *problem = Problem::Entries;
        *damagedAt = at;
        *error = std::string(what).append(std::to_string(at));
        return false;
    };
    for (std::uint64_t pos = from; pos < size;) {
        std::uint32_t n = 0;
        if (!AuthenticEntryAt(r, st, pos, size, &n, &plain, &readFailed)) {
            const std::uint64_t next =
                readFailed ? size : NextAuthenticEntry(file, st, pos, size, &readFailed);
            if (!readFailed && next == size) break;  // torn tail
            if (!readFailed &&
                IsTornBatch(r, st, joiner.pending() ? joiner.startedAt() : pos, next, size, &readFailed))
                break;  // a batch that a machine crash left with pages lost
            if (readFailed) return unreadable();
            return damaged("damaged entry at ", pos);
        }
        std::string_view whole;
        const BatchJoiner::Step step = joiner.Add(plain, pos, &whole, size - pos);
        if (step == BatchJoiner::Broken) return damaged("invalid entry at ", joiner.startedAt());
        if (step == BatchJoiner::Whole) {
            if (rows && whole.data() != plain.data()) {
                std::size_t n = 0;
                std::shared_ptr<char[]> block = joiner.TakeJoined(&n);
                rows->Adopt(std::move(block), n);
            }
            if (!take(whole))
                return damaged("invalid entry at ", whole.data() == plain.data() ? pos : joiner.startedAt());
            std::string_view tag;
            if (!r.Get(pos + kEntryOverhead + n - sc::kTagSize, sc::kTagSize, &tag)) return unreadable();
            lastTag->assign(tag);
            *end = pos + kEntryOverhead + n;
        }
        pos += kEntryOverhead + n;
    }
    return true;
}

bool ReadHeader(fileio::File* file, std::string* header, std::string* error, Problem* problem) {
    header->assign(kHeaderSize, '\0');
    std::size_t got = 0;
    if (!fileio::ReadAt(file, 0, header->data(), kHeaderSize, &got))
        return *problem = Problem::Unreadable, *error = "read failed", false;
    *problem = Problem::Header;
    if (got < kHeaderSize) return *error = "not a store file", false;
    switch (CheckHeader(*header)) {
        case HeaderProblem::None:
            return *problem = Problem::None, true;
        case HeaderProblem::NotAStore:
            return *error = "not a store file", false;
        case HeaderProblem::UnknownVersion:
            return *error = "unknown store format version", false;
        case HeaderProblem::Damaged:
            break;
    }
    return *error = "damaged header", false;
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

bool OpenHeader(fileio::File* file, FileState* n, KeyCache* keys, std::string* error, Problem* problem) {
    if (!ReadHeader(file, &n->header, error, problem)) return false;
    const HeaderFields h = FieldsOf(n->header);
    n->key = KeyFor(keys, n->password, h.salt, h.iterations);
    if (n->key.empty()) return *problem = Problem::Unreadable, *error = "key derivation failed", false;
    if (Verifier(n->key, n->header) != h.verifier)
        return *problem = Problem::Password, *error = "wrong password", false;
    n->fileId = std::string(h.fileId);
    return true;
}

bool LoadFull(fileio::File* file, FileState* st, KeyCache* keys, std::string* error, Problem* problem,
              std::uint64_t* damagedAt) {
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
    // The rows take at most the size of the file: one block, left untouched where not needed. The
    // references are reserved for rows of 16 bytes, also left untouched where not needed: a guess
    // too small costs a copy of them, and for a while both.
    n.table.rows.Reserve(static_cast<std::size_t>(s.size / 16), static_cast<std::size_t>(s.size));
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
    if (!WalkEntries(file, n, kHeaderSize, s.size, take, &end, &tag, error, damagedAt, problem,
                     &n.table.rows))
        return false;
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

// Loads the file at `path` as a check that it is a complete store with this id.
bool LoadOther(const std::string& path, const FileState& like, KeyCache* keys, FileState* out) {
    const fileio::UniqueFile f = fileio::Open(path, fileio::OpenMode::ReadOnly);
    if (!f) return false;
    out->path = path;
    out->password = like.password;
    std::string error;
    return LoadFull(f.get(), out, keys, &error);
}

}  // namespace qm::storefile
