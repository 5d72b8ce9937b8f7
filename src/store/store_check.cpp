// Check and salvage of a store file, for the store tool: what a load finds, and every record that
// still authenticates. Never writes the file it reads. See store_file.h.
#include "store/store_file.h"
#include "store/store_load.h"

namespace qm::storefile {

namespace sc = storecrypto;

FileCheck CheckFile(const std::string& path, const std::string& password, KeyCache* keys) {
    FileCheck c;
    const fileio::UniqueFile file = fileio::Open(path, fileio::OpenMode::ReadOnly);
    if (!file) return c.error = "cannot open " + path, c;
    fileio::File* f = file.get();
    FileState st;
    st.path = path;
    st.password = password;
    Problem problem = Problem::None;
    std::uint64_t damagedAt = 0;
    const bool ok = LoadFull(f, &st, keys, &c.error, &problem, &damagedAt);
    fileio::FileStat s;
    if (fileio::StatFile(f, &s)) c.size = s.size;
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
    const fileio::UniqueFile file = fileio::Open(path, fileio::OpenMode::ReadOnly);
    if (!file) return *error = "cannot open " + path, false;
    fileio::File* f = file.get();
    FileState st;
    st.path = path;
    st.password = password;
    Problem problem = Problem::None;
    fileio::FileStat s;
    bool ok = fileio::StatFile(f, &s) && OpenHeader(f, &st, keys, error, &problem);
    if (!ok && error->empty()) *error = "cannot read " + path;
    out->iterations = ok ? FieldsOf(st.header).iterations : 0;
    Table& t = out->table;
    Reader r(f);
    std::string plain;
    BatchJoiner joiner;
    bool readFailed = false;
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
        ++out->entries;
        std::string_view whole;
        BatchJoiner::Step step = joiner.Add(plain, pos, &whole);
        pos += kEntryOverhead + n;
        if (step == BatchJoiner::Pending) continue;  // a batch counts only whole
        if (step == BatchJoiner::Broken) {
            ++out->refused;  // a batch whose end was lost
            step = joiner.Add(plain, pos, &whole);
        }
        const unsigned char type = static_cast<unsigned char>(whole[0]);
        if (type == kSchema && t.fieldNames.empty() && t.rows.size() == 0) {
            FileState schema;
            schema.end = kHeaderSize;
            if (TakePayload(&schema, whole)) t.fieldNames = schema.table.fieldNames;
            continue;
        }
        if (t.fieldNames.empty()) t.fieldNames = knownSchema;  // the schema entry was lost
        if (type == kMoved) continue;
        if (t.fieldNames.empty() || !ApplyPayload(&t, whole)) ++out->refused;
    }
    if (joiner.pending()) ++out->refused;
    if (!ok) return false;
    if (t.fieldNames.empty()) t.fieldNames = knownSchema;
    if (t.fieldNames.empty()) return *error = "no schema: neither the file nor the caller has one", false;
    const std::size_t before = t.rows.size();
    t.rows.RemoveIf(RowDeleted);  // deleted and not yet purged when the file ends
    out->droppedDeleted = before - t.rows.size();
    // A record the engine would refuse to write (an older engine wrote it) cannot go into the new file.
    t.rows.RemoveIf([](std::string_view row) { return row.size() > kMaxChange; });
    out->droppedTooLong = before - out->droppedDeleted - t.rows.size();
    return true;
}

}  // namespace qm::storefile
