// Export into other programs' formats: see foreign_export.h. The catalogue is taken from the
// native export's text, so the choice of categories, their order and the store failures are the
// native export's own.
#include "exchange/foreign_export.h"

#include <vector>

#include "exchange/bookmarks.h"
#include "exchange/exchange_format.h"
#include "exchange/export_text.h"
#include "exchange/import_text.h"
#include "platform/text.h"

namespace qm {

std::optional<std::string> BuildForeignExport(ForeignFormat format, std::string_view choice) {
    const std::optional<std::string> native = BuildExportText(kNativeFormat, "", choice);
    if (!native) return std::nullopt;
    const NativeContent content = ReadNativeText(*native);
    std::vector<std::string> categories(content.categories.items.begin(), content.categories.items.end());
    std::vector<ForeignSite> sites;
    sites.reserve(content.records.items.size());
    for (std::string_view record : content.records.items) {
        const std::vector<std::string_view> f = RecordFields(record, 5);
        sites.push_back(
            {std::string(f[0]), std::string(f[2]), std::string(f[1]), std::string(f[3]), std::string(f[4])});
    }
    const std::string text =
        format == ForeignFormat::Bookmarks ? WriteBookmarks(categories, sites) : WriteLoginCsv(format, sites);
    return GbkToUtf8(text);
}

}  // namespace qm
