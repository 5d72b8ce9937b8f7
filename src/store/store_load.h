// Reading a store file: entries one by one, the search for an authentic entry after a bad one,
// the joining of a batch's parts, and the full load of a file into a FileState. Shared by the file
// procedures (store_file.cpp) and the check and salvage of the store tool (store_check.cpp).
// Window thread (or a tool's only thread); every function works on the state it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "store/store_format.h"

namespace qm::storefile {

// Sequential reads through a window of the file, a large read at a time.
struct Reader {
    explicit Reader(fileio::File* f) : file(f) {}
    fileio::File* file;
    std::unique_ptr<char[]> buf;
    std::size_t capacity = 0, size = 0;
    std::uint64_t bufStart = 0;
    bool Get(std::uint64_t off, std::size_t n, std::string_view* out);
};

// What stopped a read: the file could not be read, or what it holds is not a store this engine
// opens with this password.
enum class Problem { None, Unreadable, Header, Password, Entries };

// The entry at `pos` when it is complete and authentic: *n receives its length and *plain its
// payload. *readFailed is set when the file could not be read.
bool AuthenticEntryAt(Reader& r, const FileState& st, std::uint64_t pos, std::uint64_t size, std::uint32_t* n,
                      std::string* plain, bool* readFailed);

// The offset of the first authentic entry of this file after `pos`, or `size` when there is none
// (see the definition for which offsets are looked at).
std::uint64_t NextAuthenticEntry(fileio::File* file, const FileState& st, std::uint64_t pos,
                                 std::uint64_t size, bool* readFailed);

// Joins the parts of a batch into one payload, entry by entry in file order.
class BatchJoiner {
  public:
    enum Step {
        Whole,    // *whole is a payload to take: the entry itself, or a batch joined from its parts
        Pending,  // the entry is a part of a batch that more parts follow
        Broken    // parts of a batch were followed by another kind of entry: they are dropped, and
                  // the entry is not taken (adding it again takes it on its own)
    };
    // `most`, when known, bounds the bytes of the batch (what is left of the file from `pos`): the
    // join then takes its room once instead of growing by copies.
    Step Add(std::string_view plain, std::uint64_t pos, std::string_view* whole, std::uint64_t most = 0);
    bool pending() const { return pending_; }
    std::uint64_t startedAt() const { return startedAt_; }  // offset of the batch's first part
    // Hands over the block that a batch just joined (the last Whole) lies in, so that its rows need
    // no copy; empty when that batch was a single entry.
    std::shared_ptr<char[]> TakeJoined(std::size_t* size);

  private:
    void Append(std::string_view bytes, std::uint64_t most);
    std::shared_ptr<char[]> joined_;
    std::size_t capacity_ = 0, size_ = 0;
    bool pending_ = false;
    std::uint64_t startedAt_ = 0;
};

// Reads the entries from `from` up to `size`: see the definition. On failure *problem says whether
// the file could not be read (Unreadable) or holds damage (Entries, at *damagedAt).
// With `rows`, a batch joined from parts is handed to `take` in a block that *rows adopts first,
// so that its rows are not copied.
bool WalkEntries(fileio::File* file, const FileState& st, std::uint64_t from, std::uint64_t size,
                 const std::function<bool(std::string_view)>& take, std::uint64_t* end, std::string* lastTag,
                 std::string* error, std::uint64_t* damagedAt, Problem* problem, RowList* rows = nullptr);

// The header bytes of `file`, checked; on failure *problem is Unreadable or Header.
bool ReadHeader(fileio::File* file, std::string* header, std::string* error, Problem* problem);

// Takes one payload into a state being loaded or caught up.
bool TakePayload(FileState* st, std::string_view p);

// Header, key and file id of the store in `file`; the start of every load.
bool OpenHeader(fileio::File* file, FileState* n, KeyCache* keys, std::string* error, Problem* problem);

// Reads the whole file into *st (path and password already set); on failure *st is unchanged and
// *problem and *damagedAt (when given) say what failed where.
bool LoadFull(fileio::File* file, FileState* st, KeyCache* keys, std::string* error,
              Problem* problem = nullptr, std::uint64_t* damagedAt = nullptr);

// Loads the file at `path` as a check that it is a complete store with this id.
bool LoadOther(const std::string& path, const FileState& like, KeyCache* keys, FileState* out);

}  // namespace qm::storefile
