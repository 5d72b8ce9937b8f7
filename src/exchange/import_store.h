// The stores as an import writes them: one batch for the whole run, and a writer per store that
// knows the key of every record (category name, site host) so that "stored already?" is a look-up.
// Shared by the import of the program's own formats and that of other programs' files. Portable;
// window thread.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

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

// One of the two stores for the length of an import, with a key of each record kept so that
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
        return keys_.count(key_(value)) != 0;
    }
    bool Open() {
        if (!current_->Use(alias_)) return false;
        if (!loaded_) {
            RecordStore& store = Stores();
            stored_ = store.RecordCount();
            for (long long n = 1; n <= stored_; ++n, store.Skip()) keys_.insert(key_(store.Read(keyField_)));
            loaded_ = true;
        }
        return true;
    }
    bool Append(const Fields& record) {
        if (!Stores().Append(record)) return false;
        keys_.insert(key_(record[static_cast<std::size_t>(keyField_ - 1)]));
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
    std::unordered_set<std::string> keys_;
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
