// kw_bench: the whole job on many files, kestrelwick-cli beside `cp -r`, a user-space copy and
// a cp/mv/sed pipeline in rounds, and the memory of a text refused as too large. Prints the
// table of ratios (the machines are shared and noisy: ratios say more than times) and writes
// it as JSON.
//   kw_bench --projects=DIR [--table_out=FILE] [Google Benchmark flags]
#include "bench/bench.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <unistd.h>

namespace {

using Counters = std::map<std::string, double>;

// Keeps the counters of each figure's median run while the console shows the runs.
class Collector : public benchmark::ConsoleReporter {
  public:
    Collector() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, Counters> figures;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if ((r.run_type == Run::RT_Aggregate && !median) || r.error_occurred) continue;
            Counters& c = figures[r.run_name.function_name];
            if (!median && !c.empty()) continue;
            for (const auto& [k, v] : r.counters)
                c[k] = v.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    StartLauncher();
    std::string projects, tableOut;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--projects=", 11) == 0)
            projects = argv[i] + 11;
        else if (std::strncmp(argv[i], "--table_out=", 12) == 0)
            tableOut = argv[i] + 12;
        else
            rest.push_back(argv[i]);
    }
    int n = static_cast<int>(rest.size());
    benchmark::Initialize(&n, rest.data());
    if (benchmark::ReportUnrecognizedArguments(n, rest.data())) return 2;
    RegisterJobBenchmarks(projects);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    auto c = [&](const std::string& figure, const char* name) {
        auto it = collector.figures.find(figure);
        return it == collector.figures.end() || !it->second.count(name) ? 0.0 : it->second.at(name);
    };

    std::printf("\nWhole job (seconds and ratios: medians over rounds of all four)\n");
    std::printf("  %-10s %12s %8s %8s %10s %8s %10s %8s %12s\n", "project", "kestrelwick", "cp -r",
                "x cp -r", "userspace", "x user", "sed", "sed/us", "peak MiB");
    std::string json = "{\n";
    for (const char* p : {"1000x20KB", "20x50MB"}) {
        std::string f = std::string("job/") + p;
        if (c(f, "kestrelwick_s") <= 0) continue;
        double rss = c(f, "peak_rss_MiB"), largest = c(f, "largest_file_MiB");
        std::printf("  %-10s %12.3f %8.3f %8.2f %10.3f %8.2f %10.3f %8.2f %7.0f (%.1fx)\n", p,
                    c(f, "kestrelwick_s"), c(f, "cp-r_s"), c(f, "x_cp_r"), c(f, "userspace-copy_s"),
                    c(f, "x_userspace"), c(f, "sed-pipeline_s"), c(f, "sed_over_kw"), rss,
                    rss / largest);
        json += std::string("  \"") + p + "\": {";
        for (const auto& [k, v] : collector.figures[f])
            json += "\"" + k + "\": " + std::to_string(v) + ", ";
        json.replace(json.size() - 2, 2, "},\n");
    }
    double rss = c("refused/50MB", "peak_rss_MiB"), file = c("refused/50MB", "file_MiB");
    double jrss = c("cp932/64MB", "peak_rss_MiB"), jfile = c("cp932/64MB", "file_MiB");
    if (rss > 0)
        std::printf("\nA text refused as too large (%.0f MiB, result 5 GB): peak memory %.0f MiB "
                    "(%.2fx the file)\n",
                    file, rss, rss / file);
    if (jrss > 0)
        std::printf("A CP932 text of %.0f MiB, Proj renamed P: peak memory %.0f MiB (%.2fx the "
                    "file)\n",
                    jfile, jrss, jrss / jfile);
    json += "  \"refused\": {\"file_mib\": " + std::to_string(file) +
            ", \"peak_rss_mib\": " + std::to_string(rss) + "},\n";
    json += "  \"cp932\": {\"file_mib\": " + std::to_string(jfile) +
            ", \"peak_rss_mib\": " + std::to_string(jrss) + "}\n}\n";

    std::printf("\nTargets\n");
    struct Target {
        const char* what;
        double value, bound;
        bool atLeast;
    } targets[] = {
        {"job 1000x20KB / cp -r", c("job/1000x20KB", "x_cp_r"), 1.3, false},
        {"job 20x50MB / user-space copy", c("job/20x50MB", "x_userspace"), 1.5, false},
        {"sed pipeline / job, 1000x20KB", c("job/1000x20KB", "sed_over_kw"), 3, true},
        {"sed pipeline / job, 20x50MB", c("job/20x50MB", "sed_over_kw"), 3, true},
        {"peak memory / largest file, 20x50MB",
         c("job/20x50MB", "peak_rss_MiB") / c("job/20x50MB", "largest_file_MiB"), 3, false},
        {"peak memory / file, refused 50MB", rss / file, 2, false},
        {"peak memory / file, CP932 64MB Proj->P", jrss / jfile, 2, false},
    };
    for (const Target& t : targets) {
        if (!(t.value > 0)) continue;
        bool met = t.atLeast ? t.value >= t.bound : t.value <= t.bound;
        std::printf("  %-40s %10.2f  %s %-6g %s\n", t.what, t.value,
                    t.atLeast ? ">=" : "<=", t.bound, met ? "met" : "MISSED");
    }
    if (!tableOut.empty())
        if (FILE* f = std::fopen(tableOut.c_str(), "w")) {
            std::fputs(json.c_str(), f);
            std::fclose(f);
        }
    benchmark::Shutdown();
    return 0;
}
