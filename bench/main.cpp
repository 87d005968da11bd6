// Runs every figure, then prints the table of ratios, each figure beside its baselines from
// the same run (the machines are shared and noisy: ratios say more than times), and writes
// it as JSON.
//   kw_bench [--projects=DIR] [--table_out=FILE] [Google Benchmark flags]
#include "bench/bench.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <unistd.h>

namespace {

struct Figure {
    double seconds = 0; // per iteration, the median over the repetitions
    std::map<std::string, double> counters;
};

// Keeps the median of each figure (or its only run) while the console shows the runs.
class Collector : public benchmark::ConsoleReporter {
  public:
    Collector() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, Figure> figures;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median) continue;
            if (r.error_occurred) continue;
            Figure& f = figures[r.run_name.function_name];
            if (!median && f.seconds > 0) continue;
            f.seconds = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
            for (const auto& [k, c] : r.counters)
                f.counters[k] = c.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

struct Table {
    const std::map<std::string, Figure>& f;
    std::string json;
    int misses = 0;

    double T(const std::string& name) const {
        auto it = f.find(name);
        return it == f.end() ? 0 : it->second.seconds;
    }
    void Target(const std::string& what, double value, double bound, bool atLeast) {
        if (!(value > 0)) return;
        bool met = atLeast ? value >= bound : value <= bound;
        misses += !met;
        std::printf("  %-62s %10.2f  %s %-8g %s\n", what.c_str(), value,
                    atLeast ? ">=" : "<=", bound, met ? "met" : "MISSED");
        json += "    {\"target\": \"" + what + "\", \"value\": " + std::to_string(value) +
                ", \"bound\": " + std::to_string(bound) + ", \"met\": " + (met ? "true" : "false") +
                "},\n";
    }
};

std::string Num(double v) {
    return v > 0 ? std::to_string(v) : "null";
}

void PrintReplace(Table& t) {
    std::printf("\nReplacement (medians; x = time of StrKakikae / time of the baseline)\n");
    std::printf("  %-16s %6s %10s %10s %10s %14s %10s\n", "workload", "size", "MB/s", "x memmem",
                "x memcpy", "documented/us", "growth");
    t.json += "  \"replace\": [\n";
    for (const Workload& w : Workloads()) {
        double perByte1 = 0;
        for (int mib : {1, 16}) {
            std::string sz = std::to_string(mib) + "MiB", tail = "/" + w.name + "/" + sz;
            double us = t.T("replace" + tail), mm = t.T("memmem" + tail), cp = t.T("memcpy/" + sz);
            double doc = t.T("documented" + tail);
            if (us <= 0) continue;
            double bytes = mib * 1048576.0, mbs = bytes / us / 1e6;
            double growth = mib == 1 ? 0 : (us / bytes) / perByte1;
            if (mib == 1) perByte1 = us / bytes;
            std::printf("  %-16s %6s %10.0f %10.2f %10.2f %14s %10s\n", w.name.c_str(), sz.c_str(),
                        mbs, us / mm, us / cp,
                        doc > 0 ? std::to_string(int64_t(doc / us)).c_str() : "-",
                        growth > 0 ? std::to_string(growth).substr(0, 4).c_str() : "");
            t.json += "    {\"workload\": \"" + w.name +
                      "\", \"size_mib\": " + std::to_string(mib) + ", \"mb_per_s\": " + Num(mbs) +
                      ", \"vs_memmem\": " + Num(us / mm) + ", \"vs_memcpy\": " + Num(us / cp) +
                      ", \"documented_over_ours\": " + Num(doc > 0 ? doc / us : 0) +
                      ", \"growth_1_to_16\": " + Num(growth) + "},\n";
        }
    }
    if (t.json.back() == '\n' && t.json[t.json.size() - 2] == ',')
        t.json.erase(t.json.size() - 2, 1);
    t.json += "  ],\n";
}

// A counter of a figure, or 0.
double Counter(const Table& t, const std::string& figure, const std::string& name) {
    auto it = t.f.find(figure);
    if (it == t.f.end()) return 0;
    auto c = it->second.counters.find(name);
    return c == it->second.counters.end() ? 0 : c->second;
}

void PrintJob(Table& t) {
    std::printf("\nWhole job (seconds and ratios: medians over rounds of all four)\n");
    std::printf("  %-10s %12s %8s %8s %10s %8s %10s %8s %12s\n", "project", "kestrelwick", "cp -r",
                "x cp -r", "userspace", "x user", "sed", "sed/us", "peak MiB");
    t.json += "  \"job\": [\n";
    for (const char* p : {"1000x20KB", "20x50MB"}) {
        std::string f = std::string("job/") + p;
        auto c = [&](const char* name) { return Counter(t, f, name); };
        if (c("kestrelwick_s") <= 0) continue;
        double rss = c("peak_rss_MiB"), largest = c("largest_file_MiB");
        std::printf("  %-10s %12.3f %8.3f %8.2f %10.3f %8.2f %10.3f %8.2f %7.0f (%.1fx)\n", p,
                    c("kestrelwick_s"), c("cp-r_s"), c("x_cp_r"), c("userspace-copy_s"),
                    c("x_userspace"), c("sed-pipeline_s"), c("sed_over_kw"), rss, rss / largest);
        t.json +=
            std::string("    {\"project\": \"") + p +
            "\", \"kestrelwick_s\": " + Num(c("kestrelwick_s")) +
            ", \"cp_r_s\": " + Num(c("cp-r_s")) +
            ", \"userspace_copy_s\": " + Num(c("userspace-copy_s")) +
            ", \"sed_pipeline_s\": " + Num(c("sed-pipeline_s")) +
            ", \"x_cp_r\": " + Num(c("x_cp_r")) + ", \"x_userspace\": " + Num(c("x_userspace")) +
            ", \"sed_over_kestrelwick\": " + Num(c("sed_over_kw")) +
            ", \"peak_rss_mib\": " + Num(rss) + ", \"largest_file_mib\": " + Num(largest) + "},\n";
    }
    if (t.json.back() == '\n' && t.json[t.json.size() - 2] == ',')
        t.json.erase(t.json.size() - 2, 1);
    t.json += "  ],\n";
    double rss = Counter(t, "refused/50MB", "peak_rss_MiB"),
           file = Counter(t, "refused/50MB", "file_MiB");
    if (rss > 0) {
        std::printf("\nA text refused as too large (%.0f MiB, result 5 GB): peak memory %.0f MiB "
                    "(%.2fx the file)\n",
                    file, rss, rss / file);
        t.json += "  \"refused\": {\"file_mib\": " + Num(file) + ", \"peak_rss_mib\": " + Num(rss) +
                  "},\n";
    }
}

void PrintTargets(Table& t) {
    std::printf("\nTargets\n");
    t.json += "  \"targets\": [\n";
    auto mbs = [&](const std::string& w, int mib) {
        double s = t.T("replace/" + w + "/" + std::to_string(mib) + "MiB");
        return s > 0 ? mib * 1048576.0 / s / 1e6 : 0;
    };
    auto ratio = [&](const std::string& a, const std::string& b) {
        double x = t.T(a), y = t.T(b);
        return x > 0 && y > 0 ? x / y : 0;
    };
    for (int mib : {1, 16}) {
        std::string sz = std::to_string(mib) + "MiB";
        t.Target("MB/s, one per 2KB, " + sz, mbs("one-per-2KB", mib), 4000, true);
        t.Target("x memmem, one per 2KB, " + sz,
                 ratio("replace/one-per-2KB/" + sz, "memmem/one-per-2KB/" + sz), 1.5, false);
        t.Target("MB/s, one per 64B, " + sz, mbs("one-per-64B", mib), 1000, true);
        t.Target("MB/s, junction ab->a, " + sz, mbs("junction-ab-a", mib), 120, true);
        t.Target("CP932 path / byte path, " + sz,
                 ratio("replace/cp932-per-2KB/" + sz, "replace/cp932-as-bytes/" + sz), 2, false);
    }
    t.Target("documented / StrKakikae, one per 64B, 1MiB",
             ratio("documented/one-per-64B/1MiB", "replace/one-per-64B/1MiB"), 1000, true);
    for (const Workload& w : Workloads())
        t.Target("growth of time per byte 1->16MiB, " + w.name,
                 ratio("replace/" + w.name + "/16MiB", "replace/" + w.name + "/1MiB") / 16, 1.5,
                 false);
    t.Target("job 1000x20KB / cp -r", Counter(t, "job/1000x20KB", "x_cp_r"), 1.3, false);
    t.Target("job 20x50MB / user-space copy", Counter(t, "job/20x50MB", "x_userspace"), 1.5, false);
    for (const char* p : {"1000x20KB", "20x50MB"})
        t.Target(std::string("sed pipeline / job, ") + p,
                 Counter(t, std::string("job/") + p, "sed_over_kw"), 3, true);
    t.Target("peak memory / file, refused 50MB",
             Counter(t, "refused/50MB", "peak_rss_MiB") / Counter(t, "refused/50MB", "file_MiB"), 2,
             false);
    t.Target("peak memory / largest file, 20x50MB",
             Counter(t, "job/20x50MB", "peak_rss_MiB") /
                 Counter(t, "job/20x50MB", "largest_file_MiB"),
             3, false);
    if (t.json.back() == '\n' && t.json[t.json.size() - 2] == ',')
        t.json.erase(t.json.size() - 2, 1);
    t.json += "  ]\n";
}

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
    RegisterReplaceBenchmarks();
    if (!projects.empty()) RegisterJobBenchmarks(projects);
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    Table t{collector.figures, "{\n", 0};
    PrintReplace(t);
    PrintJob(t);
    PrintTargets(t);
    t.json += "}\n";
    if (!tableOut.empty()) {
        if (FILE* f = std::fopen(tableOut.c_str(), "w")) {
            std::fputs(t.json.c_str(), f);
            std::fclose(f);
            std::printf("\ntable written to %s\n", tableOut.c_str());
        }
    }
    benchmark::Shutdown();
    return 0;
}
