// Real faults on Linux, not injected ones: permissions, a full disk (a file-size limit), a
// dangling link and a named pipe in the project. Runs that need an ordinary user are made in
// a child process that drops root, since root reads and writes whatever the modes say.
#include "engine/job.h"
#include "engine/state.h"
#include "engine/texts.h"
#include "tests/support.h"
#include "ui/commands.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    KwJobStatus status = kKwRefused;
    std::vector<KwFailure> failures;
    std::string Names() const {
        std::string s;
        for (const KwFailure& f : failures)
            s += f.name + "：" + f.why + "\n";
        return s;
    }
};

class RealFaults : public TempTest {
  protected:
    // The child may run as another user: the test folder and the folders it writes to are
    // open to all.
    void SetUp() override {
        TempTest::SetUp();
        chmod(root_.c_str(), 0777);
    }
    std::string OpenFolder(const std::string& name) {
        std::string path = Join(root_, name);
        MakeDir(path);
        chmod(path.c_str(), 0777);
        return path;
    }

    // A drop of dir and a press in a child process, as "nobody" when this is root, with
    // `setup` done there first; its status and failures (and its last box, as the failure of
    // "box") come back through a pipe.
    Outcome RunInChild(const std::string& dir, const std::string& newName, void (*setup)()) {
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid_t pid = fork();
        if (pid == 0) {
            close(fds[0]);
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
            if (setup) setup();
            static std::string box;
            glPlat.Box = [](const char* text, const char*, unsigned) { box = text; };
            OnDropPath(dir);
            std::vector<KwFailure> failures;
            std::string out = std::to_string(ExecuteCommand(newName, true, &failures)) + "\n";
            failures.push_back({"box", box});
            for (const KwFailure& f : failures)
                out += f.name + "\t" + f.why + "\n";
            (void)!write(fds[1], out.data(), out.size());
            _exit(0);
        }
        close(fds[1]);
        std::string text;
        char buf[4096];
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
            text.append(buf, static_cast<size_t>(n));
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        Outcome o;
        size_t nl = text.find('\n');
        if (nl == std::string::npos) return o;
        o.status = static_cast<KwJobStatus>(std::stoi(text.substr(0, nl)));
        for (size_t at = nl + 1; at < text.size();) {
            size_t end = text.find('\n', at), tab = text.find('\t', at);
            o.failures.push_back({text.substr(at, tab - at), text.substr(tab + 1, end - tab - 1)});
            at = end + 1;
        }
        return o;
    }

    // Nothing temporary anywhere under the test folder.
    void ExpectNoTemporaries() {
        for (const auto& [path, content] : Snapshot(root_))
            EXPECT_EQ(path.find(".~kw"), std::string::npos) << path;
    }

    bool Failed(const Outcome& o, const std::string& name, const char* why) {
        for (const KwFailure& f : o.failures)
            if (f.name == name && f.why.find(why) == 0) return true;
        return false;
    }
};

TEST_F(RealFaults, SourceFilesWithoutReadPermission) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"Main.sbp", "Old"}, {"a.ico", "x"}});
    chmod(Join(dir, "Main.sbp").c_str(), 0);
    chmod(Join(dir, "a.ico").c_str(), 0);
    Outcome o = RunInChild(dir, "New", nullptr);
    EXPECT_EQ(o.status, kKwFailed);
    EXPECT_TRUE(Failed(o, "Main.sbp", kTxtWhyOpen)) << o.Names();
    EXPECT_TRUE(Failed(o, "a.ico", kTxtWhyCopy)) << o.Names();
    std::map<std::string, std::string> want = {{"New.pj", "New"}};
    EXPECT_EQ(Snapshot(Join(root_, "New")), want);
    ExpectNoTemporaries();
    // A folder that can't be read says so, not "drop the project folder".
    chmod(dir.c_str(), 0);
    EXPECT_TRUE(Failed(RunInChild(dir, "Other", nullptr), "box", kTxtCantList));
    chmod(dir.c_str(), 0755);
}

TEST_F(RealFaults, DestinationsWithoutWritePermission) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"a.ico", "x"}});
    // An existing new folder that can't be written: nothing can be built in it, what was
    // there stays.
    std::string out = Join(root_, "New");
    MakeDir(out);
    WriteFile(Join(out, "New.pj"), "before");
    chmod(out.c_str(), 0555);
    if (geteuid() == 0) chown(out.c_str(), 0, 0);
    Outcome o = RunInChild(dir, "New", nullptr);
    EXPECT_EQ(o.status, kKwFailed);
    EXPECT_TRUE(Failed(o, out, kTxtWhyMakeDir)) << o.Names();
    std::map<std::string, std::string> want = {{"New.pj", "before"}};
    EXPECT_EQ(Snapshot(out), want);
    chmod(out.c_str(), 0755);

    // A parent folder that can't be written: the new folder can't be made at all.
    chmod(root_.c_str(), 0555);
    Outcome o2 = RunInChild(dir, "Other", nullptr);
    chmod(root_.c_str(), 0777);
    EXPECT_EQ(o2.status, kKwFailed);
    EXPECT_TRUE(Failed(o2, Join(root_, "Other"), kTxtWhyMakeDir)) << o2.Names();
    EXPECT_FALSE(Exists(Join(root_, "Other")));
    ExpectNoTemporaries();
}

// A full disk, as a file-size limit: writes past it fail with EFBIG.
TEST_F(RealFaults, DiskFullPartWay) {
    std::string big = std::string(300000, 'x') + "Old";
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"},
                                          {"Big.sbp", big},
                                          {"big.bmp", std::string(300000, 'b')},
                                          {"small.bmp", "b"}});
    std::string out = OpenFolder("New");
    WriteFile(Join(out, "Big.sbp"), "previous");
    Outcome o = RunInChild(dir, "New", [] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &lim);
    });
    EXPECT_EQ(o.status, kKwFailed);
    EXPECT_TRUE(Failed(o, "Big.sbp", kTxtWhyWrite) || Failed(o, "Big.sbp", kTxtWhyDiskFull))
        << o.Names();
    EXPECT_TRUE(Failed(o, "big.bmp", kTxtWhyCopy)) << o.Names();
    std::map<std::string, std::string> want = {
        {"New.pj", "New"}, {"Big.sbp", "previous"}, {"small.bmp", "b"}};
    EXPECT_EQ(Snapshot(out), want);
    ExpectNoTemporaries();
}

// A dangling link and a named pipe: reported, never followed or waited on.
TEST_F(RealFaults, DanglingLinkAndNamedPipe) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"a.txt", "Old"}});
    ASSERT_EQ(symlink("nowhere", Join(dir, "Old.lnk").c_str()), 0);
    ASSERT_EQ(mkfifo(Join(dir, "Old.wnd").c_str(), 0644), 0);
    Resnapshot();
    Outcome o = RunInChild(dir, "New", nullptr);
    EXPECT_EQ(o.status, kKwFailed);
    EXPECT_TRUE(Failed(o, "Old.lnk", kTxtWhyCopy)) << o.Names();
    EXPECT_TRUE(Failed(o, "Old.wnd", kTxtWhyNotFile)) << o.Names();
    std::map<std::string, std::string> want = {{"New.pj", "New"}, {"a.txt", "New"}};
    EXPECT_EQ(Snapshot(Join(root_, "New")), want);
    ExpectNoTemporaries();
}

// A link standing where a copy goes is replaced, not written through.
TEST_F(RealFaults, LinkAtADestinationIsReplaced) {
    std::string dir = MakeProject("Old", {{"Old.pj", "Old"}, {"a.ico", "icon"}});
    std::string victim = Join(root_, "victim");
    WriteFile(victim, "untouched");
    std::string out = OpenFolder("New");
    ASSERT_EQ(symlink(victim.c_str(), Join(out, "New.pj").c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), Join(out, "a.ico").c_str()), 0);
    Outcome o = RunInChild(dir, "New", nullptr);
    EXPECT_EQ(o.status, kKwDone) << o.Names();
    EXPECT_EQ(ReadFile(victim), "untouched");
    struct stat st;
    ASSERT_EQ(lstat(Join(out, "New.pj").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(Join(out, "New.pj")), "New");
    EXPECT_EQ(ReadFile(Join(out, "a.ico")), "icon");
}

} // namespace
