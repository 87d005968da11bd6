#include "tests/reference.h"

#include "engine/mbcs.h"

#include <algorithm>
#include <cstring>

namespace {

// The 0-based position of the first occurrence from the start, or -1: every index in turn,
// compared byte by byte.
int64_t Find(const char* text, size_t len, std::string_view old, bool cp932) {
    size_t next = 0; // the next character start
    for (size_t i = 0; i + old.size() <= len; ++i) {
        bool boundary = i == next;
        if (boundary) next += cp932 && IsCp932Lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if ((boundary || !cp932) && std::memcmp(text + i, old.data(), old.size()) == 0)
            return static_cast<int64_t>(i);
    }
    return -1;
}

} // namespace

bool DocumentedKakikae(std::string* text, std::string_view nw, std::string_view old, bool cp932,
                       size_t maxLen, uint64_t maxPasses) {
    std::string t = *text;
    maxLen = std::max(maxLen, t.size());
    for (uint64_t pass = 0;; ++pass) {
        int64_t p = Find(t.data(), t.size(), old, cp932);
        if (p < 0) break;
        if (pass == maxPasses || t.size() - old.size() + nw.size() > maxLen) return false;
        // The head, the new name and the tail: the whole text rebuilt.
        t = t.substr(0, static_cast<size_t>(p)) + std::string(nw) +
            t.substr(static_cast<size_t>(p) + old.size());
    }
    *text = t;
    return true;
}

std::string OnePassKakikae(std::string_view text, std::string_view nw, std::string_view old,
                           bool cp932) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text.substr(i, old.size()) == old) {
            out += nw;
            i += old.size();
        } else {
            size_t step = cp932 && IsCp932Lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
            out += text.substr(i, step);
            i += step;
        }
    }
    return out;
}
