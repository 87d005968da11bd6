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

KwError Append(KwBuf* out, std::string_view bytes) {
    if (KwError e = KwBufReserve(out, out->len + bytes.size())) return e;
    std::memcpy(out->text() + out->len, bytes.data(), bytes.size());
    out->len += bytes.size();
    out->text()[out->len] = '\0';
    return {};
}

// A text of lines in both encodings: each run of lines in its own, the lines that read in
// neither as they are.
KwError ReplaceMixed(KwBuf* buf, const KwNameForms& names, KwTextInfo* info) {
    std::vector<KwSegment> segments;
    KwSegments(buf->text(), buf->len, &segments);
    const uint64_t limit = 4 * uint64_t{buf->len} + (uint64_t{64} << 20);
    KwBuf out, piece;
    for (const KwSegment& s : segments) {
        std::string_view text(buf->text() + s.begin, s.end - s.begin);
        if (!s.readable) {
            for (PlatEnc e : {kEncCp932, kEncUtf8})
                if (names.hasOld[e] && text.find(names.old[e]) != std::string_view::npos)
                    info->unreadable = true;
        } else if (!names.hasOld[s.enc]) {
            info->noForm = info->noForm || !KwIsAscii(text);
        } else {
            uint64_t count = 0;
            KakikaeRules rules{UnitOf(s.enc), s.enc == kEncCp932};
            if (KwError e = KwBufAssign(&piece, text, 0)) return e;
            if (KwError e = StrKakikae(&piece, names.nw[s.enc], names.old[s.enc], rules, &count))
                return e;
            info->count += count;
            text = {piece.text(), piece.len};
        }
        if (out.len + text.size() > limit) return KwError(kTxtWhyTooLarge);
        if (KwError e = Append(&out, text)) return e;
    }
    *buf = std::move(out);
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
                         KwTextInfo* info) {
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
    info->kind = KwDetectText(p, buf->len);
    info->enc = info->kind.ascii ? ascii : info->kind.enc;
    return info->kind.mixed ? ReplaceMixed(buf, names, info)
                            : Replace(buf, names, info->enc, first, info);
}
