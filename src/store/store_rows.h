// The rows of a store table in memory, kept in a few large blocks instead of one string per record:
// loading 100,000 records allocates a handful of blocks, and a copy of a table (kept to go on
// serving while a re-read is tried) shares them. Bytes once written are never changed (a changed
// row is written anew), and a list writes only into free space of a block it made itself, so lists
// sharing blocks never see each other's writes. Window thread only; copies may live on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/large_memory.h"

namespace qm::storefile {

// A block for rows of at least `size` bytes, uninitialised; large ones from the system's large
// memory (see large_memory.h).
std::shared_ptr<char[]> AllocateRowBlock(std::size_t size);

// Allocates large arrays from the system's large memory (the row references of a big store).
template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLargeMemoryMin) return static_cast<T*>(::operator new(bytes));
        if (char* p = AllocateLargeMemory(bytes)) return reinterpret_cast<T*>(p);
        throw std::bad_alloc();
    }
    void deallocate(T* p, std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= kLargeMemoryMin)
            FreeLargeMemory(reinterpret_cast<char*>(p), bytes);
        else
            ::operator delete(p);
    }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const {
        return true;
    }
};

class RowList {
  public:
    RowList() = default;
    RowList(const RowList& other);
    RowList& operator=(const RowList& other);
    RowList(RowList&& other) noexcept;
    RowList& operator=(RowList&& other) noexcept;

    std::size_t size() const { return refs_.size(); }
    std::string_view operator[](std::size_t i) const { return {refs_[i].data, refs_[i].size}; }
    std::uint64_t Bytes() const { return live_; }  // sum of the row sizes
    // Changes with every change of the list and differs between lists that differ: a reader may
    // keep a decoded row while the version stays.
    std::uint64_t Version() const { return version_; }
    // The blocks every row lies in: whoever keeps them keeps the rows' bytes as they are.
    const std::vector<std::shared_ptr<char[]>>& Blocks() const { return blocks_; }

    void Reserve(std::size_t rows, std::size_t bytes);  // room for a load of about this size
    // Takes a block that rows about to be added lie in (a batch joined from a file's entries):
    // those rows are referred to where they are instead of copied. The list never writes into it.
    void Adopt(std::shared_ptr<char[]> block, std::size_t size);
    void Add(std::string_view row);
    void Set(std::size_t i, std::string_view row);
    void SetFirstByte(std::size_t i, char c);  // the deleted flag of a row
    // Removes the rows for which drop(row) is true, keeping the order of the others.
    template <class Drop>
    void RemoveIf(Drop drop);
    // Removes the rows at these indices (ascending, no duplicates), keeping the order of the
    // others; the work is a move of the row references after the first index.
    void RemoveAt(const std::vector<std::size_t>& sorted);
    // Makes the rows the concatenation of these runs (first index, count) of the current rows; the
    // bytes are not copied.
    void Select(const std::vector<std::pair<std::size_t, std::size_t>>& runs);
    void Truncate(std::size_t n);
    void Clear();
    // Copies the rows into one block when most of the memory held is old versions of rows.
    void ShrinkIfWasteful();

    bool operator==(const RowList& other) const;  // the same rows, byte for byte

  private:
    struct Ref {
        const char* data;
        std::size_t size;
    };
    const char* Store(std::string_view row);
    void NewBlock(std::size_t bytes);
    void Repack(std::size_t extra);
    void Touch();

    std::vector<Ref, LargeAllocator<Ref>> refs_;
    std::vector<std::shared_ptr<char[]>> blocks_;
    char* free_ = nullptr;  // free space at the end of the last block, which only this list writes
    std::size_t room_ = 0;
    const char* adopted_ = nullptr;  // the block last adopted, while rows may still come from it
    std::size_t adoptedSize_ = 0;
    std::size_t held_ = 0;  // bytes of all blocks
    std::uint64_t live_ = 0;
    std::uint64_t version_ = 0;
};

template <class Drop>
void RowList::RemoveIf(Drop drop) {
    std::size_t w = 0;
    for (std::size_t r = 0; r < refs_.size(); ++r) {
        if (drop((*this)[r]))
            live_ -= refs_[r].size;
        else
            refs_[w++] = refs_[r];
    }
    refs_.resize(w);
    Touch();
}

}  // namespace qm::storefile
