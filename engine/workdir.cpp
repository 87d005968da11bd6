// Temporary folders: ".~kw" + the process id in hex + "-" + a count. The name only keeps two
// runs apart; what makes a folder a run's own is the marker inside it, held locked.
#include "engine/workdir.h"

#include "engine/texts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A lock can go unseen (a share whose server does not pass it on): a folder whose own time or
// its marker's is this recent may belong to a run that lives.
constexpr int64_t kQuiet = 3600;
// A time ahead of the clock is believed for a day at most: a wrong clock must not hold a
// leftover for good.
constexpr int64_t kAhead = 86400;

// Whether a time set by a run's own work (its folder's, its marker's; never the dates a copy
// took from the project) says that the run may still live.
bool Recent(int64_t t, int64_t now) {
    return t >= now - kQuiet && t <= now + kAhead;
}

// Whether the temporary folder holds only what a run writes: files, no folder of anyone's.
bool OnlyFiles(const std::string& path) {
    std::vector<PlatEntry> inside;
    if (glPlat.List(path.c_str(), &inside) != 0) return false;
    for (const PlatEntry& f : inside)
        if (f.name != "." && f.name != ".." && (f.isDir || f.state != kNameOk)) return false;
    return true;
}

} // namespace

bool KwSameId(const PlatFileId& a, const PlatFileId& b) {
    return a.volume == b.volume && a.index == b.index;
}

bool KwSameFile(const std::string& a, const std::string& b) {
    PlatFileId x, y;
    return glPlat.Identify(a.c_str(), &x) == 0 && glPlat.Identify(b.c_str(), &y) == 0 &&
           KwSameId(x, y);
}

bool IsTempName(const std::string& name) {
    size_t pre = std::strlen(kKwTempPrefix), i = pre;
    if (name.compare(0, pre, kKwTempPrefix) != 0) return false;
    while (i < name.size() && std::isxdigit(static_cast<unsigned char>(name[i])))
        ++i;
    if (i == pre || i - pre > 8 || i == name.size() || name[i++] != '-') return false;
    size_t digits = i;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])))
        ++i;
    return i > digits && i - digits <= 10 && i == name.size();
}

KwError KwMakeWork(PlatDir at, const std::string& folder, const KwText& what, unsigned* count,
                   KwWork* work) {
    int err = 0;
    // Another run, here or on another machine, may hold a name: the next count is tried.
    for (int tries = 0; tries < 100; ++tries) {
        char id[32];
        std::snprintf(id, sizeof id, "%s%x-%u", kKwTempPrefix,
                      static_cast<unsigned>(PlatProcessId()), ++*count);
        PlatFileId there;
        if ((err = glPlat.MakeDirAt(at, id)) != 0) {
            if (glPlat.IdentifyAt(at, id, &there) == 0) continue; // taken
            break;
        }
        work->name = id;
        if ((err = glPlat.OpenDirAt(at, id, work->dir.Out(), &there)) == 0) {
            glPlat.SetHiddenAt(at, id, 1);
            err = glPlat.HoldMarkerAt(work->dir.get(), kKwMarker, 1, work->marker.Out());
            if (err == 0) return {};
            work->dir.Reset();
        }
        // Empty and ours, unless a cleaner took it in the instant before the lock: then it
        // is gone already.
        glPlat.RemoveDirAt(at, id);
        if (glPlat.IdentifyAt(at, id, &there) == 0) break;
    }
    work->name.clear();
    return {KwReason(what, err ? err : kPlatErrExists), folder};
}

bool KwUnmark(KwWork* work) {
    if (!work->marker) return true;
    if (glPlat.RemoveAt(work->dir.get(), kKwMarker) != 0) {
        uint32_t put = 0;
        glPlat.Write(work->marker.get(), "k", 1, &put);
        work->marker.Reset();
        return false;
    }
    work->marker.Reset();
    return true;
}

void CleanLeftovers(PlatDir at, const std::string& folder, const std::string& keep) {
    std::vector<PlatEntry> entries;
    if (glPlat.List(folder.c_str(), &entries) != 0) return;
    int64_t now = PlatNow();
    for (const PlatEntry& e : entries) {
        if (!e.isDir || e.isLink || e.state != kNameOk || !IsTempName(e.name)) continue;
        std::string path = folder + kPlatSep + e.name;
        if (KwSameFile(path, keep)) continue;
        KwWork work{e.name, {}, {}};
        PlatFileId id, marked;
        PlatStamp marker;
        if (glPlat.OpenDirAt(at, e.name.c_str(), work.dir.Out(), &id) != 0) continue;
        // Nobody holds its marker, it is empty, and neither it nor the folder changed lately.
        if (Recent(id.changed, now) ||
            glPlat.HoldMarkerAt(work.dir.get(), kKwMarker, 0, work.marker.Out()) != 0 ||
            glPlat.Stamp(work.marker.get(), &marker) != 0 || marker.size != 0 ||
            glPlat.IdentifyAt(work.dir.get(), kKwMarker, &marked) != 0 ||
            Recent(marked.changed, now) || !OnlyFiles(path))
            continue;
        KwRemoveWork(at, path, &work);
    }
}

bool KwRemoveWork(PlatDir at, const std::string& path, KwWork* work) {
    std::vector<PlatEntry> inside;
    glPlat.List(path.c_str(), &inside);
    for (const PlatEntry& f : inside)
        if (!f.isDir && f.name != kKwMarker) glPlat.RemoveAt(work->dir.get(), f.name.c_str());
    // The marker goes last, when all else is gone: else it stays for a later run.
    bool left = glPlat.List(path.c_str(), &inside) != 0 ||
                std::any_of(inside.begin(), inside.end(), [](const PlatEntry& f) {
                    return f.name != "." && f.name != ".." && f.name != kKwMarker;
                });
    if (left || !KwUnmark(work)) return false;
    work->dir.Reset();
    return glPlat.RemoveDirAt(at, work->name.c_str()) == 0;
}

std::string KwReason(const KwText& what, int code) {
    if (code == kPlatErrNotFile) return KwSay(kTxtWhyNotFile);
    if (code == kPlatErrMoved)
        return std::string(KwSay(what)) + KwSay(kTxtColon) + KwSay(kTxtWhyMoved);
    std::string words = PlatIsDiskFull(code) ? KwSay(kTxtWhyDiskFull) : PlatErrorText(code);
    return std::string(KwSay(what)) + (words.empty() ? "" : KwSay(kTxtColon) + words) +
           KwSay(kTxtOpen) + KwSay(kTxtWhyErrorCode) + " " + std::to_string(code) +
           KwSay(kTxtClose);
}
