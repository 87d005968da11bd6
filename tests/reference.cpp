#include "tests/reference.h"

#include "engine/mbcs.h"

#include <algorithm>
#include <cstdlib>
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
    size_t start = text->size();
    maxLen = std::max(maxLen, start);
    // The head and the tail, zero-filled, as large as described, but sized to the largest text
    // allowed here where that differs, so that they neither overflow nor waste time.
    char* head = static_cast<char*>(std::calloc(std::min(start + 100000, maxLen) + 1, 1));
    char* tail = static_cast<char*>(std::calloc(std::max(start, maxLen) + 1, 1));
    char* buf = static_cast<char*>(std::calloc(maxLen + 1, 1));
    std::memcpy(buf, text->data(), start);
    size_t len = start;
    bool ok = true;
    for (uint64_t pass = 0;; ++pass) {
        int64_t p = Find(buf, len, old, cp932);
        if (p < 0) break;
        auto at = static_cast<size_t>(p);
        size_t tailLen = len - at - old.size();
        if (pass == maxPasses || at + nw.size() + tailLen > maxLen) {
            ok = false;
            break;
        }
        std::memcpy(head, buf, at);
        std::memcpy(tail, buf + at + old.size(), tailLen);
        std::memcpy(buf, head, at);
        std::memcpy(buf + at, nw.data(), nw.size());
        std::memcpy(buf + at + nw.size(), tail, tailLen);
        len = at + nw.size() + tailLen;
        buf[len] = '\0';
    }
    if (ok) text->assign(buf, len);
    std::free(head);
    std::free(tail);
    std::free(buf);
    return ok;
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
