#include "text/basic.h"

#include "text/mbcs.h"

#include <cstring>

namespace {

bool IsIdent(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The bytes of the character at i: CP932's lead bytes take their trail with them.
size_t CharLen(const char* p, size_t i, size_t n, KwUnit unit) {
    return unit == kUnitCp932 && IsCp932Lead(static_cast<unsigned char>(p[i])) && i + 1 < n ? 2 : 1;
}

// Whether a REM statement begins at i (the keyword, in any case, then a blank or the line's end).
bool IsRem(const char* p, size_t i, size_t n) {
    if (n - i < 3) return false;
    for (size_t k = 0; k < 3; ++k)
        if ((p[i + k] | 0x20) != "rem"[k]) return false;
    return i + 3 == n || IsBlank(static_cast<unsigned char>(p[i + 3])) || p[i + 3] == '\n';
}

} // namespace

KwCodeFit KwCodeFitOf(std::string_view name) {
    for (char c : name)
        if (!IsIdent(static_cast<unsigned char>(c))) return kFitsNowhere;
    return !name.empty() && name[0] >= '0' && name[0] <= '9' ? kFitsButFirst : kFitsCode;
}

void KwCodePlaces(const char* p, size_t n, std::string_view old, KwUnit unit, KwCodeFit fit,
                  std::vector<KwCodePlace>* out) {
    if (fit == kFitsCode || old.empty()) return;
    size_t line = 1, identStart = 0, lastStart = SIZE_MAX;
    bool statement = true, prevIdent = false; // at a statement's start; after a letter, digit, _
    auto toLineEnd = [&](size_t i) {
        const void* nl = std::memchr(p + i, '\n', n - i);
        return nl ? static_cast<size_t>(static_cast<const char*>(nl) - p) : n;
    };
    for (size_t i = 0; i < n;) {
        auto c = static_cast<unsigned char>(p[i]);
        if (c == '\n') {
            ++line, ++i, statement = true, prevIdent = false;
        } else if (c == '\'' || (statement && IsRem(p, i, n))) {
            i = toLineEnd(i);
        } else if (c == '"') {
            // To its closing quote, or the line's end. A "" inside reads the same as a string
            // ending and another beginning.
            for (++i; i < n && p[i] != '\n' && p[i] != '"';)
                i += CharLen(p, i, n, unit);
            i += i < n && p[i] == '"';
            statement = prevIdent = false;
        } else if (c == '/' && i + 1 < n && p[i + 1] == '*') {
            for (i += 2; i < n && !(p[i] == '*' && i + 1 < n && p[i + 1] == '/'); ++i)
                line += p[i] == '\n';
            i = i < n ? i + 2 : n;
            prevIdent = false;
        } else if (statement && IsBlank(c)) {
            ++i;
        } else if (old.size() <= n - i && std::memcmp(p + i, old.data(), old.size()) == 0) {
            if (!prevIdent) identStart = i;
            size_t end = i + old.size();
            while (end < n && IsIdent(static_cast<unsigned char>(p[end])))
                ++end;
            // Once an identifier, however often the name stands in it.
            if ((fit == kFitsNowhere || !prevIdent) && identStart != lastStart)
                out->push_back({line, std::string(p + identStart, end - identStart)});
            lastStart = identStart;
            statement = false, prevIdent = IsIdent(static_cast<unsigned char>(old.back()));
            i += old.size();
        } else {
            statement = c == ':';
            if (IsIdent(c) && !prevIdent) identStart = i;
            prevIdent = IsIdent(c);
            i += CharLen(p, i, n, unit);
        }
    }
}
