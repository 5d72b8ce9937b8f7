// The file procedures of the engine: create, catch up, append under the lock, write a batch, and
// compact into a new file that replaces the old one. See store_file.h and docs/store-format.md.
#include "store/store_file.h"

#include <algorithm>
#include <vector>

#include "store/store_load.h"

namespace qm::storefile {

namespace sc = storecrypto;

namespace {

bool WriteAll(fileio::File* f, std::uint64_t* offset, const std::string& bytes) {
    if (!fileio::WriteAt(f, *offset, bytes.data(), bytes.size())) return false;
    *offset += bytes.size();
    return true;
}

// Writes header, schema and rows of `table` into a new file at `path` under `fileId`.
bool WriteStoreFile(const std::string& path, const std::string& header, const std::string& key,
                    const Table& table, fileio::OpenMode mode, std::string* error) {
    const fileio::UniqueFile file = fileio::Open(path, mode);
    if (!file) return *error = "cannot create " + path, false;
    fileio::File* f = file.get();
    const std::string fileId(FieldsOf(header).fileId);
    std::uint64_t off = 0;
    // An entry that cannot be sealed (over the reader's limit) fails the file rather than go missing.
    auto put = [&](std::string_view payload) {
        const std::string entry = SealEntry(key, fileId, off, payload, nullptr);
        return !entry.empty() && WriteAll(f, &off, entry);
    };
    bool ok = WriteAll(f, &off, header);
    ok = ok && put(SchemaPayload(table.fieldNames));
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
            ok = put(p);
            chunk.clear();
            count = 0;
        }
        ++i;
    }
    ok = ok && fileio::Sync(f);
    if (!ok) *error = "write failed: " + path;
    return ok;
}

}  // namespace

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
    if (!fileio::RenameWithRetries(pending, path)) {
        fileio::RemoveFile(pending);
        return *error = "cannot replace " + path, false;
    }
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
        Problem problem;
        if (ReadHeader(file, &header, error, &problem) && header == st->header &&
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
            if (!WalkEntries(file, *st, st->end, s.size, take, &end, &lastTag, error, &damagedAt, &problem))
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
        return true;  // nothing to finish
    if (!fileio::RenameWithRetries(pending, st->path))
        return true;  // the old file still holds the same records
    *error = "replacement finished";
    return false;
}

fileio::UniqueFile OpenLockedFresh(FileState* st, KeyCache* keys, std::string* error) {
    for (int attempt = 0;; ++attempt) {
        fileio::UniqueFile f = fileio::Open(st->path, fileio::OpenMode::ReadWrite);
        if (!f) return *error = "cannot open " + st->path + " for writing", nullptr;
        if (!fileio::Lock(f.get())) return *error = "cannot lock " + st->path, nullptr;
        if (!Refresh(f.get(), st, keys, error)) {
            fileio::Unlock(f.get());
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
        fileio::Unlock(f.get());
        f.reset();
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
    // The body is sealed part by part as it is produced, straight into the bytes to write, which
    // are sized once: a batch of an import then takes about its size once more, not three times.
    std::uint64_t size = 0;
    PutBatchBody(st->table.rows, track, [&size](std::string_view piece) { size += piece.size(); });
    const std::uint64_t parts = (size + kBatchPartSize - 1) / kBatchPartSize;
    const std::uint64_t start = st->end;
    std::string out, tag, payload;
    out.reserve(static_cast<std::size_t>(size + parts * (kEntryOverhead + 1)));
    payload.reserve(1 + kBatchPartSize);
    std::uint64_t at = 0;  // body bytes sealed so far
    bool sealed = true;
    auto seal = [&] {
        const std::size_t n = payload.size() - 1;
        payload[0] = static_cast<char>(at + n == size ? kBatch : kBatchPart);
        sealed = sealed && AppendSealedEntry(&out, st->key, st->fileId, start + out.size(), payload, &tag);
        at += n;
        payload.resize(1);
    };
    payload.resize(1);
    PutBatchBody(st->table.rows, track, [&](std::string_view piece) {
        while (!piece.empty()) {
            const std::size_t n = std::min(piece.size(), 1 + kBatchPartSize - payload.size());
            payload.append(piece.substr(0, n));
            piece.remove_prefix(n);
            if (payload.size() == 1 + kBatchPartSize) seal();
        }
    });
    if (payload.size() > 1) seal();
    if (!sealed || at != size) return *error = "encryption failed", false;
    // What came before reaches the disk first: a machine crash in the batch's write then loses
    // only pages of the batch, which a reader tells for a torn tail by its whole parts.
    if (!fileio::Sync(f)) return *error = "flush failed", false;
    if (!WriteSealed(f, st, out, error)) return false;
    st->movedTo.clear();
    Written(f, st, start + out.size(), tag, parts);
    return true;
}

bool Compact(FileState* st, KeyCache* keys, std::string* error) {
    fileio::UniqueFile f = OpenLockedFresh(st, keys, error);
    if (!f) return false;
    const std::string fileId = sc::NonceBytes(16), pending = PendingPath(st->path);
    const HeaderFields old = FieldsOf(st->header);
    const std::string header = MakeHeader(old.iterations, old.salt, fileId, st->key);
    FileState next;
    std::string writeError;
    bool ok =
        WriteStoreFile(pending, header, st->key, st->table, fileio::OpenMode::CreateAlways, &writeError);
    // Check the new file before the old one hands over to it.
    ok = ok && LoadOther(pending, *st, keys, &next) && next.fileId == fileId &&
         next.table.fieldNames == st->table.fieldNames && next.table.rows == st->table.rows;
    if (ok) {
        std::string moved(1, static_cast<char>(kMoved));
        ok = WriteEntry(f.get(), st, moved + fileId, error) && fileio::Sync(f.get());
    } else if (!writeError.empty()) {
        *error = writeError;
    } else {
        *error = "the new file failed its check";
    }
    fileio::Unlock(f.get());
    f.reset();  // under Wine a rename over a file fails while any handle to it is open
    if (!ok) {
        fileio::RemoveFile(pending);
        return false;
    }
    if (!fileio::RenameWithRetries(pending, st->path)) return *error = "cannot replace " + st->path, false;
    next.path = st->path;
    if (!fileio::StatPath(next.path, &next.stat)) next.stat = {};
    *st = std::move(next);
    return true;
}

}  // namespace qm::storefile
