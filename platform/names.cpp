// The names Windows refuses or changes, on every platform: the copy must be usable there.
#include "platform/platform.h"

#include <cstring>

bool PlatIsBadName(std::string_view name, bool cp932) {
    if (name.empty() || name.back() == ' ' || name.back() == '.') return true;
    for (size_t i = 0; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return true;
        // A lead byte's second byte may be 5C or 7C.
        if (cp932 && IsCp932Lead(c)) ++i;
    }
    return false;
}
