// The plan of a job: every entry of the project folder, the name of its copy and what is done
// with it, and the refusals that must come before anything is written.
#include "engine/job.h"

#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "trace/trace.h"

#include <algorithm>
#include <cstring>

namespace {

// Longer names than this can't come out of a replacement in a usable name anyway.
constexpr size_t kNameLimit = 4096;
// The longest temporary folder name: ".~kw", 8 hex digits, "-", 10 digits.
constexpr size_t kTempDirMax = 4 + 8 + 1 + 10;
// Windows keeps room for an 8.3 name inside a new folder's path.
constexpr size_t kShortNameRoom = 12;

bool SameName(const std::string& a, const std::string& b) {
    return kPlatNamesFoldCase ? glPlat.CompareNoCase(a.c_str(), b.c_str()) == 0 : a == b;
}

bool Writes(const KwPlanEntry& e) {
    return e.action == kKwCopy || e.action == kKwRewrite;
}

// The first pair of entries whose copies would get the same name, or {-1, -1}.
std::pair<int, int> FindCollision(const std::vector<KwPlanEntry>& entries) {
    std::vector<int> order;
    for (size_t i = 0; i < entries.size(); ++i)
        if (Writes(entries[i])) order.push_back(static_cast<int>(i));
    auto less = [&](int a, int b) {
        const char* x = entries[a].copyName.c_str();
        const char* y = entries[b].copyName.c_str();
        return (kPlatNamesFoldCase ? glPlat.CompareNoCase(x, y) : std::strcmp(x, y)) < 0;
    };
    std::stable_sort(order.begin(), order.end(), less);
    for (size_t k = 1; k < order.size(); ++k)
        if (SameName(entries[order[k - 1]].copyName, entries[order[k]].copyName))
            return {std::min(order[k - 1], order[k]), std::max(order[k - 1], order[k])};
    return {-1, -1};
}

// The name of a file's copy: the old name replaced in the name's own encoding, and in an
// ASCII name in that of the project's names.
bool CopyName(const KwPlan& plan, std::string* name, KakikaeError* err) {
    *err = kKakikaeOk;
    if (kPlatNamesCp932)
        return StrKakikae(name, glNewPjName, glOldPjName, {kUnitCp932, false, kNameLimit}, err) >=
               0;
    PlatEnc enc = KwNameEncoding(*name);
    bool ascii = std::none_of(name->begin(), name->end(), [](char c) { return c & 0x80; });
    if (ascii) enc = plan.names;
    const KwNameForms& f = plan.forms;
    if (!f.hasOld[enc]) return true;
    if (!f.hasNew[enc]) return *err = kKakikaeNoMemory, false;
    KakikaeRules rules{enc == kEncCp932 ? kUnitCp932 : kUnitByte, enc == kEncCp932, kNameLimit};
    return StrKakikae(name, f.nw[enc], f.old[enc], rules, err) >= 0;
}

KwPlanEntry PlanEntry(const KwPlan& plan, const PlatEntry& found) {
    KwPlanEntry e{found.name, found.name, kKwCopy, ""};
    if (found.name == "." || found.name == "..") {
        e.action = kKwSkipDots;
    } else if (found.isDir) {
        e.action = kKwSkipFolder;
    } else if (found.state != kNameOk) {
        e.action = kKwFail;
        e.why = found.state == kNameNotAnsi ? kTxtWhyNotAnsi : kTxtWhyAltered;
    } else if (KakikaeError err; !CopyName(plan, &e.copyName, &err)) {
        e.action = kKwFail;
        e.why = KwKakikaeWhy(err);
    } else if (SameName(e.copyName, kKwMarker)) {
        e.action = kKwFail;
        e.why = kTxtWhyMarkerName;
    } else {
        // The file's own type: a new name never makes a binary file a text.
        e.action = IsKakikaeTarget(found.name) ? kKwRewrite : kKwCopy;
    }
    return e;
}

// Linux: CP932 when the project's file name is, or when its other names that are not ASCII
// are all CP932 (unpacked from a Japanese Windows archive); else UTF-8, the system's.
PlatEnc NamesEncoding(const std::vector<PlatEntry>& found) {
    if (kPlatNamesCp932) return kEncAnsi;
    auto ascii = [](const std::string& s) {
        return std::none_of(s.begin(), s.end(), [](char c) { return c & 0x80; });
    };
    if (!ascii(glOldPjName)) return KwNameEncoding(glOldPjName);
    bool any = false;
    for (const PlatEntry& e : found) {
        if (ascii(e.name)) continue;
        if (KwNameEncoding(e.name) == kEncUtf8) return kEncUtf8;
        any = true;
    }
    return any ? kEncCp932 : kEncUtf8;
}

std::string Pair(const KwPlanEntry& e) {
    return "\r\n" + e.name + " → " + e.copyName;
}

} // namespace

int IsKakikaeTarget(const std::string& name) {
    static const char* const kTypes[] = {".wbp", ".sbp", ".wbp", ".abp", ".idx",
                                         ".pj",  ".wnd", ".wrk", ".txt"};
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot > 7) return 0;
    std::string ext = name.substr(dot);
    for (const char* t : kTypes)
        if (glPlat.CompareNoCase(ext.c_str(), t) == 0) return 1;
    return 0;
}

std::string KwMakePlan(KwPlan* plan) {
    plan->entries.clear();
    if (std::string why = CheckNewName(glNewPjName); !why.empty()) return why;
    // The folder as it is, not as it was spelled: ".", "..", both separators (and on Linux
    // links) resolved, so that the new folder is a sibling of the folder itself.
    if (!glPlat.FullPath(glDropPath.c_str(), &plan->dropFolder)) return kTxtCantList;
    const std::string& drop = plan->dropFolder;
    size_t sep = LastSepPos(drop, kPlatSep, kPlatNamesCp932);
    if (sep == std::string::npos || sep + 1 == drop.size()) return kTxtBadDrop;
    std::string parent = drop.substr(0, sep + 1);
    KwMakeNameForms(glOldPjName, glNewPjName, &plan->forms);
    // The names decide the encoding of the new folder's name (Linux).
    std::vector<PlatEntry> found;
    // One cut short leaves files out; one without "." and ".." was not read at all.
    bool listed = KwList(drop, &found) && !found.empty();
    plan->names = NamesEncoding(found);
    plan->newFolder = parent + (kPlatNamesCp932 ? glNewPjName : plan->forms.nw[plan->names]);

    PlatFileId target;
    plan->fresh = !glPlat.Identify(plan->newFolder.c_str(), &target);
    if (!plan->fresh) {
        if (!target.isDir) return kTxtFileInTheWay;
        if (KwSameFile(drop, plan->newFolder)) return kTxtSameFolder;
        // Through a link the copy could land inside the project, or above it.
        if (target.isLink) return kTxtLinkInTheWay;
    }
    size_t workLen =
        plan->fresh ? parent.size() + kTempDirMax : plan->newFolder.size() + 1 + kTempDirMax;
    size_t folderLen = std::max(plan->newFolder.size(), workLen);
    if (folderLen + kShortNameRoom > kPlatPathMax) return kTxtTooLong;

    DbgStr("FindPath=", drop + kPlatSep + "*.*");
    if (!listed) return kTxtCantList;
    for (const PlatEntry& e : found)
        plan->entries.push_back(PlanEntry(*plan, e));

    // A copy whose name or path would not fit, or that Windows would take for a device, is
    // the new name's doing: refused before writing.
    for (const KwPlanEntry& p : plan->entries) {
        if (!Writes(p)) continue;
        if (p.copyName.size() > kPlatNameMax || folderLen + 1 + p.copyName.size() > kPlatPathMax)
            return kTxtTooLong + Pair(p);
        if (p.copyName != p.name && IsDeviceName(p.copyName)) return kTxtBadName + Pair(p);
    }
    auto [a, b] = FindCollision(plan->entries);
    if (a >= 0)
        return kTxtCollision + Pair(plan->entries[static_cast<size_t>(a)]) +
               Pair(plan->entries[static_cast<size_t>(b)]);
    return "";
}
