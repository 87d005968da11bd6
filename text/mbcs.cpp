#include "text/mbcs.h"

#include <cstdint>
#include <cstring>

bool IsValidUtf8(const char* p, size_t n) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    size_t i = 0;
    while (i < n) {
        // Source text is mostly ASCII: 32 bytes at a time while it is.
        if (n - i >= 32) {
            uint64_t w[4];
            std::memcpy(w, s + i, 32);
            if (((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080u) == 0) {
                i += 32;
                continue;
            }
        }
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF)
            len = 2;
        else if (c == 0xE0)
            len = 3, lo = 0xA0;
        else if (c >= 0xE1 && c <= 0xEF)
            len = 3, hi = c == 0xED ? 0x9F : 0xBF;
        else if (c == 0xF0)
            len = 4, lo = 0x90;
        else if (c >= 0xF1 && c <= 0xF3)
            len = 4;
        else if (c == 0xF4)
            len = 4, hi = 0x8F;
        else
            return false;
        if (n - i < len) return false;
        if (s[i + 1] < lo || s[i + 1] > hi) return false;
        for (size_t k = 2; k < len; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

size_t LastSepPos(std::string_view path, char sep, bool cp932) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == sep)
            last = i;
        else if (cp932 && IsCp932Lead(static_cast<unsigned char>(path[i])))
            ++i;
    }
    return last;
}
