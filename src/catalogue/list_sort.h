// The site list's header-click sort: keys read from the cells of one column, an ascending sequence
// built by insertion with a tolerance, and its exact reverse for the other direction. The tie
// orders of that insertion are part of the program's behaviour, so it is kept as it is rather
// than replaced by a standard sort. Portable, no state.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace qm {

inline constexpr double kSortTolerance = 0.0000001;

// Columns 0 and 5 to 9 hold numbers and sort; every other column leaves the rows as they are.
bool IsNumberColumn(int column);

// The cell with blanks trimmed, read as its longest leading decimal number; 0 without one.
double SortKey(std::string_view cell);

// Row indices in the order of the ascending sequence built by inserting the keys from top to
// bottom: after the last key when not smaller than it, before the first when not larger than it,
// else at the position a bisection gives (just after an element it equals).
std::vector<std::size_t> AscendingInsertionOrder(const std::vector<double>& keys);

// The ascending sequence, or exactly its reverse (ties reversed too) when ascending is false.
std::vector<std::size_t> SortedRowOrder(const std::vector<double>& keys, bool ascending);

}  // namespace qm
