// The new name must be a single name that Windows accepts, wherever the copy is made.
#include "engine/newname.h"

#include "engine/names.h"
#include "engine/texts.h"
#include "engine/workdir.h"
#include "platform/platform.h"

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

std::string CheckNewName(const std::string& name) {
    if (name.empty()) return kTxtNoNewName;
    if (PlatPathUnits(name) > kPlatNameMax) return kTxtTooLong;
    if (name == "." || name == ".." || PlatIsBadName(name, kPlatNamesCp932) || IsDeviceName(name))
        return kTxtBadName;
    if (name.compare(0, 4, kKwTempPrefix) == 0) return kTxtTempName;
    std::string cp932;
    if (PlatConvert(name, KwNameEncoding(name), kEncCp932, &cp932) != 0) return kTxtNotCp932;
    return "";
}
