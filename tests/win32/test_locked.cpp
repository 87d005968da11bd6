// Files held open without sharing by another process: the source can't be read, the old copy
// can't be replaced. Both are reported; the held file is not touched and nothing temporary is
// left.
#include "engine/job.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "tests/support.h"

#include <windows.h>

namespace {

// Another process that holds a file open, for as long as this object lives.
class Holder {
  public:
    explicit Holder(const std::string& file) {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string exe = self;
        exe = exe.substr(0, exe.rfind('\\') + 1) + "kw_lock.exe";
        std::string cmd = "\"" + exe + "\" \"" + file + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        if (!CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &si, &pi_))
            return;
        // Held once this process can no longer open it.
        for (int i = 0; i < 200; ++i) {
            HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
                held_ = true;
                return;
            }
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
            Sleep(50);
        }
    }
    ~Holder() {
        if (!pi_.hProcess) return;
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    bool held() const { return held_; }

  private:
    PROCESS_INFORMATION pi_{};
    bool held_ = false;
};

class Locked : public TempTest {};

TEST_F(Locked, HeldFilesAreReportedAndLeftAlone) {
    std::string dir = MakeProject(
        "Old", {{"Old.pj", "Old"}, {"Main.sbp", "Old main"}, {"a.ico", "icon"}, {"b.ico", "b"}});
    std::string out = Join(root_, "New");
    MakeDir(out);
    WriteFile(Join(out, "b.ico"), "previous");
    std::vector<KwFailure> failures;
    {
        Holder source(Join(dir, "Main.sbp")), plain(Join(dir, "a.ico")), target(Join(out, "b.ico"));
        ASSERT_TRUE(source.held() && plain.held() && target.held());
        glDropPath = dir;
        glOldPjName = "Old";
        glNewPjName = "New";
        EXPECT_EQ(ProjectKakikae(&failures), kKwFailed);
    }
    // In the order of the listing, which is the file system's.
    std::map<std::string, std::string> why;
    std::string names;
    for (const KwFailure& f : failures) {
        why[f.name] = f.why;
        names += f.name + "：" + f.why + "\n";
    }
    ASSERT_EQ(failures.size(), 3u) << names;
    EXPECT_EQ(why["a.ico"].find(kTxtWhyCopy), 0u) << names;
    EXPECT_EQ(why["b.ico"].find(kTxtWhyReplace), 0u) << names;
    EXPECT_EQ(why["Main.sbp"].find(kTxtWhyOpen), 0u) << names;
    std::map<std::string, std::string> want = {{"New.pj", "New"}, {"b.ico", "previous"}};
    EXPECT_EQ(Snapshot(out), want);
}

} // namespace
