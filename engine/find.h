// The search of a name in a text, used for every search of a text: a vector filter on the
// name's first and last bytes, the rest compared only where both agree.
#pragma once

#include <cstddef>

// The position of the first occurrence of needle (m > 0 bytes) in hay, or n when none.
size_t KwFind(const char* hay, size_t n, const char* needle, size_t m);

// The vector width in use: 0 plain bytes, 1 SSE2 (16 bytes), 2 AVX2 (32 bytes). Chosen at the
// first search from what the processor has; tests set it to try each.
int KwFindLevel();
void KwFindSetLevel(int level);
