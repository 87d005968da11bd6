#include "engine/job.h"

#include "engine/kakikae.h"
#include "engine/mbcs.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "platform/platform.h"
#include "trace/trace.h"

#include <algorithm>
#include <cstring>

namespace {

// Longer names than this can't come out of a replacement in a usable name anyway.
constexpr size_t kNameLimit = 4096;
// One ReadFile or WriteFile moves at most this much.
constexpr uint64_t kChunk = uint64_t{1} << 30;

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
    if (glPlat.Identify(plan->newFolder.c_str(), &target)) {
        if (!target.isDir) return kTxtFileInTheWay;
        if (glPlat.Identify(glDropPath.c_str(), &source) && source.volume == target.volume &&
            source.index == target.index)
            return kTxtSameFolder;
    }

    std::string pattern = glDropPath + kPlatSep + "*.*";
    DbgStr("FindPath=", pattern);
    PlatEntry found;
    PlatSearch search = glPlat.FindFirst(pattern.c_str(), &found);
    if (!search) return kTxtCantList;
    do
        plan->entries.push_back(PlanEntry(found));
    while (glPlat.FindNext(search, &found));
    glPlat.FindEnd(search);

    // A copy whose name or path would not fit is the new name's doing: refuse before writing.
    for (const KwPlanEntry& e : plan->entries)
        if ((e.action == kKwCopy || e.action == kKwRewrite) &&
            (e.copyName.size() > kPlatNameMax ||
             plan->newFolder.size() + 1 + e.copyName.size() > kPlatPathMax))
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
    if (int err = glPlat.MakeDir(plan.newFolder.c_str())) {
        PlatFileId id;
        if (!glPlat.Identify(plan.newFolder.c_str(), &id) || !id.isDir) {
            failures->push_back({plan.newFolder, WithCode(kTxtWhyMakeDir, err)});
            return kKwFailed;
        }
    }
    for (const KwPlanEntry& e : plan.entries) {
        if (e.action == kKwSkipShort) continue;
        DbgStr(" FileData.cFileName=", e.name);
        std::string from = glDropPath + kPlatSep + e.name;
        std::string to = plan.newFolder + kPlatSep + e.copyName;
        std::string why;
        switch (e.action) {
        case kKwCopy:
            if (int err = glPlat.Copy(from.c_str(), to.c_str())) why = WithCode(kTxtWhyCopy, err);
            break;
        case kKwRewrite: why = FileKakikaeToNewFile(to, from, glNewPjName, glOldPjName); break;
        case kKwFail: why = e.why; break;
        default: break;
        }
        if (!why.empty()) failures->push_back({e.name, why});
    }
    return failures->empty() ? kKwDone : kKwFailed;
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
    KwBuf buf;
    if (size >= SIZE_MAX / 2 || !KwBufReserve(&buf, static_cast<size_t>(size))) {
        glPlat.Close(in);
        return kTxtWhyNoMemory;
    }
    std::string why;
    while (buf.len < size) {
        uint32_t got = 0;
        auto want = static_cast<uint32_t>(std::min<uint64_t>(size - buf.len, kChunk));
        if (!glPlat.Read(in, buf.p + buf.len, want, &got)) {
            why = WithCode(kTxtWhyRead, glPlat.LastError());
            break;
        }
        if (got == 0) break;
        buf.len += got;
    }
    glPlat.Close(in);
    if (why.empty() && buf.len != size) why = kTxtWhyRead; // the file changed under us

    bool utf8 = IsValidUtf8(buf.p, buf.len);
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
        FileWriteMy2(newPath, buf.p, static_cast<uint64_t>(n), &why);
    }
    KwBufFree(&buf);
    return why;
}

uint64_t FileWriteMy2(const std::string& path, const char* buf, uint64_t n, std::string* why) {
    PlatFile out = glPlat.CreateWrite(path.c_str());
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
        if (!ok || put != want) {
            *why = WithCode(kTxtWhyWrite, ok ? 0 : glPlat.LastError());
            break;
        }
    }
    if (!glPlat.Close(out) && why->empty()) *why = WithCode(kTxtWhyClose, glPlat.LastError());
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
