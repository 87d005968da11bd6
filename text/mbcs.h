// Byte-string rules: CP932 character boundaries, UTF-8 validity, path separators.
#pragma once

#include "platform/platform.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

// Bytes below 80 alone: the same text in every encoding of a project but UTF-16.
inline bool KwIsAscii(std::string_view s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c & 0x80; });
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
