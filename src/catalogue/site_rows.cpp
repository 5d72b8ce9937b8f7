// The site list's rows: see site_rows.h.
#include "catalogue/site_rows.h"

#include "catalogue/main_form.h"
#include "core/stores.h"
#include "store/record_store.h"

namespace qm {

namespace {

std::size_t DecimalDigits(std::size_t n) {
    std::size_t digits = 1;
    for (; n >= 10; n /= 10) ++digits;
    return digits;
}

}  // namespace

ListTable CollectSiteRows(std::string_view category) {
    ListTable rows(kListColumnCount);
    CollectSiteRows(category, rows);
    return rows;
}

void CollectSiteRows(std::string_view category, ListTable& rows) {
    rows.Clear(kListColumnCount);
    if (!OpenStoreByName(kSiteStoreAlias)) return;
    RecordStore& store = Stores();
    store.First();
    // A first pass measures the category, so the table is made at its size: a decoding pass costs
    // a tenth of what growing 100,000 rows by doubling does.
    std::size_t count = 0, bytes = 0;
    long long record = store.RecordNumber();
    store.Find([&](const Fields& f) {
        if (!f.empty() && f[0] == category) {
            ++count;
            bytes += DecimalDigits(count) + DecimalDigits(static_cast<std::size_t>(record));
            for (std::size_t field = 1; field <= 9 && field < f.size(); ++field) bytes += f[field].size();
        }
        ++record;
        return false;
    });
    rows.Reserve(count, bytes);
    // One Find over the whole store instead of a Find per match: Find tries the records one by
    // one from the current record on, so the k-th record tried is record k. A condition that never
    // holds collects every match in store order at the cost of one freshness check of the file.
    record = store.RecordNumber();
    store.Find([&](const Fields& f) {
        if (!f.empty() && f[0] == category) {
            rows.AddCell(std::to_string(rows.size() + 1));
            for (std::size_t field = 1; field <= 9; ++field)
                rows.AddCell(field < f.size() ? std::string_view(f[field]) : std::string_view());
            rows.AddCell(std::to_string(record));
        }
        ++record;
        return false;
    });
    CloseStoreByName(kSiteStoreAlias);
}

}  // namespace qm
