#include "text/content.h"

#include "text/find.h"
#include "text/mbcs.h"
#include "text/unicode.h"

#include <cstring>

namespace {

KwUnit UnitOf(PlatEnc enc) {
    return enc == kEncCp932 ? kUnitCp932 : enc == kEncUtf8 ? kUnitByte : kUnitWord;
}

// The names in `enc` replaced in the text in `buf`; `first`: where the old name's bytes are,
// where the caller knows.
KwError Replace(KwBuf* buf, const KwNameForms& names, PlatEnc enc, size_t first, KwTextInfo* info) {
    if (!names.hasOld[enc]) {
        // The name can't be written in the text's encoding: more than ASCII may hold it in a
        // form that is not looked for.
        info->noForm = !info->kind.ascii;
        return {};
    }
    uint64_t count = 0;
    KakikaeRules rules{UnitOf(enc), enc == kEncCp932, 0, first};
    KwError e = StrKakikae(buf, names.nw[enc], names.old[enc], rules, &count);
    info->count += count;
    return e;
}

// The output of a text rewritten piece by piece: in the text's own buffer behind the input
// still to read, as long as the room before the text keeps it behind; else in one of its own.
struct Output {
    KwBuf* buf;
    KwBuf own;
    size_t len = 0;
    bool inPlace = true;

    // n bytes more, with the input read up to `read`.
    KwError Put(const char* src, size_t n, size_t read) {
        if (inPlace && len + n <= buf->at + read) {
            std::memmove(buf->p + len, src, n);
            len += n;
            return {};
        }
        if (inPlace) { // what is left to read, and a quarter more for it to grow by
            size_t rest = buf->len - read;
            if (KwError e = KwBufReserve(&own, len + n + rest + rest / 4)) return e;
            std::memcpy(own.p, buf->p, len);
            inPlace = false;
        }
        own.len = len;
        if (KwError e = KwBufReserve(&own, len + n)) return e;
        std::memcpy(own.p + len, src, n);
        len += n;
        return {};
    }
    void Finish() {
        if (!inPlace) *buf = std::move(own);
        buf->at = 0;
        buf->len = len;
        buf->p[len] = '\0';
    }
};

// A text of lines in both encodings: each run of lines in its own, the lines that read in
// neither as they are. A run without the name goes over as it is.
KwError ReplaceMixed(KwBuf* buf, const KwNameForms& names, const std::vector<KwSegment>& segments,
                     KwTextInfo* info) {
    const uint64_t limit = 4 * uint64_t{buf->len} + (uint64_t{64} << 20);
    const bool fold = names.hasOld[kEncCp932] && HasOtherForm(names.old[kEncCp932]);
    Output out{buf, {}};
    KwBuf piece;
    for (const KwSegment& s : segments) {
        std::string_view text(buf->text() + s.begin, s.end - s.begin);
        const std::string& old = names.old[s.enc];
        if (!s.readable) {
            for (PlatEnc e : {kEncCp932, kEncUtf8})
                if (names.hasOld[e] && text.find(names.old[e]) != std::string_view::npos)
                    info->unreadable = true;
        } else if (!names.hasOld[s.enc]) {
            info->noForm = info->noForm || !KwIsAscii(text);
        } else {
            bool folds = s.enc == kEncCp932 && fold;
            size_t first = folds ? kKakikaeUnsearched
                                 : KwFind(text.data(), text.size(), old.data(), old.size());
            if (folds || first < text.size()) {
                uint64_t count = 0;
                KakikaeRules rules{UnitOf(s.enc), folds, 0, first};
                // With room to grow in place, as a whole text has.
                size_t room = KakikaeRoom(text.size(), names.nw[s.enc], old);
                if (KwError e = KwBufAssign(&piece, text, room)) return e;
                if (KwError e = StrKakikae(&piece, names.nw[s.enc], old, rules, &count)) return e;
                info->count += count;
                text = {piece.text(), piece.len};
            }
        }
        if (out.len + text.size() > limit) return KwError(kTxtWhyTooLarge);
        if (KwError e = out.Put(text.data(), text.size(), s.end)) return e;
    }
    out.Finish();
    return {};
}

} // namespace

void KwMakeNameForms(const std::string& oldName, PlatEnc oldEnc, const std::string& newName,
                     PlatEnc newEnc, KwNameForms* out) {
    PlatEnc from[2] = {oldEnc, newEnc};
    for (int e = kEncCp932; e <= kEncUtf16Be; ++e) {
        auto to = static_cast<PlatEnc>(e);
        out->hasOld[e] = PlatConvert(oldName, from[0], to, &out->old[e]) == 0;
        out->hasNew[e] = PlatConvert(newName, from[1], to, &out->nw[e]) == 0;
    }
    // A name from an archive tool that read CP932 with the JIS table ("～" as U+301C) is in the
    // texts in the IDE's form all the same.
    std::string utf8;
    std::u32string chars;
    if (!out->hasOld[kEncCp932] && PlatConvert(oldName, from[0], kEncUtf8, &utf8) == 0 &&
        KwUtf8Decode(utf8, &chars)) {
        static const char32_t kJisToMs[][2] = {{0x301C, 0xFF5E}, {0x2016, 0x2225},
                                               {0x2212, 0xFF0D}, {0x00A2, 0xFFE0},
                                               {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}};
        for (char32_t& c : chars)
            for (const auto& v : kJisToMs)
                if (c == v[0]) c = v[1];
        out->hasOld[kEncCp932] =
            PlatConvert(KwUtf8Encode(chars), kEncUtf8, kEncCp932, &out->old[kEncCp932]) == 0;
    }
}

const char* KwEncodingLabel(const KwTextInfo& info) {
    if (info.kind.mixed) return "CP932+UTF-8";
    switch (info.enc) {
    case kEncUtf8: return info.kind.bom ? "UTF-8 BOM" : "UTF-8";
    case kEncUtf16Le: return "UTF-16LE";
    case kEncUtf16Be: return "UTF-16BE";
    default: return "CP932";
    }
}

KwError KwRewriteContent(KwBuf* buf, const KwNameForms& names, PlatEnc ascii, bool detect,
                         KwTextInfo* info, const KwTextKind* known) {
    *info = KwTextInfo{};
    const std::string& old = names.old[kEncUtf8];
    const char* p = buf->text();
    bool bom = buf->len >= 2 && (static_cast<unsigned char>(p[0]) == 0xFF ||
                                 static_cast<unsigned char>(p[0]) == 0xFE ||
                                 static_cast<unsigned char>(p[0]) == 0xEF);
    // An ASCII name is the same bytes in every encoding but UTF-16: a text without it needs no
    // more look, and where it is, the replacement starts there.
    size_t first = kKakikaeUnsearched;
    if (!detect && !bom && names.hasOld[kEncUtf8] && KwIsAscii(old) && !old.empty()) {
        first = KwFind(p, buf->len, old.data(), old.size());
        if (first >= buf->len) return {};
    }
    std::vector<KwSegment> segments;
    info->kind = known ? *known : KwDetectText(p, buf->len, &segments);
    if (known && known->mixed) KwSegments(p, buf->len, known->enc, &segments);
    info->enc = info->kind.ascii ? ascii : info->kind.enc;
    return info->kind.mixed ? ReplaceMixed(buf, names, segments, info)
                            : Replace(buf, names, info->enc, first, info);
}
