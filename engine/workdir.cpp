// Temporary folders: ".~kw" + the process id in hex + "-" + a count. The name only keeps two
// runs apart; what makes a folder a run's own is the marker inside it, held locked.
#include "engine/job.h"
#include "engine/mbcs.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

unsigned gTempCount = 0;

std::string MarkerOf(const std::string& folder) {
    return folder + kPlatSep + kKwMarker;
}

} // namespace

bool KwSameFile(const std::string& a, const std::string& b) {
    PlatFileId x, y;
    return glPlat.Identify(a.c_str(), &x) && glPlat.Identify(b.c_str(), &y) &&
           x.volume == y.volume && x.index == y.index;
}

bool KwList(const std::string& folder, std::vector<PlatEntry>* out) {
    PlatEntry e;
    PlatSearch search = glPlat.FindFirst((folder + kPlatSep + "*.*").c_str(), &e);
    if (!search) return glPlat.LastError() == 0;
    int more;
    do
        out->push_back(e);
    while ((more = glPlat.FindNext(search, &e)) > 0);
    glPlat.FindEnd(search);
    return more == 0;
}

bool IsTempName(const std::string& name) {
    size_t pre = std::strlen(".~kw"), i = pre;
    if (name.compare(0, pre, ".~kw") != 0) return false;
    while (i < name.size() && std::isxdigit(static_cast<unsigned char>(name[i])))
        ++i;
    if (i == pre || i - pre > 8 || i == name.size() || name[i++] != '-') return false;
    size_t digits = i;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])))
        ++i;
    return i > digits && i - digits <= 10 && i == name.size();
}

int KwMakeWork(const std::string& parent, KwWork* work) {
    int err = 0;
    // Another run, here or on another machine, may hold a name: the next count is tried.
    for (int tries = 0; tries < 100; ++tries) {
        char id[32];
        std::snprintf(id, sizeof id, ".~kw%x-%u", static_cast<unsigned>(glPlat.ProcessId()),
                      ++gTempCount);
        work->path = parent + kPlatSep + id;
        PlatFileId there;
        if ((err = glPlat.MakeDir(work->path.c_str())) != 0) {
            if (glPlat.Identify(work->path.c_str(), &there)) continue; // taken
            break;
        }
        glPlat.SetHidden(work->path.c_str(), 1);
        if ((work->marker = glPlat.HoldMarker(MarkerOf(work->path).c_str(), 1))) return 0;
        err = glPlat.LastError();
        if (!err) err = -1;
        // Empty and ours, unless a cleaner took it in the instant before the lock: then it
        // is gone already.
        glPlat.RemoveDir(work->path.c_str());
        if (glPlat.Identify(work->path.c_str(), &there)) break;
    }
    work->path.clear();
    return err;
}

int KwUnmark(KwWork* work) {
    if (!work->marker) return 0;
    int err = glPlat.Remove(MarkerOf(work->path).c_str());
    if (err) {
        // A marker with content is never taken for a leftover: what the user is told of stays.
        uint32_t put = 0;
        glPlat.Write(work->marker, "k", 1, &put);
    }
    glPlat.Close(work->marker);
    work->marker = nullptr;
    return err;
}

void CleanLeftovers(const std::string& folder, const std::string& keep) {
    std::vector<PlatEntry> entries;
    if (!KwList(folder, &entries)) return;
    for (const PlatEntry& e : entries) {
        if (!e.isDir || e.isLink || e.state != kNameOk || !IsTempName(e.name)) continue;
        std::string path = folder + kPlatSep + e.name;
        if (KwSameFile(path, keep)) continue;
        KwWork work{path, glPlat.HoldMarker(MarkerOf(path).c_str(), 0)};
        uint64_t size = 1;
        if (!work.marker || !glPlat.Size(work.marker, &size) || size != 0) {
            if (work.marker) glPlat.Close(work.marker);
            continue;
        }
        // Only the files a run writes: a folder inside is none of ours, and stops it all.
        std::vector<PlatEntry> inside;
        bool ours = KwList(path, &inside);
        for (const PlatEntry& f : inside)
            ours = ours && (!f.isDir || f.name == "." || f.name == "..") && f.state == kNameOk;
        for (const PlatEntry& f : inside)
            if (ours && !f.isDir && f.name != kKwMarker)
                glPlat.Remove((path + kPlatSep + f.name).c_str());
        if (!ours) {
            glPlat.Close(work.marker);
            continue;
        }
        if (KwUnmark(&work) == 0) glPlat.RemoveDir(path.c_str());
    }
}
