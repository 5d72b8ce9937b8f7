// The stores as an import writes them: one batch for the whole run, and a writer per store that
// knows the key of every record (category name, site host) so that "stored already?" is a look-up.
// Shared by the import of the program's own formats and that of other programs' files. Portable;
// window thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/stores.h"
#include "platform/dialogs.h"
#include "store/record_store.h"
#include "web/address.h"

namespace qm {

inline constexpr char kCategoryOpenFailed[] = "打开分类数据库失败！";
inline constexpr char kSiteOpenFailed[] = "打开网站数据库失败！";
// Which store is current, so that a run of appends to one store selects it once.
struct CurrentStore {
    const char* alias = nullptr;
    bool Use(const char* wanted) {
        if (alias == wanted) return true;
        alias = OpenStoreByName(wanted) ? wanted : nullptr;
        return alias != nullptr;
    }
    void Forget() { alias = nullptr; }
};

inline std::string AsItIs(std::string_view s) {
    return std::string(s);
}

// The records of a store by a hash of their key (category name, site host), for "stored already?"
// as a look-up: a table of record numbers, each with 32 bits of its key's hash, by open
// addressing. A candidate is confirmed by reading its record's key again, so the table holds 8
// bytes a slot (11 to 21 a record) instead of a string and a node per record: an import of many
// short lines is held by its records, not by their keys.
class RecordKeys {
  public:
    // Whether a record whose key equals `key` is among those added; keyOf(n) gives record n's key.
    template <class KeyOf>
    bool Contains(std::string_view key, KeyOf keyOf) const {
        if (slots_.empty()) return false;
        const std::uint32_t tag = Tag(key);
        for (std::size_t i = tag & Mask(); slots_[i]; i = (i + 1) & Mask())
            if (slots_[i] >> 32 == tag && keyOf(static_cast<long long>(slots_[i] & 0xFFFFFFFFu)) == key)
                return true;
        return false;
    }
    void Add(std::string_view key, long long recordNumber) {
        if (4 * (count_ + 1) > 3 * slots_.size()) Grow();  // at most three quarters full
        Put(std::uint64_t{Tag(key)} << 32 | static_cast<std::uint32_t>(recordNumber));
        ++count_;
    }

  private:
    // The hash's high and low halves folded; a slot's place is its tag's low bits, so a grown
    // table places the slots again from their tags alone.
    static std::uint32_t Tag(std::string_view key) {
        const std::uint64_t h = std::hash<std::string_view>()(key);
        return static_cast<std::uint32_t>(h >> 32 ^ h);
    }
    std::size_t Mask() const { return slots_.size() - 1; }
    void Put(std::uint64_t slot) {
        std::size_t i = static_cast<std::size_t>(slot >> 32) & Mask();
        while (slots_[i]) i = (i + 1) & Mask();
        slots_[i] = slot;
    }
    void Grow() {
        std::vector<std::uint64_t> old(std::max<std::size_t>(64, 2 * slots_.size()));
        old.swap(slots_);
        for (std::uint64_t slot : old)
            if (slot) Put(slot);
    }
    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

// One of the two stores for the length of an import, with its records by key (RecordKeys) so that
// "stored already?" is a look-up: the category names, or the hosts of the sites.
class StoreWriter {
  public:
    StoreWriter(const char* alias, const char* openFailed, int keyField, std::string (*key)(std::string_view),
                CurrentStore* current)
        : alias_(alias), openFailed_(openFailed), keyField_(keyField), key_(key), current_(current) {}
    // CategoryExists and IsDuplicateSite: a store that cannot be opened is said and closed, and
    // the value counts as not stored.
    bool Contains(std::string_view value) {
        if (!Open()) {
            ShowMessage(openFailed_);
            Close();
            return false;
        }
        return keys_.Contains(key_(value), [this](long long n) {
            RecordStore& store = Stores();
            store.Skip(n - store.RecordNumber());  // no look at the file, unlike GoTo
            return key_(store.Read(keyField_));
        });
    }
    bool Open() {
        if (!current_->Use(alias_)) return false;
        if (!loaded_) {
            RecordStore& store = Stores();
            stored_ = store.RecordCount();
            for (long long n = 1; n <= stored_; ++n, store.Skip()) keys_.Add(key_(store.Read(keyField_)), n);
            loaded_ = true;
        }
        return true;
    }
    bool Append(const Fields& record) {
        if (!Stores().Append(record)) return false;
        keys_.Add(key_(record[static_cast<std::size_t>(keyField_ - 1)]), Stores().RecordCount());
        ++appended_;
        return true;
    }
    void Close() {
        if (current_->alias == alias_) current_->Forget();
        CloseStoreByName(alias_);
    }
    // After a batch that could not be written: true when this store lost what was appended.
    bool Lost() {
        current_->Forget();
        return appended_ > 0 && (!OpenStoreByName(alias_) || Stores().RecordCount() < stored_ + appended_);
    }

  private:
    const char* alias_;
    const char* openFailed_;
    int keyField_;
    std::string (*key_)(std::string_view);
    CurrentStore* current_;
    RecordKeys keys_;
    bool loaded_ = false;
    long long stored_ = 0, appended_ = 0;
};

inline StoreWriter CategoryWriter(CurrentStore* current) {
    return StoreWriter(kCategoryStoreAlias, kCategoryOpenFailed, 1, AsItIs, current);
}
inline StoreWriter SiteWriter(CurrentStore* current) {
    return StoreWriter(kSiteStoreAlias, kSiteOpenFailed, 2, ExtractHost, current);
}

// The import's store writes as one batch. A file that cannot be written at the end keeps none of
// the run's changes, which is said with the message of its appends.
class ImportBatch {
  public:
    ImportBatch() : open_(Stores().BeginBatch()) {}
    ~ImportBatch() {
        if (open_) Stores().AbortBatch();
    }
    void Commit(StoreWriter* categories, StoreWriter* sites) {
        if (!open_) return;
        open_ = false;
        if (Stores().CommitBatch()) return;
        if (categories && categories->Lost()) ShowMessage("添加分类失败！");
        if (sites && sites->Lost()) ShowMessage("添加网站数据失败！");
    }

  private:
    bool open_;
};

}  // namespace qm
