// What each half gives PlatConvert: its system's conversions to and from characters, which may
// take a best-fit form on the way out. False where the input is not valid in its encoding.
#pragma once

#include "platform/platform.h"

bool PlatToChars(std::string_view in, PlatEnc from, std::u32string* out);
bool PlatFromChars(std::u32string_view in, PlatEnc to, std::string* out);
