// Where a name stands in the program code of an ActiveBasic source: outside comments (' to the
// end of the line, a REM statement, /* */) and outside string literals ("...", "" inside).
// There it is part of an identifier, and identifiers are ASCII letters, digits and _.
#pragma once

#include "text/rules.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What a new name can't be in code: none (a valid identifier), only where an identifier begins
// (it starts with a digit), or anywhere (it holds a character an identifier can't).
enum KwCodeFit { kFitsCode, kFitsButFirst, kFitsNowhere };
KwCodeFit KwCodeFitOf(std::string_view newName);

struct KwCodePlace {
    size_t line;            // from 1
    std::string identifier; // as it stands now
};

// The occurrences of `old` (in the text's own encoding, read by `unit`) in code where a new
// name of that fit can't stand.
void KwCodePlaces(const char* p, size_t n, std::string_view old, KwUnit unit, KwCodeFit fit,
                  std::vector<KwCodePlace>* out);
