// The extension test against a plain reading of its rule, and the new-name check: whatever it
// accepts can be a folder name on Windows.
#include "engine/job.h"
#include "tests/fuzz/fuzz.h"

#include <cctype>

namespace {

int Extension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return 0;
    std::string ext = name.substr(dot);
    if (ext.size() > 7) return 0;
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* t : {".wbp", ".sbp", ".abp", ".idx", ".pj", ".wnd", ".wrk", ".txt"})
        if (ext == t) return 1;
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string name(reinterpret_cast<const char*>(data), size);
    if (name.find('\0') != std::string::npos) return 0; // names are zero-terminated
    if (IsKakikaeTarget(name) != Extension(name)) FuzzFail("extension test differs", name);
    if (!CheckNewName(name).empty()) return 0;
    if (name.empty() || name.size() > 255) FuzzFail("accepted a name of this length", name);
    for (unsigned char c : name)
        if (c < 0x20 || std::string("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string::npos)
            FuzzFail("accepted a name with a forbidden character", name);
    if (name.back() == ' ' || name.back() == '.')
        FuzzFail("accepted a trailing space or dot", name);
    return 0;
}
