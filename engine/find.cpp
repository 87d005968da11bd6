#include "engine/find.h"

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
    for (size_t k = 0; k + 4 < len; k += 4)
        if (Word(a + k) != Word(b + k)) return false;
    return Word(a + len - 4) == Word(b + len - 4);
}

size_t Plain(const char* hay, size_t from, size_t n, const char* needle, size_t m) {
    const char first = needle[0], last = needle[m - 1];
    for (size_t i = from; i + m <= n; ++i)
        if (hay[i] == first && hay[i + m - 1] == last && Middle(hay + i, needle, m)) return i;
    return n;
}

#ifdef KW_X86
// Where a block of candidates (a mask of up to 32 positions from i) holds the needle. 32 bits:
// a 64-bit count of trailing zeros is a library call in a 32-bit build.
inline bool Check(uint32_t mask, size_t i, const char* hay, const char* needle, size_t m,
                  size_t* at) {
    for (; mask; mask &= mask - 1) {
        size_t j = i + static_cast<size_t>(__builtin_ctz(mask));
        if (Middle(hay + j, needle, m)) {
            *at = j;
            return true;
        }
    }
    return false;
}

// 64 bytes a round: four blocks compared with the first byte and, m-1 further on, with the
// last; a round without a candidate costs one test. Returns where the plain loop goes on.
__attribute__((target("sse2"))) size_t Sse2(const char* hay, size_t n, const char* needle, size_t m,
                                            size_t* at) {
    const __m128i first = _mm_set1_epi8(needle[0]), last = _mm_set1_epi8(needle[m - 1]);
    size_t i = 0;
    for (; i + m - 1 + 64 <= n; i += 64) {
        const auto* p = reinterpret_cast<const __m128i*>(hay + i);
        const auto* q = reinterpret_cast<const __m128i*>(hay + i + m - 1);
        __m128i r[4];
        for (int b = 0; b < 4; ++b)
            r[b] = _mm_and_si128(_mm_cmpeq_epi8(first, _mm_loadu_si128(p + b)),
                                 _mm_cmpeq_epi8(last, _mm_loadu_si128(q + b)));
        __m128i any = _mm_or_si128(_mm_or_si128(r[0], r[1]), _mm_or_si128(r[2], r[3]));
        if (!_mm_movemask_epi8(any)) continue;
        for (int b = 0; b < 4; ++b)
            if (Check(static_cast<uint32_t>(_mm_movemask_epi8(r[b])), i + 16 * b, hay, needle, m,
                      at))
                return n;
    }
    return i;
}

__attribute__((target("avx2"))) size_t Avx2(const char* hay, size_t n, const char* needle, size_t m,
                                            size_t* at) {
    const __m256i first = _mm256_set1_epi8(needle[0]), last = _mm256_set1_epi8(needle[m - 1]);
    size_t i = 0;
    for (; i + m - 1 + 64 <= n; i += 64) {
        const auto* p = reinterpret_cast<const __m256i*>(hay + i);
        const auto* q = reinterpret_cast<const __m256i*>(hay + i + m - 1);
        __m256i a = _mm256_and_si256(_mm256_cmpeq_epi8(first, _mm256_loadu_si256(p)),
                                     _mm256_cmpeq_epi8(last, _mm256_loadu_si256(q)));
        __m256i b = _mm256_and_si256(_mm256_cmpeq_epi8(first, _mm256_loadu_si256(p + 1)),
                                     _mm256_cmpeq_epi8(last, _mm256_loadu_si256(q + 1)));
        if (_mm256_testz_si256(_mm256_or_si256(a, b), _mm256_or_si256(a, b))) continue;
        if (Check(static_cast<uint32_t>(_mm256_movemask_epi8(a)), i, hay, needle, m, at) ||
            Check(static_cast<uint32_t>(_mm256_movemask_epi8(b)), i + 32, hay, needle, m, at))
            return n;
    }
    return i;
}
#endif

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
    size_t at = n, from = 0;
#ifdef KW_X86
    int level = KwFindLevel();
    if (level >= 2)
        from = Avx2(hay, n, needle, m, &at);
    else if (level == 1)
        from = Sse2(hay, n, needle, m, &at);
    if (at < n) return at;
#endif
    return Plain(hay, from, n, needle, m);
}
