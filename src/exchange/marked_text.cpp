// Delimited text: see marked_text.h.
//
// CollectMarkedAll keeps the working text as the original bytes minus the removed pieces. Every
// piece ends at the first closing delimiter after its opening one, so the text falls into segments
// separated by closing delimiters, and the piece of an opening delimiter is its segment from there
// on. Removing a piece cuts its segment there and joins the rest to the next segment; only at that
// join can a new delimiter appear, so only the few bytes around it are examined. Pieces are found
// by a polynomial hash of each opening delimiter's piece (and then compared byte for byte), so
// "remove every occurrence" costs the occurrences, not a scan of the text. A piece's hash is kept
// only where a match can need it (see AllCollector), so that a join updates a few opening
// delimiters, not all those before it in its segment.
#include "exchange/marked_text.h"

#include <algorithm>
#include <random>

#include "platform/gbk.h"

namespace qm {

namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// Occurrences of needle anywhere in text, character starts or not.
std::size_t Occurrences(std::string_view text, std::string_view needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != kNotFound; at = text.find(needle, at + 1)) ++count;
    return count;
}

// FindText, 0-based.
std::size_t FindAt(std::string_view text, std::string_view needle, std::size_t from) {
    const TextPos at = FindText(text, needle, static_cast<TextPos>(from) + 1);
    return at == -1 ? kNotFound : static_cast<std::size_t>(at - 1);
}

}  // namespace

std::string_view SectionBetween(std::string_view text, std::string_view begin, std::string_view end) {
    // TextBetween's formula, also for an absent begin marker: the end marker is then looked for
    // from position length(begin) - 1 on, and the section runs from there.
    if (text.empty() || begin.empty() || end.empty()) return {};
    const std::size_t i = FindAt(text, begin, 0);
    const TextPos from =
        (i == kNotFound ? -1 : static_cast<TextPos>(i) + 1) + static_cast<TextPos>(begin.size());
    const std::size_t j = FindAt(text, end, static_cast<std::size_t>(std::max<TextPos>(from, 1) - 1));
    const TextPos count = (j == kNotFound ? -1 : static_cast<TextPos>(j) + 1) - from;
    if (from < 1 || from > static_cast<TextPos>(text.size()) || count <= 0) return {};
    return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
}

MarkedItems CollectMarkedFirst(std::string_view text, std::string_view open, std::string_view close,
                               std::size_t limit, std::string* remainder) {
    MarkedItems out;
    if (open.empty() || close.empty()) {
        if (remainder) *remainder = text;
        return out;
    }
    // The working text is `before` followed by text[p..]. `before` holds no opening delimiter of
    // its own, but one may straddle its end and the rest. It stays empty while pieces follow one
    // another directly.
    std::string before;
    std::size_t p = 0;
    while (out.items.size() < limit) {
        const std::string_view rest = text.substr(p);
        std::size_t openStart = 0, openEnd = 0;  // in rest; openStart unused when it straddles
        TextPos straddle = -1;
        if (!before.empty()) {
            const std::string joined = before + std::string(rest.substr(0, open.size() - 1));
            straddle = FindText(joined, open);
            if (straddle != -1)
                openEnd = static_cast<std::size_t>(straddle - 1) + open.size() - before.size();
        }
        if (straddle == -1) {
            openStart = FindAt(rest, open, 0);
            if (openStart == kNotFound) break;
            openEnd = openStart + open.size();
        }
        const std::size_t closeStart = FindAt(rest, close, openEnd);
        if (closeStart == kNotFound) {
            out.unclosed = true;
            break;
        }
        out.items.push_back(rest.substr(openEnd, closeStart - openEnd));
        if (straddle != -1)
            before.resize(static_cast<std::size_t>(straddle - 1));
        else
            before.append(rest.substr(0, openStart));
        p += closeStart + close.size();
    }
    if (remainder) *remainder = before.append(text.substr(p));
    return out;
}

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::uint64_t kMod = (std::uint64_t{1} << 61) - 1;

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
    const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
    const std::uint64_t r = static_cast<std::uint64_t>(p & kMod) + static_cast<std::uint64_t>(p >> 61);
    return r >= kMod ? r - kMod : r;
}
std::uint64_t AddMod(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t r = a + b;
    return r >= kMod ? r - kMod : r;
}
std::uint64_t SubMod(std::uint64_t a, std::uint64_t b) {
    return a >= b ? a - b : a + kMod - b;
}
std::uint64_t PowMod(std::uint64_t base, std::uint64_t e) {
    std::uint64_t r = 1;
    for (; e; e >>= 1, base = MulMod(base, base))
        if (e & 1) r = MulMod(r, base);
    return r;
}

// H(s) = sum of (s[i] + 1) * x^i modulo 2^61 - 1, so that H(a + b) = H(a) + x^|a| * H(b).
// A 128-bit sum of products reduced modulo 2^61 - 1 (the sum stays below 2^123).
std::uint64_t Reduce(unsigned __int128 v) {
    std::uint64_t r = static_cast<std::uint64_t>(v & kMod) + static_cast<std::uint64_t>(v >> 61);
    r = (r & kMod) + (r >> 61);
    return r >= kMod ? r - kMod : r;
}

struct Hash {
    std::uint64_t x, xInverse;
    std::uint64_t powers[9];  // x^0 .. x^8
    // x^e for e below 2^33 as a product of three table entries, one per 11 bits of e: every join
    // and every piece made known takes a power of a length.
    static constexpr int kBits = 11;
    std::vector<std::uint64_t> table = std::vector<std::uint64_t>(3 << kBits);
    Hash() {
        std::random_device rd;
        x = (static_cast<std::uint64_t>(rd()) << 32 | rd()) % (kMod - 1000) + 500;
        xInverse = PowMod(x, kMod - 2);
        for (int k = 0; k <= 8; ++k) powers[k] = PowMod(x, static_cast<std::uint64_t>(k));
        for (int level = 0; level < 3; ++level) {
            const std::size_t at = static_cast<std::size_t>(level) << kBits;
            table[at] = 1;
            const std::uint64_t step = PowMod(x, std::uint64_t{1} << (kBits * level));
            for (std::size_t i = 1; i < (std::size_t{1} << kBits); ++i)
                table[at + i] = MulMod(table[at + i - 1], step);
        }
    }
    // H(s[from, to) + text) from h = H(text), eight bytes per step so that the products of a step
    // do not wait for one another.
    std::uint64_t PrependRange(std::string_view s, std::size_t from, std::size_t to, std::uint64_t h) const {
        std::size_t i = to;
        for (; i >= from + 8; i -= 8) {
            unsigned __int128 sum = static_cast<unsigned __int128>(h) * powers[8];
            for (int k = 0; k < 8; ++k)
                sum +=
                    static_cast<unsigned __int128>(static_cast<unsigned char>(s[i - 8 + k]) + 1u) * powers[k];
            h = Reduce(sum);
        }
        while (i > from) h = AddMod(MulMod(h, x), static_cast<unsigned char>(s[--i]) + 1u);
        return h;
    }
    std::uint64_t Pow(std::uint64_t e) const {
        if (e >> (3 * kBits)) return PowMod(x, e);
        constexpr std::uint64_t mask = (std::uint64_t{1} << kBits) - 1;
        return MulMod(MulMod(table[e & mask], table[(std::size_t{1} << kBits) + (e >> kBits & mask)]),
                      table[(std::size_t{2} << kBits) + (e >> (2 * kBits))]);
    }
    std::uint64_t InversePow(std::uint64_t e) const { return PowMod(xInverse, e); }
    // Folds bytes in front of a hashed text: H(bytes + text) from H(text).
    std::uint64_t Prepend(std::string_view bytes, std::uint64_t h) const {
        for (std::size_t i = bytes.size(); i-- > 0;)
            h = AddMod(MulMod(h, x), static_cast<unsigned char>(bytes[i]) + 1u);
        return h;
    }
};

// Hash values to a number, by open addressing on the low bits of the (uniform) hash values.
class HashIndex {
  public:
    // Forgets every key, keeping the room they took.
    void Clear() {
        std::fill(keys_.begin(), keys_.end(), kEmpty);
        used_ = 0;
    }
    void Reserve(std::size_t count) {
        std::size_t size = 16;
        while (size < 2 * count) size *= 2;
        if (size > keys_.size()) Rebuild(size);
    }
    std::uint32_t Find(std::uint64_t key) const {
        for (std::size_t i = key & (keys_.size() - 1);; i = (i + 1) & (keys_.size() - 1)) {
            if (keys_[i] == key) return values_[i];
            if (keys_[i] == kEmpty) return kNone;
        }
    }
    // The number stored for key, made kNone when the key is new.
    std::uint32_t& Slot(std::uint64_t key) {
        if (2 * (used_ + 1) > keys_.size()) Rebuild(keys_.size() * 2);
        std::size_t i = key & (keys_.size() - 1);
        for (; keys_[i] != key && keys_[i] != kEmpty; i = (i + 1) & (keys_.size() - 1)) {
        }
        if (keys_[i] == kEmpty) {
            keys_[i] = key;
            values_[i] = kNone;
            ++used_;
        }
        return values_[i];
    }

  private:
    static constexpr std::uint64_t kEmpty = kMod;  // no hash value reaches the modulus
    void Rebuild(std::size_t size) {
        std::vector<std::uint64_t> keys(size, kEmpty);
        std::vector<std::uint32_t> values(size, kNone);
        keys.swap(keys_);
        values.swap(values_);
        used_ = 0;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != kEmpty) Slot(keys[i]) = values[i];
    }
    std::vector<std::uint64_t> keys_ = std::vector<std::uint64_t>(16, kEmpty);
    std::vector<std::uint32_t> values_ = std::vector<std::uint32_t>(16, kNone);
    std::size_t used_ = 0;
};

struct Fragment {  // surviving bytes [begin, end) of the original text
    std::size_t begin = 0, end = 0;
    std::uint32_t prev = kNone, next = kNone;
};

// An opening delimiter of the working text. Its stretch runs to the next opening delimiter of its
// segment (the last one's to the segment's end), so a removal or a join changes the stretch of one
// mark only; its piece, the stretches from it to the segment's end, is kept only while `known`.
struct Mark {
    std::size_t pos = 0;  // its first byte in the original text
    std::uint64_t stretchHash = 0, stretchLength = 0;
    std::uint64_t pieceHash = 0, pieceLength = 0;  // without the closing delimiter
    std::uint32_t segment = 0;                     // FindSegment of it gives the segment holding it now
    std::uint32_t prev = kNone, next = kNone;
    std::uint32_t round = 0;  // the last round that looked at it as a match
    bool alive = true;
    bool known = false;
};

struct Segment {  // working text up to a closing delimiter (the last one: up to the end)
    std::uint32_t firstFragment = kNone, lastFragment = kNone;
    std::uint32_t firstMark = kNone, lastMark = kNone;
    std::uint64_t hash = 0, length = 0;          // all its bytes
    std::uint64_t headHash = 0, headLength = 0;  // its bytes before the first opening delimiter
    std::uint32_t next = kNone;
    std::uint32_t parent = 0;  // union-find: segments absorbed by a join point to what took them
    bool closed = false;
};

struct JoinByte {
    char byte;
    std::size_t pos;
};

// Pieces are known lazily. A join changes the piece of every opening delimiter before it in its
// segment, and re-hashing them all on every join made crafted files quadratic in time and memory.
// Instead only the last mark of each closed segment is always known, and the marks of a segment
// are known from some mark to its end. A match of a piece with j further opening delimiters in it
// is a mark whose next j marks are matches of the shorter pieces, so before looking a piece up the
// collector extends the known part, level by level, only in front of marks whose piece is one of
// those shorter pieces (the frontier index: known marks whose predecessor is not).
class AllCollector {
  public:
    AllCollector(std::string_view text, std::string_view open, std::string_view close)
        : text_(text), open_(open), close_(close) {}

    MarkedItems Run() {
        Build();
        MarkedItems out;
        std::uint32_t s = 0;
        for (std::uint32_t round = 1;; ++round) {
            while (s != kNone && segments_[s].firstMark == kNone) s = segments_[s].next;
            if (s == kNone) break;
            if (!segments_[s].closed) {
                out.unclosed = true;
                break;
            }
            const std::uint32_t first = segments_[s].firstMark;
            KnowSegment(s);
            for (std::uint32_t m = segments_[s].lastMark; m != first; m = marks_[m].prev)
                ExtendFrontier(marks_[m].pieceHash, marks_[m].pieceLength);
            std::string joined;
            const std::string_view piece = PieceOf(first, &joined);
            const std::vector<std::uint32_t> matches = Matches(first, piece, round);
            const std::string_view item = piece.substr(open_.size());
            if (joined.empty()) {
                out.items.push_back(item);
            } else {
                out.owned.emplace_back(item);
                out.items.push_back(out.owned.back());
            }
            for (std::uint32_t m : matches) RemovePiece(m);
            Compact();
        }
        return out;
    }

    // The working text left, in order: each segment's bytes and, when it has one, its closing
    // delimiter (one that a join made is no longer in the fragments on either side).
    void Rest(const std::function<void(std::string_view)>& sink) const {
        for (std::uint32_t s = 0; s != kNone; s = segments_[s].next) {
            for (std::uint32_t f = segments_[s].firstFragment; f != kNone; f = fragments_[f].next)
                if (fragments_[f].end > fragments_[f].begin)
                    sink(text_.substr(fragments_[f].begin, fragments_[f].end - fragments_[f].begin));
            if (segments_[s].closed) sink(close_);
        }
    }

  private:
    std::uint64_t Concat(std::uint64_t a, std::uint64_t aLength, std::uint64_t b) const {
        return AddMod(a, MulMod(hash_.Pow(aLength), b));
    }
    // H(s) of s without its last `tailLength` bytes, whose hash is tail.
    std::uint64_t DropTail(std::uint64_t h, std::uint64_t length, std::uint64_t tail,
                           std::uint64_t tailLength) const {
        return SubMod(h, MulMod(hash_.Pow(length - tailLength), tail));
    }

    // Every mark whose piece is the first mark's, in text order; stale index entries are dropped.
    std::vector<std::uint32_t> Matches(std::uint32_t first, std::string_view piece, std::uint32_t round) {
        const std::uint64_t h = marks_[first].pieceHash, length = marks_[first].pieceLength;
        std::vector<std::uint32_t> matches, others;
        for (std::uint32_t e = Take(&pieces_, h); e != kNone; e = entries_[e].second) {
            const std::uint32_t m = entries_[e].first;
            Mark& k = marks_[m];
            if (!k.alive || !k.known || k.pieceHash != h || k.round == round ||
                !segments_[FindSegment(k.segment)].closed)
                continue;
            k.round = round;
            if (k.pieceLength == length && (m == first || PieceEquals(m, piece)))
                matches.push_back(m);
            else
                others.push_back(m);  // the same hash for another piece
        }
        for (std::uint32_t m : others) Add(&pieces_, h, m);
        std::sort(matches.begin(), matches.end(),
                  [this](std::uint32_t a, std::uint32_t b) { return marks_[a].pos < marks_[b].pos; });
        return matches;
    }

    // Makes known the predecessor of every frontier mark whose piece is (h, length).
    void ExtendFrontier(std::uint64_t h, std::uint64_t length) {
        for (std::uint32_t e = Take(&frontier_, h); e != kNone; e = entries_[e].second) {
            const std::uint32_t m = entries_[e].first;
            const Mark& k = marks_[m];
            if (!k.alive || !k.known || k.pieceHash != h || k.prev == kNone || marks_[k.prev].known ||
                !segments_[FindSegment(k.segment)].closed)
                continue;
            if (k.pieceLength == length)
                Know(k.prev, true);
            else
                Add(&frontier_, h, m);
        }
    }

    // Mark m's piece from its stretch and its successor's piece, which is known.
    void Know(std::uint32_t m, bool frontier) {
        Mark& k = marks_[m];
        k.pieceHash = k.stretchHash;
        k.pieceLength = k.stretchLength;
        if (k.next != kNone) {
            k.pieceHash = Concat(k.stretchHash, k.stretchLength, marks_[k.next].pieceHash);
            k.pieceLength += marks_[k.next].pieceLength;
        }
        k.known = true;
        Add(&pieces_, k.pieceHash, m);
        if (frontier && k.prev != kNone && !marks_[k.prev].known) Add(&frontier_, k.pieceHash, m);
    }
    void KnowSegment(std::uint32_t s) {
        std::uint32_t m = segments_[s].lastMark;
        while (m != kNone && marks_[m].known) m = marks_[m].prev;
        for (; m != kNone; m = marks_[m].prev) Know(m, false);
    }
    // Mark m and the known marks before it lose their pieces.
    void Forget(std::uint32_t m) {
        for (; m != kNone && marks_[m].known; m = marks_[m].prev) marks_[m].known = false;
    }

    std::uint32_t Take(HashIndex* index, std::uint64_t h) {
        if (index->Find(h) == kNone) return kNone;
        std::uint32_t& head = index->Slot(h);
        const std::uint32_t chain = head;
        head = kNone;
        return chain;
    }
    void Add(HashIndex* index, std::uint64_t h, std::uint32_t m) {
        std::uint32_t& head = index->Slot(h);
        entries_.push_back({m, head});
        head = static_cast<std::uint32_t>(entries_.size() - 1);
    }
    // Rebuilds both indexes from the marks once stale entries outnumber them, so that memory stays
    // proportional to the text.
    void Compact() {
        if (entries_.size() <= 3 * marks_.size() + 16) return;
        entries_.clear();
        pieces_.Clear();
        frontier_.Clear();
        for (std::uint32_t m = 0; m < marks_.size(); ++m) {
            const Mark& k = marks_[m];
            if (!k.alive || !k.known || !segments_[FindSegment(k.segment)].closed) continue;
            Add(&pieces_, k.pieceHash, m);
            if (k.prev != kNone && !marks_[k.prev].known) Add(&frontier_, k.pieceHash, m);
        }
    }

    void Build() {
        const std::size_t n = text_.size();
        // Room for every delimiter before the last closing one (the unclosed rest needs no marks),
        // so that the tables are not copied as they grow.
        const std::size_t lastClose = text_.rfind(close_);
        if (lastClose != kNotFound) {
            const std::string_view closed = text_.substr(0, lastClose + close_.size());
            const std::size_t closes = Occurrences(closed, close_);
            segments_.reserve(closes + 1);
            fragments_.reserve(closes + 1);
            marks_.reserve(Occurrences(closed, open_));
        }
        std::size_t nextOpen = FindAt(text_, open_, 0), nextClose = FindAt(text_, close_, 0);
        for (std::size_t start = 0;;) {
            const bool closed = nextClose != kNotFound;
            const std::size_t end = closed ? nextClose : n;
            const std::uint32_t s = AddSegment(start, end, closed);
            // The unclosed last segment's marks never get a piece: its first stands for them all.
            for (; nextOpen != kNotFound && nextOpen < end;
                 nextOpen = closed ? FindAt(text_, open_, nextOpen + open_.size()) : kNotFound)
                AddMark(s, nextOpen);
            if (!closed) break;
            HashSegment(s);
            start = end + close_.size();
            nextClose = FindAt(text_, close_, start);
        }
    }

    // The stretches of a closed segment's marks, its head and its hash; its last mark is known.
    void HashSegment(std::uint32_t s) {
        Segment& seg = segments_[s];
        const std::size_t begin = SegmentBegin(s), end = begin + seg.length;
        std::size_t i = end;
        for (std::uint32_t m = seg.lastMark; m != kNone; m = marks_[m].prev) {
            marks_[m].stretchHash = hash_.PrependRange(text_, marks_[m].pos, i, 0);
            marks_[m].stretchLength = i - marks_[m].pos;
            i = marks_[m].pos;
        }
        seg.headHash = hash_.PrependRange(text_, begin, i, 0);
        seg.headLength = i - begin;
        seg.hash = hash_.PrependRange(text_, begin, end, 0);
        if (seg.lastMark != kNone) Know(seg.lastMark, true);
    }

    std::size_t SegmentBegin(std::uint32_t s) const {
        const std::uint32_t f = segments_[s].firstFragment;
        return f == kNone ? 0 : fragments_[f].begin;
    }

    std::uint32_t AddSegment(std::size_t begin, std::size_t end, bool closed) {
        Segment seg;
        seg.parent = static_cast<std::uint32_t>(segments_.size());
        seg.closed = closed;
        seg.length = end - begin;
        if (end > begin) {
            fragments_.push_back({begin, end, kNone, kNone});
            seg.firstFragment = seg.lastFragment = static_cast<std::uint32_t>(fragments_.size() - 1);
        }
        if (!segments_.empty()) segments_.back().next = seg.parent;
        segments_.push_back(seg);
        return seg.parent;
    }

    std::uint32_t AddMark(std::uint32_t s, std::size_t pos) {
        Mark m;
        m.pos = pos;
        m.segment = s;
        m.prev = segments_[s].lastMark;
        const auto id = static_cast<std::uint32_t>(marks_.size());
        marks_.push_back(m);
        if (m.prev == kNone)
            segments_[s].firstMark = id;
        else
            marks_[m.prev].next = id;
        segments_[s].lastMark = id;
        return id;
    }

    std::uint32_t FindSegment(std::uint32_t s) {
        while (segments_[s].parent != s) {
            segments_[s].parent = segments_[segments_[s].parent].parent;
            s = segments_[s].parent;
        }
        return s;
    }

    // The fragments holding mark m's piece, from the one where it starts to its segment's end.
    std::vector<std::uint32_t> PieceFragments(std::uint32_t m) {
        std::vector<std::uint32_t> list;
        const std::size_t pos = marks_[m].pos;
        for (std::uint32_t f = segments_[FindSegment(marks_[m].segment)].lastFragment; f != kNone;
             f = fragments_[f].prev) {
            list.push_back(f);
            if (fragments_[f].begin <= pos) break;
        }
        std::reverse(list.begin(), list.end());
        return list;
    }

    // Mark m's piece without its closing delimiter: a view into the text when it is in one piece,
    // else joined into *storage.
    std::string_view PieceOf(std::uint32_t m, std::string* storage) {
        const std::vector<std::uint32_t> list = PieceFragments(m);
        const std::size_t pos = marks_[m].pos;
        if (list.size() == 1) return text_.substr(pos, fragments_[list[0]].end - pos);
        for (std::uint32_t f : list) {
            const std::size_t b = std::max(fragments_[f].begin, pos);
            storage->append(text_.substr(b, fragments_[f].end - b));
        }
        return *storage;
    }

    bool PieceEquals(std::uint32_t m, std::string_view piece) {
        const std::size_t pos = marks_[m].pos;
        std::size_t at = 0;
        for (std::uint32_t f : PieceFragments(m)) {
            const std::size_t b = std::max(fragments_[f].begin, pos), len = fragments_[f].end - b;
            if (piece.compare(at, len, text_.substr(b, len)) != 0) return false;
            at += len;
        }
        return at == piece.size();
    }

    // Drops every byte of segment s from original position pos on.
    void CutFrom(std::uint32_t s, std::size_t pos) {
        Segment& seg = segments_[s];
        std::uint32_t f = seg.lastFragment;
        while (f != kNone && fragments_[f].begin >= pos) f = fragments_[f].prev;
        if (f != kNone && fragments_[f].end > pos) fragments_[f].end = pos;
        seg.lastFragment = f;
        if (f == kNone)
            seg.firstFragment = kNone;
        else
            fragments_[f].next = kNone;
    }
    void CutLast(std::uint32_t s, std::size_t count) {
        Segment& seg = segments_[s];
        while (count > 0) {
            Fragment& f = fragments_[seg.lastFragment];
            const std::size_t take = std::min(count, f.end - f.begin);
            f.end -= take;
            count -= take;
            if (f.end == f.begin) {
                seg.lastFragment = f.prev;
                if (f.prev == kNone)
                    seg.firstFragment = kNone;
                else
                    fragments_[f.prev].next = kNone;
            }
        }
    }
    void CutFirst(std::uint32_t s, std::size_t count) {
        Segment& seg = segments_[s];
        while (count > 0) {
            Fragment& f = fragments_[seg.firstFragment];
            const std::size_t take = std::min(count, f.end - f.begin);
            f.begin += take;
            count -= take;
            if (f.end == f.begin) {
                seg.firstFragment = f.next;
                if (f.next == kNone)
                    seg.lastFragment = kNone;
                else
                    fragments_[f.next].prev = kNone;
            }
        }
    }

    std::vector<JoinByte> LastBytes(std::uint32_t s, std::size_t count) const {
        std::vector<JoinByte> bytes;
        for (std::uint32_t f = segments_[s].lastFragment; f != kNone && bytes.size() < count;
             f = fragments_[f].prev)
            for (std::size_t i = fragments_[f].end; i-- > fragments_[f].begin && bytes.size() < count;)
                bytes.push_back({text_[i], i});
        std::reverse(bytes.begin(), bytes.end());
        return bytes;
    }
    std::vector<JoinByte> FirstBytes(std::uint32_t s, std::size_t count) const {
        std::vector<JoinByte> bytes;
        for (std::uint32_t f = segments_[s].firstFragment; f != kNone && bytes.size() < count;
             f = fragments_[f].next)
            for (std::size_t i = fragments_[f].begin; i < fragments_[f].end && bytes.size() < count; ++i)
                bytes.push_back({text_[i], i});
        return bytes;
    }

    struct Joined {
        int kind = 0;          // 0 none, 1 an opening delimiter, 2 a closing one
        std::size_t left = 0;  // how many of its bytes stand before the join
        std::string_view leftBytes;
        std::size_t pos = 0;  // its first byte
    };
    // A delimiter that starts before the join and ends after it.
    Joined FindJoined(const std::vector<JoinByte>& left, const std::vector<JoinByte>& right) const {
        for (int kind = 1; kind <= 2; ++kind) {
            const std::string_view d = kind == 1 ? open_ : close_;
            for (std::size_t k = 1; k < d.size() && k <= left.size(); ++k) {
                if (d.size() - k > right.size()) continue;
                const std::size_t at = left.size() - k;
                bool same = true;
                for (std::size_t i = 0; same && i < d.size(); ++i)
                    same = (i < k ? left[at + i].byte : right[i - k].byte) == d[i];
                if (same && IsCharStart(text_, static_cast<TextPos>(left[at].pos) + 1))
                    return {kind, k, d.substr(0, k), left[at].pos};
            }
        }
        return {};
    }

    // Removes mark r's piece: its segment is cut at r and joined to the next one.
    void RemovePiece(std::uint32_t r) {
        const std::uint32_t s = FindSegment(marks_[r].segment);
        Segment& seg = segments_[s];
        // Opening delimiters from r on lie inside the piece.
        for (std::uint32_t m = seg.lastMark;; m = marks_[m].prev) {
            marks_[m].alive = false;
            if (m == r) break;
        }
        const std::uint32_t last = marks_[r].prev;  // its stretch ended at r: it ends at the cut now
        seg.lastMark = last;
        if (last == kNone)
            seg.firstMark = kNone;
        else
            marks_[last].next = kNone;
        seg.length -= marks_[r].pieceLength;
        seg.hash = DropTail(seg.hash, seg.length + marks_[r].pieceLength, marks_[r].pieceHash,
                            marks_[r].pieceLength);
        if (last == kNone) {
            seg.headHash = seg.hash;
            seg.headLength = seg.length;
        }
        Forget(last);
        CutFrom(s, marks_[r].pos);
        const std::uint32_t n = seg.next;
        const std::size_t window = std::max(open_.size(), close_.size()) - 1;
        const Joined j = FindJoined(LastBytes(s, window), FirstBytes(n, window));
        if (j.kind == 2)
            KeepApart(s, n, j);
        else
            Join(s, n, j);
    }

    // The cut segment s and the next segment n become one; an opening delimiter the join made
    // gets its stretch: its bytes here and n's head.
    void Join(std::uint32_t s, std::uint32_t n, const Joined& j) {
        const std::uint32_t last = segments_[s].lastMark, nextFirst = segments_[n].firstMark;
        const std::uint64_t nextHead = segments_[n].headHash, nextHeadLength = segments_[n].headLength;
        if (j.kind == 1) {
            const std::uint64_t left = hash_.Prepend(j.leftBytes, 0);
            if (last != kNone) {
                Mark& k = marks_[last];
                k.stretchHash = DropTail(k.stretchHash, k.stretchLength, left, j.left);
                k.stretchLength -= j.left;
            } else {
                Segment& a = segments_[s];
                a.headHash = DropTail(a.headHash, a.headLength, left, j.left);
                a.headLength -= j.left;
            }
            Mark& joined = marks_[AddMark(s, j.pos)];
            joined.stretchHash = Concat(left, j.left, nextHead);
            joined.stretchLength = j.left + nextHeadLength;
        } else if (last != kNone) {
            Mark& k = marks_[last];
            k.stretchHash = Concat(k.stretchHash, k.stretchLength, nextHead);
            k.stretchLength += nextHeadLength;
        } else {
            Segment& a = segments_[s];
            a.headHash = Concat(a.headHash, a.headLength, nextHead);
            a.headLength += nextHeadLength;
        }
        Segment& a = segments_[s];
        a.hash = Concat(a.hash, a.length, segments_[n].hash);
        a.length += segments_[n].length;
        Splice(s, n);
        if (!a.closed) return;
        if (nextFirst == kNone) {
            if (a.lastMark != kNone) Know(a.lastMark, true);
        } else if (marks_[nextFirst].known && marks_[nextFirst].prev != kNone) {
            Add(&frontier_, marks_[nextFirst].pieceHash, nextFirst);
        }
    }

    // A closing delimiter made by the join: the two segments stay apart, each without its share of
    // that delimiter's bytes.
    void KeepApart(std::uint32_t s, std::uint32_t n, const Joined& j) {
        const std::size_t right = close_.size() - j.left;
        const std::uint64_t left = hash_.Prepend(j.leftBytes, 0);
        Segment& a = segments_[s];
        a.hash = DropTail(a.hash, a.length, left, j.left);
        a.length -= j.left;
        const std::uint32_t last = a.lastMark;
        if (last != kNone) {
            Mark& k = marks_[last];
            k.stretchHash = DropTail(k.stretchHash, k.stretchLength, left, j.left);
            k.stretchLength -= j.left;
        } else {
            a.headHash = a.hash;
            a.headLength = a.length;
        }
        CutLast(s, j.left);
        std::string head;
        for (const JoinByte& b : FirstBytes(n, right)) head += b.byte;
        const std::uint64_t headHash = hash_.Prepend(head, 0), inverse = hash_.InversePow(right);
        Segment& b = segments_[n];
        b.hash = MulMod(SubMod(b.hash, headHash), inverse);
        b.length -= right;
        b.headHash = MulMod(SubMod(b.headHash, headHash), inverse);
        b.headLength -= right;
        CutFirst(n, right);
        if (last != kNone) Know(last, true);
    }

    // Segment s takes over the bytes, opening delimiters and closing delimiter of segment n.
    void Splice(std::uint32_t s, std::uint32_t n) {
        Segment& a = segments_[s];
        Segment& b = segments_[n];
        if (b.firstFragment != kNone) {
            if (a.lastFragment == kNone) {
                a.firstFragment = b.firstFragment;
            } else {
                fragments_[a.lastFragment].next = b.firstFragment;
                fragments_[b.firstFragment].prev = a.lastFragment;
            }
            a.lastFragment = b.lastFragment;
        }
        if (b.firstMark != kNone) {
            if (a.lastMark == kNone) {
                a.firstMark = b.firstMark;
            } else {
                marks_[a.lastMark].next = b.firstMark;
                marks_[b.firstMark].prev = a.lastMark;
            }
            a.lastMark = b.lastMark;
        }
        a.closed = b.closed;
        a.next = b.next;
        b.parent = s;
        b.firstFragment = b.lastFragment = b.firstMark = b.lastMark = kNone;
    }

    std::string_view text_, open_, close_;
    Hash hash_;
    std::vector<Fragment> fragments_;
    std::vector<Mark> marks_;
    std::vector<Segment> segments_;
    HashIndex pieces_;    // piece hash -> newest entry, for the known marks
    HashIndex frontier_;  // piece hash -> newest entry, for known marks whose predecessor is not
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries_;  // mark, older entry of that hash
};

}  // namespace

MarkedItems CollectMarkedAll(std::string_view text, std::string_view open, std::string_view close,
                             const std::function<void(std::string_view)>& rest) {
    if (open.empty() || close.empty() || text.empty()) {
        if (rest && !text.empty()) rest(text);
        return {};
    }
    AllCollector collector(text, open, close);
    MarkedItems out = collector.Run();
    if (rest) collector.Rest(rest);
    return out;
}

LeftoverCheck::LeftoverCheck(std::vector<std::string_view> delimiters) : delimiters_(std::move(delimiters)) {
    for (std::string_view d : delimiters_) longest_ = std::max(longest_, d.size());
}

void LeftoverCheck::Add(std::string_view piece) {
    // In slices, so that a long piece is never copied whole.
    while (!text_ && !piece.empty()) {
        const std::size_t take = std::min<std::size_t>(piece.size(), 4096);
        pending_.append(piece.substr(0, take));
        piece.remove_prefix(take);
        if (pending_.size() >= longest_ + 4096) Consume(false);
    }
}

bool LeftoverCheck::HoldsText() {
    if (!text_) Consume(true);
    return text_;
}

// Takes delimiters off the front while a whole delimiter's length is there (or the text ended).
void LeftoverCheck::Consume(bool atEnd) {
    std::size_t i = 0;
    while (!text_ && i < pending_.size() && (atEnd || pending_.size() - i >= longest_)) {
        const std::size_t at = i;
        for (std::string_view d : delimiters_)
            if (i == at && pending_.compare(i, d.size(), d) == 0) i += d.size();
        text_ = i == at;
    }
    pending_.erase(0, i);
}

}  // namespace qm
