// The encoding each project text is read in, and the CP932 characters that have more than one
// byte form.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// How a text's content is read.
struct KwTextKind {
    PlatEnc enc = kEncCp932;
    uint8_t bom = 0;    // bytes of a byte-order mark at the start, kept as they are
    bool ascii = false; // ASCII bytes alone: the text takes the project's encoding
    bool mixed = false; // lines in both encodings, or in neither: read line by line
};

// Lines of a mixed text with the encoding each is read in: the one it is valid in, or where it
// is valid in both, `both` (the text's, as decided: most of its other lines', UTF-8 after a
// UTF-8 mark). `readable` is false for a line valid in neither.
struct KwSegment {
    size_t begin, end;
    PlatEnc enc;
    bool readable;
};

// A byte-order mark decides (a UTF-8 one for the lines valid in both, where the text is not
// valid UTF-8 as a whole); else valid UTF-8 that reads as Japanese text is UTF-8, valid CP932
// is CP932, and a text that is neither as a whole is read line by line. The segments of a
// mixed text, where asked for, come out of the same pass.
KwTextKind KwDetectText(const char* p, size_t n, std::vector<KwSegment>* segments = nullptr);

void KwSegments(const char* p, size_t n, PlatEnc both, std::vector<KwSegment>* out);

// A CP932 two-byte character as the lowest of its byte forms: the NEC and IBM extensions and
// NEC row 13 hold some characters of JIS X 0208, and of each other, again.
uint16_t Cp932Canonical(uint16_t code);
// Every byte form of the character `code` (one to three); returns how many.
int Cp932Forms(uint16_t code, uint16_t forms[3]);
// Whether a CP932 string holds a character that has another byte form.
bool HasOtherForm(std::string_view s);
