#include "engine/pjname.h"

#include "engine/names.h"
#include "engine/workdir.h"
#include "platform/platform.h"
#include "trace/trace.h"

#include <vector>

int GetPjNameFromFolder(const std::string& folder, std::string* name) {
    DbgStr("FindPath=", folder + kPlatSep + "*.pj");
    std::vector<PlatEntry> entries;
    if (!KwList(folder, &entries)) return -1;
    // The first file whose name ends in ".pj" and has a name before its first dot: a folder
    // named like one, or a bare ".pj", is no project file.
    for (const PlatEntry& e : entries) {
        size_t dot = e.name.find('.');
        if (e.isDir || e.state != kNameOk || dot == 0 || e.name.size() < 3 ||
            PlatCompareNoCase(e.name.c_str() + e.name.size() - 3, ".pj") != 0)
            continue;
        *name = KwNfcName(e.name.substr(0, dot)); // as the texts have it
        break;
    }
    return 0;
}
