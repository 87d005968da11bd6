// The plan of a job over a listing made of the fuzzer's names: it never writes, and what it
// accepts has one copy name per file, each the replacement of the name, within the limits.
#include "engine/job.h"
#include "engine/kakikae.h"
#include "engine/state.h"
#include "platform/platform.h"
#include "tests/fuzz/fuzz.h"

#include <set>
#include <vector>

namespace {

std::vector<std::string> gNames;
size_t gNext;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const PlatCalls real = glPlat;
    FuzzInput in{data, size};
    glOldPjName = in.Str(8);
    glNewPjName = in.Str(8);
    gNames = {".", ".."};
    while (in.n > 0 && gNames.size() < 40) {
        std::string name = in.Str(24);
        if (!name.empty() && name.find('\0') == std::string::npos) gNames.push_back(name);
    }
    if (glOldPjName.empty() || glOldPjName.find('\0') != std::string::npos) return 0;
    glDropPath = std::string(1, kPlatSep) + "fuzz" + kPlatSep + "Project";

    glPlat.FindFirst = [](const char*, PlatEntry* e) -> PlatSearch {
        gNext = 1;
        *e = PlatEntry{gNames[0], false, false};
        return &gNext;
    };
    glPlat.FindNext = [](PlatSearch, PlatEntry* e) {
        if (gNext >= gNames.size()) return 0;
        *e = PlatEntry{gNames[gNext], gNames[gNext].back() == '/', false};
        ++gNext;
        return 1;
    };
    glPlat.FindEnd = [](PlatSearch) {};
    glPlat.Identify = [](const char*, PlatFileId*) { return 0; };
    glPlat.FullPath = [](const char* p, std::string* out) {
        *out = p;
        return 1;
    };
    glPlat.MakeDir = [](const char*) -> int { FuzzFail("the plan wrote", ""); };
    glPlat.CreateWrite = [](const char*) -> PlatFile { FuzzFail("the plan wrote", ""); };

    KwPlan plan;
    std::string refusal = KwMakePlan(&plan);
    glPlat = real;
    if (!refusal.empty()) return 0;
    std::set<std::string> copies;
    for (const KwPlanEntry& e : plan.entries) {
        if (e.action != kKwCopy && e.action != kKwRewrite) continue;
        std::string want = e.name;
        KakikaeError err;
        StrKakikae(&want, glNewPjName, glOldPjName, {kPlatNamesCp932, 4096}, &err);
        if (e.copyName != want) FuzzFail("copy name is not the replacement", e.name);
        if (e.copyName.size() > kPlatNameMax) FuzzFail("copy name too long", e.copyName);
        if ((e.action == kKwRewrite) != (IsKakikaeTarget(e.name) == 1))
            FuzzFail("action does not follow the file's own extension", e.name);
        if (!copies.insert(e.copyName).second) FuzzFail("two files get one name", e.copyName);
    }
    return 0;
}
