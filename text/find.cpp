#include "text/find.h"

#include "platform/platform.h"

#include <cstdint>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define KW_X86 1
#endif

namespace {

int gLevel = -1;

inline uint32_t Word(const char* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// Whether the m bytes at p are the needle, its first and last bytes known to agree: the
// bytes between four at a time, the last four overlapping the ones before.
inline bool Middle(const char* p, const char* needle, size_t m) {
    size_t len = m > 2 ? m - 2 : 0;
    const char *a = p + 1, *b = needle + 1;
    if (len < 4) {
        for (size_t k = 0; k < len; ++k)
            if (a[k] != b[k]) return false;
        return true;
    }
    if (len <= 8) return Word(a) == Word(b) && Word(a + len - 4) == Word(b + len - 4);
    for (size_t k = 0; k + 4 < len; k += 4)
        if (Word(a + k) != Word(b + k)) return false;
    return Word(a + len - 4) == Word(b + len - 4);
}

// Each occurrence from `from` on, in order, is given to take(j), which says whether to stop;
// the kernels return whether it did, with *i where the next one goes on (the bytes before it
// were all looked at).
template <typename Take>
bool Plain(const char* hay, size_t* i, size_t n, const char* needle, size_t m, Take& take) {
    const char first = needle[0], last = needle[m - 1];
    for (size_t j = *i; j + m <= n; ++j)
        if (hay[j] == first && hay[j + m - 1] == last && Middle(hay + j, needle, m) && take(j))
            return *i = j + 1, true;
    *i = n;
    return false;
}

#ifdef KW_X86
// The candidates of a block (a mask of positions from i) that hold the needle. `*next`, where
// a stop leaves off.
template <typename Take, typename Mask>
inline bool Check(Mask mask, size_t i, const char* hay, const char* needle, size_t m, Take& take,
                  size_t* next) {
    for (; mask; mask &= mask - 1) {
        size_t j =
            i + static_cast<size_t>(sizeof mask == 8 ? __builtin_ctzll(mask) : __builtin_ctz(mask));
        if (Middle(hay + j, needle, m) && take(j)) return *next = j + 1, true;
    }
    return false;
}

// 64 bytes a round: four blocks compared with the first byte and, m-1 further on, with the
// last; a round without a candidate costs one test. The position in a local: written through
// the pointer, it would be read again after every occurrence stored. *i stays where it was
// when no round fits.
template <typename Take>
__attribute__((target("sse2"))) bool Sse2(const char* hay, size_t* i, size_t n, const char* needle,
                                          size_t m, Take& take) {
    const __m128i first = _mm_set1_epi8(needle[0]), last = _mm_set1_epi8(needle[m - 1]);
    if (*i + m - 1 + 64 > n) return false;
    const char *at = hay + *i, *end = hay + (n - (m - 1) - 64);
    for (; at <= end; at += 64) {
        const auto* p = reinterpret_cast<const __m128i*>(at);
        const auto* q = reinterpret_cast<const __m128i*>(at + m - 1);
        __m128i r[4];
        for (int b = 0; b < 4; ++b)
            r[b] = _mm_and_si128(_mm_cmpeq_epi8(first, _mm_loadu_si128(p + b)),
                                 _mm_cmpeq_epi8(last, _mm_loadu_si128(q + b)));
        __m128i any = _mm_or_si128(_mm_or_si128(r[0], r[1]), _mm_or_si128(r[2], r[3]));
        if (__builtin_expect(!_mm_movemask_epi8(any), 1)) continue;
        for (int b = 0; b < 4; ++b)
            if (Check(static_cast<uint32_t>(_mm_movemask_epi8(r[b])),
                      static_cast<size_t>(at - hay) + 16 * b, hay, needle, m, take, i))
                return true;
    }
    *i = static_cast<size_t>(at - hay);
    return false;
}

template <typename Take>
__attribute__((target("avx2"))) bool Avx2(const char* hay, size_t* i, size_t n, const char* needle,
                                          size_t m, Take& take) {
    const __m256i first = _mm256_set1_epi8(needle[0]), last = _mm256_set1_epi8(needle[m - 1]);
    if (*i + m - 1 + 64 > n) return false;
    // In pointers, so that the round needs few registers (a 32-bit build has seven).
    const char *at = hay + *i, *end = hay + (n - (m - 1) - 64);
    for (; at <= end; at += 64) {
        const auto* p = reinterpret_cast<const __m256i*>(at);
        const auto* q = reinterpret_cast<const __m256i*>(at + m - 1);
        __m256i a = _mm256_and_si256(_mm256_cmpeq_epi8(first, _mm256_loadu_si256(p)),
                                     _mm256_cmpeq_epi8(last, _mm256_loadu_si256(q)));
        __m256i b = _mm256_and_si256(_mm256_cmpeq_epi8(first, _mm256_loadu_si256(p + 1)),
                                     _mm256_cmpeq_epi8(last, _mm256_loadu_si256(q + 1)));
        if (__builtin_expect(_mm256_testz_si256(_mm256_or_si256(a, b), _mm256_or_si256(a, b)), 1))
            continue;
        auto ma = static_cast<uint32_t>(_mm256_movemask_epi8(a)),
             mb = static_cast<uint32_t>(_mm256_movemask_epi8(b));
        // One mask of 64 where its trailing zeros are one instruction; a 32-bit build counts
        // them in a library call.
        size_t from = static_cast<size_t>(at - hay);
        if constexpr (sizeof(size_t) == 8) {
            if (Check(uint64_t{mb} << 32 | ma, from, hay, needle, m, take, i)) return true;
        } else if (Check(ma, from, hay, needle, m, take, i) ||
                   Check(mb, from + 32, hay, needle, m, take, i)) {
            return true;
        }
    }
    *i = static_cast<size_t>(at - hay);
    return false;
}
#endif

// The widest kernel there is, then the plain loop for the rest.
template <typename Take>
bool Search(const char* hay, size_t* i, size_t n, const char* needle, size_t m, Take& take) {
#ifdef KW_X86
    int level = KwFindLevel();
    if (level >= 2 && Avx2(hay, i, n, needle, m, take)) return true;
    if (level == 1 && Sse2(hay, i, n, needle, m, take)) return true;
#endif
    return Plain(hay, i, n, needle, m, take);
}

} // namespace

int KwFindLevel() {
    if (gLevel < 0) gLevel = PlatCpuVector();
    return gLevel;
}

void KwFindSetLevel(int level) {
    gLevel = level < 0 ? -1 : level;
}

size_t KwFind(const char* hay, size_t n, const char* needle, size_t m) {
    if (m > n) return n;
    size_t at = n, i = 0;
    auto take = [&](size_t j) { return at = j, true; };
    Search(hay, &i, n, needle, m, take);
    return at;
}

size_t KwFindMany(const char* hay, size_t from, size_t n, const char* needle, size_t m, size_t* at,
                  size_t most, size_t* next) {
    size_t k = 0;
    *next = n;
    if (m > n || from > n - m) return 0;
    auto take = [&](size_t j) { return at[k++] = j, k == most; };
    size_t i = from;
    if (Search(hay, &i, n, needle, m, take)) *next = i;
    return k;
}
