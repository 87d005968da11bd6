#include "engine/kakikae.h"

#include "engine/find.h"
#include "engine/mbcs.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

bool KwBufReserve(KwBuf* b, size_t cap, size_t most) {
    if (cap <= b->cap && b->p) return true;
    size_t grown = std::min(b->cap + b->cap / 2, most);
    if (grown > cap) cap = grown;
    auto* p = static_cast<char*>(glPlat.Alloc(cap + 1));
    if (!p) return false;
    if (b->len) std::memcpy(p + b->at, b->text(), b->len);
    glPlat.Free(b->p);
    b->p = p;
    b->cap = cap;
    return true;
}

void KwBufFree(KwBuf* b) {
    glPlat.Free(b->p);
    *b = KwBuf{};
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

int StrFind(int start, const char* text, const char* pattern) {
    size_t m = std::strlen(pattern);
    if (m == 0) return start;
    if (start < 1) return 0;
    size_t n = std::strlen(text);
    for (size_t i = static_cast<size_t>(start - 1); i + m <= n; ++i)
        if (std::memcmp(text + i, pattern, m) == 0) return static_cast<int>(i + 1);
    return 0;
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

// Copies apart ranges; short ones (names, the text between close occurrences) inline, as a
// library call costs more than the copy there.
inline void Copy(char* to, const char* from, size_t n) {
    if (n > 32) {
        std::memcpy(to, from, n);
        return;
    }
    size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t w;
        std::memcpy(&w, from + k, 8);
        std::memcpy(to + k, &w, 8);
    }
    for (; k < n; ++k)
        to[k] = from[k];
}

// The output of a replacement. It is written into the text's own buffer, from its start,
// for as long as it stays behind the input still to be read; when it would overtake it, it
// moves to a buffer of its own. That buffer never grows past the limit: where the final size
// can be counted, it is, before anything is taken, so a result too large costs no memory.
struct Sink {
    KwBuf* buf;       // the text: input at buf->text(), output from buf->p
    KwBuf own;        // the output once it has moved
    char* out;        // where the output is
    size_t len = 0;   // its length
    size_t limit = 0; // largest output allowed
    // The size of the whole result, given the output's length once the bytes at hand are put
    // and how much of the input is read by then; nullptr where it can't be known ahead.
    std::function<uint64_t(size_t len, size_t read)> final;

    // Appends n bytes; `read` is how much of the input has been read once they are taken.
    KakikaeError Put(const char* src, size_t n, size_t read) {
        if (len + n > limit) return kKakikaeTooLarge;
        if (out == buf->p && len + n > buf->at + read) {
            size_t rest = buf->len - read;
            uint64_t want = len + n + rest + rest / 4;
            if (final) {
                want = final(len + n, read);
                if (want > limit) return kKakikaeTooLarge;
            }
            if (!KwBufReserve(&own, static_cast<size_t>(std::min<uint64_t>(limit, want)), limit))
                return kKakikaeNoMemory;
            std::memcpy(own.p, out, len);
            out = own.p;
        } else if (out == own.p && len + n > own.cap) {
            own.len = len;
            if (!KwBufReserve(&own, len + n, limit)) return kKakikaeNoMemory;
            out = own.p;
        }
        // In place the output trails the input by the room, mostly further than a piece is
        // long: then it is a plain copy (msvcrt's memmove is slower than its memcpy).
        char* to = out + len;
        if (to + n <= src || src + n <= to)
            Copy(to, src, n);
        else if (to != src)
            std::memmove(to, src, n);
        len += n;
        return kKakikaeOk;
    }

    void Finish() {
        if (out == own.p) {
            KwBufFree(buf);
            *buf = own;
            own = KwBuf{};
        }
        buf->at = 0;
        buf->len = len;
        buf->p[len] = '\0';
    }
};

// Each occurrence of the original text, found after the end of the previous one: f(j) for
// each, from `from` (no occurrence begins before it; a character begins at `known`). Stops
// early when f returns an error.
template <typename F>
KakikaeError ForEachOccurrence(const char* in, size_t from, size_t known, size_t n,
                               std::string_view old, bool cp932, F f) {
    while (from < n) {
        size_t j = from + KwFind(in + from, n - from, old.data(), old.size());
        if (j >= n) break;
        if (cp932 && !IsCp932Boundary(in, known, j)) {
            from = known = j + 1; // j is the second byte of a character
            continue;
        }
        if (KakikaeError e = f(j)) return e;
        from = known = j + old.size();
    }
    return kKakikaeOk;
}

// Each occurrence of the original text replaced once. This is the whole result when no
// replacement can form a new occurrence, and the rule when the new name holds the old one
// (repeating from the start would never end).
KakikaeError OnePass(Sink* sink, const char* in, size_t n, size_t first, std::string_view nw,
                     std::string_view old, bool cp932) {
    // Only a growing result can overtake its input; the rest of it is then counted once.
    if (nw.size() > old.size())
        sink->final = [=](size_t len, size_t read) {
            uint64_t hits = 0;
            ForEachOccurrence(in, read, read, n, old, cp932, [&](size_t) {
                ++hits;
                return kKakikaeOk;
            });
            return len + (n - read) + hits * (nw.size() - old.size());
        };
    size_t copied = 0;
    KakikaeError e = ForEachOccurrence(in, first, 0, n, old, cp932, [&](size_t j) {
        if (KakikaeError e = sink->Put(in + copied, j - copied, j)) return e;
        copied = j + old.size();
        return sink->Put(nw.data(), nw.size(), copied);
    });
    return e ? e : sink->Put(in + copied, n - copied, n);
}

// The general case: the output never holds an occurrence. Bytes come from the text, or first
// from `pend`, where a new name is pushed back to be read again after a replacement. The
// output's end always carries the KMP state, so the first occurrence to end is the leftmost
// one of the text as it stands: the result of searching again from the start.
struct Rewriter {
    std::string_view old, nw;
    bool cp932;
    Sink* sink;
    std::vector<size_t> fail;   // KMP borders of old
    std::vector<char> pend;     // reversed: back() is read next
    std::vector<uint8_t> bound; // cp932 only: 1 where a character starts in the output
    size_t s = 0;               // length of the longest end of the output that begins old
    bool trail = false;         // cp932: the next byte is the second of a character

    size_t Step(size_t st, char c) const {
        while (st > 0 && old[st] != c)
            st = fail[st];
        return old[st] == c ? st + 1 : 0;
    }

    // The state of the output's end, from its last m-1 bytes: no occurrence is longer.
    size_t Rescan(size_t end) const {
        size_t m = old.size(), st = 0;
        for (size_t k = end >= m - 1 ? end - (m - 1) : 0; k < end; ++k) {
            st = Step(st, sink->out[k]);
            if (st == m) st = fail[m];
        }
        return st;
    }

    KakikaeError Put(const char* p, size_t n, size_t read) {
        size_t at = sink->len;
        if (KakikaeError e = sink->Put(p, n, read)) return e;
        if (cp932) {
            bound.resize(at + n);
            for (size_t k = 0; k < n; ++k) {
                bound[at + k] = !trail;
                trail = !trail && IsLead(sink->out[at + k]);
            }
        }
        return kKakikaeOk;
    }

    KakikaeError Feed(char c, size_t read) {
        size_t m = old.size();
        if (KakikaeError e = Put(&c, 1, read)) return e;
        s = Step(s, c);
        if (s < m) return kKakikaeOk;
        size_t start = sink->len - m;
        if (cp932 && !bound[start]) {
            s = fail[m];
            return kKakikaeOk;
        }
        sink->len = start;
        if (cp932) bound.resize(start);
        trail = false;
        if (sink->len + pend.size() + nw.size() > sink->limit) return kKakikaeTooLarge;
        pend.insert(pend.end(), nw.rbegin(), nw.rend());
        s = Rescan(start);
        return kKakikaeOk;
    }

    // `first`: the first occurrence in the text; later ones are searched from where the last
    // one was passed, never again over what was read.
    KakikaeError Run(const char* in, size_t n, size_t first) {
        size_t m = old.size(), next = first;
        fail.assign(m + 1, 0);
        for (size_t k = 1, b = 0; k < m; ++k) {
            while (b > 0 && old[k] != old[b])
                b = fail[b];
            if (old[k] == old[b]) ++b;
            fail[k + 1] = b;
        }
        // Work without end that does not grow (a cycle of equal-length rewrites) stops here.
        uint64_t work = 0, workMax = n + 4 * static_cast<uint64_t>(sink->limit);
        size_t i = 0;
        for (;;) {
            char c;
            if (!pend.empty()) {
                c = pend.back();
                pend.pop_back();
            } else {
                if (s == 0 && i < n) {
                    // Nothing pending: copy up to the next candidate in one go.
                    if (next < i) next = i + KwFind(in + i, n - i, old.data(), m);
                    size_t j = next;
                    if (j > i) {
                        if (KakikaeError e = Put(in + i, j - i, j)) return e;
                        work += j - i;
                        i = j;
                        s = Rescan(sink->len);
                    }
                }
                if (i == n) return kKakikaeOk;
                c = in[i++];
            }
            if (++work > workMax) return kKakikaeNoEnd;
            if (KakikaeError e = Feed(c, i)) return e;
        }
    }
};

KakikaeError Rewrite(KwBuf* text, size_t first, std::string_view nw, std::string_view old,
                     KakikaeRules rules, Sink* sink) {
    size_t n = text->len;
    // Counted in 64 bits: a multiple of a large text passes what a 32-bit size_t holds.
    uint64_t limit = rules.limit ? rules.limit : 4 * uint64_t{n} + (uint64_t{64} << 20);
    sink->limit =
        static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(limit, n), SIZE_MAX / 2));
    const char* in = text->text();
    bool whole = !rules.cp932 || (IsWhole(nw) && IsWhole(old));
    if (nw.find(old) != std::string_view::npos || (whole && !CanJoin(nw, old)))
        return OnePass(sink, in, n, first, nw, old, rules.cp932);
    Rewriter r;
    r.old = old;
    r.nw = nw;
    r.cp932 = rules.cp932;
    r.sink = sink;
    return r.Run(in, n, first);
}

} // namespace

int64_t StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err) {
    *err = kKakikaeOk;
    if (oldName.empty() || !text->p) return static_cast<int64_t>(text->len);
    size_t first = rules.first != kKakikaeUnsearched
                       ? rules.first
                       : KwFind(text->text(), text->len, oldName.data(), oldName.size());
    if (first >= text->len) return static_cast<int64_t>(text->len);
    Sink sink{text, {}, text->p, 0, 0, nullptr};
    *err = Rewrite(text, first, newName, oldName, rules, &sink);
    if (*err) {
        KwBufFree(&sink.own);
        return -1;
    }
    sink.Finish();
    return static_cast<int64_t>(text->len);
}

int64_t StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err) {
    KwBuf buf;
    if (!KwBufAssign(&buf, *text, 0)) {
        *err = kKakikaeNoMemory;
        return -1;
    }
    int64_t n = StrKakikae(&buf, newName, oldName, rules, err);
    if (n >= 0) text->assign(buf.p, buf.len);
    KwBufFree(&buf);
    return n;
}
