// Every file-system call of a small job made to fail, at each point it is made, into a fresh
// new folder and into one that exists. Whatever fails: the project is unchanged (checked when
// each test ends), no file of the copy is half-written under its final name, nothing
// temporary is left, and a run that did not copy everything never ends in the plain
// completion box.
#include "engine/job.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "tests/support.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

enum Call {
    kFindFirst,
    kFindNext,
    kMakeDir,
    kCopy,
    kOpenRead,
    kCreateWrite,
    kSize,
    kRead,
    kWrite,
    kClose,
    kRename,
    kCalls
};

enum Mode { kFail, kShort, kFull, kFromHere };

struct Kind {
    const char* what;
    Call call;
    Mode mode;
    bool mustFail; // whatever the point, the run can't pass for complete
} const kKinds[] = {
    {"directory search can't start", kFindFirst, kFail, false},
    {"directory search fails on the way", kFindNext, kFail, false},
    {"folder can't be created", kMakeDir, kFail, true},
    {"copy fails after writing part", kCopy, kFail, true},
    {"file can't be opened", kOpenRead, kFail, true},
    {"file can't be created", kCreateWrite, kFail, true},
    {"no more file can be created", kCreateWrite, kFromHere, true},
    {"size can't be taken", kSize, kFail, true},
    {"read fails", kRead, kFail, true},
    {"read comes back short", kRead, kShort, false},
    {"write fails", kWrite, kFail, true},
    {"write comes back short", kWrite, kShort, false},
    {"disk full: a write takes nothing", kWrite, kFull, true},
    {"close fails", kClose, kFail, false},
    {"rename fails", kRename, kFail, true},
};

PlatCalls gReal;
int gCount[kCalls];
Call gCall = kCalls;
Mode gMode = kFail;
int gAt = 0;

// Counts the call; true when this is the one to fail.
bool Hit(Call c) {
    ++gCount[c];
    return c == gCall && (gCount[c] == gAt || (gMode == kFromHere && gAt && gCount[c] > gAt));
}

void Inject() {
    glPlat.FindFirst = [](const char* p, PlatEntry* e) {
        return Hit(kFindFirst) ? nullptr : gReal.FindFirst(p, e);
    };
    glPlat.FindNext = [](PlatSearch s, PlatEntry* e) {
        return Hit(kFindNext) ? -1 : gReal.FindNext(s, e);
    };
    glPlat.MakeDir = [](const char* p) { return Hit(kMakeDir) ? 5 : gReal.MakeDir(p); };
    glPlat.Copy = [](const char* from, const char* to) {
        int err = gReal.Copy(from, to);
        return Hit(kCopy) ? 28 : err;
    };
    glPlat.OpenRead = [](const char* p) -> PlatFile {
        return Hit(kOpenRead) ? nullptr : gReal.OpenRead(p);
    };
    glPlat.CreateWrite = [](const char* p) -> PlatFile {
        return Hit(kCreateWrite) ? nullptr : gReal.CreateWrite(p);
    };
    glPlat.Size = [](PlatFile f, uint64_t* n) { return Hit(kSize) ? 0 : gReal.Size(f, n); };
    glPlat.Read = [](PlatFile f, void* b, uint32_t n, uint32_t* got) {
        if (!Hit(kRead)) return gReal.Read(f, b, n, got);
        if (gMode == kShort) return gReal.Read(f, b, n > 1 ? n / 3 : n, got);
        *got = 0;
        return 0;
    };
    glPlat.Write = [](PlatFile f, const void* b, uint32_t n, uint32_t* put) {
        if (!Hit(kWrite)) return gReal.Write(f, b, n, put);
        if (gMode == kShort) return gReal.Write(f, b, n > 1 ? n / 2 : n, put);
        *put = 0;
        return gMode == kFull ? 1 : 0;
    };
    glPlat.Close = [](PlatFile f) {
        int ok = gReal.Close(f);
        return Hit(kClose) ? 0 : ok;
    };
    glPlat.Rename = [](const char* a, const char* b, int replace) {
        return Hit(kRename) ? 5 : gReal.Rename(a, b, replace);
    };
}

class Faults : public TempTest {
  protected:
    std::vector<std::pair<std::string, std::string>> project_ = {
        {"Old.pj", "Old project\r\nOld.wnd\r\n"},
        {"Old.wnd", "window of Old"},
        {"Main.sbp", std::string(100000, 'x') + "Old"},
        {"icon.ico", std::string("\0\1Old\xFF", 6)},
        {"readme", "Old readme"},
    };
    std::map<std::string, std::string> want_ = {
        {"New.pj", "New project\r\nNew.wnd\r\n"},
        {"New.wnd", "window of New"},
        {"Main.sbp", std::string(100000, 'x') + "New"},
        {"icon.ico", std::string("\0\1Old\xFF", 6)},
        {"readme", "Old readme"},
    };
    // What stood in the new folder before, when it existed.
    std::map<std::string, std::string> before_ = {
        {"New.pj", "stale"}, {"Main.sbp", "stale"}, {"mine.txt", "kept"}};

    // A run with the at-th call of kind failing; its status and failures.
    KwJobStatus RunWith(const std::string& dir, const Kind& k, int at,
                        std::vector<KwFailure>* failures) {
        gBoxes.clear();
        std::fill(std::begin(gCount), std::end(gCount), 0);
        gCall = k.call;
        gMode = k.mode;
        gAt = at;
        glDropPath = dir;
        glOldPjName = "Old";
        glNewPjName = "New";
        Inject();
        KwJobStatus status = ProjectKakikae(failures);
        glPlat = gReal;
        return status;
    }

    // Checks one run; `existing` when the new folder was there before it.
    void Check(const std::string& label, KwJobStatus status, const std::vector<KwFailure>& failures,
               bool existing, bool mustFail) {
        SCOPED_TRACE(label);
        ASSERT_FALSE(gBoxes.empty());
        EXPECT_LE(std::count_if(gBoxes.begin(), gBoxes.end(),
                                [](const Box& b) { return b.text == kTxtWriteFailed; }),
                  1);
        bool doneBox = gBoxes.back().text == kTxtDone;
        EXPECT_EQ(doneBox, status == kKwDone);
        if (mustFail) {
            EXPECT_NE(status, kKwDone);
        }
        for (const KwFailure& f : failures) {
            EXPECT_FALSE(f.name.empty());
            EXPECT_FALSE(f.why.empty());
        }
        std::string out = Join(root_, "New");
        std::string keptIn; // a copy left in its work folder, named by the failure
        for (const KwFailure& f : failures)
            if (f.name == out && f.why.find(kTxtWhyFolderMove) == 0)
                keptIn = f.why.substr(f.why.rfind('\n') + 1);

        // Nothing temporary beside the new folder or in it, but a work folder named to the user.
        auto rootNow = Snapshot(root_);
        for (const auto& [path, content] : rootNow) {
            if (path.find(".~kw") == std::string::npos) continue;
            EXPECT_TRUE(!keptIn.empty() && Join(root_, path).find(keptIn) == 0) << path;
        }
        std::string copy = keptIn.empty() ? out : keptIn;
        if (status == kKwRefused || (!existing && !Exists(copy))) {
            EXPECT_NE(status, kKwDone);
            EXPECT_EQ(Exists(out), existing);
            return;
        }
        // Every file is the new one, or (only when reported) the one before, or absent.
        std::map<std::string, std::string> got = Snapshot(copy);
        bool allReported = !keptIn.empty();
        std::set<std::string> reported; // by the name of the copy
        for (const KwFailure& f : failures) {
            std::string copyName = f.name;
            for (size_t at; (at = copyName.find("Old")) != std::string::npos;)
                copyName.replace(at, 3, "New");
            reported.insert(copyName);
            allReported = allReported || f.name == out;
        }
        for (const auto& [name, content] : want_) {
            auto it = got.find(name);
            if (it != got.end() && it->second == content) continue;
            EXPECT_TRUE(allReported || reported.count(name)) << name << " wrong but not reported";
            if (it == got.end()) continue;
            auto old = before_.find(name);
            EXPECT_TRUE(existing && old != before_.end() && old->second == it->second)
                << name << " is half-written: " << it->second.substr(0, 40);
        }
        if (existing) {
            EXPECT_EQ(got["mine.txt"], "kept");
        }
    }

    void Sweep(bool existing) {
        std::string dir = MakeProject("Old", project_);
        gReal = glPlat;
        int points = 0, runs = 0;
        for (const Kind& k : kKinds) {
            // A clean run counts the calls of this kind; each of them fails in turn.
            std::vector<KwFailure> failures;
            Prepare(existing);
            ASSERT_EQ(RunWith(dir, k, 0, &failures), kKwDone) << k.what;
            int n = gCount[k.call];
            points += n;
            for (int at = 1; at <= n; ++at, ++runs) {
                Prepare(existing);
                KwJobStatus status = RunWith(dir, k, at, &failures);
                Check(std::string(k.what) + " at call " + std::to_string(at), status, failures,
                      existing, k.mustFail);
            }
        }
        EXPECT_GT(points, 40);
        std::printf("%d fault points, %d runs (%s new folder)\n", points, runs,
                    existing ? "existing" : "fresh");
    }

    void Prepare(bool existing) {
        RemoveTree(Join(root_, "New"));
        for (const auto& [path, content] : Snapshot(root_))
            if (path.rfind(".~kw", 0) == 0 && content == "<dir>") RemoveTree(Join(root_, path));
        if (!existing) return;
        MakeDir(Join(root_, "New"));
        for (const auto& [name, content] : before_)
            WriteFile(Join(Join(root_, "New"), name), content);
    }
};

TEST_F(Faults, EveryCallFailsAtEveryPointIntoAFreshFolder) {
    Sweep(false);
}

TEST_F(Faults, EveryCallFailsAtEveryPointIntoAnExistingFolder) {
    Sweep(true);
}

} // namespace
