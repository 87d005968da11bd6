// The whole job on generated projects: kestrelwick-cli (release-built) beside `cp -r`, a plain
// user-space copy of the same files, and what a user might do instead with cp, mv and sed.
#include "bench/bench.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char kOld[] = "BenchProject";
const char kNew[] = "RenamedBenchProject";

struct Project {
    std::string label, dir; // dir: the project folder, whose parent gets the copy
    std::string dest() const { return (fs::path(dir).parent_path() / kNew).string(); }
};

// Runs a command to its end; its wall time (-1 when it did not end by itself), its exit status
// and its peak resident memory in *rssKiB.
double Spawn(const std::vector<std::string>& args, long* rssKiB, int* code) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    auto t0 = Clock::now();
    pid_t pid;
    int status = 0;
    rusage ru{};
    bool ok = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0 &&
              wait4(pid, &status, 0, &ru) == pid && WIFEXITED(status);
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    posix_spawn_file_actions_destroy(&fa);
    *rssKiB = ru.ru_maxrss;
    *code = ok ? WEXITSTATUS(status) : -1;
    return ok ? s : -1;
}

// A child's peak memory counts the memory of the process it was started from until it
// execs; so commands are started by a small launcher process, forked before the benchmark
// holds its texts.
int gToLauncher = -1, gFromLauncher = -1;

struct Result {
    double seconds;
    long rssKiB;
    int code;
};

[[noreturn]] void Launcher(int in, int out) {
    for (;;) {
        std::vector<std::string> args;
        std::string arg;
        char c;
        for (;;) {
            if (read(in, &c, 1) != 1) _exit(0);
            if (c != '\0') {
                arg += c;
            } else if (arg.empty()) {
                break;
            } else {
                args.push_back(arg);
                arg.clear();
            }
        }
        Result r{};
        r.seconds = Spawn(args, &r.rssKiB, &r.code);
        if (write(out, &r, sizeof r) != sizeof r) _exit(1);
    }
}

// The time of a command (-1 when it failed, or ended with another status than `want`).
double Run(const std::vector<std::string>& args, long* rssKiB, int want = 0) {
    std::string msg;
    for (const std::string& a : args)
        msg += a + '\0';
    msg += '\0';
    Result r{-1, 0, -1};
    if (write(gToLauncher, msg.data(), msg.size()) != static_cast<ssize_t>(msg.size()) ||
        read(gFromLauncher, &r, sizeof r) != sizeof r)
        return -1;
    if (rssKiB) *rssKiB = r.rssKiB;
    return r.code == want ? r.seconds : -1;
}

// Each file read whole and written whole: the floor for a program that passes every byte of
// a text file through its own memory once.
double UserSpaceCopy(const Project& p) {
    auto t0 = Clock::now();
    fs::create_directory(p.dest());
    for (const fs::directory_entry& e : fs::directory_iterator(p.dir)) {
        FILE* in = std::fopen(e.path().c_str(), "rb");
        size_t size = fs::file_size(e.path());
        std::unique_ptr<char[]> buf(new char[size + 1]);
        size_t got = std::fread(buf.get(), 1, size, in);
        std::fclose(in);
        FILE* out = std::fopen((fs::path(p.dest()) / e.path().filename()).c_str(), "wb");
        std::fwrite(buf.get(), 1, got, out);
        std::fclose(out);
    }
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

const char kSedPipeline[] =
    "cp -r -- \"$1\" \"$2\" && cd -- \"$2\" && shopt -s nullglob nocaseglob && "
    "for f in *\"$3\"*; do mv -- \"$f\" \"${f//\"$3\"/\"$4\"}\"; done && "
    "sed -i \"s/$3/$4/g\" -- *.wbp *.sbp *.abp *.idx *.pj *.wnd *.wrk *.txt";

enum Tool { kKestrelwick, kCpR, kUserSpace, kSed, kTools };
const char* const kToolNames[kTools] = {"kestrelwick", "cp-r", "userspace-copy", "sed-pipeline"};

double RunTool(const Project& p, Tool tool, long* rss) {
    switch (tool) {
    case kKestrelwick: return Run({KW_CLI, p.dir, kNew}, rss);
    case kCpR: return Run({"/bin/cp", "-r", p.dir, p.dest()}, nullptr);
    case kUserSpace: return UserSpaceCopy(p);
    default:
        return Run({"/bin/bash", "-c", kSedPipeline, "sed", p.dir, p.dest(), kOld, kNew}, nullptr);
    }
}

// One iteration is a round: every tool once, in an order that turns from round to round, so
// that the machine's drift (write-back, other tenants) falls on all of them alike. The
// counters hold each tool's seconds and each ratio of the round; the medians are read off.
void Job(benchmark::State& state, Project p) {
    long peak = 0;
    int round = 0;
    for (auto _ : state) {
        double s[kTools];
        for (int k = 0; k < kTools; ++k) {
            auto tool = static_cast<Tool>((k + round) % kTools);
            fs::remove_all(p.dest());
            // Each run starts with nothing of the last one still to be written back.
            sync();
            long rss = 0;
            s[tool] = RunTool(p, tool, &rss);
            peak = std::max(peak, rss);
            if (s[tool] < 0)
                state.SkipWithError((std::string(kToolNames[tool]) + " failed").c_str());
        }
        ++round;
        double total = 0;
        for (int k = 0; k < kTools; ++k) {
            state.counters[std::string(kToolNames[k]) + "_s"] = s[k];
            total += s[k];
        }
        state.counters["x_cp_r"] = s[kKestrelwick] / s[kCpR];
        state.counters["x_userspace"] = s[kKestrelwick] / s[kUserSpace];
        state.counters["sed_over_kw"] = s[kSed] / s[kKestrelwick];
        state.SetIterationTime(total);
    }
    uintmax_t largest = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(p.dir))
        largest = std::max(largest, e.file_size());
    state.counters["peak_rss_MiB"] = static_cast<double>(peak) / 1024;
    state.counters["largest_file_MiB"] = static_cast<double>(largest) / (1 << 20);
    fs::remove_all(p.dest());
}

// The peak memory of one run on a project of one large text: a text whose result would pass
// the growth limit (50 MB of the one-letter name, replaced by 100 letters: 5 GB), refused and
// reported; and a CP932 text of 64 MB renamed "Proj" to "P", which can form the old name again
// where the new one meets the text, read character by character.
void Memory(benchmark::State& state, std::string dir, std::string file, std::string newName,
            int status) {
    long rss = 0;
    std::string dest = (fs::path(dir).parent_path() / newName).string();
    for (auto _ : state) {
        fs::remove_all(dest);
        double s = Run({KW_CLI, dir, newName}, &rss, status);
        if (s < 0) state.SkipWithError("the run did not end as it should");
        state.SetIterationTime(std::max(s, 1e-9));
    }
    fs::remove_all(dest);
    state.counters["peak_rss_MiB"] = static_cast<double>(rss) / 1024;
    state.counters["file_MiB"] =
        static_cast<double>(fs::file_size(fs::path(dir) / file)) / (1 << 20);
}

} // namespace

void StartLauncher() {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) return;
    if (fork() == 0) {
        close(down[1]);
        close(up[0]);
        Launcher(down[0], up[1]);
    }
    close(down[0]);
    close(up[1]);
    gToLauncher = down[1];
    gFromLauncher = up[0];
}

void RegisterJobBenchmarks(const std::string& projects) {
    if (projects.empty()) std::fprintf(stderr, "no --projects: run scripts/bench-projects\n");
    struct {
        const char *name, *dir, *file, *newName;
        int status;
    } const memory[] = {
        {"refused/50MB", "/refused/A", "A.txt", nullptr, 1},
        {"cp932/64MB", "/cp932/Proj", "Main.sbp", "P", 0},
    };
    for (const auto& m : memory)
        if (fs::exists(projects + m.dir))
            benchmark::RegisterBenchmark(m.name, Memory, projects + m.dir, m.file,
                                         m.newName ? m.newName : std::string(100, 'N'), m.status)
                ->UseManualTime()
                ->Iterations(1)
                ->Repetitions(3);
    for (const char* label : {"1000x20KB", "20x50MB"}) {
        Project p{label, projects + "/" + label + "/" + kOld};
        if (!fs::exists(p.dir)) {
            std::fprintf(stderr, "no project %s: run scripts/bench-projects\n", p.dir.c_str());
            continue;
        }
        benchmark::RegisterBenchmark(("job/" + std::string(label)).c_str(), Job, p)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(9); // the write-back of this machine varies from run to run
    }
}
