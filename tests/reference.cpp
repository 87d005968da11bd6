#include "tests/reference.h"

#include "text/encoding.h"
#include "text/mbcs.h"

#include <algorithm>
#include <cstring>

namespace {

bool Lead(char c) {
    return IsCp932Lead(static_cast<unsigned char>(c));
}

// Whether the old name's bytes stand at p: byte for byte, or character for character with the
// other forms of CP932 characters.
bool Same(const char* p, std::string_view old, bool fold) {
    for (size_t k = 0; k < old.size(); ++k) {
        if (fold && Lead(old[k]) && k + 1 < old.size()) {
            auto code = [](const char* c) {
                return Cp932Canonical(static_cast<uint16_t>(static_cast<unsigned char>(c[0]) << 8 |
                                                            static_cast<unsigned char>(c[1])));
            };
            if (code(p + k) != code(old.data() + k)) return false;
            ++k;
        } else if (p[k] != old[k]) {
            return false;
        }
    }
    return true;
}

// The 0-based position of the first occurrence from the start, or -1: every index in turn,
// compared byte by byte.
int64_t Find(const char* text, size_t len, std::string_view old, KwUnit unit, bool fold) {
    size_t next = 0; // the next character start
    for (size_t i = 0; i + old.size() <= len; ++i) {
        bool boundary = i == next;
        if (boundary) next += unit == kUnitCp932 && Lead(text[i]) ? 2 : 1;
        bool may = unit == kUnitByte || (unit == kUnitCp932 ? boundary : i % 2 == 0);
        if (may && Same(text + i, old, fold)) return static_cast<int64_t>(i);
    }
    return -1;
}

} // namespace

bool DocumentedKakikae(std::string* text, std::string_view nw, std::string_view old, KwUnit unit,
                       bool fold, size_t maxLen, uint64_t maxPasses) {
    std::string t = *text;
    maxLen = std::max(maxLen, t.size());
    for (uint64_t pass = 0;; ++pass) {
        int64_t p = Find(t.data(), t.size(), old, unit, fold);
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
                           KwUnit unit, bool fold) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (i + old.size() <= text.size() && Same(text.data() + i, old, fold)) {
            out += nw;
            i += old.size();
        } else {
            size_t step = unit == kUnitWord ? 2 : unit == kUnitCp932 && Lead(text[i]) ? 2 : 1;
            out += text.substr(i, step);
            i += step;
        }
    }
    return out;
}

bool Holds(std::string_view nw, std::string_view old, bool fold) {
    for (size_t i = 0; i + old.size() <= nw.size(); ++i)
        if (Same(nw.data() + i, old, fold)) return true;
    return false;
}
