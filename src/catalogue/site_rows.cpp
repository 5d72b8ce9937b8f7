// The site list's rows: see site_rows.h.
#include "catalogue/site_rows.h"

#include "catalogue/main_form.h"
#include "core/stores.h"
#include "store/record_store.h"

namespace qm {

ListTable CollectSiteRows(std::string_view category) {
    ListTable rows(kListColumnCount);
    if (!OpenStoreByName(kSiteStoreAlias)) return rows;
    RecordStore& store = Stores();
    store.First();
    // One Find over the whole store instead of a Find per match: Find tries the records one by
    // one from the current record on, so the k-th record tried is record k. A condition that never
    // holds collects every match in store order at the cost of one freshness check of the file.
    long long record = store.RecordNumber();
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
    return rows;
}

}  // namespace qm
