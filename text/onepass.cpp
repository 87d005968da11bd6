#include "text/replace.h"

#include <algorithm>
#include <cstring>

namespace kakikae {

namespace {

struct Piece {
    char b[16];
};

// Close occurrences of the old name, bytes only, the output in place with room behind the
// input: the text between two as one block of 64 and the new name as one of 16, whatever
// their lengths, each read whole before it is written (the two may overlap); what lies past
// them is written over next.
struct Close {
    const char* in;
    char* out;
    size_t base;      // the buffer's room and the old name's length
    size_t lastBlock; // where the last block of 64 of the input begins
    size_t m, add;
    Piece name;
};

// Takes hits[h..k) so while they can be; returns the first that can't (or k). Out of line and
// in locals: through the bytes written, the compiler would read its state from memory again
// at every occurrence.
[[gnu::noinline]] size_t TakeClose(const Close& close, const size_t* hits, size_t h, size_t k,
                                   size_t* outLen, size_t* copied, uint64_t* count) {
    const Close c = close;
    size_t len = *outLen, cp = *copied, made = 0;
    for (; h < k; ++h) {
        size_t j = hits[h];
        if (j < cp) continue; // overlaps the one before
        size_t gap = j - cp;
        if (gap > 64 || cp > c.lastBlock || len + 80 > c.base + j) break;
        Piece block[4];
        for (int b = 0; b < 4; ++b)
            std::memcpy(&block[b], c.in + cp + 16 * b, 16);
        for (int b = 0; b < 4; ++b)
            std::memcpy(c.out + len + 16 * b, &block[b], 16);
        std::memcpy(c.out + len + gap, &c.name, 16);
        len += gap + c.add;
        cp = j + c.m;
        ++made;
    }
    *outLen = len;
    *copied = cp;
    *count += made;
    return h;
}

} // namespace

KakikaeError OnePass(Sink* sink, const Pattern& pat, const char* in, size_t n, size_t first,
                     std::string_view nw, uint64_t* count) {
    size_t m = pat.m, copied = 0, known = 0;
    // Only a growing result can overtake its input; the rest of it is then counted once, so
    // that its buffer is taken at its size, or not at all when that is past the limit.
    auto put = [&](const char* src, size_t k, size_t read) {
        uint64_t whole = 0;
        if (!sink->InPlace(k, read)) {
            uint64_t hits = 0;
            for (size_t at = read, kn = read; (at = pat.Find(in, at, &kn, n)) < n; at += m)
                ++hits, kn = at + m;
            whole = uint64_t{sink->len} + k + (n - read) + hits * (nw.size() - m);
        }
        if (!sink->Room(k, read, whole)) return false;
        sink->Put(src, k);
        return true;
    };
    auto replace = [&](size_t j) {
        // Mostly the output stays behind the input: both pieces go in without more ado.
        size_t gap = j - copied;
        if (sink->out == sink->buf->p && sink->len + gap + nw.size() <= sink->buf->at + j + m) {
            sink->Put(in + copied, gap);
            Copy(sink->out + sink->len, nw.data(), nw.size());
            sink->len += nw.size();
        } else if (!put(in + copied, gap, j) || !put(nw.data(), nw.size(), j + m)) {
            return false;
        }
        copied = known = j + m;
        ++*count;
        return true;
    };
    if (pat.fold) {
        for (size_t j = pat.Find(in, first, &known, n); j < n; j = pat.Find(in, copied, &known, n))
            if (!replace(j)) return sink->err;
    } else {
        // One pass of the search, its occurrences taken in batches; close ones the quick way
        // while the output stays in place.
        size_t hits[64], from = first;
        Close close{in, sink->buf->p, sink->buf->at + m, n - 64, m, nw.size(), {}};
        std::memcpy(close.name.b, nw.data(), std::min<size_t>(nw.size(), 16));
        const bool quick = pat.unit == kUnitByte && nw.size() <= 16 && n >= 64;
        while (from < n) {
            size_t next, k = KwFindMany(in, from, n, pat.old.data(), m, hits, 64, &next);
            for (size_t h = 0; h < k; ++h) {
                if (quick && sink->out == sink->buf->p &&
                    (h = TakeClose(close, hits, h, k, &sink->len, &copied, count)) == k)
                    break;
                size_t j = hits[h];
                if (j < copied || !pat.Begins(in, &known, j)) continue;
                if (!replace(j)) return sink->err;
            }
            from = next;
        }
    }
    return put(in + copied, n - copied, n) ? kKakikaeOk : sink->err;
}

} // namespace kakikae
