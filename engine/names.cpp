#include "engine/names.h"

#include "engine/mbcs.h"
#include "engine/unicode.h"

PlatEnc KwNameEncoding(std::string_view name) {
    if (kPlatNamesCp932) return kEncAnsi;
    return IsValidUtf8(name.data(), name.size()) ? kEncUtf8 : kEncCp932;
}

std::string KwNfcName(std::string_view name) {
    std::u32string chars;
    if (KwNameEncoding(name) != kEncUtf8 || !KwUtf8Decode(name, &chars)) return std::string(name);
    return KwUtf8Encode(KwNfc(chars));
}

std::string KwNameKey(std::string_view name) {
    std::string utf8;
    std::u32string chars;
    PlatEnc enc = KwNameEncoding(name);
    if (enc == kEncUtf8)
        utf8 = name;
    else if (PlatConvert(name, enc, kEncUtf8, &utf8) != 0)
        return std::string(name);
    KwUtf8Decode(utf8, &chars);
    std::string key;
    for (char32_t c : KwNfc(chars))
        KwUtf8Append(KwUpper(c), &key);
    return key;
}
