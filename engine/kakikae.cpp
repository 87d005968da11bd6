#include "engine/kakikae.h"

#include "engine/mbcs.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

bool KwBufReserve(KwBuf* b, size_t cap) {
    if (cap <= b->cap && b->p) return true;
    size_t grown = b->cap + b->cap / 2;
    if (grown > cap) cap = grown;
    auto* p = static_cast<char*>(glPlat.Alloc(cap + 1));
    if (!p) return false;
    if (b->len) std::memcpy(p, b->p, b->len);
    glPlat.Free(b->p);
    b->p = p;
    b->cap = cap;
    return true;
}

void KwBufFree(KwBuf* b) {
    glPlat.Free(b->p);
    *b = KwBuf{};
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

namespace {

// Writes into an output buffer that never holds an occurrence. Bytes come from the text, or
// first from `pend`, where a new name is pushed back to be read again after a replacement.
// The output's end always carries the KMP state, so the first occurrence to end is the
// leftmost one of the text as it stands: the result of searching again from the start.
struct Rewriter {
    std::string_view old, nw;
    bool cp932;
    size_t limit;
    std::vector<size_t> fail;   // KMP borders of old
    std::vector<char> pend;     // reversed: back() is read next
    std::vector<uint8_t> bound; // cp932 only: 1 where a character starts in the output
    KwBuf* out;
    size_t s = 0;       // length of the longest end of the output that begins old
    bool trail = false; // cp932: the next byte is the second of a character

    size_t Step(size_t st, char c) const {
        while (st > 0 && old[st] != c)
            st = fail[st];
        return old[st] == c ? st + 1 : 0;
    }

    // The state of the output's end, from its last m-1 bytes: no occurrence is longer.
    size_t Rescan(size_t end) const {
        size_t m = old.size(), st = 0;
        for (size_t k = end >= m - 1 ? end - (m - 1) : 0; k < end; ++k) {
            st = Step(st, out->p[k]);
            if (st == m) st = fail[m];
        }
        return st;
    }

    KakikaeError Append(const char* p, size_t n) {
        if (out->len + n > limit) return kKakikaeTooLarge;
        if (!KwBufReserve(out, out->len + n)) return kKakikaeNoMemory;
        std::memcpy(out->p + out->len, p, n);
        if (cp932) {
            bound.resize(out->len + n);
            for (size_t k = 0; k < n; ++k) {
                bound[out->len + k] = !trail;
                trail = !trail && IsCp932Lead(static_cast<unsigned char>(p[k]));
            }
        }
        out->len += n;
        return kKakikaeOk;
    }

    KakikaeError Feed(char c) {
        size_t m = old.size();
        size_t pos = out->len;
        if (KakikaeError e = Append(&c, 1)) return e;
        s = Step(s, c);
        if (s < m) return kKakikaeOk;
        size_t start = pos + 1 - m;
        if (cp932 && !bound[start]) {
            s = fail[m];
            return kKakikaeOk;
        }
        out->len = start;
        std::memset(out->p + start, 0, m);
        if (cp932) bound.resize(start);
        trail = false;
        if (out->len + pend.size() + nw.size() > limit) return kKakikaeTooLarge;
        pend.insert(pend.end(), nw.rbegin(), nw.rend());
        s = Rescan(start);
        return kKakikaeOk;
    }

    KakikaeError Run(std::string_view in) {
        size_t m = old.size();
        fail.assign(m + 1, 0);
        for (size_t k = 1, b = 0; k < m; ++k) {
            while (b > 0 && old[k] != old[b])
                b = fail[b];
            if (old[k] == old[b]) ++b;
            fail[k + 1] = b;
        }
        // Work without end that does not grow (a cycle of equal-length rewrites) stops here.
        uint64_t work = 0, workMax = in.size() + 4 * static_cast<uint64_t>(limit);
        size_t i = 0;
        for (;;) {
            char c;
            if (!pend.empty()) {
                c = pend.back();
                pend.pop_back();
            } else {
                if (s == 0 && i < in.size()) {
                    // Nothing pending: copy up to the next candidate in one go.
                    size_t j = in.find(old, i);
                    if (j == std::string_view::npos) j = in.size();
                    if (j > i) {
                        if (KakikaeError e = Append(in.data() + i, j - i)) return e;
                        work += j - i;
                        i = j;
                        s = Rescan(out->len);
                    }
                }
                if (i == in.size()) return kKakikaeOk;
                c = in[i++];
            }
            if (++work > workMax) return kKakikaeNoEnd;
            if (KakikaeError e = Feed(c)) return e;
        }
    }

    // Used when the new name holds the old one: each occurrence of the original text, found
    // after the end of the previous one, is replaced once.
    KakikaeError OnePass(std::string_view in) {
        size_t copied = 0, parsed = 0, from = 0;
        for (;;) {
            size_t j = in.find(old, from);
            if (j == std::string_view::npos) break;
            if (cp932) {
                while (parsed < j)
                    parsed += IsCp932Lead(static_cast<unsigned char>(in[parsed])) ? 2 : 1;
                if (parsed != j) {
                    from = j + 1;
                    continue;
                }
            }
            if (KakikaeError e = Append(in.data() + copied, j - copied)) return e;
            if (KakikaeError e = Append(nw.data(), nw.size())) return e;
            copied = parsed = from = j + old.size();
        }
        return Append(in.data() + copied, in.size() - copied);
    }
};

KakikaeError Rewrite(std::string_view in, std::string_view nw, std::string_view old,
                     KakikaeRules rules, KwBuf* out) {
    Rewriter r;
    r.old = old;
    r.nw = nw;
    r.cp932 = rules.cp932;
    // Counted in 64 bits: 64 times a large text passes what a 32-bit size_t holds.
    uint64_t limit = rules.limit ? rules.limit : 64 * uint64_t{in.size()} + (uint64_t{64} << 20);
    r.limit =
        static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(limit, in.size()), SIZE_MAX / 2));
    r.out = out;
    if (!KwBufReserve(out, in.size())) return kKakikaeNoMemory;
    if (old.empty() || in.find(old) == std::string_view::npos) {
        std::memcpy(out->p, in.data(), in.size());
        out->len = in.size();
        return kKakikaeOk;
    }
    return nw.find(old) != std::string_view::npos ? r.OnePass(in) : r.Run(in);
}

} // namespace

int64_t StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err) {
    KwBuf out;
    *err =
        Rewrite(std::string_view(text->p ? text->p : "", text->len), newName, oldName, rules, &out);
    if (*err) {
        KwBufFree(&out);
        return -1;
    }
    KwBufFree(text);
    *text = out;
    return static_cast<int64_t>(text->len);
}

int64_t StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err) {
    KwBuf out;
    *err = Rewrite(*text, newName, oldName, rules, &out);
    if (!*err) text->assign(out.p, out.len);
    KwBufFree(&out);
    return *err ? -1 : static_cast<int64_t>(text->size());
}
