// The new name becomes a folder name and part of every file name: it must be a single name
// that Windows accepts, wherever the copy is made.
#include "engine/job.h"
#include "engine/mbcs.h"
#include "engine/texts.h"
#include "platform/platform.h"

#include <cstring>

namespace {

bool HasBadChar(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return true;
        if (kPlatNamesCp932 && IsCp932Lead(c)) ++i; // its second byte may be 5C or 7C
    }
    return false;
}

} // namespace

bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const char* const kFixed[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* r : kFixed)
        if (glPlat.CompareNoCase(base.c_str(), r) == 0) return true;
    if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
    std::string stem = base.substr(0, 3);
    return glPlat.CompareNoCase(stem.c_str(), "COM") == 0 ||
           glPlat.CompareNoCase(stem.c_str(), "LPT") == 0;
}

std::string CheckNewName(const std::string& name) {
    if (name.empty()) return kTxtNoNewName;
    if (name.size() > kPlatNameMax) return kTxtTooLong;
    if (name == "." || name == ".." || HasBadChar(name) || name.back() == ' ' ||
        name.back() == '.' || IsDeviceName(name))
        return kTxtBadName;
    if (name.compare(0, 4, ".~kw") == 0) return kTxtTempName;
    std::string cp932;
    if (PlatConvert(name, KwNameEncoding(name), kEncCp932, &cp932) != 0) return kTxtNotCp932;
    return "";
}
