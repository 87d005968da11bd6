#include "engine/job.h"
#include "platform/platform.h"
#include "trace/trace.h"

int GetPjNameFromFolder(const std::string& folder, std::string* name) {
    std::string pattern = folder + kPlatSep + "*.pj";
    DbgStr("FindPath=", pattern);
    PlatEntry e;
    PlatSearch search = glPlat.FindFirst(pattern.c_str(), &e);
    if (!search) return glPlat.LastError() ? -1 : 0;
    int more = 1;
    // The first file whose name ends in ".pj" (Windows also matches short names) and has a
    // name before its first dot: a folder named like one, or a bare ".pj", is no project file.
    for (; more > 0; more = glPlat.FindNext(search, &e)) {
        size_t dot = e.name.find('.');
        if (e.isDir || e.state != kNameOk || dot == 0 || e.name.size() < 3 ||
            glPlat.CompareNoCase(e.name.c_str() + e.name.size() - 3, ".pj") != 0)
            continue;
        *name = e.name.substr(0, dot);
        break;
    }
    glPlat.FindEnd(search);
    return more < 0 ? -1 : 0;
}
