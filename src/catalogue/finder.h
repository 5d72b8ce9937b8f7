// The finder's matching: the category, address, title and account of every site, kept back to
// back in blocks, and the search that answers a query as it is typed. Every space-separated
// term must occur in one of the four fields; ASCII letters match in either case, full-width letters
// and digits match their half-width forms, and a letter matches any level-1 GB2312 character whose
// pinyin starts with it. Nothing in a query is syntax. Portable; window thread (store access).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

enum FinderField { kFinderCategory, kFinderAddress, kFinderTitle, kFinderAccount, kFinderFieldCount };

struct FinderSite {
    const char* row = nullptr;  // the site's record encoded as in the store (storefile::RowFields)
    std::uint32_t size = 0;     // of the row
    std::uint32_t record = 0;   // record number in SiteStore
};

// The sites as SiteStore's own rows, shared with the store rather than copied: a copy of 100,000
// sites would cost more in fresh memory to fault in than the whole read. Sites added by hand are
// encoded into blocks of the index's own, each within one block.
struct FinderIndex {
    std::vector<std::shared_ptr<const char[]>> shared;  // the store's blocks the rows lie in
    std::vector<std::string> blocks;                    // rows of the sites added by AddFinderSite
    std::vector<FinderSite> sites;                      // store order
    std::uint64_t version = 0;  // RecordStore::TableVersion of the table it was read from
    bool built = false;
};

void AddFinderSite(FinderIndex& index, std::uint32_t record, std::string_view category,
                   std::string_view address, std::string_view title, std::string_view account);
std::string_view FinderFieldText(const FinderIndex& index, const FinderSite& site, int field);

// Reads the index again from SiteStore when the store changed since it was read (here or in
// another process). False when SiteStore cannot be opened (no message); the index stays as it was.
// A change of the store replaces the index: the old one lets go of the rows it shared first.
bool RefreshFinderIndex(FinderIndex& index);

// The lower-case initial of a level-1 GB2312 character's pinyin; 0 for any other character.
char PinyinInitial(unsigned char lead, unsigned char trail);

// A query as units: an ASCII byte folded to lower case (full-width letters and digits included),
// or a double-byte character as lead * 256 + trail. Control characters and full-width spaces
// separate terms like spaces; a lead byte cut off at the end is dropped; repeated terms count once.
using FinderTerm = std::vector<std::uint16_t>;
std::vector<FinderTerm> ParseFinderQuery(std::string_view gbk);

// The field the term occurs in, trying the title, the address, the category and the account in
// this order; -1 when none.
int MatchingField(const FinderIndex& index, const FinderSite& site, const FinderTerm& term);

// The sites (indices into index.sites) whose fields hold every term: those whose title holds the
// first term, then those whose address does, then the rest, each group in store order. `within`
// (ascending indices) limits the search to those sites.
std::vector<std::uint32_t> FindSites(const FinderIndex& index, const std::vector<FinderTerm>& terms,
                                     const std::vector<std::uint32_t>* within = nullptr);

// One search as the user types: a query that only adds to the previous one searches among the
// previous matches. The answer is always that of the whole query. Its buffers are kept from one
// keystroke to the next: under Wine fresh memory costs more to fault in than a search takes.
struct FinderSearch {
    std::string query;
    std::uint64_t version = 0;
    bool valid = false;                  // query has terms and matches holds its matches
    std::vector<std::uint32_t> matches;  // of `query`, in store order, each with its rank group
    std::vector<std::uint32_t> ranked;   // the answer
};
// Gives the search room for the matches of `sites` sites at once, written through, so that the
// first keystroke does not wait for fresh memory to be faulted in.
void PrepareFinderSearch(FinderSearch& search, std::size_t sites);
// The ranked matches, as FindSites gives them; valid until the next search.
const std::vector<std::uint32_t>& SearchSites(FinderSearch& search, const FinderIndex& index,
                                              std::string_view query);

}  // namespace qm
