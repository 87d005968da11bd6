#include "engine/pjname.h"

#include "engine/names.h"
#include "engine/workdir.h"
#include "platform/platform.h"
#include "trace/trace.h"

std::string KwProjectFile(const std::string& folder, const std::vector<PlatEntry>& entries) {
    // A folder named like one, a bare ".pj", a pipe, a device or a link that leads nowhere is
    // no project file.
    for (const PlatEntry& e : entries) {
        PlatFileId id;
        if (e.isDir || e.state != kNameOk || e.name.find('.') == 0 || e.name.size() < 3 ||
            PlatCompareNoCase(e.name.c_str() + e.name.size() - 3, ".pj") != 0)
            continue;
        // Where it can't be looked at (a folder that can't be entered) it is the project file,
        // and the run says why it can't be read.
        int err = glPlat.Identify((folder + kPlatSep + e.name).c_str(), &id);
        if (err ? err != kPlatErrDenied : !id.isFile) continue;
        return e.name;
    }
    return "";
}

int GetPjNameFromFolder(const std::string& folder, std::string* name) {
    DbgStr("FindPath=", folder + kPlatSep + "*.pj");
    std::vector<PlatEntry> entries;
    if (!KwList(folder, &entries)) return -1;
    std::string file = KwProjectFile(folder, entries);
    if (!file.empty()) *name = KwNfcName(file.substr(0, file.find('.'))); // as the texts have it
    return 0;
}
