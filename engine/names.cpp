#include "engine/names.h"

#include "engine/texts.h"
#include "engine/workdir.h"
#include "text/mbcs.h"
#include "text/unicode.h"
#include "trace/trace.h"

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

bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const char* const kFixed[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* r : kFixed)
        if (PlatCompareNoCase(base.c_str(), r) == 0) return true;
    if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
    std::string stem = base.substr(0, 3);
    return PlatCompareNoCase(stem.c_str(), "COM") == 0 ||
           PlatCompareNoCase(stem.c_str(), "LPT") == 0;
}

KwError CheckNewName(const std::string& name) {
    if (PlatPathUnits(name) > kPlatNameMax) return KwError(kTxtTooLong);
    if (name.empty() || name == "." || name == ".." || PlatIsBadName(name, kPlatNamesCp932) ||
        IsDeviceName(name))
        return KwError(kTxtBadName);
    if (name.compare(0, 4, kKwTempPrefix) == 0) return KwError(kTxtTempName);
    std::string cp932;
    if (PlatConvert(name, KwNameEncoding(name), kEncCp932, &cp932) != 0)
        return KwError(kTxtNotCp932);
    return {};
}

std::string KwProjectFile(const std::string& folder, const std::vector<PlatEntry>& entries) {
    // A folder named like one, a bare ".pj", a pipe, a device or a link that leads nowhere is
    // no project file.
    for (const PlatEntry& e : entries) {
        PlatFileId id;
        if (e.isDir || e.state != kNameOk || e.name.find('.') == 0 || e.name.size() < 3 ||
            PlatCompareNoCase(e.name.c_str() + e.name.size() - 3, ".pj") != 0)
            continue;
        // Where it can't be looked at (a folder that can't be entered) it is the project file,
        // and the run says why it can't be read.
        int err = glPlat.Identify((folder + kPlatSep + e.name).c_str(), &id);
        if (err ? err != kPlatErrDenied : !id.isFile) continue;
        return e.name;
    }
    return "";
}

KwError GetPjNameFromFolder(const std::string& folder, std::string* name) {
    DbgStr("FindPath=", folder + kPlatSep + "*.pj");
    std::vector<PlatEntry> entries;
    if (int err = glPlat.List(folder.c_str(), &entries))
        return {KwReason(kTxtCantList, err), folder};
    std::string file = KwProjectFile(folder, entries);
    if (!file.empty()) *name = KwNfcName(file.substr(0, file.find('.'))); // as the texts have it
    return {};
}
