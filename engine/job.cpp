#include "engine/job.h"

#include "engine/kakikae.h"
#include "engine/plan.h"
#include "engine/texts.h"
#include "trace/trace.h"

#include <algorithm>
#include <exception>
#include <new>

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr uint64_t kChunk = uint64_t{1} << 30;

bool IsAscii(const std::string& s) {
    return std::none_of(s.begin(), s.end(), [](char c) { return c & 0x80; });
}

void Fail(KwRun* run, const std::string& name, const std::string& why) {
    run->result.failures.push_back({name, why});
}

// Removes a file this run made and could not complete.
void Discard(KwRun* run, const std::string& name) {
    PlatFileId id;
    if (glPlat.RemoveAt(run->work.dir, name.c_str()) != 0 &&
        glPlat.IdentifyAt(run->work.dir, name.c_str(), &id) == 0)
        run->leftBroken = true;
}

// Room to leave before a text of `size` bytes, for the longest the names make it grow.
size_t RoomFor(const KwRun& run, uint64_t size) {
    if (size >= SIZE_MAX / 4) return 0;
    size_t room = 0;
    for (PlatEnc e : {kEncCp932, kEncUtf8})
        if (run.forms.hasOld[e] && run.forms.hasNew[e])
            room = std::max(
                room, KakikaeRoom(static_cast<size_t>(size), run.forms.nw[e], run.forms.old[e]));
    return room;
}

// An open file, closed however the work on it ends (something thrown included).
struct Opened {
    PlatFile f = nullptr;
    ~Opened() {
        if (f) glPlat.Close(f);
    }
    int Close() {
        int err = glPlat.Close(f);
        f = nullptr;
        return err;
    }
};

// Reads a file to its end into the content buffer, behind the room the replacement may grow
// into: as it was, or "" never. One that changed meanwhile (an editor saved it) is read again,
// once.
std::string ReadWhole(const KwRun& run, const std::string& path, KwBuf* buf, bool trace) {
    for (int tries = 0; tries < 2; ++tries) {
        Opened in;
        if (int err = glPlat.OpenRead(path.c_str(), &in.f)) return KwReason(kTxtWhyOpen, err);
        PlatStamp before, after;
        if (int err = glPlat.Stamp(in.f, &before)) return KwReason(kTxtWhyRead, err);
        uint64_t size = before.size;
        if (trace && tries == 0) DbgNum("● FileSize", static_cast<double>(size), 0, 0, 0, 0);
        size_t room = RoomFor(run, size);
        buf->len = buf->at = 0;
        // A file too large for the address space is reported before it is read. One byte
        // more than it had is enough to tell that it grew.
        if (size >= SIZE_MAX / 4 || !KwBufReserve(buf, static_cast<size_t>(size) + 1 + room))
            return kTxtWhyNoMemory;
        buf->at = room;
        for (uint32_t got = 1; got > 0 && buf->len <= size;) {
            auto want = static_cast<uint32_t>(std::min<uint64_t>(size + 1 - buf->len, kChunk));
            if (int err = glPlat.Read(in.f, buf->text() + buf->len, want, &got))
                return KwReason(kTxtWhyRead, err);
            buf->len += got;
        }
        if (int err = glPlat.Stamp(in.f, &after)) return KwReason(kTxtWhyRead, err);
        if (after == before && buf->len == size) return "";
    }
    return kTxtWhyChanged;
}

// Files of an existing new folder are replaced only with a yes.
bool MayReplace(KwRun* run) {
    std::vector<std::string> names;
    for (const KwPlanEntry& e : run->entries)
        if (e.replaces) names.push_back(e.copyName);
    return names.empty() || run->events->MayReplace(run->newFolder, names);
}

// The folders opened as planned, the leftovers of earlier runs cleared, a temporary folder of
// this run's own made. "" when the run can go on, else why nothing could be written.
std::string Prepare(KwRun* run) {
    PlatFileId id;
    int err = glPlat.OpenDir(run->parentPath.c_str(), &run->parentDir, &id);
    // Not the folder that was checked: another may have been swapped in.
    if (!err && !KwSameId(id, run->parentId)) err = kPlatErrMoved;
    if (!err && !run->fresh) {
        err = glPlat.OpenDirAt(run->parentDir, run->newFolderName.c_str(), &run->newDir, &id);
        if (!err && !KwSameId(id, run->newFolderId)) err = kPlatErrMoved;
    }
    if (!err) {
        CleanLeftovers(run->parentDir, run->parentPath, run->dropFolder);
        if (!run->fresh) CleanLeftovers(run->newDir, run->newFolder, run->dropFolder);
        err = KwMakeWork(run->fresh ? run->parentDir : run->newDir, &run->tempCount, &run->work);
    }
    if (!err) return "";
    return KwReason(run->fresh ? kTxtCantMakeNew : kTxtCantWriteNew, err) + "\r\n" + run->newFolder;
}

// A file copied byte for byte, as it was: one that changed meanwhile is copied again, once.
std::string CopyAsItWas(KwRun* run, const std::string& from, const std::string& name) {
    for (int tries = 0; tries < 2; ++tries) {
        PlatFileId before, after;
        int err = glPlat.Identify(from.c_str(), &before);
        if (!err) err = glPlat.CopyAt(from.c_str(), run->work.dir, name.c_str());
        if (err) {
            // Whatever stands there now was made by this run, unless it stood there first.
            if (err != kPlatErrExists) Discard(run, name);
            return KwReason(kTxtWhyCopy, err);
        }
        if (glPlat.Identify(from.c_str(), &after) == 0 && after.stamp == before.stamp) return "";
        Discard(run, name);
    }
    return kTxtWhyChanged;
}

// One entry of the project folder into the copy.
void CopyEntry(KwRun* run, const KwPlanEntry& e) {
    DbgStr(" FileData.cFileName=", e.name);
    std::string from = run->dropFolder + kPlatSep + e.name, why;
    switch (e.action) {
    case kKwCopy: why = CopyAsItWas(run, from, e.copyName); break;
    case kKwRewrite: why = FileKakikaeToNewFile(run, e); break;
    case kKwFail: why = e.why; break;
    default: return;
    }
    // Into an existing folder, each complete file is put in place in one step: over the file
    // the user agreed to replace, under the name that file has there (as Windows keeps it),
    // and never over one that appeared meanwhile.
    if (why.empty() && !run->fresh) {
        const std::string& to = e.replaces ? e.replacedName : e.copyName;
        if (int err = glPlat.RenameAt(run->work.dir, e.copyName.c_str(), run->newDir, to.c_str(),
                                      e.replaces)) {
            Discard(run, e.copyName);
            why = err == kPlatErrExists && e.replacedName.empty() ? kTxtWhyAppeared
                                                                  : KwReason(kTxtWhyReplace, err);
        }
    }
    if (!why.empty()) Fail(run, e.name, why);
}

// The run's end: a fresh copy gets its name, an existing folder loses the temporary one.
void Commit(KwRun* run) {
    KwWork& work = run->work;
    if (run->fresh) {
        // The new name appears only now, with everything in it; never over something that
        // appeared there meanwhile. Where it can't, the copy stays where it was built, no
        // longer hidden nor marked (so never taken for a leftover), and is named.
        std::string why;
        int err = KwUnmark(&work);
        KwCloseWork(&work);
        if (!err && !run->leftBroken)
            err = glPlat.RenameAt(run->parentDir, work.name.c_str(), run->parentDir,
                                  run->newFolderName.c_str(), 0);
        bool named = !err && !run->leftBroken;
        glPlat.SetHiddenAt(run->parentDir, named ? run->newFolderName.c_str() : work.name.c_str(),
                           0);
        if (!named) {
            std::string at =
                run->newFolder.substr(0, run->newFolder.size() - run->newFolderName.size());
            Fail(run, run->newFolder,
                 (err ? KwReason(kTxtWhyFolderMove, err) : kTxtWhyFolderMove) + "\r\n" +
                     kTxtCopyIsAt + "\r\n" + at + work.name);
        }
    } else if (run->leftBroken) {
        KwCloseWork(&work); // still marked: a later run clears it
    } else if (KwUnmark(&work) == 0) {
        KwCloseWork(&work);
        glPlat.RemoveDirAt(run->newDir, work.name.c_str());
    }
}

// The plan carried out, each entry apart: what is thrown fails that file.
void Carry(KwRun* run) {
    size_t done = 0, total = 0;
    for (const KwPlanEntry& e : run->entries)
        total += e.action != kKwSkipDots && e.action != kKwSkipFolder;
    run->events->Progress(0, total);
    for (const KwPlanEntry& e : run->entries) {
        if (e.action == kKwSkipDots) continue;
        try {
            CopyEntry(run, e);
        } catch (const std::bad_alloc&) {
            Fail(run, e.name, kTxtWhyNoMemory);
        } catch (...) {
            Fail(run, e.name, kTxtWhyInternal);
        }
        if (e.action != kKwSkipFolder) run->events->Progress(++done, total);
    }
    KwBufFree(&run->content);
    Commit(run);
}

std::string FailureText(const std::vector<KwFailure>& failures, size_t shown) {
    std::string text = kTxtFailedHead;
    text += std::to_string(failures.size()) + kTxtFailedCount;
    for (size_t i = 0; i < failures.size() && i < shown; ++i)
        text += "\r\n" + failures[i].name + "：" + failures[i].why;
    if (failures.size() > shown)
        text += std::string("\r\n") + kTxtFailedMore + std::to_string(failures.size() - shown) +
                kTxtFailedCount;
    return text;
}

} // namespace

KwRun::~KwRun() {
    KwCloseWork(&work);
    if (newDir) glPlat.CloseDir(newDir);
    if (parentDir) glPlat.CloseDir(parentDir);
    KwBufFree(&content);
}

void KwProjectEncoding(KwRun* run) {
    // Of each group's texts that hold more than ASCII: how many read as UTF-8, how many not.
    int utf8[3] = {}, other[3] = {};
    KwBuf buf;
    for (const KwPlanEntry& e : run->entries) {
        int g = KwTextGroupOf(e.name);
        // The IDE reads its own files in CP932 whatever the others are in.
        if (e.action != kKwRewrite || g == kGroupIde || other[g] ||
            !ReadWhole(*run, run->dropFolder + kPlatSep + e.name, &buf, false).empty())
            continue;
        KwTextKind kind = KwDetectText(buf.text(), buf.len);
        if (!kind.ascii) ++(kind.enc == kEncUtf8 && !kind.mixed ? utf8 : other)[g];
    }
    auto decide = [&](int g) { return utf8[g] && !other[g] ? kEncUtf8 : kEncCp932; };
    run->ascii[kGroupIde] = kEncCp932;
    run->ascii[kGroupSource] = decide(kGroupSource);
    run->ascii[kGroupTxt] =
        utf8[kGroupTxt] || other[kGroupTxt] ? decide(kGroupTxt) : run->ascii[kGroupSource];
}

std::string KwReadAndRewrite(const KwRun& run, const KwPlanEntry& entry, KwBuf* buf, bool detect,
                             KwTextInfo* info) {
    std::string why = ReadWhole(run, run.dropFolder + kPlatSep + entry.name, buf, !detect);
    int group = std::max(0, KwTextGroupOf(entry.name));
    if (why.empty()) why = KwRewriteContent(buf, run.forms, run.ascii[group], detect, info);
    return why;
}

std::string FileKakikaeToNewFile(KwRun* run, const KwPlanEntry& entry) {
    // The path the copy gets, not the temporary one it is written under.
    DbgStr("●●● FileKakikaeToNewFile ●●●NewPath＝", run->newFolder + kPlatSep + entry.copyName);
    KwTextInfo info;
    KwBuf& buf = run->content;
    std::string why = KwReadAndRewrite(*run, entry, &buf, false, &info);
    if (why.empty()) {
        DbgNum("● StrKakikae Ret", static_cast<double>(buf.len), 0, 0, 0, 0);
        FileWriteMy2(run, entry.copyName, buf.text(), buf.len, &why);
    }
    // Written, but a place that reads in neither encoding holds the old name as it was.
    if (why.empty() && info.unreadable) why = kTxtWhyMixed;
    if (why.empty() && info.noForm) why = kTxtWhyNoForm;
    return why;
}

uint64_t FileWriteMy2(KwRun* run, const std::string& name, const char* buf, uint64_t n,
                      std::string* why) {
    Opened out;
    if (int err = glPlat.CreateAt(run->work.dir, name.c_str(), &out.f)) {
        if (!run->createFailed) run->events->CreateFailed();
        run->createFailed = true;
        *why = KwReason(kTxtWhyCreate, err);
        return 0;
    }
    uint64_t done = 0;
    while (done < n) {
        uint32_t put = 0;
        auto want = static_cast<uint32_t>(std::min<uint64_t>(n - done, kChunk));
        int err = glPlat.Write(out.f, buf + done, want, &put);
        done += put;
        if (err) {
            *why = KwReason(kTxtWhyWrite, err);
            break;
        }
        if (put == 0) { // a write that takes nothing: no room left
            *why = kTxtWhyDiskFull;
            break;
        }
    }
    if (int err = out.Close(); err && why->empty()) *why = KwReason(kTxtWhyClose, err);
    if (!why->empty()) Discard(run, name);
    return done;
}

KwJobStatus ProjectKakikae(KwEvents* events) {
    KwRun run;
    run.events = events;
    KwResult& r = run.result;
    try {
        r.refusal = KwMakePlan(&run);
        // ASCII texts take their group's encoding; it matters only to a name that is not ASCII.
        if (r.refusal.empty() && !IsAscii(run.newName)) KwProjectEncoding(&run);
        if (!r.refusal.empty() || !MayReplace(&run) || !(r.refusal = Prepare(&run)).empty()) {
            r.status = kKwRefused;
        } else {
            Carry(&run);
            r.status = r.failures.empty() ? kKwDone : kKwFailed;
        }
    } catch (const std::bad_alloc&) {
        Fail(&run, run.newFolder, kTxtWhyNoMemory);
        r.status = kKwFailed;
    } catch (...) {
        Fail(&run, run.newFolder, kTxtWhyInternal);
        r.status = kKwFailed;
    }
    events->End(r);
    return r.status;
}

std::string KwEndText(const KwResult& r) {
    std::string text = r.status == kKwRefused ? r.refusal
                       : r.status == kKwDone  ? std::string(kTxtDone) + "\r\n" + r.newFolder
                                              : FailureText(r.failures, kKwFailuresShown);
    if (r.status != kKwRefused && !r.subfolders.empty()) {
        text += std::string("\r\n") + kTxtSubfolders;
        for (size_t i = 0; i < r.subfolders.size(); ++i)
            text += (i ? ", " : " ") + r.subfolders[i];
    }
    return text;
}
