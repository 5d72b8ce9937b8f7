// The finder's matching: see finder.h. The fields are searched in the store's rows as they are,
// folding each character on the fly: a second folded copy of 100,000 sites would cost more memory
// than the scan saves time.
#include "catalogue/finder.h"

#include <algorithm>
#include <utility>

#include "core/stores.h"
#include "platform/gbk.h"
#include "store/record_store.h"
#include "store/store_file.h"

namespace qm {

namespace {

// Level-1 GB2312 characters are in pinyin order: the first character of each initial, as
// lead * 256 + trail. No syllable starts with i, u or v.
struct InitialStart {
    std::uint16_t code;
    char initial;
};
constexpr InitialStart kInitialStarts[] = {
    {0xB0A1, 'a'}, {0xB0C5, 'b'}, {0xB2C1, 'c'}, {0xB4EE, 'd'}, {0xB6EA, 'e'}, {0xB7A2, 'f'},
    {0xB8C1, 'g'}, {0xB9FE, 'h'}, {0xBBF7, 'j'}, {0xBFA6, 'k'}, {0xC0AC, 'l'}, {0xC2E8, 'm'},
    {0xC4C3, 'n'}, {0xC5B6, 'o'}, {0xC5BE, 'p'}, {0xC6DA, 'q'}, {0xC8BB, 'r'}, {0xC8F6, 's'},
    {0xCBFA, 't'}, {0xCDDA, 'w'}, {0xCEF4, 'x'}, {0xD1B9, 'y'}, {0xD4D1, 'z'}};
constexpr std::uint16_t kLevelOneLast = 0xD7F9;
constexpr std::size_t kFinderBlockBytes = 64 << 10;

// The initial of every level-1 character, by (lead - 0xB0) * 94 + (trail - 0xA1): one lookup per
// character while scanning.
struct InitialTable {
    char initial[40 * 94]{};
    InitialTable() {
        for (int lead = 0xB0; lead <= 0xD7; ++lead)
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                const auto code = static_cast<std::uint16_t>(lead * 256 + trail);
                if (code > kLevelOneLast) continue;
                char c = 0;
                for (const InitialStart& s : kInitialStarts)
                    if (code >= s.code) c = s.initial;
                initial[(lead - 0xB0) * 94 + (trail - 0xA1)] = c;
            }
    }
};
const InitialTable& Initials() {
    static const InitialTable table;
    return table;
}

inline char InitialOf(std::uint16_t unit) {
    const unsigned lead = unit >> 8, trail = unit & 0xFF;
    if (lead < 0xB0 || lead > 0xD7 || trail < 0xA1 || trail > 0xFE) return 0;
    return Initials().initial[(lead - 0xB0) * 94 + (trail - 0xA1)];
}

inline bool IsTrail(unsigned char b) {
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// The folded unit at text[i], advancing i past it. Full-width forms are lead 0xA3 with the trail
// 0x80 above the ASCII character.
inline std::uint16_t NextUnit(const unsigned char* text, std::size_t size, std::size_t& i) {
    const unsigned char b = text[i];
    if (b < 0x80) {
        ++i;
        return static_cast<std::uint16_t>(b >= 'A' && b <= 'Z' ? b + 32 : b);
    }
    if (b == 0x80 || b == 0xFF || i + 1 >= size || !IsTrail(text[i + 1])) {
        ++i;
        return b;
    }
    const unsigned char t = text[i + 1];
    i += 2;
    if (b == 0xA3) {
        const unsigned ascii = t - 0x80u;
        if (ascii >= '0' && ascii <= '9') return static_cast<std::uint16_t>(ascii);
        if (ascii >= 'a' && ascii <= 'z') return static_cast<std::uint16_t>(ascii);
        if (ascii >= 'A' && ascii <= 'Z') return static_cast<std::uint16_t>(ascii + 32);
    }
    return static_cast<std::uint16_t>(b * 256 + t);
}

inline bool UnitMatches(std::uint16_t wanted, std::uint16_t unit) {
    return wanted == unit || (wanted >= 'a' && wanted <= 'z' && unit > 0xFF && InitialOf(unit) == wanted);
}

// Whether the term's units follow one another from text[i], the first byte of a character.
bool HoldsAt(const unsigned char* text, std::size_t size, std::size_t i, const FinderTerm& term) {
    for (const std::uint16_t wanted : term)
        if (i >= size || !UnitMatches(wanted, NextUnit(text, size, i))) return false;
    return true;
}

bool FieldHolds(std::string_view field, const FinderTerm& term) {
    const auto* text = reinterpret_cast<const unsigned char*>(field.data());
    const std::size_t size = field.size();
    // A term of n units needs at least n bytes.
    if (term.empty() || term.size() > size) return false;
    std::size_t i = 0;
    // A digit, a blank or punctuation below '@' is never the second byte of a character, so where
    // its byte stands a character starts, and only a full-width form (lead 0xA3) folds to it. Up
    // to the first 0xA3 byte the term can start only at its own byte: a comparison per byte, not
    // a character's decoding. (The C library's memchr is a call per field, slower here.)
    if (term[0] < 0x40) {
        const auto first = static_cast<unsigned char>(term[0]);
        for (; i < size && text[i] != 0xA3; ++i)
            if (text[i] == first && HoldsAt(text, size, i, term)) return true;
        if (i == size) return false;
        i = 0;  // full-width forms about: character by character from the start
    }
    while (i < size) {
        std::size_t next = i;
        const std::uint16_t first = NextUnit(text, size, next);
        if (UnitMatches(term[0], first)) {
            std::size_t k = next, m = 1;
            while (m < term.size() && k < size && UnitMatches(term[m], NextUnit(text, size, k))) ++m;
            if (m == term.size()) return true;
            if (k >= size) return false;  // the rest of the field is shorter than the term
        }
        i = next;
    }
    return false;
}

bool IsSeparator(std::uint16_t unit) {
    return unit <= 0x20 || unit == 0x7F || unit == 0xA1A1;
}

constexpr int kFieldOrder[kFinderFieldCount] = {kFinderTitle, kFinderAddress, kFinderCategory,
                                                kFinderAccount};

// The four fields of a site, read from its row once for all the terms.
struct SiteFields {
    std::string_view field[kFinderFieldCount];
    explicit SiteFields(const FinderSite& site) {
        storefile::RowFields(std::string_view(site.row, site.size), field, kFinderFieldCount);
    }
};

int FieldHoldingTerm(const SiteFields& fields, const FinderTerm& term) {
    for (int field : kFieldOrder)
        if (FieldHolds(fields.field[field], term)) return field;
    return -1;
}

bool HoldsEveryTerm(const SiteFields& fields, const std::vector<FinderTerm>& terms) {
    for (std::size_t t = 1; t < terms.size(); ++t)
        if (FieldHoldingTerm(fields, terms[t]) < 0) return false;
    return true;
}

}  // namespace

char PinyinInitial(unsigned char lead, unsigned char trail) {
    return InitialOf(static_cast<std::uint16_t>(lead * 256 + trail));
}

void AddFinderSite(FinderIndex& index, std::uint32_t record, std::string_view category,
                   std::string_view address, std::string_view title, std::string_view account) {
    const std::string row = storefile::EncodeRow(
        {std::string(category), std::string(address), std::string(title), std::string(account)},
        kFinderFieldCount);
    if (index.blocks.empty() || index.blocks.back().capacity() - index.blocks.back().size() < row.size()) {
        index.blocks.emplace_back();
        index.blocks.back().reserve(std::max(kFinderBlockBytes, row.size()));
    }
    std::string& block = index.blocks.back();
    const std::size_t start = block.size();
    block.append(row);  // within the capacity: earlier rows stay where they are
    index.sites.push_back({block.data() + start, static_cast<std::uint32_t>(row.size()), record});
}

std::string_view FinderFieldText(const FinderIndex&, const FinderSite& site, int field) {
    if (field < 0 || field >= kFinderFieldCount) return {};
    return SiteFields(site).field[field];
}

bool RefreshFinderIndex(FinderIndex& index) {
    if (!OpenStoreByName(kSiteStoreAlias)) {
        CloseStoreByName(kSiteStoreAlias);
        return false;
    }
    RecordStore& store = Stores();
    const std::uint64_t version = store.TableVersion();
    if (!index.built || version != index.version) {
        {
            FinderIndex old;  // freed now, before the new one is read
            std::swap(old, index);
        }
        index.version = version;
        index.built = true;
        index.sites.reserve(static_cast<std::size_t>(store.RecordCount()));
        std::uint32_t record = 1;
        store.ShareRows(&index.shared, [&](std::string_view row) {
            index.sites.push_back({row.data(), static_cast<std::uint32_t>(row.size()), record++});
        });
    }
    CloseStoreByName(kSiteStoreAlias);
    return true;
}

std::vector<FinderTerm> ParseFinderQuery(std::string_view gbk) {
    std::vector<FinderTerm> terms;
    FinderTerm term;
    const auto* text = reinterpret_cast<const unsigned char*>(gbk.data());
    auto finish = [&] {
        if (!term.empty() && std::find(terms.begin(), terms.end(), term) == terms.end())
            terms.push_back(term);
        term.clear();
    };
    for (std::size_t i = 0; i < gbk.size();) {
        // A lead byte cut off at the end is half a character still being typed.
        if (i + 1 == gbk.size() && text[i] >= 0x81 && text[i] <= 0xFE) break;
        const std::uint16_t unit = NextUnit(text, gbk.size(), i);
        if (IsSeparator(unit))
            finish();
        else
            term.push_back(unit);
    }
    finish();
    return terms;
}

int MatchingField(const FinderIndex&, const FinderSite& site, const FinderTerm& term) {
    return FieldHoldingTerm(SiteFields(site), term);
}

namespace {

// Each match as its site's index with its group above it: 0 title, 1 address, 2 the rest.
constexpr int kGroupShift = 30;
constexpr std::uint32_t kSiteMask = (1u << kGroupShift) - 1;
constexpr std::uint32_t kNoMatch = 3;

std::uint32_t GroupOfField(int field) {
    return field < 0 ? kNoMatch : field == kFinderTitle ? 0 : field == kFinderAddress ? 1 : 2;
}

std::uint32_t GroupOf(const FinderIndex& index, std::uint32_t i, const std::vector<FinderTerm>& terms) {
    const SiteFields fields(index.sites[i]);
    const std::uint32_t group = GroupOfField(FieldHoldingTerm(fields, terms[0]));
    if (group == kNoMatch || !HoldsEveryTerm(fields, terms)) return kNoMatch;
    return group;
}

// The matches among every site, in store order.
void MatchAll(const FinderIndex& index, const std::vector<FinderTerm>& terms,
              std::vector<std::uint32_t>* out) {
    out->clear();
    if (terms.empty()) return;
    for (std::uint32_t i = 0; i < index.sites.size() && i <= kSiteMask; ++i)
        if (const std::uint32_t g = GroupOf(index, i, terms); g != kNoMatch)
            out->push_back(g << kGroupShift | i);
}

// Keeps the matches among the earlier matches (with their groups), in place. The terms of `held`
// hold in every earlier match already and are not looked for again; when the first term is the
// same, so is each match's group.
void Narrow(const FinderIndex& index, const std::vector<FinderTerm>& terms,
            std::vector<std::uint32_t>* matches, const std::vector<FinderTerm>& held = {}) {
    std::size_t kept = 0;
    if (terms.empty()) {
        matches->clear();
        return;
    }
    const bool firstHeld = !held.empty() && held[0] == terms[0];
    std::vector<const FinderTerm*> rest;  // the other terms still to look for
    for (std::size_t t = 1; t < terms.size(); ++t)
        if (std::find(held.begin(), held.end(), terms[t]) == held.end()) rest.push_back(&terms[t]);
    for (const std::uint32_t m : *matches) {
        const std::uint32_t i = m & kSiteMask;
        if (i >= index.sites.size()) continue;
        const SiteFields fields(index.sites[i]);
        const std::uint32_t group =
            firstHeld ? m >> kGroupShift : GroupOfField(FieldHoldingTerm(fields, terms[0]));
        bool all = group != kNoMatch;
        for (std::size_t t = 0; all && t < rest.size(); ++t) all = FieldHoldingTerm(fields, *rest[t]) >= 0;
        if (all) (*matches)[kept++] = group << kGroupShift | i;
    }
    matches->resize(kept);
}

void Rank(const std::vector<std::uint32_t>& matches, std::vector<std::uint32_t>* ranked) {
    ranked->clear();
    ranked->reserve(matches.size());
    for (std::uint32_t g = 0; g < kNoMatch; ++g)
        for (const std::uint32_t m : matches)
            if (m >> kGroupShift == g) ranked->push_back(m & kSiteMask);
}

}  // namespace

std::vector<std::uint32_t> FindSites(const FinderIndex& index, const std::vector<FinderTerm>& terms,
                                     const std::vector<std::uint32_t>* within) {
    std::vector<std::uint32_t> matches, ranked;
    if (within) {
        for (const std::uint32_t i : *within)
            if (i <= kSiteMask) matches.push_back(i);
        Narrow(index, terms, &matches);
    } else {
        MatchAll(index, terms, &matches);
    }
    Rank(matches, &ranked);
    return ranked;
}

void PrepareFinderSearch(FinderSearch& search, std::size_t sites) {
    for (std::vector<std::uint32_t>* v : {&search.matches, &search.ranked}) {
        if (v->capacity() >= sites) continue;
        const std::vector<std::uint32_t> kept = *v;
        v->assign(sites, 0);
        v->assign(kept.begin(), kept.end());
    }
}

const std::vector<std::uint32_t>& SearchSites(FinderSearch& search, const FinderIndex& index,
                                              std::string_view query) {
    const std::vector<FinderTerm> terms = ParseFinderQuery(query);
    // Adding to a query of some terms only narrows it: every term of the old query, the last one
    // perhaps lengthened, is in the new one. A query without terms found nothing to narrow.
    const bool narrowing = search.valid && search.version == index.version &&
                           query.size() >= search.query.size() &&
                           query.substr(0, search.query.size()) == search.query;
    if (narrowing)
        Narrow(index, terms, &search.matches, ParseFinderQuery(search.query));
    else
        MatchAll(index, terms, &search.matches);
    search.query.assign(query);
    search.version = index.version;
    search.valid = !terms.empty();
    Rank(search.matches, &search.ranked);
    return search.ranked;
}

}  // namespace qm
