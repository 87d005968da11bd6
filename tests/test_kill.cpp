// kestrelwick-cli killed at random moments during a larger job, many times (fewer under Wine,
// where a process takes longer to start): after each kill the project is unchanged and the new
// folder is either absent or complete; the next run clears what the killed ones left.
#include "engine/workdir.h"
#include "tests/support.h"

#include <random>

namespace {

class Kill : public TempTest {};

TEST_F(Kill, KilledRunsLeaveNoPartialFolder) {
    const bool windows = kPlatSep == '\\';
    // Text files to rewrite and pictures to copy: 241 files, 18 MB (61 and 5 MB under Wine).
    const int texts = windows ? 50 : 200, pictures = windows ? 10 : 40, kills = windows ? 12 : 40;
    std::string dir = Join(root_, "Big"), out = Join(root_, "New"), text;
    MakeDir(dir);
    WriteFile(Join(dir, "Big.pj"), "Big project");
    while (text.size() < 40000)
        text += "Big = total + items(i).size ' again and again\r\n";
    for (int i = 0; i < texts; ++i)
        WriteFile(Join(dir, "Big_" + std::to_string(i) + ".sbp"), text);
    for (int i = 0; i < pictures; ++i)
        WriteFile(Join(dir, "pic_" + std::to_string(i) + ".bmp"), std::string(256 << 10, char(i)));
    const auto project = Snapshot(dir);

    int64_t t0 = PlatTicks();
    ASSERT_EQ(RunCli({dir, "New"}, -1), 0);
    int64_t full = (PlatTicks() - t0) * 1000; // microseconds
    const auto complete = Snapshot(out);
    ASSERT_EQ(complete.size(), static_cast<size_t>(texts + pictures + 1));

    // Until enough runs were killed part way: a run that ended first says the job is quicker
    // now (warm caches) than the first one, so later kills come sooner.
    std::mt19937 rng(7);
    int runs = 0, killed = 0;
    while (killed < kills && runs++ < 4 * kills) {
        RemoveTree(out);
        long at = static_cast<long>(rng() % static_cast<unsigned>(full + 1));
        if (RunCli({dir, "New"}, at) == -1)
            ++killed;
        else
            full = full * 4 / 5;
        ASSERT_TRUE(!Exists(out) || Snapshot(out) == complete)
            << "a killed run left a partial folder";
    }
    EXPECT_EQ(killed, kills);

    // An hour later, the next run finishes the job and removes the temporary folders of the
    // killed ones. A kill in the instant between making a folder and marking it (or unmarking
    // and naming it) leaves one unmarked, which is never anyone's to remove.
    RemoveTree(out);
    for (const auto& [path, content] : Snapshot(root_))
        if (path.rfind(".~kw", 0) == 0) Age(Join(root_, path), 7200);
    ASSERT_EQ(RunCli({dir, "New"}, -1), 0);
    EXPECT_EQ(Snapshot(out), complete);
    EXPECT_EQ(Snapshot(dir), project);
    for (const auto& [path, content] : Snapshot(root_))
        EXPECT_EQ(path.find(kKwMarker), std::string::npos) << path;
}

} // namespace
