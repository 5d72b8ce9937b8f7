// Record stores: password-protected table files of text fields, with one process-wide current
// store and, per open store, a current record (1-based; the position after the last record is
// valid). The program uses the single instance returned by Stores(); tests may create more
// engines to stand for other processes. Window thread only (not thread-safe).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using Fields = std::vector<std::string>;

class RecordStore {
  public:
    RecordStore();
    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Writes a new, empty store file with these field names. Fails if the file exists, unless
    // overwrite is set. Used by the store tool and tests; the program never creates a store.
    static bool Create(const std::string& path, const std::string& password,
                       const std::vector<std::string>& fieldNames, bool overwrite = false);

    // Opens read-write and shared; fails on a missing file, a wrong password, a damaged file, or
    // the same full path (case-insensitive) already open. The store becomes current at record 1.
    bool Open(const std::string& path, const std::string& alias, const std::string& password);
    bool IsOpen(const std::string& path) const;
    // Alias, then file title, then full path; case-insensitive.
    bool SelectStore(const std::string& alias);
    bool Close(const std::string& alias);
    void CloseAll();

    // Record operations on the current store; false / 0 / empty when no store is current.
    long long RecordCount();
    bool First();
    bool Skip(long long count = 1);
    bool GoTo(long long recordNumber);
    long long RecordNumber() const;
    bool Append(const Fields& values);  // value k into field k; missing values empty
    bool AppendBlank();                 // the new record becomes current
    // Value k into field k; an omitted value (nullopt) and every field after the last value keep
    // their content. Fails with no current record.
    bool Modify(const std::vector<std::optional<std::string>>& values);
    std::string Read(std::string_view fieldName);
    std::string Read(int position);  // 1-based
    // The current store's field names, in order; empty when no store is current.
    std::vector<std::string> FieldNames() const;
    bool Write(std::string_view fieldName, std::string_view value);
    bool Write(int position, std::string_view value);
    // From the current record forward: the first record whose fields satisfy the condition
    // becomes current (true); with no match the current record is restored (false).
    bool Find(const std::function<bool(const Fields&)>& condition);
    // Hands every record of the current store, in order, to visit as its encoded row
    // (storefile::RowFields reads the fields), shared with the store instead of copied: `keep`
    // receives what holds the rows, and they stay readable and unchanged as long as it is kept,
    // whatever the store does meanwhile. For a reader that scans a large store again and again.
    // False without a current store.
    bool ShareRows(std::vector<std::shared_ptr<const char[]>>* keep,
                   const std::function<void(std::string_view row)>& visit);
    // Changes with every change of the current store's records, made here or found in its file
    // (another process); equal values mean the same records. 0 without a current store.
    std::uint64_t TableVersion();
    bool DeleteCurrent();
    bool Purge();  // removes deleted records at once; record numbers close up

    // Batches, for actions that make many changes (an import, deleting a category with its sites).
    // Between BeginBatch and CommitBatch every change to any store of this engine (Append,
    // AppendBlank, Modify, Write, DeleteCurrent, Purge) acts on the table in memory at once, exactly
    // as outside a batch: record numbers, the current record, Read and Find see it at once, and a
    // purge renumbers at once. The files are written at CommitBatch, in one locked write per store
    // file changed, and flushed: a crash leaves each file as it was before the batch or with all of
    // it, never a part (across files there is no such promise). A store file joins the batch at its
    // first change and stays locked until the batch ends: other writers wait, readers see the file
    // as it was before the batch. Closing and reopening a store inside a batch keeps its changes.
    bool BeginBatch();  // false when a batch is open already
    // Writes the batch and ends it. False when a store file could not be written: its changes are
    // undone in memory (LastError tells why), while those of the files written stay. A failed flush
    // after a good write is only recorded in LastError, as at Close.
    bool CommitBatch();
    void AbortBatch();  // ends the batch, undoing all its changes in memory; nothing is written
    bool InBatch() const;

    // Why the last failed operation failed, for tools and tests (never shown to users).
    const std::string& LastError() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The process-wide engine of the program.
RecordStore& Stores();

// Key-derivation cost written into stores made by Create from now on (0: the default). The cost is
// recorded in each file, so tests can make tiny stores cheaply without weakening real ones.
void SetStoreKdfIterationsForTesting(std::uint32_t iterations);

}  // namespace qm
