// The same characters in another encoding, exactly, on both systems: each half converts the
// way its system does, which for some characters is a best-fit form; converted back, that
// form no longer gives the characters it came from.
#include "platform/platform.h"

#include "platform/convert.h"

int PlatConvert(std::string_view in, PlatEnc from, PlatEnc to, std::string* out) {
    std::u32string chars, back;
    if (PlatToChars(in, from, &chars) && PlatFromChars(chars, to, out) &&
        PlatToChars(*out, to, &back) && back == chars)
        return 0;
    out->clear();
    return kPlatErrNoForm;
}
