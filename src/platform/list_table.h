// The rows of a list as one text and the end of every cell: a row costs no allocation of its own,
// so a category of 100,000 sites is read in one pass and shown by a virtual list that asks for the
// cells of its visible rows only. Rows can be shown in another order without moving their text.
// Portable; a table belongs to one thread at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

using ListRow = std::vector<std::string>;  // one cell per column

class ListTable {
  public:
    ListTable() = default;
    explicit ListTable(std::size_t columns) : columns_(std::max<std::size_t>(columns, 1)) {}
    // The widest row gives the columns; shorter rows get empty cells.
    explicit ListTable(const std::vector<ListRow>& rows) {
        columns_ = 0;
        for (const ListRow& row : rows) columns_ = std::max(columns_, row.size());
        if (columns_ == 0) columns_ = 1;
        for (const ListRow& row : rows)
            for (std::size_t c = 0; c < columns_; ++c) AddCell(c < row.size() ? row[c] : std::string_view());
    }

    // Room for this many more rows holding this many more bytes of text: a table filled to its
    // known size is made once instead of grown by doubling, which under Wine touches three times
    // the memory in fresh pages, each one a page fault.
    void Reserve(std::size_t rows, std::size_t textBytes) {
        text_.reserve(text_.size() + textBytes);
        ends_.reserve(ends_.size() + rows * columns_);
        order_.reserve(order_.size() + rows);
    }

    // Empties the table for rows of `columns` cells; its memory stays for the rows that follow.
    void Clear(std::size_t columns) {
        columns_ = std::max<std::size_t>(columns, 1);
        text_.clear();
        ends_.clear();
        order_.clear();
    }

    // Cells go in row by row; a row is complete with its last column's cell.
    void AddCell(std::string_view cell) {
        text_.append(cell);
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
        if (ends_.size() % columns_ == 0)
            order_.push_back(static_cast<std::uint32_t>(ends_.size() / columns_ - 1));
    }

    std::size_t Columns() const { return columns_; }
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }

    // Empty outside the table.
    std::string_view Cell(std::size_t row, std::size_t column) const {
        if (row >= order_.size() || column >= columns_) return {};
        const std::size_t k = order_[row] * columns_ + column;
        const std::uint32_t begin = k == 0 ? 0 : ends_[k - 1];
        return std::string_view(text_).substr(begin, ends_[k] - begin);
    }

    // A copy of the row's cells (const, so that assigning to it does not compile: ReplaceRow
    // changes a row); at() throws std::out_of_range outside the table.
    const ListRow operator[](std::size_t row) const {
        ListRow out;
        out.reserve(columns_);
        for (std::size_t c = 0; c < columns_; ++c) out.emplace_back(Cell(row, c));
        return out;
    }
    const ListRow at(std::size_t row) const {
        if (row >= size()) throw std::out_of_range("ListTable::at");
        return (*this)[row];
    }

    // The row shows `cells` from now on, padded or cut to the columns; outside the table, or with
    // a row half added, nothing changes. The old text stays until the table is built anew.
    void ReplaceRow(std::size_t row, const ListRow& cells) {
        if (row >= order_.size() || ends_.size() % columns_ != 0) return;
        for (std::size_t c = 0; c < columns_; ++c) {
            text_.append(c < cells.size() ? std::string_view(cells[c]) : std::string_view());
            ends_.push_back(static_cast<std::uint32_t>(text_.size()));
        }
        order_[row] = static_cast<std::uint32_t>(ends_.size() / columns_ - 1);
    }

    // Row i then shows what row order[i] showed; anything but a permutation of the rows leaves
    // the order as it is.
    void Reorder(const std::vector<std::size_t>& order) {
        std::vector<bool> seen(order_.size());
        if (order.size() != order_.size()) return;
        for (std::size_t from : order) {
            if (from >= order_.size() || seen[from]) return;
            seen[from] = true;
        }
        std::vector<std::uint32_t> next;
        next.reserve(order.size());
        for (std::size_t from : order) next.push_back(order_[from]);
        order_ = std::move(next);
    }

    // Rows as copies, for loops over a short list.
    class Iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = ListRow;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = ListRow;
        Iterator(const ListTable* table, std::size_t row) : table_(table), row_(row) {}
        ListRow operator*() const { return (*table_)[row_]; }
        Iterator& operator++() { return ++row_, *this; }
        bool operator==(const Iterator& o) const { return row_ == o.row_; }
        bool operator!=(const Iterator& o) const { return row_ != o.row_; }

      private:
        const ListTable* table_;
        std::size_t row_;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size()}; }

  private:
    std::size_t columns_ = 1;
    std::string text_;
    std::vector<std::uint32_t> ends_;   // end of each cell in text_, in the order added
    std::vector<std::uint32_t> order_;  // shown row -> row as added
};

}  // namespace qm
