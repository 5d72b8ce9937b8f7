// Comma-separated values as other programs read and write them (RFC 4180): a reader that walks a
// whole file once, taking quoted fields with commas, doubled quotes and line breaks inside, and
// the writer of one record. The bytes are GBK text: the four bytes that matter (comma, quote, CR,
// LF) are never the second byte of a character. Portable, no state; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class CsvReader {
  public:
    explicit CsvReader(std::string_view text) : text_(text) {}
    // The next record into *fields; false at the end of the text. *line is the record's first
    // line (1-based, a line break inside a quoted field counts). A record ends at CR LF, LF or a
    // lone CR outside quotes; a quote left open takes the rest of the text. An empty line is a
    // record of one empty field. Bytes after a closing quote up to the next comma stay in the
    // field, so nothing of a loosely written file is lost.
    bool Next(std::vector<std::string>* fields, std::size_t* line);

  private:
    std::string_view text_;
    std::size_t at_ = 0, line_ = 1;
};

// One field as written: quoted (inner quotes doubled) when it holds a comma, a quote, CR or LF, or
// always when `quoteAll` (as some programs write every field).
std::string CsvField(std::string_view value, bool quoteAll = false);
// A record of fields joined by commas, CR LF at its end.
std::string CsvRecord(const std::vector<std::string>& fields, bool quoteAll = false);

}  // namespace qm
