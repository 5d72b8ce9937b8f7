// CSV reading and writing: see csv.h.
#include "platform/csv.h"

namespace qm {

bool CsvReader::Next(std::vector<std::string>* fields, std::size_t* line) {
    fields->clear();
    if (at_ >= text_.size()) return false;
    *line = line_;
    std::string field;
    bool quoted = false, fresh = true;  // fresh: nothing of this field read yet
    while (at_ < text_.size()) {
        const char c = text_[at_++];
        const bool first = fresh;
        fresh = false;
        if (quoted) {
            if (c == '"') {
                if (at_ < text_.size() && text_[at_] == '"') {
                    field += '"';
                    ++at_;
                } else {
                    quoted = false;
                }
            } else {
                // CR LF inside a field is one line break of the file, as outside.
                if (c == '\n' || (c == '\r' && (at_ >= text_.size() || text_[at_] != '\n'))) ++line_;
                field += c;
            }
        } else if (c == '"' && first) {
            quoted = true;
        } else if (c == ',') {
            fields->push_back(std::move(field));
            field.clear();
            fresh = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
            ++line_;
            break;
        } else {
            field += c;
        }
    }
    fields->push_back(std::move(field));
    return true;
}

std::string CsvField(std::string_view value, bool quoteAll) {
    if (!quoteAll && value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out += '"';
}

std::string CsvRecord(const std::vector<std::string>& fields, bool quoteAll) {
    std::string out;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k) out += ',';
        out += CsvField(fields[k], quoteAll);
    }
    return out += "\r\n";
}

}  // namespace qm
