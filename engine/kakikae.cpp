#include "engine/kakikae.h"

#include "engine/replace.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

bool KwBufReserve(KwBuf* b, size_t cap, size_t most) {
    if (cap <= b->cap && b->p) return true;
    size_t grown = std::min(b->cap + b->cap / 2, most);
    if (grown > cap) cap = grown;
    void* room = nullptr;
    if (glPlat.Alloc(cap + 1, &room) != 0) return false;
    auto* p = static_cast<char*>(room);
    if (b->len) std::memcpy(p + b->at, b->text(), b->len);
    glPlat.Free(b->p);
    b->p = p;
    b->cap = cap;
    return true;
}

void KwBufFree(KwBuf* b) {
    glPlat.Free(b->p);
    b->p = nullptr;
    b->len = b->cap = b->at = 0;
}

KwBuf& KwBuf::operator=(KwBuf&& o) noexcept {
    if (this == &o) return *this;
    KwBufFree(this);
    p = o.p, len = o.len, cap = o.cap, at = o.at;
    o.p = nullptr;
    o.len = o.cap = o.at = 0;
    return *this;
}

KwBuf::~KwBuf() {
    KwBufFree(this);
}

bool KwBufAssign(KwBuf* b, std::string_view text, size_t at) {
    b->len = b->at = 0;
    if (!KwBufReserve(b, at + text.size())) return false;
    b->at = at;
    std::memcpy(b->text(), text.data(), text.size());
    b->len = text.size();
    b->text()[b->len] = '\0';
    return true;
}

size_t KakikaeRoom(size_t size, std::string_view newName, std::string_view oldName) {
    if (newName.size() <= oldName.size() || oldName.empty()) return 0;
    // Every occurrence replaced once, with a floor for small texts and a ceiling past which
    // the output moves to a buffer of its own.
    uint64_t most = uint64_t{size} / oldName.size() * (newName.size() - oldName.size());
    return static_cast<size_t>(std::min<uint64_t>(most, size / 4 + 65536));
}

namespace {

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

} // namespace

int64_t StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err, uint64_t* count) {
    *err = kKakikaeOk;
    uint64_t made = 0;
    if (count) *count = 0;
    if (oldName.empty() || !text->p || text->len < oldName.size())
        return static_cast<int64_t>(text->len);
    rules.fold = rules.fold && rules.unit == kUnitCp932 && HasOtherForm(oldName);
    size_t first = 0; // the other forms are looked for with the rest
    if (!rules.fold) {
        first = rules.first != kKakikaeUnsearched
                    ? rules.first
                    : KwFind(text->text(), text->len, oldName.data(), oldName.size());
        if (first >= text->len) return static_cast<int64_t>(text->len);
    }
    Sink sink{text, {}, text->p, 0, 0};
    *err = Rewrite(text, first, newName, oldName, rules, &sink, &made);
    if (*err) {
        KwBufFree(&sink.own);
        return -1;
    }
    sink.Finish();
    if (count) *count = made;
    return static_cast<int64_t>(text->len);
}

int64_t StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err, uint64_t* count) {
    KwBuf buf;
    if (!KwBufAssign(&buf, *text, 0)) {
        *err = kKakikaeNoMemory;
        return -1;
    }
    int64_t n = StrKakikae(&buf, newName, oldName, rules, err, count);
    if (n >= 0) text->assign(buf.p, buf.len);
    KwBufFree(&buf);
    return n;
}
