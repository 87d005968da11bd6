// The search of a name in a text, used for every search of a text: a vector filter on the
// name's first and last bytes, the rest compared only where both agree.
#pragma once

#include <cstddef>

// The position of the first occurrence of needle (m > 0 bytes) in hay, or n when none.
size_t KwFind(const char* hay, size_t n, const char* needle, size_t m);
// The occurrences of needle in hay from `from` on, overlapping ones too, in order: at most
// `most` of them into `at`, and *next where the search goes on (n once it has ended). How many.
size_t KwFindMany(const char* hay, size_t from, size_t n, const char* needle, size_t m, size_t* at,
                  size_t most, size_t* next);

// The vector width in use: 0 plain bytes, 1 SSE2 (16 bytes), 2 AVX2 (32 bytes). Chosen at the
// first search from what the processor has; tests set it to try each.
int KwFindLevel();
void KwFindSetLevel(int level);
