// The bytes of a store file (docs/store-format.md), inside the engine: sizes and limits, the
// entry types, varints, the header's named fields, and the sealing of one entry. The public face
// of the engine is store_file.h; this header is for its own files and their tests.
// Any thread; every function works on what it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/store_crypto.h"
#include "store/store_file.h"

namespace qm::storefile {

inline constexpr char kMagic[8] = {'Q', 'M', 'S', 'T', 'O', 'R', 'E', '\x1a'};
inline constexpr std::size_t kEntryOverhead = 4 + storecrypto::kNonceSize + storecrypto::kTagSize;
// The largest entry a reader takes; SealEntry refuses anything larger, so the engine never writes
// an entry it would reject on the next open.
inline constexpr std::uint32_t kMaxEntry = 64u << 20;
// The largest change (an append or update payload, so about one record) the engine writes. Far
// below kMaxEntry: a rows entry of a compaction holds up to kRowsChunk bytes of rows and then one
// more record, and a record that once fitted must fit again whenever it is rewritten.
inline constexpr std::size_t kMaxChange = 16u << 20;
inline constexpr std::size_t kRowsChunk = 256u << 10;
inline constexpr std::size_t kReadChunk = 1u << 20;
// Entries up to this size are looked for at every offset after a bad entry (see
// NextAuthenticEntry): it covers single changes and the rows entries of a compaction, and keeps
// the search linear in the bytes searched.
inline constexpr std::uint32_t kScanEntry = 512u << 10;
// A batch larger than this is written in parts: entries are read whole into memory, and entries
// of this size are found after damage at any offset (kScanEntry).
inline constexpr std::size_t kBatchPartSize = 256u << 10;

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

// The header: where each field lies, and its size.
struct HeaderLayout {
    static constexpr std::size_t kVersion = 8;  // format version (2), derivation (1), cipher (1)
    static constexpr std::size_t kIterations = 12;
    static constexpr std::size_t kSalt = 16;
    static constexpr std::size_t kFileId = 32;
    static constexpr std::size_t kVerifier = 48;
    static constexpr std::size_t kChecksum = 64;  // covers the bytes before it
    static constexpr std::size_t kIdSize = 16;    // salt, file id and verifier alike
    static constexpr std::size_t kSize = 72;
};
inline constexpr std::size_t kHeaderSize = HeaderLayout::kSize;

void PutVarint(std::string* s, std::uint64_t v);
bool GetVarint(std::string_view s, std::size_t* pos, std::uint64_t* v);
// A length-prefixed piece at *pos.
bool GetPiece(std::string_view s, std::size_t* pos, std::string_view* piece);
void PutU32(std::string* s, std::uint32_t v);
std::uint32_t GetU32(const char* p);

// The fields of a header's bytes (views into them; the bytes must be a whole header).
struct HeaderFields {
    std::uint32_t iterations = 0;
    std::string_view salt, fileId, verifier;
};
HeaderFields FieldsOf(std::string_view header);

// Header bytes for these parameters; the verifier needs the key.
std::string MakeHeader(std::uint32_t iterations, std::string_view salt, std::string_view fileId,
                       const std::string& key);
// Why a header was refused; None when it is a header this engine reads.
enum class HeaderProblem { None, NotAStore, Damaged, UnknownVersion };
HeaderProblem CheckHeader(std::string_view header);
std::string Verifier(const std::string& key, std::string_view header);

// The key for this password and header, derived once per engine (KeyCache); empty on failure.
std::string KeyFor(KeyCache* keys, const std::string& password, std::string_view salt,
                   std::uint32_t iterations);

// The additional data of an entry: file id, offset, length (built without an allocation, since a
// load makes one per entry).
struct Aad {
    Aad(std::string_view fileId, std::uint64_t offset, std::uint32_t n);
    char bytes[28] = {};
    std::string_view view() const { return {bytes, sizeof bytes}; }
};

// One sealed entry at `offset` of the file `fileId`; empty when encryption failed or the payload
// is over kMaxEntry. *tag (if given) receives the entry's tag.
std::string SealEntry(const std::string& key, std::string_view fileId, std::uint64_t offset,
                      std::string_view payload, std::string* tag);
// The same appended to *out; false (and *out as it was) when SealEntry would return empty.
bool AppendSealedEntry(std::string* out, const std::string& key, std::string_view fileId,
                       std::uint64_t offset, std::string_view payload, std::string* tag);

// The body of the batch recorded in `track`, from its start to `rows` (the format of a batch
// body), handed to `put` in pieces (varints and rows) in order: a large batch never needs its
// body whole in memory.
void PutBatchBody(const RowList& rows, const BatchTrack& track,
                  const std::function<void(std::string_view)>& put);

}  // namespace qm::storefile
