#include "text/unicode.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

#include "text/unicode_data.inc"

constexpr uint32_t kComposes = 1u << 31;

// Hangul syllables are composed by arithmetic, not by the tables.
constexpr char32_t kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr char32_t kLCount = 19, kVCount = 21, kTCount = 28, kNCount = kVCount * kTCount,
                   kSCount = kLCount * kNCount;

const uint32_t* Decomposition(char32_t c) {
    auto it =
        std::lower_bound(std::begin(kDecomp), std::end(kDecomp), c,
                         [](const uint32_t* r, char32_t v) { return (r[0] & ~kComposes) < v; });
    return it != std::end(kDecomp) && ((*it)[0] & ~kComposes) == c ? *it : nullptr;
}

int Combining(char32_t c) {
    auto it = std::upper_bound(std::begin(kCombining), std::end(kCombining), c,
                               [](char32_t v, const uint32_t* r) { return v < r[0]; });
    return it != std::begin(kCombining) && c <= (*(it - 1))[1] ? static_cast<int>((*(it - 1))[2])
                                                               : 0;
}

void Decompose(char32_t c, std::u32string* out) {
    if (c >= kSBase && c < kSBase + kSCount) {
        char32_t s = c - kSBase;
        out->push_back(kLBase + s / kNCount);
        out->push_back(kVBase + s % kNCount / kTCount);
        if (s % kTCount) out->push_back(kTBase + s % kTCount);
    } else if (const uint32_t* d = Decomposition(c)) {
        Decompose(d[1], out);
        if (d[2]) Decompose(d[2], out);
    } else {
        out->push_back(c);
    }
}

// The primary composites, by the pair they are made of.
struct Pair {
    uint64_t key;
    char32_t composite;
};
const std::vector<Pair>& Composites() {
    static const std::vector<Pair> pairs = [] {
        std::vector<Pair> v;
        for (const auto& d : kDecomp)
            if (d[0] & kComposes) v.push_back({uint64_t{d[1]} << 32 | d[2], d[0] & ~kComposes});
        std::sort(v.begin(), v.end(), [](const Pair& a, const Pair& b) { return a.key < b.key; });
        return v;
    }();
    return pairs;
}

char32_t Compose(char32_t a, char32_t b) {
    if (a >= kLBase && a < kLBase + kLCount && b >= kVBase && b < kVBase + kVCount)
        return kSBase + ((a - kLBase) * kVCount + (b - kVBase)) * kTCount;
    if (a >= kSBase && a < kSBase + kSCount && (a - kSBase) % kTCount == 0 && b > kTBase &&
        b < kTBase + kTCount)
        return a + (b - kTBase);
    const auto& v = Composites();
    uint64_t key = uint64_t{a} << 32 | b;
    auto it = std::lower_bound(v.begin(), v.end(), key,
                               [](const Pair& p, uint64_t k) { return p.key < k; });
    return it != v.end() && it->key == key ? it->composite : 0;
}

} // namespace

bool KwUtf8Decode(std::string_view s, std::u32string* out) {
    out->clear();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0, n = s.size(); i < n;) {
        unsigned char c = p[i];
        size_t len = c < 0x80                 ? 1
                     : c >= 0xC2 && c <= 0xDF ? 2
                     : c >= 0xE0 && c <= 0xEF ? 3
                     : c >= 0xF0 && c <= 0xF4 ? 4
                                              : 0;
        if (len == 0 || n - i < len) return false;
        char32_t v = len == 1 ? c : c & (0xFF >> (len + 1));
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            v = v << 6 | (p[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and what lies past U+10FFFF are no characters.
        if ((len == 3 && v < 0x800) || (len == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
            (v >= 0xD800 && v <= 0xDFFF))
            return false;
        out->push_back(v);
        i += len;
    }
    return true;
}

void KwUtf8Append(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
        return;
    }
    int len = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    out->push_back(static_cast<char>((0xF00 >> len) | (c >> (6 * (len - 1)))));
    for (int k = len - 2; k >= 0; --k)
        out->push_back(static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F)));
}

std::string KwUtf8Encode(std::u32string_view chars) {
    std::string out;
    for (char32_t c : chars)
        KwUtf8Append(c, &out);
    return out;
}

std::u32string KwNfc(std::u32string_view chars) {
    std::u32string d;
    for (char32_t c : chars)
        Decompose(c, &d);
    // The marks after each starter in the order of their classes.
    for (size_t i = 0; i < d.size();) {
        size_t j = i;
        while (j < d.size() && Combining(d[j]))
            ++j;
        std::stable_sort(d.begin() + static_cast<std::ptrdiff_t>(i),
                         d.begin() + static_cast<std::ptrdiff_t>(j),
                         [](char32_t a, char32_t b) { return Combining(a) < Combining(b); });
        i = j == i ? i + 1 : j;
    }
    std::u32string out;
    size_t starter = std::u32string::npos;
    int last = 0; // the class of the last character kept after the starter
    for (char32_t c : d) {
        int cc = Combining(c);
        bool blocked = starter == std::u32string::npos ||
                       (starter + 1 < out.size() && (last == 0 || last >= cc));
        if (!blocked) {
            if (char32_t comp = Compose(out[starter], c)) {
                out[starter] = comp;
                continue;
            }
        }
        if (cc == 0) {
            starter = out.size();
            last = 0;
        } else {
            last = cc;
        }
        out.push_back(c);
    }
    return out;
}

char32_t KwUpper(char32_t c) {
    if (c > 0xFFFF) return c;
    auto it = std::upper_bound(std::begin(kUpper), std::end(kUpper), static_cast<int32_t>(c),
                               [](int32_t v, const int32_t* r) { return v < r[0]; });
    if (it == std::begin(kUpper)) return c;
    const int32_t* r = *(it - 1);
    auto v = static_cast<int32_t>(c);
    return v <= r[1] && (v - r[0]) % r[3] == 0 ? static_cast<char32_t>(v + r[2]) : c;
}
