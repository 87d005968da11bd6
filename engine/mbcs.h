// Byte-string rules: CP932 character boundaries, UTF-8 validity, path separators.
#pragma once

#include <cstddef>
#include <string_view>

// A CP932 lead byte takes the next byte with it as one character.
inline bool IsCp932Lead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Whether a CP932 character begins at pos of s, given that one begins at known <= pos. A byte
// that can't lead a character ends one, so the bytes between the last such byte and pos
// pair up as lead and trail.
inline bool IsCp932Boundary(const char* s, size_t known, size_t pos) {
    size_t k = pos;
    while (k > known && IsCp932Lead(static_cast<unsigned char>(s[k - 1])))
        --k;
    return (pos - k) % 2 == 0;
}

bool IsValidUtf8(const char* p, size_t n);

// The position of the last separator that stands on a character boundary (with CP932, the
// 5C of "ソ" is not one), or npos.
size_t LastSepPos(std::string_view path, char sep, bool cp932);
