// How a replacement reads a text: where an occurrence of the old name may begin.
#pragma once

#include <cstddef>
#include <cstdint>

enum KwUnit : uint8_t {
    kUnitByte,  // anywhere (UTF-8, ASCII)
    kUnitCp932, // where a CP932 character begins
    kUnitWord,  // at an even offset (UTF-16)
};

inline constexpr size_t kKakikaeUnsearched = SIZE_MAX;

struct KakikaeRules {
    KwUnit unit = kUnitByte;
    bool fold = false; // CP932: the other byte forms of the old name's characters count too
    size_t limit = 0;  // largest result; 0 gives 4 times the text plus 64 MiB
    // Where the caller found the old name's bytes already (the text's length when it found
    // none), so that the text is searched once. Not with `fold`.
    size_t first = kKakikaeUnsearched;
};
