// Replacing the old project name by the new one inside a byte string.
#pragma once

#include "text/buf.h"
#include "text/rules.h"
#include "text/words.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr KwText kTxtWhyNoEnd = {"名前の置き換えが終わりません",
                                        "replacing the name would never end"};
inline constexpr KwText kTxtWhyTooLarge = {"置き換えると大きくなりすぎます",
                                           "the text would grow too large"};

// How many bytes of room to leave before a text of `size` bytes so that replacing oldName by
// newName in it most likely fits in place.
size_t KakikaeRoom(size_t size, std::string_view newName, std::string_view oldName);

// Replaces every occurrence of oldName by newName, again from the start after each
// replacement, so an occurrence formed where the new name meets its neighbours is replaced
// too. When the new name holds the old one that would never end: then each occurrence of the
// original text is replaced once, left to right. *count, where given, gets the number of
// replacements made. A result that would pass the rules' limit, or a replacement that would
// never end, is a failure.
// The KwBuf form works in the text's own buffer where it can (the result may start anywhere
// in it, see `at`) and leaves the text undefined on failure; the string form leaves it as it
// was.
KwError StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, uint64_t* count = nullptr);
KwError StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, uint64_t* count = nullptr);
