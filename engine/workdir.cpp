// Temporary folders: ".~kw" + the process id in hex + "-" + a count. The name only keeps two
// runs apart; what makes a folder a run's own is the marker inside it, held locked.
#include "engine/workdir.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// A lock can go unseen (a share whose server does not pass it on): a folder in which anything
// changed this recently may belong to a run that lives.
constexpr int64_t kQuiet = 3600;

// Whether the temporary folder holds only what a run writes, none of it changed lately.
bool Abandoned(const KwWork& work, const std::string& path, int64_t since) {
    std::vector<PlatEntry> inside;
    if (!KwList(path, &inside)) return false;
    for (const PlatEntry& f : inside) {
        if (f.name == "." || f.name == "..") continue;
        PlatFileId id;
        // A folder inside is none of ours, and stops it all.
        if (f.isDir || f.state != kNameOk ||
            glPlat.IdentifyAt(work.dir, f.name.c_str(), &id) != 0 || id.changed >= since)
            return false;
    }
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

bool KwList(const std::string& folder, std::vector<PlatEntry>* out) {
    return glPlat.List(folder.c_str(), out) == 0;
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

int KwMakeWork(PlatDir at, unsigned* count, KwWork* work) {
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
        if ((err = glPlat.OpenDirAt(at, id, &work->dir, &there)) == 0) {
            glPlat.SetHiddenAt(at, id, 1);
            if ((err = glPlat.HoldMarkerAt(work->dir, kKwMarker, 1, &work->marker)) == 0) return 0;
            KwCloseWork(work);
        }
        // Empty and ours, unless a cleaner took it in the instant before the lock: then it
        // is gone already.
        glPlat.RemoveDirAt(at, id);
        if (glPlat.IdentifyAt(at, id, &there) == 0) break;
    }
    work->name.clear();
    return err ? err : kPlatErrExists;
}

int KwUnmark(KwWork* work) {
    if (!work->marker) return 0;
    int err = glPlat.RemoveAt(work->dir, kKwMarker);
    if (err) {
        // A marker with content is never taken for a leftover: what the user is told of stays.
        uint32_t put = 0;
        glPlat.Write(work->marker, "k", 1, &put);
    }
    glPlat.Close(work->marker);
    work->marker = nullptr;
    return err;
}

void KwCloseWork(KwWork* work) {
    if (work->marker) glPlat.Close(work->marker);
    if (work->dir) glPlat.CloseDir(work->dir);
    work->marker = nullptr;
    work->dir = nullptr;
}

void CleanLeftovers(PlatDir at, const std::string& folder, const std::string& keep) {
    std::vector<PlatEntry> entries;
    if (!KwList(folder, &entries)) return;
    int64_t since = PlatNow() - kQuiet;
    for (const PlatEntry& e : entries) {
        if (!e.isDir || e.isLink || e.state != kNameOk || !IsTempName(e.name)) continue;
        std::string path = folder + kPlatSep + e.name;
        if (KwSameFile(path, keep)) continue;
        KwWork work{e.name};
        PlatFileId id;
        PlatStamp marker;
        if (glPlat.OpenDirAt(at, e.name.c_str(), &work.dir, &id) != 0) continue;
        if (id.changed < since && glPlat.HoldMarkerAt(work.dir, kKwMarker, 0, &work.marker) == 0 &&
            glPlat.Stamp(work.marker, &marker) == 0 && marker.size == 0 &&
            Abandoned(work, path, since)) {
            std::vector<PlatEntry> inside;
            KwList(path, &inside);
            for (const PlatEntry& f : inside)
                if (!f.isDir && f.name != kKwMarker) glPlat.RemoveAt(work.dir, f.name.c_str());
            if (KwUnmark(&work) == 0) {
                KwCloseWork(&work);
                glPlat.RemoveDirAt(at, e.name.c_str());
            }
        }
        KwCloseWork(&work);
    }
}
