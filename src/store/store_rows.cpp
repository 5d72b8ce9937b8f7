// Rows of a store table in shared blocks: see store_rows.h.
#include "store/store_rows.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/large_memory.h"

namespace qm::storefile {

namespace {

std::atomic<std::uint64_t> g_versions{0};

constexpr std::size_t kMinBlock = 4u << 10;
constexpr std::size_t kMaxBlock = 1u << 20;
constexpr std::size_t kWasteSlack = 1u << 20;

}  // namespace

// Large blocks come from the system in one piece: a load's block is written from end to end right
// away, and faulted in page by page that costs more than the copying.
std::shared_ptr<char[]> AllocateRowBlock(std::size_t size) {
    if (size >= kLargeMemoryMin)
        if (char* p = AllocateLargeMemory(size))
            return std::shared_ptr<char[]>(p, [size](char* q) { FreeLargeMemory(q, size); });
    return std::shared_ptr<char[]>(new char[size]);  // uninitialised: pages never written cost no memory
}

RowList::RowList(const RowList& other)
    : refs_(other.refs_),
      blocks_(other.blocks_),
      held_(other.held_),
      live_(other.live_),
      version_(other.version_) {}

RowList& RowList::operator=(const RowList& other) {
    if (this != &other) {
        refs_ = other.refs_;
        blocks_ = other.blocks_;
        free_ = nullptr;  // the free space of other's last block is other's alone
        room_ = 0;
        adopted_ = nullptr;
        adoptedSize_ = 0;
        held_ = other.held_;
        live_ = other.live_;
        version_ = other.version_;
    }
    return *this;
}

RowList::RowList(RowList&& other) noexcept {
    *this = std::move(other);
}

RowList& RowList::operator=(RowList&& other) noexcept {
    if (this != &other) {
        refs_ = std::move(other.refs_);
        blocks_ = std::move(other.blocks_);
        free_ = other.free_;
        room_ = other.room_;
        adopted_ = other.adopted_;
        adoptedSize_ = other.adoptedSize_;
        held_ = other.held_;
        live_ = other.live_;
        version_ = other.version_;
        other.refs_.clear();
        other.blocks_.clear();
        other.free_ = nullptr;
        other.room_ = 0;
        other.adopted_ = nullptr;
        other.adoptedSize_ = 0;
        other.held_ = 0;
        other.live_ = 0;
        other.Touch();
    }
    return *this;
}

void RowList::Touch() {
    version_ = ++g_versions;
}

void RowList::NewBlock(std::size_t bytes) {
    const std::size_t size = std::max<std::size_t>(
        bytes, std::clamp<std::size_t>(static_cast<std::size_t>(live_ / 8), kMinBlock, kMaxBlock));
    blocks_.push_back(AllocateRowBlock(size));
    free_ = blocks_.back().get();
    room_ = size;
    held_ += size;
}

void RowList::Repack(std::size_t extra) {
    const std::size_t size = static_cast<std::size_t>(live_ + live_ / 4) + extra + kMinBlock;
    std::shared_ptr<char[]> block = AllocateRowBlock(size);
    char* p = block.get();
    for (Ref& r : refs_) {
        if (r.size) std::memcpy(p, r.data, r.size);
        r.data = p;
        p += r.size;
    }
    blocks_.clear();
    blocks_.push_back(std::move(block));
    adopted_ = nullptr;
    adoptedSize_ = 0;
    free_ = p;
    room_ = size - static_cast<std::size_t>(p - blocks_.back().get());
    held_ = size;
}

const char* RowList::Store(std::string_view row) {
    const auto at = reinterpret_cast<std::uintptr_t>(row.data()),
               from = reinterpret_cast<std::uintptr_t>(adopted_);
    if (adopted_ && at >= from && at - from <= adoptedSize_ && row.size() <= adoptedSize_ - (at - from))
        return row.data();
    std::vector<std::shared_ptr<char[]>> old;  // `row` may lie in a block a repack releases
    if (row.size() > room_) {
        if (held_ - room_ > 2 * live_ + kWasteSlack) {
            old = blocks_;
            Repack(row.size());
        }
        if (row.size() > room_) NewBlock(row.size());
    }
    char* p = free_;
    if (!row.empty()) std::memcpy(p, row.data(), row.size());
    free_ += row.size();
    room_ -= row.size();
    return p;
}

void RowList::Reserve(std::size_t rows, std::size_t bytes) {
    refs_.reserve(refs_.size() + rows);
    if (bytes > room_) NewBlock(bytes);
}

void RowList::Adopt(std::shared_ptr<char[]> block, std::size_t size) {
    adopted_ = block.get();
    adoptedSize_ = size;
    held_ += size;
    blocks_.push_back(std::move(block));
}

void RowList::Add(std::string_view row) {
    refs_.push_back({Store(row), row.size()});
    live_ += row.size();
    Touch();
}

void RowList::Set(std::size_t i, std::string_view row) {
    const char* p = Store(row);
    live_ = live_ - refs_[i].size + row.size();
    refs_[i] = {p, row.size()};
    Touch();
}

void RowList::SetFirstByte(std::size_t i, char c) {
    if (refs_[i].size == 0 || refs_[i].data[0] == c) return;
    std::string row((*this)[i]);
    row[0] = c;
    Set(i, row);
}

void RowList::RemoveAt(const std::vector<std::size_t>& sorted) {
    if (sorted.empty()) return;
    std::size_t w = sorted[0], k = 0;
    for (std::size_t r = sorted[0]; r < refs_.size(); ++r) {
        if (k < sorted.size() && sorted[k] == r) {
            live_ -= refs_[r].size;
            ++k;
            continue;
        }
        refs_[w++] = refs_[r];
    }
    refs_.resize(w);
    Touch();
}

void RowList::Select(const std::vector<std::pair<std::size_t, std::size_t>>& runs) {
    std::vector<Ref, LargeAllocator<Ref>> refs;
    std::size_t count = 0;
    bool same = true;  // the runs take every row in order (a batch that only appended): no copy
    for (const auto& run : runs) {
        same = same && run.first == count;
        count += run.second;
    }
    if (same && count == refs_.size()) return Touch();
    refs.reserve(count);
    live_ = 0;
    for (const auto& [first, n] : runs) {
        for (std::size_t i = first; i < first + n; ++i) {
            refs.push_back(refs_[i]);
            live_ += refs_[i].size;
        }
    }
    refs_ = std::move(refs);
    Touch();
}

void RowList::Truncate(std::size_t n) {
    for (std::size_t i = n; i < refs_.size(); ++i) live_ -= refs_[i].size;
    if (n < refs_.size()) refs_.resize(n);
    Touch();
}

void RowList::Clear() {
    *this = RowList();
}

void RowList::ShrinkIfWasteful() {
    if (held_ - room_ <= 2 * live_ + kWasteSlack) return;
    std::vector<std::shared_ptr<char[]>> old = std::move(blocks_);
    Repack(0);
    Touch();
}

bool RowList::operator==(const RowList& other) const {
    if (size() != other.size()) return false;
    for (std::size_t i = 0; i < size(); ++i)
        if ((*this)[i] != other[i]) return false;
    return true;
}

}  // namespace qm::storefile
