#include "text/detect.h"

#include "text/find.h"
#include "text/mbcs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define KW_X86 1
#endif

namespace {

// The code point of the valid UTF-8 character at p, and its length.
uint32_t Decode(const unsigned char* p, size_t* len) {
    if (p[0] < 0x80) return *len = 1, p[0];
    if (p[0] < 0xE0) return *len = 2, (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    if (p[0] < 0xF0) return *len = 3, (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    return *len = 4,
           (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
}

// What a Japanese project's texts hold beyond ASCII. CP932 read as UTF-8 by mistake gives
// characters outside these (U+04B0 and the Arabic U+0643 for "ﾒｰﾙア").
constexpr uint32_t kJapanese[][2] = {
    {0x00A0, 0x024F},   // Latin-1 and accented Latin letters (¢ £ ¬ ´ ¨ ° ± × ÷)
    {0x0391, 0x03C9},   // Greek letters
    {0x0401, 0x0451},   // Russian letters
    {0x2000, 0x206F},   // punctuation (‖ … ※ ‐ — and the zero-width joiner)
    {0x20A0, 0x20CF},   // currency signs
    {0x2100, 0x23FF},   // letterlike, number forms, arrows, mathematical operators (−), technical
    {0x2460, 0x27BF},   // enclosed numbers, box drawing, shapes, symbols, dingbats
    {0x2B00, 0x2BFF},   // symbols and arrows (⭐)
    {0x2E80, 0x2FDF},   // radicals
    {0x3000, 0x30FF},   // CJK punctuation (〜), hiragana, katakana
    {0x31F0, 0x4DBF},   // katakana extensions, enclosed and compatibility CJK, extension A
    {0x4E00, 0x9FFF},   // kanji
    {0xE000, 0xE757},   // CP932's user-defined characters
    {0xF900, 0xFAFF},   // compatibility kanji
    {0xFE00, 0xFE0F},   // variation selectors (emoji)
    {0xFE30, 0xFE4F},   // vertical forms
    {0xFEFF, 0xFEFF},   // a byte-order mark inside
    {0xFF00, 0xFFEF},   // full-width and half-width forms
    {0x1F000, 0x1FAFF}, // emoji
    {0x20000, 0x3134F}, // kanji extensions
    {0xE0020, 0xE007F}, // emoji tags
};

bool IsJapanese(uint32_t c) {
    if (c < 0x80) return true;
    auto it = std::upper_bound(std::begin(kJapanese), std::end(kJapanese), c,
                               [](uint32_t v, const uint32_t* r) { return v < r[0]; });
    return it != std::begin(kJapanese) && c <= (*(it - 1))[1];
}

// The characters of valid UTF-8 that begin in [from, to), each in the table.
bool JapaneseFrom(const unsigned char* s, size_t from, size_t to, size_t n) {
    while (from < n && (s[from] & 0xC0) == 0x80)
        ++from;
    for (size_t i = from, len; i < to && i < n; i += len)
        if (!IsJapanese(Decode(s + i, &len))) return false;
    return true;
}

bool IsTrail(unsigned char t) {
    return t >= 0x40 && t <= 0xFC && t != 0x7F;
}

bool PlainCp932(const unsigned char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (s[i] < 0x80 || (s[i] >= 0xA1 && s[i] <= 0xDF)) continue;
        if (!IsCp932Lead(s[i]) || i + 1 == n || !IsTrail(s[i + 1])) return false;
        ++i;
    }
    return true;
}

// Lines handed on a batch at a time.
struct LineBatch {
    LineBatch(KwLinesFn f, void* c) : fn(f), ctx(c) {}
    KwLinesFn fn;
    void* ctx;
    size_t count = 0;
    KwLine lines[256];
    void Add(size_t end, KwLineKind kind) {
        lines[count++] = {end, kind};
        if (count == std::size(lines)) Flush();
    }
    void Flush() {
        if (count) fn(ctx, lines, count);
        count = 0;
    }
};

KwLineKind KindOf(bool high, bool utf8, bool cp932) {
    if (!high) return kLineAscii;
    return utf8 && cp932 ? kLineBoth : utf8 ? kLineUtf8 : cp932 ? kLineCp932 : kLineNeither;
}

size_t LineEnd(const char* p, size_t from, size_t n) {
    const void* nl = std::memchr(p + from, '\n', n - from);
    return nl ? static_cast<size_t>(static_cast<const char*>(nl) - p) + 1 : n;
}

// A line alone, a vector at a time where the scans are.
bool ValidIn(bool utf8, const char* p, size_t n) {
    return utf8 ? KwScanUtf8(p, n).valid : KwScanCp932(p, n);
}

void PlainLines(const char* p, size_t n, LineBatch* out) {
    for (size_t b = 0, e; b < n; b = e) {
        e = LineEnd(p, b, n);
        bool high = !KwIsAscii({p + b, e - b});
        out->Add(e, KindOf(high, high && ValidIn(true, p + b, e - b),
                           high && ValidIn(false, p + b, e - b)));
    }
}

// The lines from the one holding `at` (at or after `from`, where a line begins) on, each
// looked at alone, up to and with the first valid one that leaves nothing open after it: a
// UTF-8 sequence open before a line of one or two bytes may still want the next ones. Where
// to go on, or n when told to stop.
size_t CheckLines(const char* p, size_t n, bool utf8, size_t from, size_t at, KwInvalidFn fn,
                  void* ctx) {
    size_t b = at;
    while (b > from && p[b - 1] != '\n')
        --b;
    for (size_t e; b < n; b = e) {
        e = LineEnd(p, b, n);
        if (ValidIn(utf8, p + b, e - b)) {
            if (!utf8 || e - b >= 3) return e;
        } else if (!fn(ctx, b, e)) {
            return n;
        }
    }
    return n;
}

#ifdef KW_X86
// A vector at a time, the masks of 64 bytes as 64 bits. A block of 64 is read in place where
// the 16 bytes before it and the 64 of it are in the text, else from a copy padded with zeros
// (which end nothing open without an error, and begin nothing).
struct Block {
    alignas(32) unsigned char pad[16 + 64 + 32];
    const unsigned char* At(const unsigned char* s, size_t n, size_t i) {
        if (i >= 16 && n - i >= 64) return s + i;
        size_t before = std::min<size_t>(i, 16), len = std::min<size_t>(n - i, 64);
        std::memset(pad, 0, sizeof pad);
        std::memcpy(pad + 16 - before, s + i - before, before + len);
        return pad + 16;
    }
};

// Whether a UTF-8 sequence begun before p still wants bytes at p.
inline bool OpenBefore(const unsigned char* p) {
    return p[-1] >= 0xC0 || p[-2] >= 0xE0 || p[-3] >= 0xF0;
}

// Whether a UTF-8 sequence is open at the end of the n bytes at s.
inline bool OpenAtEnd(const unsigned char* s, size_t n) {
    return n >= 3 ? OpenBefore(s + n) : n && (s[n - 1] >= 0xC0 || (n == 2 && s[0] >= 0xE0));
}

inline uint64_t Ctz(uint64_t m) {
    return static_cast<uint64_t>(__builtin_ctzll(m));
}

// The bytes that CP932 reads as trails, given those that can lead (81-9F, E0-FC): the second
// of each pair in a run of them, and the byte after a run of odd length. `carry`: the first
// byte of the next block is a trail.
inline uint64_t Trails(uint64_t lead, uint64_t* carry) {
    lead &= ~*carry; // a trail leads nothing
    const uint64_t follows = lead << 1 | *carry, even = 0x5555555555555555u;
    // Runs starting on odd bits carried to their ends by an addition; the bits after the ends
    // of runs starting on even bits come out of it.
    uint64_t oddStarts = lead & ~even & ~follows, sum;
    *carry = __builtin_add_overflow(oddStarts, lead, &sum);
    return (even ^ (sum << 1)) & follows;
}

// The lines of a scan and their kinds. The vector check of UTF-8 carries a sequence left open
// at a line's "\n" up to three bytes into the next line: that line is looked at again alone.
struct LineWalk {
    const char* s;
    LineBatch* out;
    size_t begin = 0;
    bool high = false, utf8Bad = false, cp932Bad = false, carried = false;

    void Take(size_t at, uint64_t nl, uint64_t high64, uint64_t utf8, uint64_t cp932) {
        for (; nl; nl &= nl - 1) {
            uint64_t upto = nl ^ (nl - 1); // up to and with this "\n"
            high |= (high64 & upto) != 0;
            utf8Bad |= (utf8 & upto) != 0;
            cp932Bad |= (cp932 & upto) != 0;
            bool open = (utf8 & nl & -nl) != 0;
            Emit(at + static_cast<size_t>(Ctz(nl)) + 1);
            carried = open;
            high64 &= ~upto, utf8 &= ~upto, cp932 &= ~upto;
        }
        high |= high64 != 0, utf8Bad |= utf8 != 0, cp932Bad |= cp932 != 0;
    }
    void Emit(size_t end) {
        bool utf8 = high && (carried ? IsValidUtf8(s + begin, end - begin) : !utf8Bad);
        out->Add(end, KindOf(high, utf8, !cp932Bad));
        begin = end, high = utf8Bad = cp932Bad = carried = false;
    }
};

// A byte in every place of a vector, read from memory: built from an immediate each time it
// is used, it costs three instructions.
template <unsigned char c>
inline constexpr std::array<unsigned char, 32> kSplat = [] {
    std::array<unsigned char, 32> a{};
    a.fill(c);
    return a;
}();

namespace sse2 {
using V = __m128i;
constexpr int kWidth = 16;
#define KW_VEC __attribute__((target("sse2")))
KW_VEC inline V Load(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
template <int c> KW_VEC inline V S() {
    return Load(kSplat<static_cast<unsigned char>(c)>.data());
}
KW_VEC inline V Eq(V a, V b) {
    return _mm_cmpeq_epi8(a, b);
}
KW_VEC inline V Gt(V a, V b) { // as signed bytes
    return _mm_cmpgt_epi8(a, b);
}
KW_VEC inline V Add(V a, V b) {
    return _mm_add_epi8(a, b);
}
KW_VEC inline V And(V a, V b) {
    return _mm_and_si128(a, b);
}
KW_VEC inline V AndNot(V a, V b) { // ~a & b
    return _mm_andnot_si128(a, b);
}
KW_VEC inline V Or(V a, V b) {
    return _mm_or_si128(a, b);
}
KW_VEC inline V MaxU(V a, V b) {
    return _mm_max_epu8(a, b);
}
KW_VEC inline V SubU(V a, V b) { // saturating
    return _mm_subs_epu8(a, b);
}
KW_VEC inline uint64_t Bits(V v) {
    return static_cast<uint32_t>(_mm_movemask_epi8(v));
}
#include "text/detect.inc"
#undef KW_VEC
} // namespace sse2

namespace avx2 {
using V = __m256i;
constexpr int kWidth = 32;
#define KW_VEC __attribute__((target("avx2")))
KW_VEC inline V Load(const unsigned char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
template <int c> KW_VEC inline V S() {
    return Load(kSplat<static_cast<unsigned char>(c)>.data());
}
KW_VEC inline V Eq(V a, V b) {
    return _mm256_cmpeq_epi8(a, b);
}
KW_VEC inline V Gt(V a, V b) {
    return _mm256_cmpgt_epi8(a, b);
}
KW_VEC inline V And(V a, V b) {
    return _mm256_and_si256(a, b);
}
KW_VEC inline V AndNot(V a, V b) {
    return _mm256_andnot_si256(a, b);
}
KW_VEC inline V Or(V a, V b) {
    return _mm256_or_si256(a, b);
}
KW_VEC inline V SubU(V a, V b) {
    return _mm256_subs_epu8(a, b);
}
KW_VEC inline uint64_t Bits(V v) {
    return static_cast<uint32_t>(_mm256_movemask_epi8(v));
}
KW_VEC inline V Xor(V a, V b) {
    return _mm256_xor_si256(a, b);
}
KW_VEC inline V Shuffle(V table, V index) { // within each half
    return _mm256_shuffle_epi8(table, index);
}
KW_VEC inline V HighNibble(V x) {
    return _mm256_and_si256(_mm256_srli_epi16(x, 4), _mm256_set1_epi8(0x0F));
}
#define KW_SHUFFLE
#include "text/detect.inc"
#undef KW_SHUFFLE
#undef KW_VEC
} // namespace avx2
#endif

} // namespace

KwUtf8Scan KwScanUtf8(const char* p, size_t n) {
#ifdef KW_X86
    if (int level = KwFindLevel(); level > 0)
        return level > 1 ? avx2::Utf8(p, n) : sse2::Utf8(p, n);
#endif
    bool ascii = KwIsAscii({p, n}), valid = ascii || IsValidUtf8(p, n);
    return {ascii, valid, valid ? n : 0};
}

bool KwScanCp932(const char* p, size_t n, size_t* upto) {
    size_t at;
    if (!upto) upto = &at;
#ifdef KW_X86
    if (int level = KwFindLevel(); level > 0)
        return level > 1 ? avx2::Cp932(p, n, upto) : sse2::Cp932(p, n, upto);
#endif
    bool valid = PlainCp932(reinterpret_cast<const unsigned char*>(p), n);
    return *upto = valid ? n : 0, valid;
}

bool KwScanJapanese(const char* p, size_t n) {
#ifdef KW_X86
    if (int level = KwFindLevel(); level > 0)
        return level > 1 ? avx2::Japanese(p, n) : sse2::Japanese(p, n);
#endif
    return JapaneseFrom(reinterpret_cast<const unsigned char*>(p), 0, n, n);
}

void KwScanLines(const char* p, size_t n, KwLinesFn fn, void* ctx) {
    LineBatch out(fn, ctx);
#ifdef KW_X86
    if (int level = KwFindLevel(); level > 0)
        level > 1 ? avx2::Lines(p, n, &out) : sse2::Lines(p, n, &out);
    else
#endif
        PlainLines(p, n, &out);
    out.Flush();
}

void KwInvalidLines(const char* p, size_t n, bool utf8, KwInvalidFn fn, void* ctx) {
#ifdef KW_X86
    if (int level = KwFindLevel(); level > 1)
        return utf8 ? avx2::Invalid<true>(p, n, fn, ctx) : avx2::Invalid<false>(p, n, fn, ctx);
    else if (level > 0)
        return utf8 ? sse2::Invalid<true>(p, n, fn, ctx) : sse2::Invalid<false>(p, n, fn, ctx);
#endif
    for (size_t b = 0; b < n;)
        b = CheckLines(p, n, utf8, b, b, fn, ctx);
}
