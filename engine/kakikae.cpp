#include "engine/kakikae.h"

#include "engine/encoding.h"
#include "engine/find.h"
#include "engine/mbcs.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

bool KwBufReserve(KwBuf* b, size_t cap, size_t most) {
    if (cap <= b->cap && b->p) return true;
    size_t grown = std::min(b->cap + b->cap / 2, most);
    if (grown > cap) cap = grown;
    void* room = nullptr;
    if (glPlat.Alloc(cap + 1, &room) != 0) return false;
    auto* p = static_cast<char*>(room);
    if (b->len) std::memcpy(p + b->at, b->text(), b->len);
    glPlat.Free(b->p);
    b->p = p;
    b->cap = cap;
    return true;
}

void KwBufFree(KwBuf* b) {
    glPlat.Free(b->p);
    b->p = nullptr;
    b->len = b->cap = b->at = 0;
}

KwBuf& KwBuf::operator=(KwBuf&& o) noexcept {
    if (this == &o) return *this;
    KwBufFree(this);
    p = o.p, len = o.len, cap = o.cap, at = o.at;
    o.p = nullptr;
    o.len = o.cap = o.at = 0;
    return *this;
}

KwBuf::~KwBuf() {
    KwBufFree(this);
}

bool KwBufAssign(KwBuf* b, std::string_view text, size_t at) {
    b->len = b->at = 0;
    if (!KwBufReserve(b, at + text.size())) return false;
    b->at = at;
    std::memcpy(b->text(), text.data(), text.size());
    b->len = text.size();
    b->text()[b->len] = '\0';
    return true;
}

size_t KakikaeRoom(size_t size, std::string_view newName, std::string_view oldName) {
    if (newName.size() <= oldName.size() || oldName.empty()) return 0;
    // Every occurrence replaced once, with a floor for small texts and a ceiling past which
    // the output moves to a buffer of its own.
    uint64_t most = uint64_t{size} / oldName.size() * (newName.size() - oldName.size());
    return static_cast<size_t>(std::min<uint64_t>(most, size / 4 + 65536));
}

namespace {

bool IsLead(char c) {
    return IsCp932Lead(static_cast<unsigned char>(c));
}

// A string of whole CP932 characters (no lead byte left without its trail).
bool IsWhole(std::string_view s) {
    size_t i = 0;
    while (i < s.size())
        i += IsLead(s[i]) ? 2 : 1;
    return i == s.size();
}

uint16_t Canon(const char* p) {
    return Cp932Canonical(static_cast<uint16_t>(static_cast<unsigned char>(p[0]) << 8 |
                                                static_cast<unsigned char>(p[1])));
}

// The old name as it is looked for: where an occurrence may begin, and with `fold` the other
// byte forms of its CP932 characters too.
struct Pattern {
    std::string_view old;
    KwUnit unit;
    bool fold;
    size_t m;
    bool firstOf[256] = {}, lastOf[256] = {}; // the bytes an occurrence may begin and end with

    Pattern(std::string_view o, KwUnit u, bool f) : old(o), unit(u), fold(f), m(o.size()) {
        firstOf[static_cast<unsigned char>(old.front())] = true;
        lastOf[static_cast<unsigned char>(old.back())] = true;
        if (!fold) return;
        // Every form of the first and the last character.
        size_t lastChar = 0;
        for (size_t k = 0; k < m; k += IsLead(old[k]) && k + 1 < m ? 2 : 1)
            lastChar = k;
        uint16_t forms[3];
        if (IsLead(old[0]) && m > 1)
            for (int k = Cp932Forms(Canon(old.data()), forms); k-- > 0;)
                firstOf[forms[k] >> 8] = true;
        if (lastChar + 1 < m)
            for (int k = Cp932Forms(Canon(old.data() + lastChar), forms); k-- > 0;)
                lastOf[forms[k] & 0xFF] = true;
    }

    bool IsLast(char c) const { return lastOf[static_cast<unsigned char>(c)]; }

    // Whether the m bytes at p are the old name, in one of its forms.
    bool Same(const char* p) const {
        if (!fold) return std::memcmp(p, old.data(), m) == 0;
        for (size_t k = 0; k < m;) {
            if (IsLead(old[k]) && k + 1 < m) {
                if (Canon(p + k) != Canon(old.data() + k)) return false;
                k += 2;
            } else {
                if (p[k] != old[k]) return false;
                ++k;
            }
        }
        return true;
    }

    // Whether an occurrence may begin at pos of s. CP932: a character begins at *known <= pos,
    // which moves on to pos (or the character pos is the second byte of).
    bool Begins(const char* s, size_t* known, size_t pos) const {
        if (unit == kUnitByte) return true;
        if (unit == kUnitWord) return pos % 2 == 0;
        bool b = IsCp932Boundary(s, *known, pos);
        *known = b ? pos : pos - 1;
        return b;
    }

    // The first place at or after `from` that holds the old name's bytes, or n.
    size_t Candidate(const char* s, size_t from, size_t n) const {
        if (from + m > n) return n;
        if (!fold) return from + KwFind(s + from, n - from, old.data(), m);
        for (size_t i = from; i + m <= n; ++i)
            if (firstOf[static_cast<unsigned char>(s[i])] && IsLast(s[i + m - 1]) && Same(s + i))
                return i;
        return n;
    }

    // The first occurrence at or after `from`, or n; a character begins at *known <= from.
    size_t Find(const char* s, size_t from, size_t* known, size_t n) const {
        for (;;) {
            size_t j = Candidate(s, from, n);
            if (j >= n || Begins(s, known, j)) return j;
            from = j + 1;
        }
    }
};

// Whether a replacement can form an occurrence that was not in the text: the old name laid
// across the new one so that they agree where they overlap (or the new name is empty and
// its neighbours meet). The old name wholly inside the new one is left to the caller.
bool CanJoin(std::string_view nw, std::string_view old) {
    if (nw.empty()) return true;
    auto m = static_cast<int64_t>(old.size()), n = static_cast<int64_t>(nw.size());
    for (int64_t d = 1 - m; d < n; ++d) {
        if (d >= 0 && d + m <= n) continue;
        int64_t lo = std::max<int64_t>(0, d), hi = std::min(n, d + m);
        if (old.substr(static_cast<size_t>(lo - d), static_cast<size_t>(hi - lo)) ==
            nw.substr(static_cast<size_t>(lo), static_cast<size_t>(hi - lo)))
            return true;
    }
    return false;
}

// Copies apart ranges. Those up to 128 bytes (names, the text between close occurrences)
// inline, in 16-byte pieces, the last one overlapping the one before: a library call costs
// more than such a copy.
inline void Copy(char* to, const char* from, size_t n) {
    auto piece = [&](size_t at, auto bytes) {
        decltype(bytes) w;
        std::memcpy(&w, from + at, sizeof w);
        std::memcpy(to + at, &w, sizeof w);
    };
    struct Wide {
        uint64_t w[2];
    };
    if (n > 128) {
        std::memcpy(to, from, n);
    } else if (n > 64) {
        for (size_t k = 0; k + 16 < n; k += 16)
            piece(k, Wide{});
        piece(n - 16, Wide{});
    } else if (n >= 16) {
        piece(0, Wide{});
        if (n > 32) piece(16, Wide{});
        if (n > 48) piece(32, Wide{});
        piece(n - 16, Wide{});
    } else if (n >= 8) {
        piece(0, uint64_t{});
        piece(n - 8, uint64_t{});
    } else if (n >= 4) {
        piece(0, uint32_t{});
        piece(n - 4, uint32_t{});
    } else {
        for (size_t k = 0; k < n; ++k)
            to[k] = from[k];
    }
}

// The output of a replacement. It is written into the text's own buffer, from its start,
// for as long as it stays behind the input still to be read; when it would overtake it, it
// moves to a buffer of its own, which never grows past the limit.
struct Sink {
    KwBuf* buf;     // the text: input at buf->text(), output from buf->p
    KwBuf own = {}; // the output once it has moved
    char* out;      // where the output is
    size_t len = 0; // its length
    size_t limit;   // largest output allowed, set with the rules
    KakikaeError err = kKakikaeOk;

    // Whether n more bytes stay behind the input, read up to `read` once they are taken.
    bool InPlace(size_t n, size_t read) const { return out != buf->p || len + n <= buf->at + read; }

    // Room for n more bytes; `whole`, where not 0, is the size of the whole result.
    bool Room(size_t n, size_t read, uint64_t whole = 0) {
        if (len + n > limit) return err = kKakikaeTooLarge, false;
        if (out == buf->p) {
            if (len + n <= buf->at + read) return true;
            if (whole > limit) return err = kKakikaeTooLarge, false;
            size_t rest = buf->len - read;
            uint64_t want = whole ? whole : uint64_t{len} + n + rest + rest / 4;
            if (!KwBufReserve(&own, static_cast<size_t>(std::min<uint64_t>(limit, want)), limit))
                return err = kKakikaeNoMemory, false;
            std::memcpy(own.p, out, len);
            out = own.p;
        } else if (len + n > own.cap) {
            own.len = len;
            if (!KwBufReserve(&own, len + n, limit)) return err = kKakikaeNoMemory, false;
            out = own.p;
        }
        return true;
    }

    void Put(const char* src, size_t n) {
        // In place the output trails the input by the room, mostly further than a piece is
        // long: then it is a plain copy (msvcrt's memmove is slower than its memcpy).
        char* to = out + len;
        if (to + n <= src || src + n <= to)
            Copy(to, src, n);
        else if (to != src)
            std::memmove(to, src, n);
        len += n;
    }

    bool Append(const char* src, size_t n, size_t read) {
        if (!Room(n, read)) return false;
        Put(src, n);
        return true;
    }

    void Finish() {
        if (out == own.p) *buf = static_cast<KwBuf&&>(own);
        buf->at = 0;
        buf->len = len;
        buf->p[len] = '\0';
    }
};

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

// Each occurrence of the original text replaced once, left to right. This is the whole
// result when no replacement can form a new occurrence, and the rule when the new name holds
// the old one (repeating from the start would never end).
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

// The general case: the text as it stands is the output, what is still to be read again of
// new names, then the input. The output never holds an occurrence, so the first one to end
// is the leftmost: the result of searching again from the start. A new one can only end
// where a byte that ends the old name is added, and in the input only inside the old name's
// length from where a new name ends; past that the input is copied up to its next occurrence
// in one go.
struct Rewriter {
    const Pattern& pat;
    std::string_view nw;
    Sink& sink;
    const char* in;
    size_t n;
    uint64_t count = 0;
    std::vector<size_t> pend;       // how much of each new name has been read again; the last first
    std::vector<uint32_t> nextLast; // in the new name: where the next byte that may end one is
    std::string look;               // the end of the window and what follows it
    // CP932: where characters of the output are known to begin (the last, and one every
    // 4 KiB or more for looking back)
    size_t known = 0;
    std::vector<size_t> marks{0};

    bool Begins(size_t pos) {
        if (pat.unit != kUnitCp932 || pos >= known) {
            bool b = pat.Begins(sink.out, &known, pos);
            if (known - marks.back() >= 4096) marks.push_back(known);
            return b;
        }
        size_t from = *(std::upper_bound(marks.begin(), marks.end(), pos) - 1);
        return IsCp932Boundary(sink.out, from, pos);
    }

    // Whether the output ends with an occurrence; if so, it is taken off, and the new name is
    // to be read again in its place.
    bool Ends() {
        size_t m = pat.m, len = sink.len;
        if (len < m || !pat.Same(sink.out + len - m) || !Begins(len - m)) return false;
        Replace(len - m);
        return true;
    }

    void Replace(size_t start) {
        sink.len = start;
        while (marks.back() > start)
            marks.pop_back();
        known = std::min(known, start);
        pend.push_back(0);
        ++count;
    }

    // The window, where the new name is no longer than the old one and holds no byte that
    // ends it, bytes only: the output then stays behind the input, and a new name read again
    // completes nothing, so it goes in whole and only a byte that ends the old name is checked.
    [[gnu::noinline]] void Quick(size_t* pos, size_t* window, size_t* scan) {
        // In locals, the name's bytes too: through the bytes written, the compiler would
        // read them from memory again. Kept out of line, for registers of its own.
        const size_t m = pat.m, add = nw.size();
        const char *old = pat.old.data(), *name = nw.data(), *stop = in + n;
        const char last = old[m - 1], before = m > 1 ? old[m - 2] : 0, first = add ? name[0] : 0;
        const char *p = in + *pos, *end = in + std::min(*window, n);
        char *o = sink.out + sink.len, *whole = sink.out + m; // an occurrence fits from there
        size_t made = 0;
        while (p < end) {
            char c = *p++;
            *o++ = c;
            if (c != last || o < whole) continue;
            // Byte by byte: a wider load of bytes just stored one at a time waits for them.
            const char* t = o - m;
            if (m > 1 && t[m - 2] != before) continue;
            size_t k = 0;
            while (k + 2 < m && t[k] == old[k])
                ++k;
            if (k + 2 < m) continue;
            o -= m;
            if (add == 1)
                *o = first;
            else
                Copy(o, name, add);
            o += add;
            ++made;
            end = std::min(p + m - 1, stop);
        }
        // The loop ends where the window does, m - 1 past the last replacement (or at the
        // text's end, where the scan no longer matters).
        sink.len = static_cast<size_t>(o - sink.out);
        count += made;
        *pos = static_cast<size_t>(p - in);
        *window = *pos;
        if (made) *scan = *pos + 1 - m;
    }

    KakikaeError Run(size_t first) {
        size_t m = pat.m, i = 0, next = first;
        // Input before `window` is added a byte that may end an occurrence at a time; no
        // occurrence begins in the input from `scan` on but at `next` and past it.
        size_t window = 0, scan = 0;
        nextLast.assign(nw.size() + 1, static_cast<uint32_t>(nw.size()));
        for (size_t k = nw.size(); k-- > 0;)
            nextLast[k] = pat.IsLast(nw[k]) ? static_cast<uint32_t>(k) : nextLast[k + 1];
        // Work without end that does not grow (a cycle of equal-length rewrites) stops here.
        uint64_t work = 0, workMax = n + 4 * static_cast<uint64_t>(sink.limit);
        const bool quick =
            pat.unit == kUnitByte && !pat.fold && nw.size() <= m && nextLast[0] == nw.size();
        for (;;) {
            if (!pend.empty()) {
                size_t at = pend.back(), k = nextLast[at];
                size_t end = k < nw.size() ? k + 1 : nw.size();
                if ((work += end - at) > workMax) return kKakikaeNoEnd;
                if (!sink.Append(nw.data() + at, end - at, i)) return sink.err;
                if (end == nw.size())
                    pend.pop_back();
                else
                    pend.back() = end;
                if (k < nw.size()) Ends();
                if (pend.empty()) window = i + m - 1, scan = i;
                continue;
            }
            if (i < window && i < n && quick) {
                size_t from = i, made = count;
                Quick(&i, &window, &scan);
                if ((work += i - from + (count - made) * nw.size()) > workMax) return kKakikaeNoEnd;
                continue;
            }
            if (i < window && i < n) {
                size_t k = i, end = std::min(window, n);
                while (k < end && !pat.IsLast(in[k]))
                    ++k;
                size_t upto = k < end ? k + 1 : end;
                if ((work += upto - i) > workMax) return kKakikaeNoEnd;
                if (!sink.Append(in + i, upto - i, upto)) return sink.err;
                i = upto;
                if (k < end) Ends();
                continue;
            }
            if (i == n) return kKakikaeOk;
            if (next < scan && scan < i) {
                // One may have begun in the window and end past it. The input read there may
                // be written over by now; the output ends with the same bytes.
                size_t back = i - scan, ahead = std::min(m - 1, n - i);
                look.assign(sink.out + sink.len - back, back);
                look.append(in + i, ahead);
                size_t c = pat.Candidate(look.data(), 0, look.size());
                if (c < back) { // looked at where it ends
                    window = scan + c + m;
                    scan += c + 1;
                    continue;
                }
                scan = i;
            }
            if (next < scan) next = pat.Candidate(in, scan, n);
            if (!sink.Append(in + i, next - i, next)) return sink.err;
            work += next - i;
            i = scan = next;
            if (i == n) return kKakikaeOk;
            scan = i + 1;
            if (Begins(sink.len)) {
                i += m;
                Replace(sink.len);
            } else if (!sink.Append(in + i, 1, i + 1)) {
                return sink.err;
            } else {
                ++i;
            }
        }
    }
};

KakikaeError Rewrite(KwBuf* text, size_t first, std::string_view nw, std::string_view old,
                     KakikaeRules rules, Sink* sink, uint64_t* count) {
    size_t n = text->len;
    // Counted in 64 bits: a multiple of a large text passes what a 32-bit size_t holds.
    uint64_t limit = rules.limit ? rules.limit : 4 * uint64_t{n} + (uint64_t{64} << 20);
    sink->limit =
        static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(limit, n), SIZE_MAX / 2));
    const char* in = text->text();
    Pattern pat(old, rules.unit, rules.fold);
    if (rules.fold) first = pat.Candidate(in, 0, n);
    bool whole = rules.unit == kUnitCp932  ? IsWhole(nw) && IsWhole(old)
                 : rules.unit == kUnitWord ? nw.size() % 2 == 0 && old.size() % 2 == 0
                                           : true;
    bool holds = nw.size() >= old.size() && pat.Candidate(nw.data(), 0, nw.size()) < nw.size();
    if (holds || (whole && !rules.fold && !CanJoin(nw, old)))
        return OnePass(sink, pat, in, n, first, nw, count);
    Rewriter r{pat, nw, *sink, in, n, 0, {}, {}, {}};
    KakikaeError err = r.Run(first);
    *count = r.count;
    return err;
}

} // namespace

int64_t StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err, uint64_t* count) {
    *err = kKakikaeOk;
    uint64_t made = 0;
    if (count) *count = 0;
    if (oldName.empty() || !text->p || text->len < oldName.size())
        return static_cast<int64_t>(text->len);
    rules.fold = rules.fold && rules.unit == kUnitCp932 && HasOtherForm(oldName);
    size_t first = 0; // the other forms are looked for with the rest
    if (!rules.fold) {
        first = rules.first != kKakikaeUnsearched
                    ? rules.first
                    : KwFind(text->text(), text->len, oldName.data(), oldName.size());
        if (first >= text->len) return static_cast<int64_t>(text->len);
    }
    Sink sink{text, {}, text->p, 0, 0};
    *err = Rewrite(text, first, newName, oldName, rules, &sink, &made);
    if (*err) {
        KwBufFree(&sink.own);
        return -1;
    }
    sink.Finish();
    if (count) *count = made;
    return static_cast<int64_t>(text->len);
}

int64_t StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err, uint64_t* count) {
    KwBuf buf;
    if (!KwBufAssign(&buf, *text, 0)) {
        *err = kKakikaeNoMemory;
        return -1;
    }
    int64_t n = StrKakikae(&buf, newName, oldName, rules, err, count);
    if (n >= 0) text->assign(buf.p, buf.len);
    KwBufFree(&buf);
    return n;
}
