#include "engine/plan.h"

#include "engine/names.h"
#include "engine/texts.h"
#include "text/kakikae.h"
#include "text/mbcs.h"
#include "trace/trace.h"

#include <algorithm>
#include <map>

namespace {

// Longer names than this can't come out of a replacement in a usable name anyway.
constexpr size_t kNameLimit = 4096;
// Windows keeps room for an 8.3 name inside a new folder's path.
constexpr size_t kShortNameRoom = 12;

bool Writes(const KwPlanEntry& e) {
    return e.action == kKwCopy || e.action == kKwRewrite;
}

// The first pair of entries whose copies would get one name as Windows compares names, or
// {-1, -1}.
std::pair<int, int> FindCollision(const std::vector<KwPlanEntry>& entries) {
    std::vector<std::pair<std::string, int>> keys;
    for (size_t i = 0; i < entries.size(); ++i)
        if (Writes(entries[i])) keys.emplace_back(KwNameKey(entries[i].copyName), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t k = 1; k < keys.size(); ++k)
        if (keys[k - 1].first == keys[k].first)
            return {std::min(keys[k - 1].second, keys[k].second),
                    std::max(keys[k - 1].second, keys[k].second)};
    return {-1, -1};
}

// The name of a file's copy: the old name replaced in the name's own encoding, and in an
// ASCII name in that of the project's names. Matched in one form (NFC); a name keeps its
// bytes where the old name is not in it.
KwError CopyName(const KwRequest& request, const KwRun& run, std::string* name, uint64_t* count) {
    *count = 0;
    if (kPlatNamesCp932)
        return StrKakikae(name, request.glNewPjName, request.glOldPjName,
                          {kUnitCp932, false, kNameLimit}, count);
    PlatEnc enc = KwIsAscii(*name) ? run.names : KwNameEncoding(*name);
    const KwNameForms& f = run.forms;
    if (!f.hasOld[enc]) return {};
    KakikaeRules rules{enc == kEncCp932 ? kUnitCp932 : kUnitByte, enc == kEncCp932, kNameLimit};
    std::string nfc = KwNfcName(*name);
    if (KwError e = StrKakikae(&nfc, f.nw[enc], f.old[enc], rules, count)) return e;
    if (*count) *name = nfc;
    return {};
}

KwPlanEntry PlanEntry(const KwRequest& request, const KwRun& run, const PlatEntry& found) {
    KwPlanEntry e;
    e.name = e.copyName = found.name;
    if (found.name == "." || found.name == "..") {
        e.action = kKwSkipDots;
    } else if (found.isDir) {
        e.action = kKwSkipFolder;
    } else if (found.state != kNameOk) {
        e.action = kKwFail;
        e.why = KwSay(found.state == kNameNotAnsi ? kTxtWhyNotAnsi : kTxtWhyAltered);
    } else if (KwError err = CopyName(request, run, &e.copyName, &e.nameCount)) {
        e.action = kKwFail;
        e.why = err.why;
    } else if (KwNameKey(e.copyName) == KwNameKey(kKwMarker)) {
        e.action = kKwFail;
        e.why = KwSay(kTxtWhyMarkerName);
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
    if (!KwIsAscii(oldName)) return KwNameEncoding(oldName);
    bool any = false;
    for (const PlatEntry& e : found) {
        if (KwIsAscii(e.name)) continue;
        if (KwNameEncoding(e.name) == kEncUtf8) return kEncUtf8;
        any = true;
    }
    return any ? kEncCp932 : kEncUtf8;
}

// The entries whose copies replace a file of the existing new folder: one of the same name as
// Windows compares names, under whatever name it has there.
KwError MarkReplaced(KwRun* run) {
    std::vector<PlatEntry> there;
    if (glPlat.List(run->newFolder.c_str(), &there) != 0)
        return KwError(kTxtCantListNew, run->newFolder);
    std::map<std::string, const PlatEntry*> names;
    for (const PlatEntry& f : there)
        names.emplace(KwNameKey(f.name), &f);
    for (KwPlanEntry& e : run->entries) {
        auto it = Writes(e) ? names.find(KwNameKey(e.copyName)) : names.end();
        if (it == names.end()) continue;
        e.replacedName = it->second->name;
        e.replaces = !it->second->isDir || it->second->isLink; // a folder is never replaced
    }
    return {};
}

std::string Pair(const KwPlanEntry& e) {
    return e.name + " → " + e.copyName;
}

// The copy's own paths must fit, for the IDE opens them; the run's temporary ones are its own
// affair. When they don't, the name is blamed only where a shorter one would do.
KwError CheckLengths(const KwRun& run) {
    const size_t folder = PlatPathUnits(run.newFolder), len = PlatPathUnits(run.newFolderName);
    const size_t base = folder - len; // the parent and a separator
    auto less = [](size_t a, size_t b) { return a > b ? a - b : 0; };
    bool fits = folder + kShortNameRoom <= kPlatPathMax;
    // The longest new name with which every path would fit: the folder, and each copy whose
    // name holds the new one `nameCount` times.
    size_t most = less(kPlatPathMax, base + kShortNameRoom), longest = 0;
    std::string deepest = run.newFolder;
    for (const KwPlanEntry& e : run.entries) {
        if (!Writes(e)) continue;
        size_t name = PlatPathUnits(e.copyName), k = static_cast<size_t>(e.nameCount);
        size_t rest = less(name, k * len);
        fits = fits && name <= kPlatNameMax && folder + 1 + name <= kPlatPathMax;
        most = std::min(most, less(kPlatPathMax, base + 1 + rest) / (1 + k));
        most = std::min(most, k ? less(kPlatNameMax, rest) / k : name <= kPlatNameMax ? most : 0);
        if (name > longest) {
            longest = name;
            deepest = run.newFolder + kPlatSep + e.copyName;
        }
    }
    if (fits) return {};
    return most > 0 ? KwError(kTxtTooLong) : KwError(kTxtTooDeep, deepest);
}

} // namespace

int KwTextGroupOf(const std::string& name) {
    static const struct {
        const char* ext;
        KwTextGroup group;
    } kTypes[] = {{".wbp", kGroupSource}, {".sbp", kGroupSource}, {".wbp", kGroupSource},
                  {".abp", kGroupSource}, {".idx", kGroupIde},    {".pj", kGroupIde},
                  {".wnd", kGroupIde},    {".wrk", kGroupIde},    {".txt", kGroupTxt}};
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot > 7) return -1;
    std::string ext = name.substr(dot);
    for (const auto& t : kTypes)
        if (PlatCompareNoCase(ext.c_str(), t.ext) == 0) return t.group;
    return -1;
}

int IsKakikaeTarget(const std::string& name) {
    return KwTextGroupOf(name) >= 0;
}

KwError KwMakePlan(const KwRequest& request, KwRun* run) {
    const KwRequest& r = request;
    run->entries.clear();
    if (KwError e = CheckNewName(r.glNewPjName)) return e;
    // The folder as it is, not as it was spelled: ".", "..", both separators (and on Linux
    // links) resolved, so that the new folder is a sibling of the folder itself.
    if (int err = glPlat.FullPath(r.glDropPath.c_str(), &run->dropFolder))
        return {KwReason(kTxtCantList, err), r.glDropPath};
    const std::string& drop = run->dropFolder;
    size_t sep = LastSepPos(drop, kPlatSep, kPlatNamesCp932);
    if (sep == std::string::npos || sep + 1 == drop.size()) return KwError(kTxtBadDrop, drop);
    // "/" and "C:\" keep their separator.
    bool root = sep == 0 || drop[sep - 1] == ':';
    run->parentPath = drop.substr(0, root ? sep + 1 : sep);
    if (glPlat.Identify(run->parentPath.c_str(), &run->parentId) != 0)
        return KwError(kTxtBadDrop, drop);
    KwMakeNameForms(r.glOldPjName, KwNameEncoding(r.glOldPjName), r.glNewPjName,
                    KwNameEncoding(r.glNewPjName), &run->forms);
    // The names decide the encoding of the new folder's name (Linux).
    std::vector<PlatEntry> found, siblings;
    // One cut short leaves files out; one without "." and ".." was not read at all.
    int unlisted = glPlat.List(drop.c_str(), &found);
    run->names = NamesEncoding(r.glOldPjName, found);
    run->newFolderName = kPlatNamesCp932 ? r.glNewPjName : run->forms.nw[run->names];
    // The project folder under another spelling is the project folder all the same, also
    // where the volume gives it an identity for each spelling (exFAT on Linux).
    std::string key = KwNameKey(run->newFolderName);
    if (key == KwNameKey(drop.substr(sep + 1))) return KwError(kTxtSameFolder);
    // A folder of that name as Windows compares names is the new folder, as it is spelled.
    std::string spelled;
    if (glPlat.List(run->parentPath.c_str(), &siblings) == 0)
        for (const PlatEntry& e : siblings)
            if (e.state == kNameOk && e.name != "." && e.name != ".." && KwNameKey(e.name) == key)
                if (spelled = e.name; spelled == run->newFolderName) break;
    if (!spelled.empty()) run->newFolderName = spelled;
    run->newFolder = drop.substr(0, sep + 1) + run->newFolderName;
    run->result.newFolder = run->newFolder;

    PlatFileId& target = run->newFolderId;
    run->fresh = glPlat.Identify(run->newFolder.c_str(), &target) != 0;
    if (!run->fresh) {
        if (!target.isDir) return KwError(kTxtFileInTheWay, run->newFolder);
        if (KwSameFile(drop, run->newFolder)) return KwError(kTxtSameFolder);
        // Through a link the copy could land inside the project, or above it.
        if (target.isLink) return KwError(kTxtLinkInTheWay, run->newFolder);
    }

    DbgStr("FindPath=", drop + kPlatSep + "*.*");
    if (unlisted) return {KwReason(kTxtCantList, unlisted), drop};
    if (found.empty()) return KwError(kTxtCantList, drop); // not even "." was there
    // A folder that can be listed but not entered, or a project file that can't be read, gives
    // a copy of nothing worth having.
    std::string pj = KwProjectFile(drop, found);
    PlatOpenFile probe;
    if (pj.empty()) return KwError(kTxtNoPjFile, drop);
    if (int err = glPlat.OpenRead((drop + kPlatSep + pj).c_str(), probe.Out()))
        return {KwReason(kTxtCantReadPj, err), drop + kPlatSep + pj};
    for (const PlatEntry& e : found) {
        run->entries.push_back(PlanEntry(request, *run, e));
        if (run->entries.back().action == kKwSkipFolder) run->result.subfolders.push_back(e.name);
    }
    if (KwError e = CheckLengths(*run)) return e;
    // A copy that Windows would take for a device is the new name's doing: refused before
    // writing.
    for (const KwPlanEntry& p : run->entries)
        if (Writes(p) && p.copyName != p.name && IsDeviceName(p.copyName))
            return KwError(kTxtBadName, Pair(p));
    auto [a, b] = FindCollision(run->entries);
    if (a >= 0)
        return KwError(kTxtCollision, Pair(run->entries[static_cast<size_t>(a)]) + "\r\n" +
                                          Pair(run->entries[static_cast<size_t>(b)]));
    return run->fresh ? KwError() : MarkReplaced(run);
}
