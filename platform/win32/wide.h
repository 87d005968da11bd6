// UTF-16 and the ANSI code page, without best fit: a text is only ever taken as it truly is.
#pragma once

#include <string>

// The text in the ANSI code page, when every character of it has its own exact form there.
bool KwFromWide(const wchar_t* text, size_t n, std::string* out);
bool KwFromWide(const std::wstring& text, std::string* out);
// ANSI text (valid in the code page) as UTF-16.
bool KwToWide(const std::string& text, std::wstring* out);
