// Replacing the old project name by the new one inside a byte string.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A growable byte buffer on the platform heap, zero-filled past its length, so it can be
// read as a zero-terminated string and may hold zero bytes of its own.
struct KwBuf {
    char* p = nullptr;
    size_t len = 0;
    size_t cap = 0; // room for cap bytes plus the terminator
};

bool KwBufReserve(KwBuf* b, size_t cap);
void KwBufFree(KwBuf* b);

enum KakikaeError {
    kKakikaeOk = 0,
    kKakikaeNoEnd,    // the replacing would not come to an end
    kKakikaeTooLarge, // the result would pass the growth limit
    kKakikaeNoMemory,
};

struct KakikaeRules {
    bool cp932 = false; // a match may begin only on a CP932 character boundary
    size_t limit = 0;   // largest result; 0 gives 64 times the text plus 64 MiB
};

// The 1-based position of the first occurrence of pattern at or after start, or 0.
int StrFind(int start, const char* text, const char* pattern);

// Replaces every occurrence of oldName by newName, again from the start after each
// replacement, so an occurrence formed where the new name meets its neighbours is replaced
// too. When the new name holds the old one that would never end: then each occurrence of the
// original text is replaced once, left to right. Returns the new length, or -1 with *err set
// and the text unchanged.
int64_t StrKakikae(KwBuf* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err);
int64_t StrKakikae(std::string* text, std::string_view newName, std::string_view oldName,
                   KakikaeRules rules, KakikaeError* err);
