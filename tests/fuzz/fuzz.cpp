// The replacement against the algorithm as first described, on the fuzzer's bytes: the first
// byte picks where an occurrence may begin (any byte, a CP932 character, a UTF-16 unit) and
// whether the other byte forms of CP932 characters count, the next two the lengths of the old
// and the new name, which follow; the rest is the text. With libFuzzer a fuzzer (scripts/fuzz);
// in the test build it replays the saved inputs in corpus/.
#include "text/kakikae.h"
#include "tests/reference.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    auto unit = static_cast<KwUnit>(data[0] % 3);
    bool fold = unit == kUnitCp932 && (data[0] & 4);
    // UTF-16 names are whole 2-byte units.
    size_t m = unit == kUnitWord ? 2 + 2 * (data[1] % 3) : 1 + data[1] % 6;
    size_t k = unit == kUnitWord ? 2 * (data[2] % 4) : data[2] % 7;
    if (size < 3 + m + k) return 0;
    const char* p = reinterpret_cast<const char*>(data) + 3;
    std::string old(p, m), nw(p + m, k), text(p + m + k, std::min<size_t>(size - 3 - m - k, 96));
    std::string want = text, got = text;
    if (Holds(nw, old, fold)) // that repetition never ends
        want = OnePassKakikae(text, nw, old, unit, fold);
    else if (!DocumentedKakikae(&want, nw, old, unit, fold, 4096, 4096))
        return 0;
    if (StrKakikae(&got, nw, old, {unit, fold}) || got != want) {
        std::fprintf(stderr, "the replacement differs from the algorithm as first described\n");
        std::abort();
    }
    return 0;
}
