// The replacement against the plain transcription of the documented algorithm (bounded in
// length and passes), in place at a random offset and through a string.
#include "engine/kakikae.h"
#include "tests/fuzz/fuzz.h"
#include "tests/reference.h"

#include <cstring>

namespace {

std::string Show(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 120)) {
        char b[5];
        std::snprintf(b, sizeof b, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
        out += b;
    }
    return s.size() > 120 ? out + "...(" + std::to_string(s.size()) + " bytes)" : out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    uint8_t flags = in.Byte();
    bool cp932 = flags & 1;
    size_t at = in.Byte() % 16;
    std::string old = in.Str(6), nw = in.Str(8), text = in.Rest();
    if (old.empty() || text.size() > 512) return 0;
    const size_t maxLen = 2048;

    std::string want = text;
    bool ended = nw.find(old) != std::string::npos
                     ? (want = OnePassKakikae(text, nw, old, cp932), true)
                     : DocumentedKakikae(&want, nw, old, cp932, maxLen, 4000);
    if (!ended && want.size() <= maxLen && nw.size() >= old.size()) return 0; // out of passes
    if (want.size() > maxLen) ended = false; // past the limit: ours must refuse it

    KwBuf buf;
    KwBufAssign(&buf, text, at);
    KakikaeError err;
    int64_t n = StrKakikae(&buf, nw, old, {cp932, maxLen}, &err);
    std::string got = n < 0 ? "" : std::string(buf.text(), buf.len);
    bool terminated = n < 0 || buf.text()[buf.len] == '\0';
    KwBufFree(&buf);

    std::string detail = "old '" + Show(old) + "' new '" + Show(nw) + "' text '" + Show(text) +
                         "' cp932 " + std::to_string(cp932);
    if (!terminated) FuzzFail("no terminator after the text", detail);
    if (ended && (n < 0 || got != want))
        FuzzFail("differs from the reference", detail + "\nwant '" + Show(want) + "'\ngot  '" +
                                                   (n < 0 ? "<error>" : Show(got)) + "'");
    if (!ended && n >= 0) FuzzFail("ended where the reference grows past the limit", detail);

    std::string s = text;
    KakikaeError err2;
    int64_t n2 = StrKakikae(&s, nw, old, {cp932, maxLen}, &err2);
    if (n2 != n || (n >= 0 && s != got)) FuzzFail("string form differs from buffer form", detail);
    return 0;
}
