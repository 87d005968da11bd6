#include "engine/job.h"
#include "platform/platform.h"
#include "trace/trace.h"

int GetPjNameFromFolder(const std::string& folder, std::string* name) {
    std::string pattern = folder + kPlatSep + "*.pj";
    DbgStr("FindPath=", pattern);
    PlatEntry entry;
    PlatSearch search = glPlat.FindFirst(pattern.c_str(), &entry);
    if (!search) return 0;
    glPlat.FindEnd(search); // only the first project file counts
    *name = entry.name.substr(0, entry.name.find('.'));
    return 0;
}
