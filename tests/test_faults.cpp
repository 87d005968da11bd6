// Every file-system call of a small job made to fail, at each point it is made, into a fresh
// new folder and into one that exists, through the controller as a front end runs it. Whatever
// fails: the project is unchanged, no file of the copy is half-written under its final name,
// nothing temporary is left but a copy the user is told of, every file not copied is reported,
// the completion box comes only when all were, and the box of a file that can't be created
// comes once exactly where one could not.
#include "commands/controller.h"
#include "engine/texts.h"
#include "tests/support.h"

#include <algorithm>
#include <set>

namespace {

// clang-format off
enum Call { kList, kMakeDir, kCopy, kOpenRead, kCreate, kStamp, kRead, kWrite, kClose, kRename, kHold, kOpenDir, kAlloc, kCalls };
enum Mode { kFail, kShort, kFull, kFromHere, kThrow };
struct Kind {
    const char* what;
    Call call;
    Mode mode;
    bool mustFail; // whatever the point, the run can't pass for complete
} const kKinds[] = {
    {"a folder can't be listed", kList, kFail, false},          {"folder can't be created", kMakeDir, kFail, true},
    {"copy fails after writing it all", kCopy, kFail, true},     {"file can't be opened", kOpenRead, kFail, true},
    {"file can't be created", kCreate, kFail, true},             {"no more file can be created", kCreate, kFromHere, true},
    {"size can't be taken", kStamp, kFail, true},                 {"read fails", kRead, kFail, true},
    {"read comes back short", kRead, kShort, false},             {"write fails", kWrite, kFail, true},
    {"disk full: a write takes nothing", kWrite, kFull, true},   {"close fails", kClose, kFail, false},
    {"rename fails", kRename, kFail, true},                      {"no marker can be made", kHold, kFromHere, true},
    {"a marker can't be made: another name is tried", kHold, kFail, false},
    {"a folder can't be opened", kOpenDir, kFail, false},          {"memory runs out", kAlloc, kFail, true},
    {"a listing throws as its vector grows: the run ends, said", kList, kThrow, true},
};

PlatCalls gReal;
int gCount[kCalls];
const Kind* gKind;
int gAt = 0;

// Counts the call; true when it is to fail.
bool Hit(Call c) {
    ++gCount[c];
    return c == gKind->call && gAt && (gCount[c] == gAt || (gKind->mode == kFromHere && gCount[c] > gAt));
}

void Inject() {
    glPlat.List = [](const char* f, std::vector<PlatEntry>* e) {
        return !Hit(kList) ? gReal.List(f, e) : gKind->mode == kThrow ? throw std::bad_alloc() : 5;
    };
    glPlat.OpenDirAt = [](PlatDir a, const char* n, PlatDir* d, PlatFileId* id) { return Hit(kOpenDir) ? 5 : gReal.OpenDirAt(a, n, d, id); };
    glPlat.MakeDirAt = [](PlatDir a, const char* n) { return Hit(kMakeDir) ? 5 : gReal.MakeDirAt(a, n); };
    glPlat.CopyAt = [](const char* from, PlatDir a, const char* n) { int err = gReal.CopyAt(from, a, n); return Hit(kCopy) ? 28 : err; };
    glPlat.OpenRead = [](const char* p, PlatFile* f) { return Hit(kOpenRead) ? 5 : gReal.OpenRead(p, f); };
    glPlat.CreateAt = [](PlatDir a, const char* n, PlatFile* f) { return Hit(kCreate) ? 5 : gReal.CreateAt(a, n, f); };
    glPlat.Stamp = [](PlatFile f, PlatStamp* s) { return Hit(kStamp) ? 5 : gReal.Stamp(f, s); };
    glPlat.Read = [](PlatFile f, void* b, uint32_t n, uint32_t* got) {
        return !Hit(kRead) ? gReal.Read(f, b, n, got) : gKind->mode == kShort ? gReal.Read(f, b, n > 1 ? n / 3 : n, got) : (*got = 0, 5);
    };
    glPlat.Write = [](PlatFile f, const void* b, uint32_t n, uint32_t* put) {
        if (!Hit(kWrite)) return gReal.Write(f, b, n, put);
        *put = 0;
        return gKind->mode == kFull ? 0 : 5;
    };
    glPlat.Close = [](PlatFile f) { int err = gReal.Close(f); return Hit(kClose) ? 5 : err; };
    glPlat.RenameAt = [](PlatDir a, const char* x, PlatDir b, const char* y, int r) { return Hit(kRename) ? 5 : gReal.RenameAt(a, x, b, y, r); };
    glPlat.HoldMarkerAt = [](PlatDir a, const char* n, int c, PlatFile* m) { return Hit(kHold) ? 5 : gReal.HoldMarkerAt(a, n, c, m); };
    glPlat.Alloc = [](size_t n, void** p) { return Hit(kAlloc) ? 12 : gReal.Alloc(n, p); };
}

// What a run shows and asks of its front end: every question answered yes.
struct Seen : KwPort {
    int createBoxes = 0;
    void Box(const std::string&, KwBox kind) override { createBoxes += kind == kBoxWriteFailed; }
    bool Ask(const std::string&, KwQuestion) override { return true; }
    void Post(std::function<void()> fn) override { fn(); }
};
// clang-format on

class Faults : public TempTest {
  protected:
    // clang-format off
    const std::string x_ = std::string(100000, 'x');
    const std::map<std::string, std::string> project_ = {
        {"Old.pj", "Old project\r\nOld.wnd\r\n"}, {"Old.wnd", "window of Old"}, {"Main.sbp", x_ + "Old"},
        {"icon.ico", std::string("\0\1Old\xFF", 6)}, {"readme", "Old readme"}};
    const std::map<std::string, std::string> want_ = {
        {"New.pj", "New project\r\nNew.wnd\r\n"}, {"New.wnd", "window of New"}, {"Main.sbp", x_ + "New"},
        {"icon.ico", std::string("\0\1Old\xFF", 6)}, {"readme", "Old readme"}};
    // What stood in the new folder before, when it existed.
    const std::map<std::string, std::string> before_ = {{"New.pj", "stale"}, {"Main.sbp", "stale"}, {"mine.txt", "kept"}};
    // clang-format on
};

TEST_F(Faults, EveryCallFailsAtEveryPoint) {
    std::string dir = Join(root_, "Old"), out = Join(root_, "New");
    MakeDir(dir);
    for (const auto& [name, content] : project_)
        WriteFile(Join(dir, name), content);
    const auto project = Snapshot(dir);
    gReal = glPlat;
    int runs = 0;
    for (bool existing : {false, true})
        for (const Kind& k : kKinds)
            for (int at = 0, n = 1; at <= n; ++at) { // at 0 a clean run counts the calls
                SCOPED_TRACE(k.what + (" at call " + std::to_string(at)) +
                             (existing ? " (existing)" : ""));
                for (const auto& [path, c] : Snapshot(root_))
                    if (path.rfind(".~kw", 0) == 0 || path == "New") RemoveTree(Join(root_, path));
                if (existing) MakeDir(out);
                for (const auto& [name, content] : existing ? before_ : decltype(before_){})
                    WriteFile(Join(out, name), content);
                Seen seen;
                KwController controller(&seen);
                ASSERT_TRUE(controller.Drop(dir));
                std::fill(std::begin(gCount), std::end(gCount), 0);
                gKind = &k;
                gAt = at;
                Inject();
                controller.Execute("New");
                controller.Wait();
                glPlat = gReal;
                const KwResult& end = controller.Last();
                KwJobStatus status = end.status;
                if (at == 0) {
                    ASSERT_EQ(status, kKwDone);
                    n = gCount[k.call];
                    continue;
                }
                ++runs;
                EXPECT_EQ(Snapshot(dir), project);
                EXPECT_TRUE(!k.mustFail || status != kKwDone);
                EXPECT_EQ(KwEndText(end).rfind(KwSay(kTxtDone), 0) == 0, status == kKwDone);
                EXPECT_EQ(seen.createBoxes, k.call == kCreate && status != kKwRefused);
                // A copy left where it was built is named to the user; the reported files, by the
                // names of their copies ("*": all).
                std::string kept;
                std::set<std::string> reported;
                for (const KwError& f : end.failures) {
                    if (f.what == out && f.why.find(KwSay(kTxtWhyFolderMove)) == 0)
                        kept = f.why.substr(f.why.rfind('\n') + 1);
                    reported.insert(f.what == out || f.what == "New" ? "*"
                                    : f.what.rfind("Old.", 0) == 0   ? "New" + f.what.substr(3)
                                                                     : f.what);
                }
                for (const auto& [path, c] : Snapshot(root_))
                    EXPECT_TRUE(path.find(".~kw") == std::string::npos ||
                                (!kept.empty() && Join(root_, path).find(kept) == 0))
                        << path;
                if (status == kKwRefused) { // nothing written
                    EXPECT_EQ(Exists(out), existing);
                    continue;
                }
                auto got = Snapshot(kept.empty() ? out : kept);
                for (const auto& [name, content] : want_) {
                    auto it = got.find(name);
                    if (it != got.end() && it->second == content) continue;
                    EXPECT_TRUE(reported.count(name) || reported.count("*"))
                        << name << " wrong, not reported";
                    auto old = before_.find(name);
                    EXPECT_TRUE(it == got.end() ||
                                (existing && old != before_.end() && old->second == it->second))
                        << name << " is half-written";
                }
                EXPECT_EQ(existing ? got["mine.txt"] : "kept", "kept");
            }
    EXPECT_GT(runs, 80);
}

} // namespace
