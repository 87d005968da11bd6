// The name replacement exactly as first described, for the differential test, the fuzzers and
// the benchmark to compare against: search from the first byte, rebuild the whole text from
// a head and a tail buffer, again until no occurrence is left.
#pragma once

#include "text/kakikae.h"

#include <cstdint>
#include <string>
#include <string_view>

// An occurrence counts only where `unit` lets one begin (a CP932 character, an even offset);
// with `fold` the other byte forms of a CP932 character match too. Gives up (false) when the
// text would pass maxLen bytes or more than maxPasses replacements were made: that covers
// every input whose repetition does not end.
bool DocumentedKakikae(std::string* text, std::string_view nw, std::string_view old, KwUnit unit,
                       bool fold, size_t maxLen, uint64_t maxPasses);

// Each occurrence of the original text, after the end of the previous one, replaced once: what
// the replacement does when the new name holds the old one.
std::string OnePassKakikae(std::string_view text, std::string_view nw, std::string_view old,
                           KwUnit unit, bool fold);

// Whether the old name stands in the new one (at any byte; with `fold` in any form).
bool Holds(std::string_view nw, std::string_view old, bool fold);
