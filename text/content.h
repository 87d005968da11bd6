// The content of a project text rewritten in the encoding it is read in.
#pragma once

#include "text/encoding.h"
#include "text/kakikae.h"

#include <cstdint>
#include <string>

// Both names in each encoding of a text (by PlatEnc, CP932 to UTF-16BE); empty where a name
// has no form there.
struct KwNameForms {
    std::string old[4], nw[4];
    bool hasOld[4] = {}, hasNew[4] = {};
};
void KwMakeNameForms(const std::string& oldName, PlatEnc oldEnc, const std::string& newName,
                     PlatEnc newEnc, KwNameForms* out);

// How a text was read and rewritten.
struct KwTextInfo {
    KwTextKind kind;
    PlatEnc enc = kEncCp932; // what it was read in (an ASCII text: its group's encoding)
    uint64_t count = 0;      // occurrences replaced
    bool unreadable = false; // a place that reads in neither encoding holds the old name
    bool noForm = false; // the text's encoding can't hold the old name, yet holds more than ASCII
};

// The label of an encoding as the user is shown it ("CP932", "UTF-8 BOM", ...).
const char* KwEncodingLabel(const KwTextInfo& info);

// Replaces the old name in the text in `buf`, in its own encoding; `ascii` is the encoding
// of an ASCII text. On failure the text is undefined. A text with a
// place that can't be read either way is rewritten everywhere else and marked `unreadable`.
// `detect`: decide the encoding also where the old name can't be in the text (to show it).
// `known`: how the text was read before (the same bytes), not decided again.
KwError KwRewriteContent(KwBuf* buf, const KwNameForms& names, PlatEnc ascii, bool detect,
                         KwTextInfo* info, const KwTextKind* known = nullptr);
