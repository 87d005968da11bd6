// kestrelwick-cli killed at random moments during a larger job, many times: after each kill
// the project is unchanged and the new folder is either absent or complete; the next run
// clears what the killed ones left.
#include "tests/support.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// Starts the program on the project; with killAfter >= 0 kills it (SIGKILL) that many
// microseconds later. The exit status, or -1 when killed.
int RunCli(const std::string& dir, long killAfter) {
    const char* argv[] = {KW_CLI_PATH, dir.c_str(), "New", nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, argv[0], &fa, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -2;
    if (killAfter >= 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(killAfter));
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Kill : public TempTest {};

TEST_F(Kill, KilledRunsLeaveNoPartialFolder) {
    // 241 files, 18 MB: text files to rewrite and pictures to copy.
    std::string dir = Join(root_, "Big"), out = Join(root_, "New"), text;
    MakeDir(dir);
    WriteFile(Join(dir, "Big.pj"), "Big project");
    while (text.size() < 40000)
        text += "Big = total + items(i).size ' again and again\r\n";
    for (int i = 0; i < 200; ++i)
        WriteFile(Join(dir, "Big_" + std::to_string(i) + ".sbp"), text);
    for (int i = 0; i < 40; ++i)
        WriteFile(Join(dir, "pic_" + std::to_string(i) + ".bmp"), std::string(256 << 10, char(i)));
    const auto project = Snapshot(dir);

    auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(RunCli(dir, -1), 0);
    auto full =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    const auto complete = Snapshot(out);
    ASSERT_EQ(complete.size(), 241u);

    // Until 40 runs were killed part way: a run that ended first says the job is quicker now
    // (warm caches) than the first one, so later kills come sooner.
    std::mt19937 rng(7);
    int runs = 0, killed = 0;
    while (killed < 40 && runs++ < 160) {
        RemoveTree(out);
        long at = static_cast<long>(rng() % static_cast<unsigned>(full + 1));
        if (RunCli(dir, at) == -1)
            ++killed;
        else
            full = full * 4 / 5;
        ASSERT_TRUE(!Exists(out) || Snapshot(out) == complete)
            << "a killed run left a partial folder";
    }
    EXPECT_EQ(killed, 40);

    // An hour later, the next run finishes the job and removes the temporary folders of the
    // killed ones. A kill in the instant between making a folder and marking it (or unmarking
    // and naming it) leaves one unmarked, which is never anyone's to remove.
    RemoveTree(out);
    for (const auto& [path, content] : Snapshot(root_))
        if (path.rfind(".~kw", 0) == 0) Age(Join(root_, path), 7200);
    ASSERT_EQ(RunCli(dir, -1), 0);
    EXPECT_EQ(Snapshot(out), complete);
    EXPECT_EQ(Snapshot(dir), project);
    for (const auto& [path, content] : Snapshot(root_))
        EXPECT_EQ(path.find(kKwMarker), std::string::npos) << path;
}

} // namespace
