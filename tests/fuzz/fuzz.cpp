// The CP932 boundary checks against a parse from the first byte, on the fuzzer's bytes (the
// replacement has its differential test, against the algorithm as first described). With
// libFuzzer a fuzzer (scripts/fuzz); in the test build it replays the saved inputs in corpus/.
#include "engine/mbcs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string s(reinterpret_cast<const char*>(data), size);
    std::vector<bool> starts(s.size() + 2, false);
    size_t i = 0, lastSep = std::string::npos, known = 0;
    for (; i < s.size(); i += IsCp932Lead(static_cast<unsigned char>(s[i])) ? 2 : 1) {
        starts[i] = true;
        if (s[i] == '\\') lastSep = i;
    }
    starts[s.size()] = i == s.size();
    bool same = LastSepPos(s, '\\', true) == lastSep;
    for (size_t pos = 0; pos <= s.size(); ++pos) {
        same = same && IsCp932Boundary(s.data(), known, pos) == starts[pos];
        if (starts[pos] && size % 3 == 0) known = pos; // sometimes a later known boundary
    }
    IsValidUtf8(s.data(), s.size());
    if (!same) {
        std::fprintf(stderr, "a CP932 boundary or the last separator differs\n");
        std::abort();
    }
    return 0;
}
