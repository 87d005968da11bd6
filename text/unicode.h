// Names as Windows and the Mac give them: one form for the characters that can be written in
// two (NFC), and the comparison without case that NTFS makes.
#pragma once

#include <string>
#include <string_view>

// The characters of valid UTF-8; false where it is not (out is then undefined).
bool KwUtf8Decode(std::string_view s, std::u32string* out);
void KwUtf8Append(char32_t c, std::string* out);
std::string KwUtf8Encode(std::u32string_view chars);

// Canonical composition (NFC). What the Mac keeps as it is stays so (U+2000-2FFF and the CJK
// compatibility ideographs): CP932 holds such characters as their own (Å U+212B, 﨑).
std::u32string KwNfc(std::u32string_view chars);
// A character as NTFS compares names: its simple upper-case form, in the BMP.
char32_t KwUpper(char32_t c);
