#include "text/encoding.h"

#include "text/mbcs.h"

#include <algorithm>
#include <cstring>

namespace {

// The code point of the valid UTF-8 character at p, and its length.
uint32_t Decode(const unsigned char* p, size_t* len) {
    if (p[0] < 0x80) return *len = 1, p[0];
    if (p[0] < 0xE0) return *len = 2, (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    if (p[0] < 0xF0) return *len = 3, (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    return *len = 4,
           (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
}

// What a Japanese project's texts hold beyond ASCII. CP932 read as UTF-8 by mistake gives
// characters outside these (U+04B0 and the Arabic U+0643 for "ﾒｰﾙア").
constexpr uint32_t kJapanese[][2] = {
    {0x00A0, 0x024F},   // Latin-1 and accented Latin letters (¢ £ ¬ ´ ¨ ° ± × ÷)
    {0x0391, 0x03C9},   // Greek letters
    {0x0401, 0x0451},   // Russian letters
    {0x2000, 0x206F},   // punctuation (‖ … ※ ‐ — and the zero-width joiner)
    {0x20A0, 0x20CF},   // currency signs
    {0x2100, 0x23FF},   // letterlike, number forms, arrows, mathematical operators (−), technical
    {0x2460, 0x27BF},   // enclosed numbers, box drawing, shapes, symbols, dingbats
    {0x2B00, 0x2BFF},   // symbols and arrows (⭐)
    {0x2E80, 0x2FDF},   // radicals
    {0x3000, 0x30FF},   // CJK punctuation (〜), hiragana, katakana
    {0x31F0, 0x4DBF},   // katakana extensions, enclosed and compatibility CJK, extension A
    {0x4E00, 0x9FFF},   // kanji
    {0xE000, 0xE757},   // CP932's user-defined characters
    {0xF900, 0xFAFF},   // compatibility kanji
    {0xFE00, 0xFE0F},   // variation selectors (emoji)
    {0xFE30, 0xFE4F},   // vertical forms
    {0xFEFF, 0xFEFF},   // a byte-order mark inside
    {0xFF00, 0xFFEF},   // full-width and half-width forms
    {0x1F000, 0x1FAFF}, // emoji
    {0x20000, 0x3134F}, // kanji extensions
    {0xE0020, 0xE007F}, // emoji tags
};

bool IsJapanese(uint32_t c) {
    if (c < 0x80) return true;
    auto it = std::upper_bound(std::begin(kJapanese), std::end(kJapanese), c,
                               [](uint32_t v, const uint32_t* r) { return v < r[0]; });
    return it != std::begin(kJapanese) && c <= (*(it - 1))[1];
}

// Valid UTF-8 taken as that.
bool AllJapanese(const char* p, size_t n) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    for (size_t i = 0, len; i < n; i += len)
        if (!IsJapanese(Decode(s + i, &len))) return false;
    return true;
}

bool HasUtf8Mark(const char* p, size_t n) {
    return n >= 3 && p[0] == '\xEF' && p[1] == '\xBB' && p[2] == '\xBF';
}

enum LineKind { kLineAscii, kLineUtf8, kLineCp932, kLineBoth, kLineNeither };

// Each line (up to and with its "\n") and what it is valid in.
template <typename F> void ForEachLine(const char* p, size_t n, F f) {
    for (size_t b = 0; b < n;) {
        const void* nl = std::memchr(p + b, '\n', n - b);
        size_t e = nl ? static_cast<size_t>(static_cast<const char*>(nl) - p) + 1 : n;
        LineKind k = kLineAscii;
        if (!KwIsAscii({p + b, e - b})) {
            bool u = IsValidUtf8(p + b, e - b), c = IsValidCp932(p + b, e - b);
            k = u && c ? kLineBoth : u ? kLineUtf8 : c ? kLineCp932 : kLineNeither;
        }
        f(b, e, k);
        b = e;
    }
}

struct Votes {
    size_t utf8 = 0, cp932 = 0, neither = 0;
    // The encoding of lines valid in both: most of the others', CP932 (the IDE's) when even.
    PlatEnc Both() const { return utf8 > cp932 ? kEncUtf8 : kEncCp932; }
};

Votes CountLines(const char* p, size_t n) {
    Votes v;
    ForEachLine(p, n, [&](size_t, size_t, LineKind k) {
        v.utf8 += k == kLineUtf8;
        v.cp932 += k == kLineCp932;
        v.neither += k == kLineNeither;
    });
    return v;
}

// Two-byte CP932 codes in order, 188 a lead byte (trail bytes 40-7E and 80-FC; leads 81-9F
// then E0-FC): the IBM extensions hold the NEC-selected ones in the same order.
int Slot(uint16_t c) {
    int lead = c >> 8, t = c & 0xFF;
    return (lead < 0xA0 ? lead - 0x81 : lead - 0xE0 + 31) * 188 + (t < 0x7F ? t - 0x40 : t - 0x41);
}

uint16_t Code(int slot) {
    int l = slot / 188, t = slot % 188;
    return static_cast<uint16_t>((l < 31 ? 0x81 + l : 0xE0 + l - 31) << 8 |
                                 (t < 63 ? 0x40 + t : 0x41 + t));
}

// The other forms of single characters, with their lowest form.
constexpr uint16_t kOtherForm[][2] = {
    {0x8790, 0x81E0}, {0x8791, 0x81DF}, {0x8792, 0x81E7}, {0x8795, 0x81E3}, {0x8796, 0x81DB},
    {0x8797, 0x81DA}, {0x879A, 0x81E6}, {0x879B, 0x81BF}, {0x879C, 0x81BE}, {0xEEF9, 0x81CA},
    {0xFA54, 0x81CA}, {0xFA55, 0xEEFA}, {0xFA56, 0xEEFB}, {0xFA57, 0xEEFC}, {0xFA58, 0x878A},
    {0xFA59, 0x8782}, {0xFA5A, 0x8784}, {0xFA5B, 0x81E6},
};

bool IsTrail(int t) {
    return t >= 0x40 && t <= 0xFC && t != 0x7F;
}

} // namespace

bool IsValidCp932(const char* p, size_t n) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) {
        if (s[i] < 0x80 || (s[i] >= 0xA1 && s[i] <= 0xDF)) continue;
        if (!IsCp932Lead(s[i]) || i + 1 == n || !IsTrail(s[i + 1])) return false;
        ++i;
    }
    return true;
}

KwTextKind KwDetectText(const char* p, size_t n) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    // A UTF-8 mark decides for the text, but a line pasted from a CP932 one stays CP932.
    if (HasUtf8Mark(p, n)) return {kEncUtf8, 3, false, !IsValidUtf8(p + 3, n - 3)};
    if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) return {kEncUtf16Le, 2};
    if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) return {kEncUtf16Be, 2};
    if (KwIsAscii({p, n})) return {kEncCp932, 0, true};
    if (IsValidUtf8(p, n)) return {AllJapanese(p, n) || !IsValidCp932(p, n) ? kEncUtf8 : kEncCp932};
    // A UTF-8 text with a line from a CP932 one may be valid CP932 as a whole: then "が" and
    // the next byte read as one character, and a name after it is missed. Line by line.
    Votes v = CountLines(p, n);
    if (v.utf8 == 0 && v.neither == 0) return {kEncCp932};
    return {v.Both(), 0, false, true};
}

void KwSegments(const char* p, size_t n, std::vector<KwSegment>* out) {
    out->clear();
    PlatEnc both = HasUtf8Mark(p, n) ? kEncUtf8 : CountLines(p, n).Both();
    ForEachLine(p, n, [&](size_t b, size_t e, LineKind k) {
        PlatEnc enc = k == kLineUtf8 ? kEncUtf8 : k == kLineCp932 ? kEncCp932 : both;
        bool readable = k != kLineNeither;
        if (!out->empty() && out->back().enc == enc && out->back().readable == readable)
            out->back().end = e;
        else
            out->push_back({b, e, enc, readable});
    });
}

uint16_t Cp932Canonical(uint16_t c) {
    if (!IsTrail(c & 0xFF)) return c;
    if (c >= 0xFA5C && c <= 0xFC4B) return Code(Slot(c) - Slot(0xFA5C) + Slot(0xED40));
    if (c >= 0xFA40 && c <= 0xFA49) return static_cast<uint16_t>(c - 0xFA40 + 0xEEEF); // ⅰ-ⅹ
    if (c >= 0xFA4A && c <= 0xFA53) return static_cast<uint16_t>(c - 0xFA4A + 0x8754); // Ⅰ-Ⅹ
    for (const auto& f : kOtherForm)
        if (f[0] == c) return f[1];
    return c;
}

int Cp932Forms(uint16_t code, uint16_t forms[3]) {
    uint16_t c = Cp932Canonical(code);
    int n = 0;
    forms[n++] = c;
    if (!IsTrail(c & 0xFF)) return n;
    if (c >= 0xED40 && c <= 0xEEEC) forms[n++] = Code(Slot(c) - Slot(0xED40) + Slot(0xFA5C));
    if (c >= 0xEEEF && c <= 0xEEF8) forms[n++] = static_cast<uint16_t>(c - 0xEEEF + 0xFA40);
    if (c >= 0x8754 && c <= 0x875D) forms[n++] = static_cast<uint16_t>(c - 0x8754 + 0xFA4A);
    for (const auto& f : kOtherForm)
        if (f[1] == c && n < 3) forms[n++] = f[0];
    return n;
}

bool HasOtherForm(std::string_view s) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (!IsCp932Lead(static_cast<unsigned char>(s[i]))) continue;
        uint16_t forms[3];
        if (Cp932Forms(static_cast<uint16_t>(static_cast<unsigned char>(s[i]) << 8 |
                                             static_cast<unsigned char>(s[i + 1])),
                       forms) > 1)
            return true;
        ++i;
    }
    return false;
}
