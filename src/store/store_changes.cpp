// Changes to a table in memory: one payload applied (append, update, delete, purge, rows, batch)
// and the tracking of a batch from its start, which becomes one batch body at its end. See
// store_file.h and docs/store-format.md.
#include <algorithm>
#include <vector>

#include "store/store_format.h"

namespace qm::storefile {

namespace {

// The batch body (see BatchBody) applied to a table of baseCount rows; the table is unchanged on
// failure.
bool ApplyBatch(Table* t, std::string_view body) {
    const std::size_t nf = t->fieldNames.size(), before = t->rows.size();
    std::size_t pos = 0;
    std::uint64_t base = 0;
    if (!GetVarint(body, &pos, &base) || base != before) return false;
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    auto fail = [&] {
        t->rows.Truncate(before);
        return false;
    };
    while (pos < body.size()) {
        std::uint64_t head = 0, start = 0;
        if (!GetVarint(body, &pos, &head) || head < 2) return fail();
        const std::uint64_t count = head >> 1;
        if (head & 1) {  // new rows
            if (count > body.size() - pos) return fail();
            runs.emplace_back(t->rows.size(), static_cast<std::size_t>(count));
            for (std::uint64_t k = 0; k < count; ++k) {
                std::string_view row;
                if (!GetPiece(body, &pos, &row) || !RowValid(row, nf)) return fail();
                t->rows.Add(row);
            }
        } else {  // rows kept from the table before the batch
            if (!GetVarint(body, &pos, &start) || start > before || count > before - start) return fail();
            runs.emplace_back(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
        }
    }
    t->rows.Select(runs);
    return true;
}

void Forget(std::vector<std::size_t>* marked, std::size_t index) {
    auto it = std::find(marked->begin(), marked->end(), index);
    if (it != marked->end()) marked->erase(it);
}

// A purge in a batch: only the marked rows are removed, so only the rows after the first of them
// move (a purge outside a batch looks at every row).
void PurgeTracked(Table* t, BatchTrack* track) {
    std::vector<std::size_t>& marked = track->marked;
    if (marked.empty()) return;
    std::sort(marked.begin(), marked.end());
    t->rows.RemoveAt(marked);
    std::vector<std::uint64_t>& origin = track->origin;
    std::size_t w = marked[0], k = 0;
    for (std::size_t r = marked[0]; r < origin.size(); ++r) {
        if (k < marked.size() && marked[k] == r)
            ++k;
        else
            origin[w++] = origin[r];
    }
    origin.resize(w);
    marked.clear();
    track->purged = true;
}

}  // namespace

void BatchTrack::Start(const RowList& rows) {
    baseCount = rows.size();
    origin.resize(rows.size());
    for (std::size_t i = 0; i < origin.size(); ++i) origin[i] = i;
    marked.clear();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (RowDeleted(rows[i])) marked.push_back(i);
    purged = false;
}

bool BatchTrack::Changed() const {
    if (origin.size() != baseCount) return true;
    for (std::size_t i = 0; i < origin.size(); ++i)
        if (origin[i] != i) return true;
    return false;
}

bool ApplyPayload(Table* t, std::string_view p, BatchTrack* track) {
    if (p.empty()) return false;
    const std::size_t nf = t->fieldNames.size();
    std::size_t pos = 1;
    std::uint64_t index = 0;
    switch (static_cast<unsigned char>(p[0])) {
        case kAppend:
            if (!RowValid(p.substr(1), nf)) return false;
            if (track) {
                if (RowDeleted(p.substr(1))) track->marked.push_back(t->rows.size());
                track->origin.push_back(BatchTrack::kNew);
            }
            t->rows.Add(p.substr(1));
            return true;
        case kUpdate: {
            if (!GetVarint(p, &pos, &index) || index >= t->rows.size() || !RowValid(p.substr(pos), nf))
                return false;
            if (track) {
                const bool was = RowDeleted(t->rows[index]), is = RowDeleted(p.substr(pos));
                if (is && !was) track->marked.push_back(index);
                if (was && !is) Forget(&track->marked, index);
                track->origin[index] = BatchTrack::kNew;
            }
            t->rows.Set(index, p.substr(pos));
            return true;
        }
        case kDelete:
            if (!GetVarint(p, &pos, &index) || pos != p.size() || index >= t->rows.size()) return false;
            if (track && !RowDeleted(t->rows[index])) {
                track->marked.push_back(index);
                track->origin[index] = BatchTrack::kNew;
            }
            t->rows.SetFirstByte(index, '\x01');
            return true;
        case kPurge: {
            if (p.size() != 1) return false;
            if (track)
                PurgeTracked(t, track);
            else
                t->rows.RemoveIf(RowDeleted);
            return true;
        }
        case kRows: {
            std::uint64_t count;
            if (track || !GetVarint(p, &pos, &count) || count > p.size()) return false;
            const std::size_t before = t->rows.size();
            for (std::uint64_t i = 0; i < count; ++i) {
                std::string_view row;
                if (!GetPiece(p, &pos, &row) || !RowValid(row, nf)) {
                    t->rows.Truncate(before);
                    return false;
                }
                t->rows.Add(row);
            }
            if (pos != p.size()) t->rows.Truncate(before);
            return pos == p.size();
        }
        case kBatch:
            return !track && ApplyBatch(t, p.substr(1));
        default:
            return false;
    }
}

void PutBatchBody(const RowList& rows, const BatchTrack& track,
                  const std::function<void(std::string_view)>& put) {
    // The row count before the batch, then runs of rows kept from before (count << 1, first index)
    // and runs of new rows (count << 1 | 1, then each row with its length).
    std::string v;
    auto varint = [&](std::uint64_t n) {
        v.clear();
        PutVarint(&v, n);
        put(v);
    };
    varint(track.baseCount);
    for (std::size_t i = 0, j = 0; i < rows.size(); i = j) {
        j = i + 1;
        if (track.origin[i] != BatchTrack::kNew) {
            while (j < rows.size() && track.origin[j] == track.origin[j - 1] + 1) ++j;
            varint((j - i) << 1);
            varint(track.origin[i]);
        } else {
            while (j < rows.size() && track.origin[j] == BatchTrack::kNew) ++j;
            varint(((j - i) << 1) | 1);
            for (std::size_t k = i; k < j; ++k) {
                varint(rows[k].size());
                put(rows[k]);
            }
        }
    }
}

}  // namespace qm::storefile
