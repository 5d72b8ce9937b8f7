// Export into other programs' formats (login CSV files, the bookmark file): the sites and
// categories the program's own export would write for a category choice, in the same order and
// with the same failure messages, as a UTF-8 file of the chosen format. Portable; window thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "exchange/login_formats.h"

namespace qm {

// nullopt after a failure message, as BuildExportText.
std::optional<std::string> BuildForeignExport(ForeignFormat format, std::string_view choice);

}  // namespace qm
