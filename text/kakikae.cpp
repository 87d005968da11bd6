#include "text/kakikae.h"

#include "text/replace.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

size_t KakikaeRoom(size_t size, std::string_view newName, std::string_view oldName) {
    if (newName.size() <= oldName.size() || oldName.empty()) return 0;
    // Every occurrence replaced once, with a floor for small texts and a ceiling past which
    // the output moves to a buffer of its own.
    uint64_t most = uint64_t{size} / oldName.size() * (newName.size() - oldName.size());
    return static_cast<size_t>(std::min<uint64_t>(most, size / 4 + 65536));
}

namespace {

using kakikae::KakikaeError;
using kakikae::kKakikaeNoEnd;
using kakikae::kKakikaeNoMemory;
using kakikae::kKakikaeTooLarge;
using kakikae::Pattern;
using kakikae::Sink;

// A string of whole CP932 characters (no lead byte left without its trail).
bool IsWhole(std::string_view s) {
    size_t i = 0;
    while (i < s.size())
        i += kakikae::IsLead(s[i]) ? 2 : 1;
    return i == s.size();
}

// Whether a replacement can form an occurrence that was not in the text: the old name laid
// across the new one so that they agree where they overlap (or the new name is empty and
// its neighbours meet). The old name wholly inside the new one is left to the caller.
bool CanJoin(std::string_view nw, std::string_view old) {
    if (nw.empty()) return true;
    auto m = static_cast<int64_t>(old.size()), n = static_cast<int64_t>(nw.size());
    for (int64_t d = 1 - m; d < n; ++d) {
        if (d >= 0 && d + m <= n) continue;
        int64_t lo = std::max<int64_t>(0, d), hi = std::min(n, d + m);
        if (old.substr(static_cast<size_t>(lo - d), static_cast<size_t>(hi - lo)) ==
            nw.substr(static_cast<size_t>(lo), static_cast<size_t>(hi - lo)))
            return true;
    }
    return false;
}

KakikaeError Rewrite(KwBuf* text, size_t first, std::string_view nw, std::string_view old,
                     KakikaeRules rules, Sink* sink, uint64_t* count) {
    size_t n = text->len;
    // Counted in 64 bits: a multiple of a large text passes what a 32-bit size_t holds.
    uint64_t limit = rules.limit ? rules.limit : 4 * uint64_t{n} + (uint64_t{64} << 20);
    sink->limit =
        static_cast<size_t>(std::min<uint64_t>(std::max<uint64_t>(limit, n), SIZE_MAX / 2));
    const char* in = text->text();
    Pattern pat(old, rules.unit, rules.fold);
    if (rules.fold) first = pat.Candidate(in, 0, n);
    bool whole = rules.unit == kUnitCp932  ? IsWhole(nw) && IsWhole(old)
                 : rules.unit == kUnitWord ? nw.size() % 2 == 0 && old.size() % 2 == 0
                                           : true;
    bool holds = nw.size() >= old.size() && pat.Candidate(nw.data(), 0, nw.size()) < nw.size();
    if (holds || (whole && !rules.fold && !CanJoin(nw, old)))
        return OnePass(sink, pat, in, n, first, nw, count);
    return RewriteAll(sink, pat, in, n, first, nw, count);
}

KwError Failure(KakikaeError err) {
    return KwError(err == kKakikaeNoEnd      ? kTxtWhyNoEnd
                   : err == kKakikaeTooLarge ? kTxtWhyTooLarge
                                             : kTxtWhyNoMemory);
}

} // namespace

KwError StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, uint64_t* count) {
    uint64_t made = 0;
    if (count) *count = 0;
    if (oldName.empty() || !text->p || text->len < oldName.size()) return {};
    rules.fold = rules.fold && rules.unit == kUnitCp932 && HasOtherForm(oldName);
    size_t first = 0; // the other forms are looked for with the rest
    if (!rules.fold) {
        first = rules.first != kKakikaeUnsearched
                    ? rules.first
                    : KwFind(text->text(), text->len, oldName.data(), oldName.size());
        if (first >= text->len) return {};
    }
    Sink sink{text, {}, text->p, 0, 0};
    if (KakikaeError err = Rewrite(text, first, newName, oldName, rules, &sink, &made))
        return Failure(err);
    sink.Finish();
    if (count) *count = made;
    return {};
}

KwError StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, uint64_t* count) {
    KwBuf buf;
    if (KwError e = KwBufAssign(&buf, *text, 0)) return e;
    KwError e = StrKakikae(&buf, newName, oldName, rules, count);
    if (!e) text->assign(buf.p, buf.len);
    return e;
}
