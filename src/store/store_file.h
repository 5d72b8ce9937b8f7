// The store file format (docs/store-format.md) and the file procedures of the engine: load a store
// file into memory, catch up with entries others appended, append one entry under the file lock,
// and compact into a new file that replaces the old one. The table keeps each record as one
// encoded row (a flag byte, then per field a varint length and the bytes), which is also the
// row's form inside entries, so loading is a copy into a few large blocks (store_rows.h) and
// memory stays near the plaintext size.
// Window thread only; every function works on the state it is given.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "store/store_rows.h"

namespace qm::storefile {

using FieldList = std::vector<std::string>;

inline constexpr std::uint32_t kDefaultIterations = 100000;
inline constexpr std::uint32_t kMinIterations = 1000;
inline constexpr std::uint32_t kMaxIterations = 10000000;

// Rows.
std::string EncodeRow(const FieldList& values, std::size_t fieldCount, bool deleted = false);
bool RowValid(std::string_view row, std::size_t fieldCount);
bool RowDeleted(std::string_view row);
void DecodeRow(std::string_view row, FieldList* out);  // reuses the strings of *out
// Views of the fields of a valid row (they live as long as the row's bytes).
void RowFields(std::string_view row, std::vector<std::string_view>* out);
// The first n fields alone, into out[0..n); those the row lacks are empty.
void RowFields(std::string_view row, std::string_view* out, std::size_t n);
std::string WithField(std::string_view row, std::size_t index, std::string_view value);
std::string WithDeleted(std::string_view row, bool deleted);

// Entry payloads (the plaintext of one entry).
std::string SchemaPayload(const FieldList& fieldNames);
std::string AppendPayload(const std::string& row);
std::string UpdatePayload(std::uint64_t index, const std::string& row);
std::string DeletePayload(std::uint64_t index);
std::string PurgePayload();

struct Table {
    FieldList fieldNames;
    RowList rows;
};

// A batch of changes (RecordStore::BeginBatch) made to a table in memory: where each row came
// from, so that the whole batch can be written at its end as one change.
struct BatchTrack {
    static constexpr std::uint64_t kNew = ~std::uint64_t{0};
    std::size_t baseCount = 0;          // rows when the batch began
    std::vector<std::uint64_t> origin;  // per row: its index when the batch began, or kNew if written since
    std::vector<std::size_t> marked;    // the rows marked deleted, in no order
    bool purged = false;                // a purge removed rows
    void Start(const RowList& rows);
    bool Changed() const;
};

// Applies one payload; false (table unchanged) when it is malformed or does not fit the table.
// With a track, the change is also recorded there (only single changes: append, update, delete,
// purge), and a purge moves only the rows after the first one it removes.
bool ApplyPayload(Table* table, std::string_view payload, BatchTrack* track = nullptr);

// Keys derived in this engine, by password, salt and cost: a derivation costs tens of milliseconds.
using KeyCache = std::map<std::string, std::string>;

// One store file as this engine last saw it.
struct FileState {
    std::string path;  // absolute
    std::string password;
    std::string key;
    std::string header;  // the header bytes (salt, cost, file id, verifier)
    std::string fileId;
    std::uint64_t end = 0;        // end of the last complete entry
    std::uint64_t entries = 0;    // complete entries up to `end`: each costs a decryption at a load
    std::string lastTag;          // tag of that entry: a cheap sign that the file is still ours
    std::string movedTo;          // the last entry hands the store over to a new file with this id
    fileio::FileStat stat;        // of the file when last read or written
    bool pendingChecked = false;  // a leftover new file was looked for since the last full read
    Table table;
};

// Writes a new store file (header and schema entry). Fails if the file exists unless overwrite.
bool CreateFile(const std::string& path, const std::string& password, const FieldList& fieldNames,
                std::uint32_t iterations, bool overwrite, std::string* error);

// Writes a new store file holding `table` (a new salt and file id). Fails if the file exists unless
// overwrite; written beside it and renamed over it.
bool WriteNewStore(const std::string& path, const std::string& password, std::uint32_t iterations,
                   const Table& table, bool overwrite, std::string* error);

// What a check of a store file found (store_tool check). Nothing is written.
struct FileCheck {
    enum Result { Intact, TornTail, Damaged, WrongPassword, Unreadable };
    Result result = Unreadable;
    // TornTail: where the torn bytes begin (the records before them open); Damaged: the start of
    // the damaged entry, 0 for the header.
    std::uint64_t offset = 0;
    std::uint64_t records = 0, size = 0;
    std::string error;
};
FileCheck CheckFile(const std::string& path, const std::string& password, KeyCache* keys);

// What a salvage read from a damaged file: every entry that authenticates, applied in file order
// (a change that no longer fits, because what it changed was in a lost entry, is refused), then
// the records left marked deleted are dropped.
struct Salvaged {
    Table table;
    std::uint32_t iterations = 0;  // key-derivation cost of the file
    std::uint64_t entries = 0;     // authentic entries read
    std::uint64_t lostBytes = 0;   // bytes of the file in no authentic entry
    std::uint64_t refused = 0;     // authentic changes that did not fit
    std::uint64_t droppedDeleted = 0;
    std::uint64_t droppedTooLong = 0;  // records over the limit of one change
};
// Reads the file (never writes it). knownSchema stands in for a lost schema entry. False when the
// header is damaged or the password is wrong: then nothing can be authenticated.
bool SalvageFile(const std::string& path, const std::string& password, const FieldList& knownSchema,
                 KeyCache* keys, Salvaged* out, std::string* error);

// Brings *state up to date with the open file: nothing when unchanged, the new entries when the file
// only grew, a full read otherwise. A state with an empty fileId is loaded from scratch. On failure
// *state is unchanged.
bool Refresh(fileio::File* file, FileState* state, KeyCache* keys, std::string* error);

// Appends one payload under the file lock after catching up with the file and flushing it; the
// payload is built by `build` from the fresh table (it returns false to cancel). On success the
// table has it applied.
template <class Build>
bool AppendUnderLock(FileState* state, KeyCache* keys, std::string* error, Build build);

// Writes the batch recorded in `track` (the change from its start to state->table) to `file`,
// locked and fresh since the batch began, in one write of one entry (or of several parts for a
// large batch, taken only whole). A crash leaves the file with all of it or none of it. Not
// flushed; on failure the file is cut back to where it was.
bool WriteBatch(fileio::File* file, FileState* state, const BatchTrack& track, std::string* error);

// Rewrites the store into a new file that replaces the old one (see the format note). On failure the
// old file stays the store; success is reported only when the replacement is done.
bool Compact(FileState* state, KeyCache* keys, std::string* error);

// After a load: finishes a replacement that a crash interrupted (the file ends with a hand-over to
// a complete new file) or discards a leftover new file. Returns false if the store must be re-read.
bool SettleReplacement(FileState* state, KeyCache* keys, std::string* error);

std::string PendingPath(const std::string& path);  // path of the new file during a replacement

// Internal pieces of AppendUnderLock.
fileio::UniqueFile OpenLockedFresh(FileState* state, KeyCache* keys, std::string* error);
bool WriteEntry(fileio::File* file, FileState* state, const std::string& payload, std::string* error);

template <class Build>
bool AppendUnderLock(FileState* state, KeyCache* keys, std::string* error, Build build) {
    const fileio::UniqueFile f = OpenLockedFresh(state, keys, error);
    if (!f) return false;
    std::string payload;
    // What came before reaches the disk first, so only the change being written is ever unflushed:
    // a machine crash losing any of its pages leaves a torn tail, never damage before later entries.
    bool ok = build(state->table, &payload) && (fileio::Sync(f.get()) || (*error = "flush failed", false)) &&
              WriteEntry(f.get(), state, payload, error);
    fileio::Unlock(f.get());
    return ok;
}

}  // namespace qm::storefile
