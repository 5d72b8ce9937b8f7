// The header-click sort: see list_sort.h. The sequence is held in blocks so that inserting into
// the middle of a long list does not move every later element.
#include "catalogue/list_sort.h"

#include <algorithm>
#include <cmath>

#include "platform/gbk.h"

namespace qm {

namespace {

constexpr std::size_t kBlockSize = 512;

// A sequence of row indices with insertion at any position and random access, in blocks.
struct BlockedSequence {
    std::vector<std::vector<std::size_t>> blocks;
    std::vector<std::size_t> starts;  // index of the first element of each block
    std::size_t size = 0;

    std::size_t BlockOf(std::size_t i) const {
        return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin()) -
               1;
    }
    std::size_t At(std::size_t i) const {
        const std::size_t b = BlockOf(i);
        return blocks[b][i - starts[b]];
    }
    void Insert(std::size_t pos, std::size_t value) {  // 0-based position, 0..size
        if (blocks.empty()) {
            blocks.push_back({value});
            starts.push_back(0);
            size = 1;
            return;
        }
        const std::size_t b = pos == size ? blocks.size() - 1 : BlockOf(pos);
        auto& block = blocks[b];
        block.insert(block.begin() + static_cast<std::ptrdiff_t>(pos - starts[b]), value);
        if (block.size() > 2 * kBlockSize) {
            std::vector<std::size_t> tail(block.begin() + kBlockSize, block.end());
            block.resize(kBlockSize);
            blocks.insert(blocks.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(tail));
            starts.insert(starts.begin() + static_cast<std::ptrdiff_t>(b) + 1, 0);
        }
        ++size;
        for (std::size_t i = b + 1; i < blocks.size(); ++i) starts[i] = starts[i - 1] + blocks[i - 1].size();
    }
    std::vector<std::size_t> Flatten() const {
        std::vector<std::size_t> out;
        out.reserve(size);
        for (const auto& block : blocks) out.insert(out.end(), block.begin(), block.end());
        return out;
    }
};

bool NearlyEqual(double a, double b) {
    return std::fabs(a - b) <= kSortTolerance;
}
bool Smaller(double a, double b) {
    return a - b < -kSortTolerance;
}

// 1-based insertion position of k into the sequence a[1..n], by the rules in list_sort.h.
std::size_t InsertPosition(const BlockedSequence& seq, const std::vector<double>& keys, double k) {
    const std::size_t n = seq.size;
    if (n == 0) return 1;
    auto key = [&](std::size_t oneBased) { return keys[seq.At(oneBased - 1)]; };
    if (k - key(n) >= -kSortTolerance) return n + 1;
    if (k - key(1) <= kSortTolerance) return 1;
    std::size_t lo = 1, hi = n;
    while (lo < hi - 1) {
        const std::size_t mid = (lo + hi) / 2;
        const double am = key(mid);
        if (NearlyEqual(k, am)) return mid + 1;
        if (Smaller(k, am))
            hi = mid;
        else
            lo = mid;
    }
    return lo + 1;
}

}  // namespace

bool IsNumberColumn(int column) {
    return column == 0 || (column >= 5 && column <= 9);
}

double SortKey(std::string_view cell) {
    return LeadingNumber(TrimBlanks(cell));
}

std::vector<std::size_t> AscendingInsertionOrder(const std::vector<double>& keys) {
    BlockedSequence seq;
    for (std::size_t row = 0; row < keys.size(); ++row)
        seq.Insert(InsertPosition(seq, keys, keys[row]) - 1, row);
    return seq.Flatten();
}

std::vector<std::size_t> SortedRowOrder(const std::vector<double>& keys, bool ascending) {
    std::vector<std::size_t> order = AscendingInsertionOrder(keys);
    if (!ascending) std::reverse(order.begin(), order.end());
    return order;
}

}  // namespace qm
