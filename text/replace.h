// The parts of a name's replacement that its two ways share: the old name as it is looked
// for, the output and the copies into it.
#pragma once

#include "text/buf.h"
#include "text/encoding.h"
#include "text/find.h"
#include "text/mbcs.h"
#include "text/rules.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kakikae {

enum KakikaeError {
    kKakikaeOk = 0,
    kKakikaeNoEnd,    // the replacing would not come to an end
    kKakikaeTooLarge, // the result would pass the growth limit
    kKakikaeNoMemory,
};

inline bool IsLead(char c) {
    return IsCp932Lead(static_cast<unsigned char>(c));
}

inline uint16_t Canon(const char* p) {
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
            if (KwBufReserve(&own, static_cast<size_t>(std::min<uint64_t>(limit, want)), limit))
                return err = kKakikaeNoMemory, false;
            std::memcpy(own.p, out, len);
            out = own.p;
        } else if (len + n > own.cap) {
            own.len = len;
            if (KwBufReserve(&own, len + n, limit)) return err = kKakikaeNoMemory, false;
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

// Each occurrence of the original text replaced once, left to right. This is the whole
// result when no replacement can form a new occurrence, and the rule when the new name holds
// the old one (repeating from the start would never end).
KakikaeError OnePass(Sink* sink, const Pattern& pat, const char* in, size_t n, size_t first,
                     std::string_view nw, uint64_t* count);
// Each occurrence replaced, and the text searched again from its start: the general case.
KakikaeError RewriteAll(Sink* sink, const Pattern& pat, const char* in, size_t n, size_t first,
                        std::string_view nw, uint64_t* count);

} // namespace kakikae
