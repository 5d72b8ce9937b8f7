// The record-store engine: the process-wide model of open stores (aliases, one current store, a
// current record per store) over the store files of store_file.h. Tables live in memory; a closed
// store's table and every derived key stay cached in the engine, so the program's open-work-close
// pattern costs a stat and two small reads per open. Each change is one entry appended under the
// file lock after catching up with the file; the file is flushed to disk when the store is closed,
// and rewritten in large entries then if single changes have piled up. In a batch, changes act on
// the tables only, and each store file changed is locked from its first change to the end of the
// batch, when the whole batch is written to it at once.
// Window thread only.
#include "store/record_store.h"

#include <algorithm>
#include <map>

#include "platform/file_io.h"
#include "platform/gbk.h"
#include "store/store_file.h"
#include "store/store_format.h"

namespace qm {

namespace sf = storefile;

namespace {

std::uint32_t g_createIterations = sf::kDefaultIterations;
constexpr std::uint64_t kSmallEntriesToCompact = 4096;

struct OpenStore {
    std::string alias;
    std::string normPath;  // absolute, ASCII-folded: the identity of the file
    sf::FileState st;
    long long current = 1;
    bool dirty = false;  // written since the last flush to disk
};

std::string NormalizePath(const std::string& path) {
    return AsciiLower(fileio::AbsolutePath(path));
}

// Name of the file without folder and extension.
std::string FileTitle(const std::string& path) {
    std::size_t nameStart = 0, dot = std::string::npos;
    for (std::size_t i = 0; i < path.size();) {
        std::size_t n = GbkCharLength(path, i);
        if (n == 1 && (path[i] == '\\' || path[i] == '/')) nameStart = i + 1, dot = std::string::npos;
        if (n == 1 && path[i] == '.') dot = i;
        i += n;
    }
    return path.substr(nameStart, dot == std::string::npos ? std::string::npos : dot - nameStart);
}

bool SameText(std::string_view a, std::string_view b) {
    return AsciiLower(a) == AsciiLower(b);
}

}  // namespace

struct RecordStore::Impl {
    std::vector<std::unique_ptr<OpenStore>> stores;
    OpenStore* cur = nullptr;
    std::map<std::string, sf::FileState> closed;  // by normalized path
    sf::KeyCache keys;
    std::string lastError;
    // Fields of the row last read: valid while a list of that version exists (copies share bytes).
    std::vector<std::string_view> decoded;
    std::uint64_t decodedVersion = 0;
    std::size_t decodedIndex = 0;
    // The batch: the store files that joined it, in the order they joined.
    struct Joined {
        std::string normPath;
        fileio::UniqueFile file;  // open and locked until the batch ends
        sf::RowList before;    // the rows when the file joined
        sf::BatchTrack track;  // the batch's changes of those rows
    };
    bool inBatch = false;
    std::vector<Joined> batch;

    bool Fail(std::string why) {
        lastError = std::move(why);
        return false;
    }
    long long Count() const { return cur ? static_cast<long long>(cur->st.table.rows.size()) : 0; }
    void Clamp(OpenStore* s) {
        const long long end = static_cast<long long>(s->st.table.rows.size()) + 1;
        if (s->current > end) s->current = end;
        if (s->current < 1) s->current = 1;
    }
    // The 0-based index of the current record, or -1 past the end / without a store.
    long long CurrentIndex() const {
        return cur && cur->current >= 1 && cur->current <= Count() ? cur->current - 1 : -1;
    }
    // The fields of record i of the current store, decoded once for all the reads of a record.
    const std::vector<std::string_view>& CurrentFields(std::size_t i) {
        const sf::RowList& rows = cur->st.table.rows;
        if (decodedVersion != rows.Version() || decodedIndex != i) {
            sf::RowFields(rows[i], &decoded);
            decodedVersion = rows.Version();
            decodedIndex = i;
        }
        return decoded;
    }
    long long FieldIndex(std::string_view name) const {
        const auto& names = cur->st.table.fieldNames;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (SameText(names[i], name)) return static_cast<long long>(i);
        return -1;
    }
    bool Load(sf::FileState* st, fileio::OpenMode mode);
    void EnsureFresh(OpenStore* s);
    template <class Build>
    bool Change(Build build);
    bool CompactIfDue(sf::FileState* st, bool purged);
    void MaybeCompact(OpenStore* s, bool purged);
    void CloseStore(std::size_t i);
    Joined* JoinedFor(const std::string& normPath) {
        for (Joined& j : batch)
            if (j.normPath == normPath) return &j;
        return nullptr;
    }
    Joined* Join(OpenStore* s);
    bool EndBatch(bool write);
    OpenStore* OpenFor(const std::string& normPath) {
        for (const auto& s : stores)
            if (s->normPath == normPath) return s.get();
        return nullptr;
    }
    sf::FileState* StateOf(const std::string& normPath) {
        if (OpenStore* s = OpenFor(normPath)) return &s->st;
        auto it = closed.find(normPath);
        return it == closed.end() ? nullptr : &it->second;
    }
};

bool RecordStore::Impl::Load(sf::FileState* st, fileio::OpenMode mode) {
    for (int round = 0; round < 2; ++round) {
        fileio::UniqueFile f = fileio::Open(st->path, mode);
        if (!f) return Fail("cannot open " + st->path);
        std::string error;
        const bool ok = sf::Refresh(f.get(), st, &keys, &error);
        f.reset();  // under Wine an open handle blocks the rename that settles a replacement
        if (!ok) return Fail(error);
        // A compaction interrupted after its hand-over entry: finish it and read the new file.
        if (st->movedTo.empty() || sf::SettleReplacement(st, &keys, &error)) return true;
        st->fileId.clear();
    }
    return true;
}

void RecordStore::Impl::EnsureFresh(OpenStore* s) {
    if (JoinedFor(s->normPath)) return;  // locked by the batch: the table in memory is the truth
    fileio::FileStat now;
    if (!fileio::StatPath(s->st.path, &now) || now == s->st.stat) return;
    sf::FileState copy = s->st;  // a failed read keeps serving what we had
    if (Load(&copy, fileio::OpenMode::ReadOnly)) s->st = std::move(copy);
    Clamp(s);
}

template <class Build>
bool RecordStore::Impl::Change(Build build) {
    if (!cur) return Fail("no current store");
    // A record too long to be rewritten later as one entry is refused before anything is written.
    auto checked = [&](const sf::Table& t, std::string* payload) {
        return build(t, payload) && (payload->size() <= sf::kMaxChange || Fail("record too long"));
    };
    if (inBatch) {
        Joined* j = Join(cur);
        std::string payload;
        if (!j || !checked(cur->st.table, &payload)) return false;
        if (!sf::ApplyPayload(&cur->st.table, payload, &j->track)) return Fail("invalid change");
        Clamp(cur);
        return true;
    }
    std::string error;
    if (!sf::AppendUnderLock(&cur->st, &keys, &error, checked))
        return Fail(error.empty() ? lastError : error);
    cur->dirty = true;
    Clamp(cur);
    return true;
}

bool RecordStore::Impl::CompactIfDue(sf::FileState* st, bool purged) {
    const std::uint64_t live = st->table.rows.Bytes() + st->table.rows.size() * 34 + 4096;
    const bool wasteful = st->end > (64u << 10) && st->end > 2 * live;
    // A purge removes deleted data from the file at once while that is cheap (small stores).
    if (!wasteful && !(purged && st->end <= (4u << 20))) return false;
    std::string error;
    if (sf::Compact(st, &keys, &error))
        return true;    // the new file was flushed before it replaced the old one
    lastError = error;  // the appended entries already hold the change
    return false;
}

void RecordStore::Impl::MaybeCompact(OpenStore* s, bool purged) {
    if (JoinedFor(s->normPath)) return;  // at the end of the batch
    if (CompactIfDue(&s->st, purged)) s->dirty = false;
    Clamp(s);
}

RecordStore::Impl::Joined* RecordStore::Impl::Join(OpenStore* s) {
    if (Joined* j = JoinedFor(s->normPath)) return j;
    std::string error;
    fileio::UniqueFile f = sf::OpenLockedFresh(&s->st, &keys, &error);
    if (!f) {
        Fail(error);
        return nullptr;
    }
    Clamp(s);  // the file may have changed since it was read
    batch.push_back({s->normPath, std::move(f), s->st.table.rows, {}});
    batch.back().track.Start(s->st.table.rows);
    return &batch.back();
}

bool RecordStore::Impl::EndBatch(bool write) {
    std::vector<Joined> joined = std::move(batch);
    batch.clear();
    inBatch = false;
    bool ok = true;
    for (Joined& j : joined) {
        sf::FileState* st = StateOf(j.normPath);  // a joined store is open or cached, never dropped
        const bool changed = j.track.Changed();
        bool written = false;
        if (write && changed) {
            // Written through the handle locked since the file joined: a file put in its place
            // meanwhile (a restore) would never see the batch.
            fileio::FileStat now, mine;
            std::string error;
            if (!fileio::StatPath(st->path, &now) || !fileio::StatFile(j.file.get(), &mine) ||
                now.identity != mine.identity)
                error = "the store file was replaced during the batch: " + st->path;
            else
                written = sf::WriteBatch(j.file.get(), st, j.track, &error);
            if (!written) ok = Fail(error);
        }
        if (!written) st->table.rows = j.before;
        // Also after an abort: a store changed before the batch and closed in it was not flushed.
        const bool flushed = fileio::Sync(j.file.get());
        if (written && !flushed) lastError = "flush failed: " + st->path;
        fileio::Unlock(j.file.get());
        j.file.reset();
        OpenStore* s = OpenFor(j.normPath);
        if (s && flushed) s->dirty = false;
        if (written && CompactIfDue(st, j.track.purged) && s) s->dirty = false;
        if (s) Clamp(s);
    }
    return ok;
}

void RecordStore::Impl::CloseStore(std::size_t i) {
    OpenStore* s = stores[i].get();
    // Every change is an entry of its own, and a load decrypts entry by entry: a store written in
    // many small entries is rewritten in a few large ones when it is closed after changes (a store
    // only read is never written).
    const sf::FileState& st = s->st;
    const bool joined = JoinedFor(s->normPath) != nullptr;  // written and flushed at the end of the batch
    if (!joined && s->dirty &&
        st.entries > std::max<std::uint64_t>(kSmallEntriesToCompact, st.table.rows.size() / 8)) {
        std::string error;
        if (sf::Compact(&s->st, &keys, &error))
            s->dirty = false;  // the new file was flushed before it replaced the old one
        else
            lastError = error;
    }
    if (!joined && s->dirty) {
        const fileio::UniqueFile f = fileio::Open(s->st.path, fileio::OpenMode::ReadWrite);
        if (!f || !fileio::Sync(f.get())) lastError = "flush failed: " + s->st.path;
    }
    closed[s->normPath] = std::move(s->st);
    if (cur == s) cur = nullptr;
    stores.erase(stores.begin() + static_cast<std::ptrdiff_t>(i));
}

RecordStore::RecordStore() : impl_(std::make_unique<Impl>()) {}
RecordStore::~RecordStore() {
    AbortBatch();
    CloseAll();
}

bool RecordStore::Create(const std::string& path, const std::string& password,
                         const std::vector<std::string>& fieldNames, bool overwrite) {
    std::string error;
    return sf::CreateFile(path, password, fieldNames, g_createIterations, overwrite, &error);
}

void SetStoreKdfIterationsForTesting(std::uint32_t iterations) {
    g_createIterations = iterations ? iterations : sf::kDefaultIterations;
}

bool RecordStore::Open(const std::string& path, const std::string& alias, const std::string& password) {
    Impl& m = *impl_;
    const std::string norm = NormalizePath(path);
    for (const auto& s : m.stores) {
        if (s->normPath == norm) return m.Fail("already open: " + path);
        if (SameText(s->alias, alias)) return m.Fail("alias in use: " + alias);
    }
    auto s = std::make_unique<OpenStore>();
    s->alias = alias;
    s->normPath = norm;
    auto cached = m.closed.find(norm);
    const bool joined = m.JoinedFor(norm) != nullptr;  // its table is the batch's: never read again
    if (cached != m.closed.end() && cached->second.password == password) {
        s->st = std::move(cached->second);
        m.closed.erase(cached);
    } else if (joined) {
        return m.Fail("wrong password");
    }
    s->st.path = fileio::AbsolutePath(path);
    s->st.password = password;
    if (!joined && !m.Load(&s->st, fileio::OpenMode::ReadWrite)) return false;
    m.stores.push_back(std::move(s));
    m.cur = m.stores.back().get();
    return true;
}

bool RecordStore::IsOpen(const std::string& path) const {
    const std::string norm = NormalizePath(path);
    for (const auto& s : impl_->stores)
        if (s->normPath == norm) return true;
    return false;
}

bool RecordStore::SelectStore(const std::string& alias) {
    Impl& m = *impl_;
    OpenStore* found = nullptr;
    for (const auto& s : m.stores)
        if (!found && SameText(s->alias, alias)) found = s.get();
    for (const auto& s : m.stores)
        if (!found && SameText(FileTitle(s->st.path), alias)) found = s.get();
    if (!found && !alias.empty()) {
        const std::string norm = NormalizePath(alias);
        for (const auto& s : m.stores)
            if (!found && s->normPath == norm) found = s.get();
    }
    if (!found) return m.Fail("no open store named " + alias);
    m.cur = found;
    m.EnsureFresh(found);
    return true;
}

bool RecordStore::Close(const std::string& alias) {
    for (std::size_t i = 0; i < impl_->stores.size(); ++i) {
        if (SameText(impl_->stores[i]->alias, alias)) {
            impl_->CloseStore(i);
            return true;
        }
    }
    return impl_->Fail("no open store named " + alias);
}

void RecordStore::CloseAll() {
    while (!impl_->stores.empty()) impl_->CloseStore(impl_->stores.size() - 1);
}

long long RecordStore::RecordCount() {
    return impl_->Count();
}

bool RecordStore::First() {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    m.EnsureFresh(m.cur);
    m.cur->current = 1;
    return true;
}

bool RecordStore::Skip(long long count) {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    const long long target = m.cur->current + count;
    m.cur->current = target;
    m.Clamp(m.cur);
    return m.cur->current == target;
}

bool RecordStore::GoTo(long long recordNumber) {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    m.EnsureFresh(m.cur);
    if (recordNumber < 1 || recordNumber > m.Count() + 1) return m.Fail("no such record");
    m.cur->current = recordNumber;
    return true;
}

long long RecordStore::RecordNumber() const {
    return impl_->cur ? impl_->cur->current : 0;
}

bool RecordStore::Append(const Fields& values) {
    return impl_->Change([&](const sf::Table& t, std::string* payload) {
        if (values.size() > t.fieldNames.size()) return impl_->Fail("more values than fields");
        *payload = sf::AppendPayload(sf::EncodeRow(values, t.fieldNames.size()));
        return true;
    }) && (impl_->MaybeCompact(impl_->cur, false), true);
}

bool RecordStore::AppendBlank() {
    if (!impl_->Change([](const sf::Table& t, std::string* payload) {
            *payload = sf::AppendPayload(sf::EncodeRow({}, t.fieldNames.size()));
            return true;
        }))
        return false;
    impl_->cur->current = impl_->Count();
    impl_->MaybeCompact(impl_->cur, false);
    return true;
}

bool RecordStore::Modify(const std::vector<std::optional<std::string>>& values) {
    Impl& m = *impl_;
    return m.Change([&](const sf::Table& t, std::string* payload) {
        const long long i = m.CurrentIndex();
        if (i < 0) return m.Fail("no current record");
        if (values.size() > t.fieldNames.size()) return m.Fail("more values than fields");
        std::string row(t.rows[static_cast<std::size_t>(i)]);
        for (std::size_t k = 0; k < values.size(); ++k)
            if (values[k]) row = sf::WithField(row, k, *values[k]);
        *payload = sf::UpdatePayload(static_cast<std::uint64_t>(i), row);
        return true;
    }) && (m.MaybeCompact(m.cur, false), true);
}

std::string RecordStore::Read(std::string_view fieldName) {
    Impl& m = *impl_;
    if (!m.cur) return {};
    const long long k = m.FieldIndex(fieldName);
    return k < 0 ? std::string() : Read(static_cast<int>(k + 1));
}

std::string RecordStore::Read(int position) {
    Impl& m = *impl_;
    const long long i = m.CurrentIndex();
    if (i < 0 || position < 1) return {};
    const std::vector<std::string_view>& fields = m.CurrentFields(static_cast<std::size_t>(i));
    const std::size_t k = static_cast<std::size_t>(position - 1);
    return k < fields.size() ? std::string(fields[k]) : std::string();
}

std::vector<std::string> RecordStore::FieldNames() const {
    return impl_->cur ? impl_->cur->st.table.fieldNames : std::vector<std::string>{};
}

bool RecordStore::Write(std::string_view fieldName, std::string_view value) {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    const long long k = m.FieldIndex(fieldName);
    if (k < 0) return m.Fail("no field named " + std::string(fieldName));
    return Write(static_cast<int>(k + 1), value);
}

bool RecordStore::Write(int position, std::string_view value) {
    Impl& m = *impl_;
    return m.Change([&](const sf::Table& t, std::string* payload) {
        const long long i = m.CurrentIndex();
        if (i < 0) return m.Fail("no current record");
        if (position < 1 || static_cast<std::size_t>(position) > t.fieldNames.size())
            return m.Fail("no such field");
        const std::string row = sf::WithField(t.rows[static_cast<std::size_t>(i)], position - 1, value);
        *payload = sf::UpdatePayload(static_cast<std::uint64_t>(i), row);
        return true;
    }) && (m.MaybeCompact(m.cur, false), true);
}

bool RecordStore::Find(const std::function<bool(const Fields&)>& condition) {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    m.EnsureFresh(m.cur);
    Fields fields;
    const auto& rows = m.cur->st.table.rows;
    for (long long n = m.cur->current; n >= 1 && n <= static_cast<long long>(rows.size()); ++n) {
        sf::DecodeRow(rows[static_cast<std::size_t>(n - 1)], &fields);
        if (condition(fields)) {
            m.cur->current = n;
            return true;
        }
    }
    return false;  // the current record was never moved
}

bool RecordStore::ShareRows(std::vector<std::shared_ptr<const char[]>>* keep,
                            const std::function<void(std::string_view row)>& visit) {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    m.EnsureFresh(m.cur);
    const sf::RowList& rows = m.cur->st.table.rows;
    keep->assign(rows.Blocks().begin(), rows.Blocks().end());
    for (std::size_t i = 0; i < rows.size(); ++i) visit(rows[i]);
    return true;
}

std::uint64_t RecordStore::TableVersion() {
    Impl& m = *impl_;
    if (!m.cur) return 0;
    m.EnsureFresh(m.cur);
    return m.cur->st.table.rows.Version();
}

bool RecordStore::DeleteCurrent() {
    Impl& m = *impl_;
    return m.Change([&](const sf::Table&, std::string* payload) {
        const long long i = m.CurrentIndex();
        if (i < 0) return m.Fail("no current record");
        *payload = sf::DeletePayload(static_cast<std::uint64_t>(i));
        return true;
    });
}

bool RecordStore::Purge() {
    Impl& m = *impl_;
    if (!m.cur) return m.Fail("no current store");
    m.EnsureFresh(m.cur);
    bool anyDeleted = false;
    const sf::RowList& rows = m.cur->st.table.rows;
    if (const Impl::Joined* j = m.JoinedFor(m.cur->normPath))
        anyDeleted = !j->track.marked.empty();  // a purge in a batch costs no scan of the rows
    else
        for (std::size_t i = 0; i < rows.size() && !anyDeleted; ++i) anyDeleted = sf::RowDeleted(rows[i]);
    if (!anyDeleted) return true;
    if (!m.Change([](const sf::Table&, std::string* payload) {
            *payload = sf::PurgePayload();
            return true;
        }))
        return false;
    m.MaybeCompact(m.cur, true);
    return true;
}

bool RecordStore::BeginBatch() {
    if (impl_->inBatch) return impl_->Fail("a batch is open already");
    impl_->inBatch = true;
    return true;
}

bool RecordStore::CommitBatch() {
    if (!impl_->inBatch) return impl_->Fail("no batch is open");
    return impl_->EndBatch(true);
}

void RecordStore::AbortBatch() {
    if (impl_->inBatch) impl_->EndBatch(false);
}

bool RecordStore::InBatch() const {
    return impl_->inBatch;
}

const std::string& RecordStore::LastError() const {
    return impl_->lastError;
}

RecordStore& Stores() {
    static RecordStore engine;
    return engine;
}

}  // namespace qm
