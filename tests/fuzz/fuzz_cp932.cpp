// The CP932 boundary checks against a parse from the first byte: the backward check from any
// known boundary, and the last separator of a path.
#include "engine/mbcs.h"
#include "tests/fuzz/fuzz.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string s(reinterpret_cast<const char*>(data), size);
    std::vector<bool> starts(s.size() + 2, false);
    size_t i = 0, lastSep = std::string::npos;
    while (i < s.size()) {
        starts[i] = true;
        if (s[i] == '\\') lastSep = i;
        i += IsCp932Lead(static_cast<unsigned char>(s[i])) ? 2 : 1;
    }
    if (i == s.size()) starts[i] = true;
    size_t known = 0;
    for (size_t pos = 0; pos <= s.size(); ++pos) {
        if (IsCp932Boundary(s.data(), known, pos) != starts[pos])
            FuzzFail("boundary check differs", "at " + std::to_string(pos));
        if (starts[pos] && data[0] % 3 == 0) known = pos; // sometimes a later known boundary
    }
    if (LastSepPos(s, '\\', true) != lastSep) FuzzFail("last separator differs", s);
    IsValidUtf8(s.data(), s.size());
    return 0;
}
