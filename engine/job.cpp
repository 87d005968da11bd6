#include "engine/job.h"

#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "trace/trace.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Longer names than this can't come out of a replacement in a usable name anyway.
constexpr size_t kNameLimit = 4096;
// One ReadFile or WriteFile moves at most this much.
constexpr uint64_t kChunk = uint64_t{1} << 30;

// During a run, the content buffer is kept from one file to the next: a fresh one for each
// large file costs a page fault for every page of it.
KwBuf* gContent = nullptr;

// The copy is built under temporary names, ".~kw" + the process id in hex + "-" + a count (+
// ".tmp" for files): a new folder as a whole, or in an existing folder each file, is moved to
// its final name once complete.
constexpr char kTempPrefix[] = ".~kw";
// The longest temporary file name: prefix, 8 hex digits, "-", 10 digits, ".tmp".
constexpr size_t kTempNameMax = 4 + 8 + 1 + 10 + 4;
unsigned gTempCount = 0;

std::string FolderOf(const std::string& path) {
    size_t sep = LastSepPos(path, kPlatSep, kPlatNamesCp932);
    return sep == std::string::npos ? std::string(".") : path.substr(0, sep);
}

std::string TempName(bool file) {
    char id[32];
    std::snprintf(id, sizeof id, "%x-%u", static_cast<unsigned>(glPlat.ProcessId()), ++gTempCount);
    return std::string(kTempPrefix) + id + (file ? ".tmp" : "");
}

// In a new folder that is still hidden under its temporary name, files are written under
// their final names straight away (a rename for each would cost as much as a small copy);
// one that fails is removed before the folder gets its name. gLeftBroken: that removal
// failed, so the folder must not get its name.
bool gDirect = false;
bool gLeftBroken = false;

// Where a file of the copy is written until it is complete.
std::string WritePath(const std::string& path) {
    return gDirect ? path : FolderOf(path) + kPlatSep + TempName(true);
}

// The id of the process that made a temporary of this name, or -1 when it is not one.
int TempOwner(const std::string& name, bool file) {
    size_t pre = std::strlen(kTempPrefix);
    if (name.compare(0, pre, kTempPrefix) != 0) return -1;
    size_t i = pre, hex = 0;
    unsigned pid = 0;
    for (; i < name.size() && std::isxdigit(static_cast<unsigned char>(name[i])) && hex < 8;
         ++i, ++hex)
        pid = pid * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(name[i]))
                                                   ? name[i] - '0'
                                                   : (name[i] | 0x20) - 'a' + 10);
    if (hex == 0 || i == name.size() || name[i++] != '-') return -1;
    size_t digits = 0;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])))
        ++i, ++digits;
    if (digits == 0 || name.substr(i) != (file ? ".tmp" : "")) return -1;
    return static_cast<int>(pid);
}

// Lists a folder; false when it can't be.
bool List(const std::string& folder, std::vector<PlatEntry>* out) {
    PlatEntry e;
    PlatSearch search = glPlat.FindFirst((folder + kPlatSep + "*.*").c_str(), &e);
    if (!search) return false;
    int more;
    do
        out->push_back(e);
    while ((more = glPlat.FindNext(search, &e)) > 0);
    glPlat.FindEnd(search);
    return more == 0;
}

// A failed step leaves nothing behind; the reason of the first failure counts.
void Discard(const std::string& tmp) {
    if (glPlat.Remove(tmp.c_str()) != 0 && gDirect) {
        PlatFileId id;
        gLeftBroken = gLeftBroken || glPlat.Identify(tmp.c_str(), &id);
    }
}

// Puts a complete file in place.
int Settle(const std::string& tmp, const std::string& path) {
    return tmp == path ? 0 : glPlat.Rename(tmp.c_str(), path.c_str(), 1);
}

std::string WithCode(const char* why, int code) {
    return std::string(why) + "（" + kTxtWhyErrorCode + " " + std::to_string(code) + "）";
}

const char* KakikaeWhy(KakikaeError err) {
    switch (err) {
    case kKakikaeNoEnd: return kTxtWhyNoEnd;
    case kKakikaeTooLarge: return kTxtWhyTooLarge;
    default: return kTxtWhyNoMemory;
    }
}

bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c & 0x80) == 0; });
}

// A name in the encoding of the content it is looked for in. ASCII names stay as they are.
bool NameFor(bool utf8, const std::string& name, std::string* out) {
    if (IsAscii(name)) {
        *out = name;
        return true;
    }
    return utf8 ? glPlat.ToUtf8(name, out) != 0 : glPlat.ToCp932(name, out) != 0;
}

bool SameName(const std::string& a, const std::string& b) {
    return kPlatNamesFoldCase ? glPlat.CompareNoCase(a.c_str(), b.c_str()) == 0 : a == b;
}

// The first pair of entries whose copies would get the same name, or {-1, -1}.
std::pair<int, int> FindCollision(const std::vector<KwPlanEntry>& entries) {
    std::vector<int> order;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].action == kKwCopy || entries[i].action == kKwRewrite)
            order.push_back(static_cast<int>(i));
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

KwPlanEntry PlanEntry(const PlatEntry& found) {
    KwPlanEntry e;
    e.name = found.name;
    e.copyName = found.name;
    if (found.name.size() <= 2) {
        e.action = kKwSkipShort;
        return e;
    }
    if (found.isDir) {
        e.action = kKwSkipFolder;
        return e;
    }
    KakikaeError err;
    if (StrKakikae(&e.copyName, glNewPjName, glOldPjName, {kPlatNamesCp932, kNameLimit}, &err) <
        0) {
        e.action = kKwFail;
        e.why = KakikaeWhy(err);
    } else {
        e.action = IsKakikaeTarget(e.copyName) ? kKwRewrite : kKwCopy;
    }
    return e;
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
    size_t sep = LastSepPos(glDropPath, kPlatSep, kPlatNamesCp932);
    if (sep == std::string::npos || sep + 1 == glDropPath.size()) return kTxtBadDrop;
    plan->newFolder = glDropPath.substr(0, sep + 1) + glNewPjName;
    // Windows keeps room for an 8.3 name inside a new folder's path.
    if (plan->newFolder.size() + 12 > kPlatPathMax) return kTxtTooLong;

    PlatFileId target, source;
    plan->workFolder = plan->newFolder;
    if (glPlat.Identify(plan->newFolder.c_str(), &target)) {
        if (!target.isDir) return kTxtFileInTheWay;
        if (glPlat.Identify(glDropPath.c_str(), &source) && source.volume == target.volume &&
            source.index == target.index)
            return kTxtSameFolder;
    } else {
        plan->workFolder = glDropPath.substr(0, sep + 1) + TempName(false);
    }
    size_t folderLen = std::max(plan->newFolder.size(), plan->workFolder.size());
    if (folderLen + 12 > kPlatPathMax || folderLen + 1 + kTempNameMax > kPlatPathMax)
        return kTxtTooLong;

    DbgStr("FindPath=", glDropPath + kPlatSep + "*.*");
    std::vector<PlatEntry> found;
    if (!List(glDropPath, &found)) return kTxtCantList; // also one cut short: files left out
    for (const PlatEntry& e : found)
        plan->entries.push_back(PlanEntry(e));

    // A copy whose name or path would not fit is the new name's doing: refuse before writing.
    for (const KwPlanEntry& e : plan->entries)
        if ((e.action == kKwCopy || e.action == kKwRewrite) &&
            (e.copyName.size() > kPlatNameMax || folderLen + 1 + e.copyName.size() > kPlatPathMax))
            return std::string(kTxtTooLong) + "\r\n" + e.name + " → " + e.copyName;

    auto [a, b] = FindCollision(plan->entries);
    if (a >= 0) {
        const KwPlanEntry& x = plan->entries[static_cast<size_t>(a)];
        const KwPlanEntry& y = plan->entries[static_cast<size_t>(b)];
        return std::string(kTxtCollision) + "\r\n" + x.name + " → " + x.copyName + "\r\n" + y.name +
               " → " + y.copyName;
    }
    return "";
}

KwJobStatus KwRunPlan(const KwPlan& plan, std::vector<KwFailure>* failures) {
    failures->clear();
    CleanLeftovers(FolderOf(plan.newFolder));
    bool fresh = plan.workFolder != plan.newFolder;
    if (fresh) {
        if (int err = glPlat.MakeDir(plan.workFolder.c_str())) {
            failures->push_back({plan.newFolder, WithCode(kTxtWhyMakeDir, err)});
            return kKwFailed;
        }
        glPlat.SetHidden(plan.workFolder.c_str(), 1);
    } else {
        CleanLeftovers(plan.newFolder);
    }
    KwBuf content;
    gContent = &content;
    gDirect = fresh;
    gLeftBroken = false;
    for (const KwPlanEntry& e : plan.entries) {
        if (e.action == kKwSkipShort) continue;
        DbgStr(" FileData.cFileName=", e.name);
        std::string from = glDropPath + kPlatSep + e.name;
        std::string to = plan.workFolder + kPlatSep + e.copyName;
        std::string why;
        switch (e.action) {
        case kKwCopy: why = CopyToNewFile(from, to); break;
        case kKwRewrite: why = FileKakikaeToNewFile(to, from, glNewPjName, glOldPjName); break;
        case kKwFail: why = e.why; break;
        default: break;
        }
        if (!why.empty()) failures->push_back({e.name, why});
    }
    gContent = nullptr;
    gDirect = false;
    KwBufFree(&content);
    // The new name appears only now, with everything in it; never over something that
    // appeared there meanwhile.
    if (fresh) {
        int err =
            gLeftBroken ? -1 : glPlat.Rename(plan.workFolder.c_str(), plan.newFolder.c_str(), 0);
        // Where it can't, the copy stays where it was built, no longer hidden, and is named.
        const std::string& done = err ? plan.workFolder : plan.newFolder;
        glPlat.SetHidden(done.c_str(), 0);
        if (err)
            failures->push_back(
                {plan.newFolder, WithCode(kTxtWhyFolderMove, err) + "\r\n" + plan.workFolder});
    }
    return failures->empty() ? kKwDone : kKwFailed;
}

std::string CopyToNewFile(const std::string& from, const std::string& path) {
    std::string tmp = WritePath(path);
    if (int err = glPlat.Copy(from.c_str(), tmp.c_str())) {
        Discard(tmp);
        return WithCode(kTxtWhyCopy, err);
    }
    if (int err = Settle(tmp, path)) {
        Discard(tmp);
        return WithCode(kTxtWhyReplace, err);
    }
    return "";
}

void CleanLeftovers(const std::string& folder) {
    std::vector<PlatEntry> entries;
    if (!List(folder, &entries)) return;
    int self = glPlat.ProcessId();
    for (const PlatEntry& e : entries) {
        if (e.isLink) continue; // never ours: nothing is followed or removed through a link
        int pid = TempOwner(e.name, !e.isDir);
        if (pid < 0 || pid == self || glPlat.ProcessAlive(pid)) continue;
        std::string path = folder + kPlatSep + e.name;
        if (!e.isDir) {
            glPlat.Remove(path.c_str());
            continue;
        }
        std::vector<PlatEntry> inside;
        if (!List(path, &inside)) continue;
        for (const PlatEntry& f : inside)
            if (!f.isDir && !f.isLink) glPlat.Remove((path + kPlatSep + f.name).c_str());
        glPlat.RemoveDir(path.c_str());
    }
}

std::string FileKakikaeToNewFile(const std::string& newPath, const std::string& oldPath,
                                 const std::string& newName, const std::string& oldName) {
    DbgStr("●●● FileKakikaeToNewFile ●●●NewPath＝", newPath);
    PlatFile in = glPlat.OpenRead(oldPath.c_str());
    if (!in) return WithCode(kTxtWhyOpen, glPlat.LastError());
    uint64_t size = 0;
    if (!glPlat.Size(in, &size)) {
        std::string why = WithCode(kTxtWhyRead, glPlat.LastError());
        glPlat.Close(in);
        return why;
    }
    DbgNum("● FileSize", static_cast<double>(size), 0, 0, 0, 0);
    // The file is read behind some room, so that the replacement can grow it in place.
    size_t room =
        size < SIZE_MAX / 4 ? KakikaeRoom(static_cast<size_t>(size), newName, oldName) : 0;
    KwBuf local;
    KwBuf& buf = gContent ? *gContent : local;
    buf.len = buf.at = 0;
    if (size >= SIZE_MAX / 4 || !KwBufReserve(&buf, static_cast<size_t>(size) + room)) {
        glPlat.Close(in);
        return kTxtWhyNoMemory;
    }
    buf.at = room;
    std::string why;
    while (buf.len < size) {
        uint32_t got = 0;
        auto want = static_cast<uint32_t>(std::min<uint64_t>(size - buf.len, kChunk));
        if (!glPlat.Read(in, buf.text() + buf.len, want, &got)) {
            why = WithCode(kTxtWhyRead, glPlat.LastError());
            break;
        }
        if (got == 0) break;
        buf.len += got;
    }
    glPlat.Close(in);
    if (why.empty() && buf.len != size) why = kTxtWhyRead; // the file changed under us

    // Which encoding the text is in matters only where the name is in it: an ASCII name that
    // is not there spares the check.
    bool utf8 = IsAscii(oldName) && !PlatFind(buf.text(), buf.len, oldName.data(), oldName.size())
                    ? true
                    : IsValidUtf8(buf.text(), buf.len);
    std::string oldIn, newIn;
    int64_t n = static_cast<int64_t>(buf.len);
    if (why.empty() && NameFor(utf8, oldName, &oldIn)) {
        // The new name was checked to have both forms; the old one may lack the CP932 form,
        // and then can't stand in such a text.
        KakikaeError err = kKakikaeOk;
        if (NameFor(utf8, newName, &newIn))
            n = StrKakikae(&buf, newIn, oldIn, {!utf8, 0}, &err);
        else
            err = kKakikaeNoMemory;
        if (n < 0) why = KakikaeWhy(err);
    }
    if (why.empty()) {
        DbgNum("● StrKakikae Ret", static_cast<double>(n), 0, 0, 0, 0);
        FileWriteMy2(newPath, buf.text(), static_cast<uint64_t>(n), &why);
    }
    KwBufFree(&local);
    return why;
}

uint64_t FileWriteMy2(const std::string& path, const char* buf, uint64_t n, std::string* why) {
    std::string tmp = WritePath(path);
    PlatFile out = glPlat.CreateWrite(tmp.c_str());
    if (!out) {
        int code = glPlat.LastError();
        glPlat.Box(kTxtWriteFailed, "", kBoxOk);
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
    if (why->empty())
        if (int err = Settle(tmp, path)) *why = WithCode(kTxtWhyReplace, err);
    if (!why->empty()) Discard(tmp);
    return done;
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

KwJobStatus ProjectKakikae(std::vector<KwFailure>* failures) {
    std::vector<KwFailure> local;
    if (!failures) failures = &local;
    failures->clear();
    KwPlan plan;
    if (std::string refusal = KwMakePlan(&plan); !refusal.empty()) {
        glPlat.Box(refusal.c_str(), kTxtCaption, kBoxTopmost);
        return kKwRefused;
    }
    KwJobStatus status = KwRunPlan(plan, failures);
    if (status == kKwDone)
        glPlat.Box(kTxtDone, kTxtCaption, kBoxTopmost);
    else
        glPlat.Box(KwFailureText(*failures, kKwFailuresShown).c_str(), kTxtCaption, kBoxTopmost);
    return status;
}
