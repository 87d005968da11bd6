#include "engine/job.h"

#include "engine/plan.h"
#include "engine/texts.h"
#include "text/kakikae.h"
#include "text/mbcs.h"
#include "trace/trace.h"

#include <algorithm>

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr uint64_t kChunk = uint64_t{1} << 30;

void Fail(KwRun* run, const std::string& name, const std::string& why) {
    run->result.failures.emplace_back(why, name);
}

// Removes a file this run made and could not complete.
void Discard(KwRun* run, const std::string& name) {
    PlatFileId id;
    if (glPlat.RemoveAt(run->work.dir.get(), name.c_str()) != 0 &&
        glPlat.IdentifyAt(run->work.dir.get(), name.c_str(), &id) == 0)
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

// Reads a file to its end into the content buffer, behind the room the replacement may grow
// into: as it was (`stamp`), or not at all. One that changed meanwhile (an editor saved it) is
// read again, once.
KwError ReadWhole(const KwRun& run, const std::string& name, KwBuf* buf, bool trace,
                  PlatStamp* stamp = nullptr) {
    std::string path = run.dropFolder + kPlatSep + name;
    for (int tries = 0; tries < 2; ++tries) {
        PlatOpenFile in;
        PlatStamp before, after;
        if (int err = glPlat.OpenRead(path.c_str(), in.Out()))
            return {KwReason(kTxtWhyOpen, err), name};
        if (int err = glPlat.Stamp(in.get(), &before)) return {KwReason(kTxtWhyRead, err), name};
        uint64_t size = before.size;
        if (trace && tries == 0) DbgNum("● FileSize", static_cast<double>(size), 0, 0, 0, 0);
        size_t room = RoomFor(run, size);
        buf->len = buf->at = 0;
        // A file too large for the address space is reported before it is read. One byte
        // more than it had is enough to tell that it grew.
        if (size >= SIZE_MAX / 4 || KwBufReserve(buf, static_cast<size_t>(size) + 1 + room))
            return KwError(kTxtWhyNoMemory, name);
        buf->at = room;
        for (uint32_t got = 1; got > 0 && buf->len <= size;) {
            auto want = static_cast<uint32_t>(std::min<uint64_t>(size + 1 - buf->len, kChunk));
            if (int err = glPlat.Read(in.get(), buf->text() + buf->len, want, &got))
                return {KwReason(kTxtWhyRead, err), name};
            buf->len += got;
        }
        buf->text()[buf->len] = '\0'; // the buffer's promise: a zero byte after the text
        if (int err = glPlat.Stamp(in.get(), &after)) return {KwReason(kTxtWhyRead, err), name};
        if (after == before && buf->len == size) {
            if (stamp) *stamp = after;
            return {};
        }
    }
    return KwError(kTxtWhyChanged, name);
}

// Reads the text of `entry` and rewrites its content into buf. `detect`: decide the encoding
// even where the name can't be in it (to show it).
KwError ReadAndRewrite(const KwRun& run, const KwPlanEntry& entry, KwBuf* buf, bool detect,
                       KwTextInfo* info) {
    PlatStamp stamp;
    if (KwError e = ReadWhole(run, entry.name, buf, !detect, &stamp)) return e;
    int group = std::max(0, KwTextGroupOf(entry.name));
    bool known = entry.kindKnown && entry.kindOf == stamp;
    KwError e = KwRewriteContent(buf, run.forms, run.ascii[group], detect, info,
                                 known ? &entry.kind : nullptr);
    // Written, but a place holds the old name as it was: one that reads in neither encoding,
    // or one in an encoding that can't hold the name.
    if (!e && info->unreadable) e = KwError(kTxtWhyMixed);
    if (!e && info->noForm) e = KwError(kTxtWhyNoForm);
    e.what = entry.name;
    return e;
}

// How a text read into `buf` (as it was at `stamp`) is read: as it was decided before, or
// decided now and kept for the next time it is read.
const KwTextKind& KindOf(KwPlanEntry* e, const KwBuf& buf, const PlatStamp& stamp) {
    if (!e->kindKnown || !(e->kindOf == stamp))
        e->kind = KwDetectText(buf.text(), buf.len), e->kindOf = stamp, e->kindKnown = true;
    return e->kind;
}

// The places of the sources' program code where the new name can't stand, where there can be
// any: the new name is no identifier.
void FindCodePlaces(const KwRequest& request, KwRun* run) {
    KwCodeFit fit = KwCodeFitOf(request.glNewPjName);
    if (fit == kFitsCode) return;
    KwBuf& buf = run->content;
    std::vector<KwSegment> segments;
    PlatStamp stamp;
    for (KwPlanEntry& e : run->entries) {
        if (e.action != kKwRewrite || KwTextGroupOf(e.name) != kGroupSource ||
            ReadWhole(*run, e.name, &buf, false, &stamp))
            continue; // a text that can't be read is said of when it is copied
        const KwTextKind& kind = KindOf(&e, buf, stamp);
        std::vector<KwCodePlace> places;
        auto find = [&](size_t begin, size_t end, PlatEnc enc) {
            if (!run->forms.hasOld[enc] || enc > kEncUtf8) return;
            KwCodePlaces(buf.text() + begin, end - begin, run->forms.old[enc],
                         enc == kEncCp932 ? kUnitCp932 : kUnitByte, fit, &places);
        };
        if (kind.mixed) {
            KwSegments(buf.text(), buf.len, kind.enc, &segments);
            for (const KwSegment& s : segments)
                if (s.readable) find(s.begin, s.end, s.enc);
        } else {
            find(0, buf.len, kind.ascii ? run->ascii[kGroupSource] : kind.enc);
        }
        e.codePlaces = places.size();
        for (KwCodePlace& p : places)
            run->codePlaces.push_back({e.copyName, std::move(p)});
    }
}

// Program code that would not compile is written only with a yes.
bool MayEnterCode(KwRun* run) {
    return run->codePlaces.empty() || run->events->MayEnterCode(run->codePlaces);
}

// Files of an existing new folder are replaced only with a yes.
bool MayReplace(KwRun* run) {
    std::vector<std::string> names;
    for (const KwPlanEntry& e : run->entries)
        if (e.replaces) names.push_back(e.copyName);
    return names.empty() || run->events->MayReplace(run->newFolder, names);
}

// The folders opened as planned, the leftovers of earlier runs cleared, a temporary folder of
// this run's own made. A failure says why nothing could be written.
KwError Prepare(KwRun* run) {
    PlatFileId id;
    int err = glPlat.OpenDir(run->parentPath.c_str(), run->parentDir.Out(), &id);
    // Not the folder that was checked: another may have been swapped in.
    if (!err && !KwSameId(id, run->parentId)) err = kPlatErrMoved;
    if (!err && !run->fresh) {
        err = glPlat.OpenDirAt(run->parentDir.get(), run->newFolderName.c_str(), run->newDir.Out(),
                               &id);
        if (!err && !KwSameId(id, run->newFolderId)) err = kPlatErrMoved;
    }
    const KwText& what = run->fresh ? kTxtCantMakeNew : kTxtCantWriteNew;
    if (err) return {KwReason(what, err), run->newFolder};
    CleanLeftovers(run->parentDir.get(), run->parentPath, run->dropFolder);
    if (!run->fresh) CleanLeftovers(run->newDir.get(), run->newFolder, run->dropFolder);
    PlatDir at = run->fresh ? run->parentDir.get() : run->newDir.get();
    return KwMakeWork(at, run->newFolder, what, &run->tempCount, &run->work);
}

// A file copied byte for byte, as it was: one that changed meanwhile is copied again, once.
KwError CopyAsItWas(KwRun* run, const std::string& from, const KwPlanEntry& e) {
    for (int tries = 0; tries < 2; ++tries) {
        PlatFileId before, after;
        int err = glPlat.Identify(from.c_str(), &before);
        if (!err) err = glPlat.CopyAt(from.c_str(), run->work.dir.get(), e.copyName.c_str());
        if (err) {
            // Whatever stands there now was made by this run, unless it stood there first.
            if (err != kPlatErrExists) Discard(run, e.copyName);
            return {KwReason(kTxtWhyCopy, err), e.name};
        }
        if (glPlat.Identify(from.c_str(), &after) == 0 && after.stamp == before.stamp) return {};
        Discard(run, e.copyName);
    }
    return KwError(kTxtWhyChanged, e.name);
}

// Into an existing folder, each complete file is put in place in one step: over the file the
// user agreed to replace, under the name that file has there (as Windows keeps it), and never
// over one that appeared meanwhile.
KwError PutInPlace(KwRun* run, const KwPlanEntry& e) {
    const std::string& to = e.replaces ? e.replacedName : e.copyName;
    int err = glPlat.RenameAt(run->work.dir.get(), e.copyName.c_str(), run->newDir.get(),
                              to.c_str(), e.replaces);
    if (!err) return {};
    Discard(run, e.copyName);
    if (err == kPlatErrExists && e.replacedName.empty()) return KwError(kTxtWhyAppeared, e.name);
    return {KwReason(kTxtWhyReplace, err), e.name};
}

// One entry of the project folder into the copy.
void CopyEntry(KwRun* run, const KwPlanEntry& e) {
    DbgStr(" FileData.cFileName=", e.name);
    KwError err;
    switch (e.action) {
    case kKwCopy: err = CopyAsItWas(run, run->dropFolder + kPlatSep + e.name, e); break;
    case kKwRewrite: err = FileKakikaeToNewFile(run, e); break;
    case kKwFail: err = {e.why, e.name}; break;
    default: return;
    }
    if (!err && !run->fresh) err = PutInPlace(run, e);
    if (err) run->result.failures.push_back(err);
}

// The run's end: a fresh copy gets its name, an existing folder loses the temporary one.
void Commit(KwRun* run) {
    KwWork& work = run->work;
    run->ended = true;
    PlatDir parent = run->parentDir.get();
    if (run->fresh) {
        // The new name appears only now, with everything in it; never over something that
        // appeared there meanwhile. Where it can't, the copy stays where it was built, no
        // longer hidden nor marked (so never taken for a leftover), and is named.
        bool unmarked = KwUnmark(&work);
        work.dir.Reset();
        int err = 0;
        if (unmarked && !run->leftBroken)
            err = glPlat.RenameAt(parent, work.name.c_str(), parent, run->newFolderName.c_str(), 0);
        bool named = unmarked && !err && !run->leftBroken;
        glPlat.SetHiddenAt(parent, named ? run->newFolderName.c_str() : work.name.c_str(), 0);
        if (!named) {
            std::string at =
                run->newFolder.substr(0, run->newFolder.size() - run->newFolderName.size());
            Fail(run, run->newFolder,
                 (err ? KwReason(kTxtWhyFolderMove, err) : KwSay(kTxtWhyFolderMove)) + "\r\n" +
                     KwSay(kTxtCopyIsAt) + "\r\n" + at + work.name);
        }
    } else if (!run->leftBroken && KwUnmark(&work)) {
        work.dir.Reset();
        glPlat.RemoveDirAt(run->newDir.get(), work.name.c_str());
    } // else still marked: a later run clears it
}

// The plan carried out, entry by entry.
void Carry(KwRun* run) {
    size_t done = 0, total = 0;
    for (const KwPlanEntry& e : run->entries)
        total += e.action != kKwSkipDots && e.action != kKwSkipFolder;
    run->events->Progress(0, total);
    for (const KwPlanEntry& e : run->entries) {
        if (e.action == kKwSkipDots) continue;
        CopyEntry(run, e);
        if (e.action != kKwSkipFolder) run->events->Progress(++done, total);
    }
    run->content = KwBuf(); // its memory back before the end's box
    Commit(run);
}

} // namespace

KwRun::~KwRun() {
    if (ended || !work.dir) return;
    PlatDir at = fresh ? parentDir.get() : newDir.get();
    std::string path = (fresh ? parentPath : newFolder) + kPlatSep + work.name;
    KwRemoveWork(at, path, &work);
}

void KwProjectEncoding(KwRun* run) {
    // Of each group's texts that hold more than ASCII: how many read as UTF-8, how many not.
    int utf8[3] = {}, other[3] = {};
    KwBuf buf;
    PlatStamp stamp;
    for (KwPlanEntry& e : run->entries) {
        int g = KwTextGroupOf(e.name);
        // The IDE reads its own files in CP932 whatever the others are in.
        if (e.action != kKwRewrite || g == kGroupIde || other[g] ||
            ReadWhole(*run, e.name, &buf, false, &stamp))
            continue;
        const KwTextKind& kind = KindOf(&e, buf, stamp);
        if (!kind.ascii) ++(kind.enc == kEncUtf8 && !kind.mixed ? utf8 : other)[g];
    }
    auto decide = [&](int g) { return utf8[g] && !other[g] ? kEncUtf8 : kEncCp932; };
    run->ascii[kGroupIde] = kEncCp932;
    run->ascii[kGroupSource] = decide(kGroupSource);
    run->ascii[kGroupTxt] =
        utf8[kGroupTxt] || other[kGroupTxt] ? decide(kGroupTxt) : run->ascii[kGroupSource];
}

KwError FileKakikaeToNewFile(KwRun* run, const KwPlanEntry& entry) {
    // The path the copy gets, not the temporary one it is written under.
    DbgStr("●●● FileKakikaeToNewFile ●●●NewPath＝", run->newFolder + kPlatSep + entry.copyName);
    KwTextInfo info;
    KwBuf& buf = run->content;
    KwError why = ReadAndRewrite(*run, entry, &buf, false, &info);
    // A text the replacement could not finish is not written; one with a place left as it
    // was is written, and said.
    if (why && !info.unreadable && !info.noForm) return why;
    DbgNum("● StrKakikae Ret", static_cast<double>(buf.len), 0, 0, 0, 0);
    if (KwError written = FileWriteMy2(run, entry.copyName, buf.text(), buf.len)) {
        written.what = entry.name;
        return written;
    }
    return why;
}

KwError FileWriteMy2(KwRun* run, const std::string& name, const char* buf, uint64_t n) {
    PlatOpenFile out;
    if (int err = glPlat.CreateAt(run->work.dir.get(), name.c_str(), out.Out())) {
        if (!run->createFailed) run->events->CreateFailed();
        run->createFailed = true;
        return {KwReason(kTxtWhyCreate, err), name};
    }
    KwError why;
    for (uint64_t done = 0; done < n && !why;) {
        uint32_t put = 0;
        auto want = static_cast<uint32_t>(std::min<uint64_t>(n - done, kChunk));
        int err = glPlat.Write(out.get(), buf + done, want, &put);
        done += put;
        if (err)
            why = {KwReason(kTxtWhyWrite, err), name};
        else if (put == 0) // a write that takes nothing: no room left
            why = KwError(kTxtWhyDiskFull, name);
    }
    if (int err = out.Close(); err && !why) why = {KwReason(kTxtWhyClose, err), name};
    if (why) Discard(run, name);
    return why;
}

KwResult ProjectKakikae(const KwRequest& request, KwEvents* events) {
    KwRun run(events);
    KwResult& r = run.result;
    r.refusal = KwMakePlan(request, &run);
    // ASCII texts take their group's encoding; it matters only to a name that is not ASCII.
    if (!r.refusal && !KwIsAscii(request.glNewPjName)) KwProjectEncoding(&run);
    if (!r.refusal) FindCodePlaces(request, &run);
    if (!r.refusal && MayEnterCode(&run) && MayReplace(&run) && !(r.refusal = Prepare(&run))) {
        Carry(&run);
        r.status = r.failures.empty() ? kKwDone : kKwFailed;
    }
    return std::move(r);
}

KwResult KwDryRun(const KwRequest& request) {
    KwRun run;
    KwResult& r = run.result;
    if ((r.refusal = KwMakePlan(request, &run))) return std::move(r);
    KwProjectEncoding(&run);
    FindCodePlaces(request, &run);
    KwBuf buf;
    for (const KwPlanEntry& e : run.entries) {
        if (e.action == kKwSkipDots) continue;
        KwPlanLine line{e, nullptr, 0, e.why};
        if (e.action == kKwRewrite) {
            KwTextInfo info;
            KwError why = ReadAndRewrite(run, e, &buf, true, &info);
            if (!why || info.unreadable || info.noForm) line.encoding = KwEncodingLabel(info);
            line.count = info.count;
            line.why = why.why;
        }
        r.plan.push_back(std::move(line));
    }
    r.status = kKwDone;
    return std::move(r);
}

std::string KwListText(const std::vector<std::string>& lines, size_t shown) {
    std::string text;
    for (size_t i = 0; i < lines.size() && i < shown; ++i)
        text += "\r\n" + lines[i];
    if (lines.size() > shown)
        text += std::string("\r\n") + KwSay(kTxtFailedMore) + std::to_string(lines.size() - shown) +
                KwSay(kTxtFailedCount);
    return text;
}

std::string KwEndText(const KwResult& r) {
    std::string text;
    if (r.status == kKwRefused) {
        text = r.refusal.why + (r.refusal.what.empty() ? "" : "\r\n" + r.refusal.what);
    } else if (r.status == kKwDone) {
        text = std::string(KwSay(kTxtDone)) + "\r\n" + r.newFolder;
    } else {
        std::vector<std::string> lines;
        for (const KwError& f : r.failures)
            lines.push_back(f.what + KwSay(kTxtColon) + f.why);
        text = KwSay(kTxtFailedHead) + std::to_string(r.failures.size()) + KwSay(kTxtFailedTail) +
               KwListText(lines, kKwFailuresShown);
        // Where the copy is, with what it has; a copy left where it was built says so itself.
        bool named = std::none_of(r.failures.begin(), r.failures.end(),
                                  [&](const KwError& f) { return f.what == r.newFolder; });
        if (named && !r.newFolder.empty())
            text += "\r\n" + std::string(KwSay(kTxtCopyIsAt)) + "\r\n" + r.newFolder;
    }
    if (r.status != kKwRefused && !r.subfolders.empty()) {
        text += std::string("\r\n") + KwSay(kTxtSubfolders);
        for (size_t i = 0; i < r.subfolders.size(); ++i)
            text += (i ? KwSay(kTxtListSep) : "") + r.subfolders[i];
    }
    return text;
}
