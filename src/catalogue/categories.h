// Category maintenance on the stores: adding, renaming and deleting a category with their input
// boxes, confirmation and messages. The windows apply the results (catalogue/categories_win.h);
// the names for their lists come from core/stores.h. Portable; window thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Asks for a name and appends it unless it exists. True when a category was added.
bool AskAndAddCategory();

// Asks for a new name for the category named filterText and gives it to every site of the
// category and to the category record, all or nothing. The new name when the stores changed;
// nullopt when nothing changed (after "更改失败！" when a write failed). Both stores must open, and
// a category of that name must exist, before anything is asked or changed.
std::optional<std::string> AskAndRenameCategory(std::string_view filterText);

// Asks for confirmation, then deletes every site of the category named filterText and the
// category, all or nothing. True when the stores changed. The same preconditions as the rename.
bool AskAndDeleteCategory(std::string_view filterText);

}  // namespace qm
