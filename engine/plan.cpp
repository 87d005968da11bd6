#include "engine/plan.h"

#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "engine/newname.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "trace/trace.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// Longer names than this can't come out of a replacement in a usable name anyway.
constexpr size_t kNameLimit = 4096;
// The longest temporary folder name: ".~kw", 8 hex digits, "-", 10 digits.
constexpr size_t kTempDirMax = 4 + 8 + 1 + 10;
// Windows keeps room for an 8.3 name inside a new folder's path.
constexpr size_t kShortNameRoom = 12;

bool IsAscii(const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c & 0x80; });
}

int Compare(const std::string& a, const std::string& b) {
    return kPlatNamesFoldCase ? PlatCompareNoCase(a.c_str(), b.c_str())
                              : std::strcmp(a.c_str(), b.c_str());
}

bool Writes(const KwPlanEntry& e) {
    return e.action == kKwCopy || e.action == kKwRewrite;
}

// The first pair of entries whose copies would get the same name, or {-1, -1}.
std::pair<int, int> FindCollision(const std::vector<KwPlanEntry>& entries) {
    std::vector<int> order;
    for (size_t i = 0; i < entries.size(); ++i)
        if (Writes(entries[i])) order.push_back(static_cast<int>(i));
    auto less = [&](int a, int b) { return Compare(entries[a].copyName, entries[b].copyName) < 0; };
    std::stable_sort(order.begin(), order.end(), less);
    for (size_t k = 1; k < order.size(); ++k)
        if (Compare(entries[order[k - 1]].copyName, entries[order[k]].copyName) == 0)
            return {std::min(order[k - 1], order[k]), std::max(order[k - 1], order[k])};
    return {-1, -1};
}

// The name of a file's copy: the old name replaced in the name's own encoding, and in an
// ASCII name in that of the project's names.
bool CopyName(const KwRun& run, std::string* name, KakikaeError* err) {
    *err = kKakikaeOk;
    if (kPlatNamesCp932)
        return StrKakikae(name, run.newName, run.oldName, {kUnitCp932, false, kNameLimit}, err) >=
               0;
    PlatEnc enc = IsAscii(*name) ? run.names : KwNameEncoding(*name);
    const KwNameForms& f = run.forms;
    if (!f.hasOld[enc]) return true;
    if (!f.hasNew[enc]) return *err = kKakikaeNoMemory, false;
    KakikaeRules rules{enc == kEncCp932 ? kUnitCp932 : kUnitByte, enc == kEncCp932, kNameLimit};
    return StrKakikae(name, f.nw[enc], f.old[enc], rules, err) >= 0;
}

KwPlanEntry PlanEntry(const KwRun& run, const PlatEntry& found) {
    KwPlanEntry e{found.name, found.name, kKwCopy, ""};
    if (found.name == "." || found.name == "..") {
        e.action = kKwSkipDots;
    } else if (found.isDir) {
        e.action = kKwSkipFolder;
    } else if (found.state != kNameOk) {
        e.action = kKwFail;
        e.why = found.state == kNameNotAnsi ? kTxtWhyNotAnsi : kTxtWhyAltered;
    } else if (KakikaeError err; !CopyName(run, &e.copyName, &err)) {
        e.action = kKwFail;
        e.why = KwKakikaeWhy(err);
    } else if (Compare(e.copyName, kKwMarker) == 0) {
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
PlatEnc NamesEncoding(const std::string& oldName, const std::vector<PlatEntry>& found) {
    if (kPlatNamesCp932) return kEncAnsi;
    if (!IsAscii(oldName)) return KwNameEncoding(oldName);
    bool any = false;
    for (const PlatEntry& e : found) {
        if (IsAscii(e.name)) continue;
        if (KwNameEncoding(e.name) == kEncUtf8) return kEncUtf8;
        any = true;
    }
    return any ? kEncCp932 : kEncUtf8;
}

// The entries whose copies replace a file of the existing new folder.
bool MarkReplaced(KwRun* run) {
    std::vector<PlatEntry> there;
    if (!KwList(run->newFolder, &there)) return false;
    std::set<std::string, bool (*)(const std::string&, const std::string&)> files(
        [](const std::string& a, const std::string& b) { return Compare(a, b) < 0; });
    for (const PlatEntry& f : there)
        if (!f.isDir || f.isLink) files.insert(f.name);
    for (KwPlanEntry& e : run->entries)
        e.replaces = Writes(e) && files.count(e.copyName);
    return true;
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
        if (PlatCompareNoCase(ext.c_str(), t) == 0) return 1;
    return 0;
}

std::string KwMakePlan(KwRun* run) {
    run->oldName = glOldPjName;
    run->newName = glNewPjName;
    run->entries.clear();
    if (std::string why = CheckNewName(run->newName); !why.empty()) return why;
    // The folder as it is, not as it was spelled: ".", "..", both separators (and on Linux
    // links) resolved, so that the new folder is a sibling of the folder itself.
    if (glPlat.FullPath(glDropPath.c_str(), &run->dropFolder) != 0) return kTxtCantList;
    const std::string& drop = run->dropFolder;
    size_t sep = LastSepPos(drop, kPlatSep, kPlatNamesCp932);
    if (sep == std::string::npos || sep + 1 == drop.size()) return kTxtBadDrop;
    // "/" and "C:\" keep their separator.
    bool root = sep == 0 || drop[sep - 1] == ':';
    run->parentPath = drop.substr(0, root ? sep + 1 : sep);
    if (glPlat.Identify(run->parentPath.c_str(), &run->parentId) != 0) return kTxtBadDrop;
    KwMakeNameForms(run->oldName, run->newName, &run->forms);
    // The names decide the encoding of the new folder's name (Linux).
    std::vector<PlatEntry> found;
    // One cut short leaves files out; one without "." and ".." was not read at all.
    bool listed = KwList(drop, &found) && !found.empty();
    run->names = NamesEncoding(run->oldName, found);
    run->newFolderName = kPlatNamesCp932 ? run->newName : run->forms.nw[run->names];
    run->newFolder = drop.substr(0, sep + 1) + run->newFolderName;
    run->result.newFolder = run->newFolder;

    PlatFileId& target = run->newFolderId;
    run->fresh = glPlat.Identify(run->newFolder.c_str(), &target) != 0;
    if (!run->fresh) {
        if (!target.isDir) return kTxtFileInTheWay;
        if (KwSameFile(drop, run->newFolder)) return kTxtSameFolder;
        // Through a link the copy could land inside the project, or above it.
        if (target.isLink) return kTxtLinkInTheWay;
    }
    size_t workLen = run->fresh ? sep + 1 + kTempDirMax : run->newFolder.size() + 1 + kTempDirMax;
    size_t folderLen = std::max(run->newFolder.size(), workLen);
    if (folderLen + kShortNameRoom > kPlatPathMax) return kTxtTooLong;

    DbgStr("FindPath=", drop + kPlatSep + "*.*");
    if (!listed) return kTxtCantList;
    for (const PlatEntry& e : found) {
        run->entries.push_back(PlanEntry(*run, e));
        if (run->entries.back().action == kKwSkipFolder) run->result.subfolders.push_back(e.name);
    }
    // A copy whose name or path would not fit, or that Windows would take for a device, is
    // the new name's doing: refused before writing.
    for (const KwPlanEntry& p : run->entries) {
        if (!Writes(p)) continue;
        if (p.copyName.size() > kPlatNameMax || folderLen + 1 + p.copyName.size() > kPlatPathMax)
            return kTxtTooLong + Pair(p);
        if (p.copyName != p.name && IsDeviceName(p.copyName)) return kTxtBadName + Pair(p);
    }
    auto [a, b] = FindCollision(run->entries);
    if (a >= 0)
        return kTxtCollision + Pair(run->entries[static_cast<size_t>(a)]) +
               Pair(run->entries[static_cast<size_t>(b)]);
    if (!run->fresh && !MarkReplaced(run)) return kTxtCantListNew;
    return "";
}
