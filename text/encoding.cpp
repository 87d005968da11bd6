#include "text/encoding.h"

#include "text/detect.h"
#include "text/mbcs.h"

#include <algorithm>
#include <cstring>

namespace {

bool HasUtf8Mark(const char* p, size_t n) {
    return n >= 3 && p[0] == '\xEF' && p[1] == '\xBB' && p[2] == '\xBF';
}

// The lines beyond ASCII not valid in one encoding: how many (counted until `enough`: then
// only the count tells), and where, while they are few.
struct Invalid {
    size_t count = 0;
    std::vector<KwSegment> lines; // as segments of no encoding yet
    bool all = true;              // each in `lines`
};

Invalid InvalidLines(const char* p, size_t n, PlatEnc enc, size_t most, size_t enough = SIZE_MAX) {
    Invalid r;
    KwForEachInvalidLine(p, n, enc == kEncUtf8, [&](size_t b, size_t e) {
        if (r.lines.size() < most)
            r.lines.push_back({b, e, enc, false});
        else
            r.all = false;
        return ++r.count < enough;
    });
    return r;
}

// The segments of a text whose lines valid in `both` are read in it, from those that are not:
// each read in the other encoding where it is valid there, else left unreadable.
void SegmentsFrom(const char* p, size_t n, PlatEnc both, const Invalid& invalid,
                  std::vector<KwSegment>* out) {
    const PlatEnc other = both == kEncUtf8 ? kEncCp932 : kEncUtf8;
    auto add = [&](size_t b, size_t e, PlatEnc enc, bool readable) {
        if (b == e) return;
        if (!out->empty() && out->back().enc == enc && out->back().readable == readable)
            out->back().end = e;
        else
            out->push_back({b, e, enc, readable});
    };
    out->clear();
    size_t at = 0;
    for (const KwSegment& l : invalid.lines) {
        add(at, l.begin, both, true);
        bool readable = other == kEncUtf8 ? KwScanUtf8(p + l.begin, l.end - l.begin).valid
                                          : KwScanCp932(p + l.begin, l.end - l.begin);
        add(l.begin, l.end, readable ? other : both, readable);
        at = l.end;
    }
    add(at, n, both, true);
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

KwTextKind KwDetectText(const char* p, size_t n, std::vector<KwSegment>* segments) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    // A UTF-8 mark decides for the text, but a line pasted from a CP932 one stays CP932.
    if (HasUtf8Mark(p, n)) {
        KwTextKind kind{kEncUtf8, 3, false, !KwScanUtf8(p + 3, n - 3).valid};
        if (kind.mixed && segments) KwSegments(p, n, kEncUtf8, segments);
        return kind;
    }
    if (n >= 2 && s[0] == 0xFF && s[1] == 0xFE) return {kEncUtf16Le, 2};
    if (n >= 2 && s[0] == 0xFE && s[1] == 0xFF) return {kEncUtf16Be, 2};
    // CP932 text fails UTF-8 within its first characters, and UTF-8 text CP932 within its
    // first lines: each scan ends where its encoding does.
    KwUtf8Scan utf8 = KwScanUtf8(p, n);
    if (utf8.ascii) return {kEncCp932, 0, true};
    if (utf8.valid) return {!KwScanCp932(p, n) || KwScanJapanese(p, n) ? kEncUtf8 : kEncCp932};
    size_t cp932Upto = 0;
    if (KwScanCp932(p, n, &cp932Upto)) return {kEncCp932};
    // A UTF-8 text with a line from a CP932 one may be valid CP932 as a whole: then "が" and
    // the next byte read as one character, and a name after it is missed. Line by line: lines
    // valid in both are read in the encoding more of the others are in, CP932 (the IDE's) when
    // even. Those valid in UTF-8 outnumber those valid in CP932 just when fewer lines are not
    // valid in UTF-8 than in CP932: counted for the encoding the text likely is most of (the
    // one it reads in longer), then for the other only until it is outnumbered.
    const size_t most = n / 1024 + 64;
    PlatEnc first = utf8.upto >= cp932Upto ? kEncUtf8 : kEncCp932;
    PlatEnc second = first == kEncUtf8 ? kEncCp932 : kEncUtf8;
    Invalid a = InvalidLines(p, n, first, most);
    size_t enough = a.count + (first == kEncUtf8); // that many make `first` win
    Invalid b = InvalidLines(p, n, second, most, enough);
    bool firstWins = b.count >= enough;
    PlatEnc both = firstWins ? first : second;
    if (segments) {
        const Invalid& of = firstWins ? a : b;
        if (of.all)
            SegmentsFrom(p, n, both, of, segments);
        else
            KwSegments(p, n, both, segments);
    }
    return {both, 0, false, true};
}

void KwSegments(const char* p, size_t n, PlatEnc both, std::vector<KwSegment>* out) {
    Invalid invalid = InvalidLines(p, n, both, n / 1024 + 64);
    if (invalid.all) return SegmentsFrom(p, n, both, invalid, out);
    // Many lines not valid in `both`: each line's kind in one pass.
    out->clear();
    KwForEachLine(p, n, [&](size_t b, size_t e, KwLineKind k) {
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
