// The copy job: every file written whole into a temporary folder of this run's own, then
// put in place in one step.
#include "engine/job.h"

#include "engine/find.h"
#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "trace/trace.h"

#include <algorithm>

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr uint64_t kChunk = uint64_t{1} << 30;

// During a run, the content buffer is kept from one file to the next: a fresh one for each
// large file costs a page fault for every page of it.
KwBuf* gContent = nullptr;
// A file that failed could not be removed again: the folder holding it must not become the
// copy. gCreateBoxShown: the box of a file that can't be created comes once in a run.
bool gLeftBroken = false;
bool gCreateBoxShown = false;

} // namespace

void (*glKwProgress)(size_t done, size_t total) = nullptr;

namespace {

std::string FolderOf(const std::string& path) {
    size_t sep = LastSepPos(path, kPlatSep, kPlatNamesCp932);
    return sep == std::string::npos ? std::string(".") : path.substr(0, sep);
}

// Removes a file this run made and could not complete.
void Discard(const std::string& path) {
    PlatFileId id;
    if (glPlat.Remove(path.c_str()) != 0 && glPlat.Identify(path.c_str(), &id)) gLeftBroken = true;
}

std::string WithCode(const char* why, int code) {
    if (code == kPlatErrNotFile) return kTxtWhyNotFile;
    return std::string(why) + "（" + kTxtWhyErrorCode + " " + std::to_string(code) + "）";
}

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
}

// Room to leave before a text of `size` bytes, for the longest the names make it grow.
size_t RoomFor(const KwPlan& plan, uint64_t size) {
    if (size >= SIZE_MAX / 4) return 0;
    size_t room = 0;
    for (PlatEnc e : {kEncCp932, kEncUtf8})
        if (plan.forms.hasOld[e] && plan.forms.hasNew[e])
            room = std::max(
                room, KakikaeRoom(static_cast<size_t>(size), plan.forms.nw[e], plan.forms.old[e]));
    return room;
}

// Reads a whole file into the content buffer, behind the room the replacement may grow into.
std::string ReadWhole(const KwPlan& plan, const std::string& path, KwBuf* buf, bool trace) {
    PlatFile in = glPlat.OpenRead(path.c_str());
    if (!in) return WithCode(kTxtWhyOpen, glPlat.LastError());
    uint64_t size = 0;
    if (!glPlat.Size(in, &size)) {
        std::string why = WithCode(kTxtWhyRead, glPlat.LastError());
        glPlat.Close(in);
        return why;
    }
    if (trace) DbgNum("● FileSize", static_cast<double>(size), 0, 0, 0, 0);
    size_t room = RoomFor(plan, size);
    buf->len = buf->at = 0;
    if (size >= SIZE_MAX / 4 || !KwBufReserve(buf, static_cast<size_t>(size) + room)) {
        glPlat.Close(in);
        return kTxtWhyNoMemory;
    }
    buf->at = room;
    std::string why;
    while (buf->len < size) {
        uint32_t got = 0;
        auto want = static_cast<uint32_t>(std::min<uint64_t>(size - buf->len, kChunk));
        if (!glPlat.Read(in, buf->text() + buf->len, want, &got)) {
            why = WithCode(kTxtWhyRead, glPlat.LastError());
            break;
        }
        if (got == 0) break;
        buf->len += got;
    }
    glPlat.Close(in);
    if (why.empty() && buf->len != size) why = kTxtWhyRead; // the file changed under us
    return why;
}

} // namespace

void KwProjectEncoding(KwPlan* plan) {
    plan->projectKnown = true;
    plan->project = kEncCp932;
    KwBuf buf;
    bool utf8 = false;
    for (const KwPlanEntry& e : plan->entries) {
        if (e.action != kKwRewrite ||
            !ReadWhole(*plan, plan->dropFolder + kPlatSep + e.name, &buf, false).empty())
            continue;
        KwTextKind kind = KwDetectText(buf.text(), buf.len);
        if (kind.ascii) continue;
        utf8 = kind.enc == kEncUtf8 && !kind.mixed;
        if (!utf8) break;
    }
    KwBufFree(&buf);
    if (utf8) plan->project = kEncUtf8;
}

std::string KwReadAndRewrite(const KwPlan& plan, const std::string& oldPath, KwBuf* buf,
                             bool detect, KwTextInfo* info) {
    std::string why = ReadWhole(plan, oldPath, buf, !detect);
    if (why.empty()) why = KwRewriteContent(buf, plan.forms, plan.project, detect, info);
    return why;
}

std::string FileKakikaeToNewFile(const KwPlan& plan, const std::string& newPath,
                                 const std::string& oldPath, const std::string& shownPath) {
    DbgStr("●●● FileKakikaeToNewFile ●●●NewPath＝", shownPath);
    KwBuf local;
    KwBuf& buf = gContent ? *gContent : local;
    KwTextInfo info;
    std::string why = KwReadAndRewrite(plan, oldPath, &buf, false, &info);
    if (why.empty()) {
        DbgNum("● StrKakikae Ret", static_cast<double>(buf.len), 0, 0, 0, 0);
        FileWriteMy2(newPath, buf.text(), buf.len, &why);
    }
    // Written, but a place that reads in neither encoding holds the old name as it was.
    if (why.empty() && info.unreadable) why = kTxtWhyMixed;
    KwBufFree(&local);
    return why;
}

uint64_t FileWriteMy2(const std::string& path, const char* buf, uint64_t n, std::string* why) {
    PlatFile out = glPlat.CreateWrite(path.c_str());
    if (!out) {
        int code = glPlat.LastError();
        if (!gCreateBoxShown) glPlat.Box(kTxtWriteFailed, "", kBoxOk);
        gCreateBoxShown = true;
        *why = WithCode(kTxtWhyCreate, code);
        return 0;
    }
    uint64_t done = 0;
    while (done < n) {
        uint32_t put = 0;
        auto want = static_cast<uint32_t>(std::min<uint64_t>(n - done, kChunk));
        int ok = glPlat.Write(out, buf + done, want, &put);
        done += put;
        if (!ok) {
            *why = WithCode(kTxtWhyWrite, glPlat.LastError());
            break;
        }
        if (put == 0) { // a write that takes nothing: no room left
            *why = kTxtWhyDiskFull;
            break;
        }
    }
    if (!glPlat.Close(out) && why->empty()) *why = WithCode(kTxtWhyClose, glPlat.LastError());
    if (!why->empty()) Discard(path);
    return done;
}

KwJobStatus KwRunPlan(const KwPlan& plan, std::vector<KwFailure>* failures) {
    failures->clear();
    gLeftBroken = gCreateBoxShown = false;
    std::string parent = FolderOf(plan.newFolder);
    CleanLeftovers(parent, plan.dropFolder);
    if (!plan.fresh) CleanLeftovers(plan.newFolder, plan.dropFolder);
    KwWork work;
    if (int err = KwMakeWork(plan.fresh ? parent : plan.newFolder, &work)) {
        failures->push_back({plan.newFolder, WithCode(kTxtWhyMakeDir, err)});
        return kKwFailed;
    }
    KwBuf content;
    gContent = &content;
    size_t done = 0, total = 0;
    for (const KwPlanEntry& e : plan.entries)
        total += e.action != kKwSkipDots && e.action != kKwSkipFolder;
    if (glKwProgress) glKwProgress(0, total);
    for (const KwPlanEntry& e : plan.entries) {
        if (e.action == kKwSkipDots) continue;
        DbgStr(" FileData.cFileName=", e.name);
        std::string from = plan.dropFolder + kPlatSep + e.name;
        std::string to = work.path + kPlatSep + e.copyName;
        std::string why;
        switch (e.action) {
        case kKwCopy:
            if (int err = glPlat.Copy(from.c_str(), to.c_str())) {
                // Whatever stands there now was made by this run, unless it stood there first.
                if (err != kPlatErrExists) Discard(to);
                why = WithCode(kTxtWhyCopy, err);
            }
            break;
        case kKwRewrite:
            why = FileKakikaeToNewFile(plan, to, from, plan.newFolder + kPlatSep + e.copyName);
            break;
        case kKwFail: why = e.why; break;
        default: continue;
        }
        // Into an existing folder, each complete file replaces the one of its name in one step.
        if (why.empty() && !plan.fresh) {
            std::string path = plan.newFolder + kPlatSep + e.copyName;
            if (int err = glPlat.Rename(to.c_str(), path.c_str(), 1)) {
                Discard(to);
                why = WithCode(kTxtWhyReplace, err);
            }
        }
        if (!why.empty()) failures->push_back({e.name, why});
        if (glKwProgress) glKwProgress(++done, total);
    }
    gContent = nullptr;
    KwBufFree(&content);
    if (plan.fresh) {
        // The new name appears only now, with everything in it; never over something that
        // appeared there meanwhile. Where it can't, the copy stays where it was built, no
        // longer hidden nor marked (so never taken for a leftover), and is named.
        int err = KwUnmark(&work);
        if (!err)
            err = gLeftBroken ? -1 : glPlat.Rename(work.path.c_str(), plan.newFolder.c_str(), 0);
        const std::string& done = err ? work.path : plan.newFolder;
        glPlat.SetHidden(done.c_str(), 0);
        if (err)
            failures->push_back(
                {plan.newFolder, WithCode(kTxtWhyFolderMove, err) + "\r\n" + work.path});
    } else if (gLeftBroken) {
        glPlat.Close(work.marker); // still marked: a later run clears it
    } else if (KwUnmark(&work) == 0) {
        glPlat.RemoveDir(work.path.c_str());
    }
    return failures->empty() ? kKwDone : kKwFailed;
}

std::string KwFailureText(const std::vector<KwFailure>& failures, size_t shown) {
    std::string text = kTxtFailedHead;
    text += std::to_string(failures.size()) + kTxtFailedCount;
    for (size_t i = 0; i < failures.size() && i < shown; ++i)
        text += "\r\n" + failures[i].name + "：" + failures[i].why;
    if (failures.size() > shown)
        text += std::string("\r\n") + kTxtFailedMore + std::to_string(failures.size() - shown) +
                kTxtFailedCount;
    return text;
}

KwJobStatus KwPlanAndRun(std::string* refusal, std::vector<KwFailure>* failures) {
    failures->clear();
    KwPlan plan;
    *refusal = KwMakePlan(&plan);
    if (!refusal->empty()) return kKwRefused;
    // ASCII texts take the project's encoding; it matters only to a name that is not ASCII.
    if (!IsAscii(glNewPjName)) KwProjectEncoding(&plan);
    return KwRunPlan(plan, failures);
}

void KwShowEnd(const std::string& refusal, KwJobStatus status,
               const std::vector<KwFailure>& failures) {
    const std::string text = status == kKwRefused ? refusal
                             : status == kKwDone  ? kTxtDone
                                                  : KwFailureText(failures, kKwFailuresShown);
    glPlat.Box(text.c_str(), kTxtCaption, kBoxTopmost);
}

KwJobStatus ProjectKakikae(std::vector<KwFailure>* failures) {
    std::vector<KwFailure> local;
    std::string refusal;
    if (!failures) failures = &local;
    KwJobStatus status = KwPlanAndRun(&refusal, failures);
    KwShowEnd(refusal, status, *failures);
    return status;
}
