// Reading delimited text the way the import does: the text between two section lines, and the
// items between an opening and a closing delimiter. Collecting removes each piece (opening
// delimiter, item, closing delimiter) from the working text, so a removal can join the text around
// it into a new delimiter; these functions give exactly what that removal loop gives, in linear
// time on files as the export writes them. An opening delimiter with no closing one after it ends
// the collecting (the loop would otherwise run for ever) and is reported.
// Portable, thread-safe, no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct MarkedItems {
    std::vector<std::string_view> items;  // in order of discovery; views into the text or `owned`
    bool unclosed = false;                // stopped at an opening delimiter with no closing one after it
    std::deque<std::string> owned;        // items that removals joined together from several places
};

// TextBetween(text, begin, end, false, false) for markers without ASCII letters (case folding
// changes nothing then), as a view into the text.
std::string_view SectionBetween(std::string_view text, std::string_view begin, std::string_view end);

// Collects until no opening delimiter is left (or `limit` items), removing only the first
// occurrence of each piece: a piece repeated further on is collected again. `remainder`, when given,
// receives the working text left when collecting stopped: what the pieces did not take.
MarkedItems CollectMarkedFirst(std::string_view text, std::string_view open, std::string_view close,
                               std::size_t limit = SIZE_MAX, std::string* remainder = nullptr);

// Collects removing every occurrence of each piece, so identical pieces are collected once. For
// delimiters of ASCII bytes that never overlap each other or themselves, like the native format's.
// `rest`, when given, receives the working text left when collecting stopped, in order, in pieces.
MarkedItems CollectMarkedAll(std::string_view text, std::string_view open, std::string_view close,
                             const std::function<void(std::string_view)>& rest = {});

// Whether a text, given in pieces, holds anything but the given delimiters (none beginning with
// another's start) and nothing else. Keeps only a delimiter's length of it.
class LeftoverCheck {
  public:
    explicit LeftoverCheck(std::vector<std::string_view> delimiters);
    void Add(std::string_view piece);
    bool HoldsText();  // after the last piece

  private:
    void Consume(bool atEnd);
    std::vector<std::string_view> delimiters_;
    std::size_t longest_ = 0;
    std::string pending_;
    bool text_ = false;
};

}  // namespace qm
