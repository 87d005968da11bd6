// kw_speed: the replacement on each workload, the text path (the encoding decided, then the
// name replaced) on each kind of text, and the whole job on one large text of each kind, each
// beside its baselines from the same run. The same source is built natively and for Windows (run
// under Wine): given the Windows run's figures, the native run prints both side by side.
//   kw_speed [--smoke] [--level=N] [--figures=FILE] [--windows=FILES] [--native=FILES]
//            [--table=FILE]
// --figures writes this run's figures (a name and seconds a line); --windows reads the Windows
// build's, --native this build's instead of measuring (FILES: one or more, comma-separated,
// each figure the median of theirs: runs taken in turn see the machine alike); --table writes
// the table as JSON, --level sets the search's vector width, --smoke runs each figure once at
// 1 MiB.
#include "bench/bench.h"

#include "text/find.h"
#include "engine/job.h"
#include "engine/names.h"
#include "text/content.h"
#include "text/kakikae.h"
#include "platform/platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;
using Figures = std::map<std::string, double>;

constexpr size_t kSizes[] = {size_t{1} << 20, size_t{16} << 20, size_t{64} << 20};
// The largest size a workload runs at: the junction's cost must stay linear to the last.
size_t MostSize(const Workload& w) {
    return w.name == "junction-ab-a" ? kSizes[2] : kSizes[1];
}
constexpr size_t kJobSize = size_t{32} << 20;
// A few seconds: one run of each figure at the first size (CI, to see that it works).
bool gSmoke = false;

// The median of runs of `timed` (seconds), after one to warm up: at least 5 runs and 0.3 s.
double Median(const std::function<double()>& timed, int most = 101) {
    timed();
    std::vector<double> t;
    double total = 0;
    if (gSmoke) most = 1;
    while ((t.size() < 5 || total < 0.3) && static_cast<int>(t.size()) < most) {
        t.push_back(timed());
        total += t.back();
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

template <typename F> double Time(F f) {
    auto t0 = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

volatile size_t gSink;

void Replacement(Figures* fig) {
    for (size_t size : kSizes) {
        if (gSmoke && size != kSizes[0]) continue;
        std::string sz = "/" + std::to_string(size >> 20) + "MiB";
        std::string plain(size, 'x'), to(size, '\0');
        // What bounds a search and a copy from below.
        (*fig)["memchr" + sz] = Median(
            [&] { return Time([&] { gSink = std::memchr(plain.data(), 0, size) != nullptr; }); });
        (*fig)["memcpy" + sz] =
            Median([&] { return Time([&] { std::memcpy(to.data(), plain.data(), size); }); });
        for (const Workload& w : Workloads()) {
            if (size > MostSize(w)) continue;
            std::string text = w.make(size, w.oldName);
            KwBuf buf;
            (*fig)["replace/" + w.name + sz] = Median([&] {
                // As the copy job reads a file: behind the room it may grow into.
                KwBufAssign(&buf, text, KakikaeRoom(text.size(), w.newName, w.oldName));
                KakikaeRules rules{w.cp932 ? kUnitCp932 : kUnitByte};
                return Time([&] { StrKakikae(&buf, w.newName, w.oldName, rules); });
            });
        }
    }
}

// A folder's files and the folder itself, gone.
void RemoveFolder(const std::string& dir) {
    std::vector<PlatEntry> entries;
    PlatDir at = nullptr;
    PlatFileId id;
    if (glPlat.List(dir.c_str(), &entries) == 0 && glPlat.OpenDir(dir.c_str(), &at, &id) == 0) {
        for (const PlatEntry& e : entries)
            if (!e.isDir) glPlat.RemoveAt(at, e.name.c_str());
        glPlat.CloseDir(at);
    }
    size_t sep = dir.rfind(kPlatSep);
    if (glPlat.OpenDir(dir.substr(0, sep).c_str(), &at, &id) == 0) {
        glPlat.RemoveDirAt(at, dir.c_str() + sep + 1);
        glPlat.CloseDir(at);
    }
}

// A file made anew with `data` in it.
bool WriteWhole(const std::string& dir, const char* name, const std::string& data) {
    PlatDir at = nullptr;
    PlatFileId id;
    PlatFile f = nullptr;
    uint32_t put = 0;
    if (glPlat.OpenDir(dir.c_str(), &at, &id) != 0) return false;
    glPlat.RemoveAt(at, name);
    bool ok = glPlat.CreateAt(at, name, &f) == 0 &&
              glPlat.Write(f, data.data(), static_cast<uint32_t>(data.size()), &put) == 0;
    ok = f && glPlat.Close(f) == 0 && ok && put == data.size();
    glPlat.CloseDir(at);
    return ok;
}

bool MakeDir(const std::string& dir) {
    size_t sep = dir.rfind(kPlatSep);
    PlatDir at = nullptr;
    PlatFileId id;
    if (glPlat.OpenDir(dir.substr(0, sep).c_str(), &at, &id) != 0) return false;
    bool ok = glPlat.MakeDirAt(at, dir.c_str() + sep + 1) == 0;
    glPlat.CloseDir(at);
    return ok;
}

// The texts a whole job and the text path are measured on: ASCII source, and Japanese in
// CP932, in UTF-8 and in UTF-8 with CP932 lines, each with the name once per 2 KB.
const char* const kKinds[][2] = {{"ascii", "one-per-2KB"},
                                 {"cp932", "hiragana-per-2KB"},
                                 {"utf8", "utf8-per-2KB"},
                                 {"mixed", "mixed-per-2KB"}};
const Workload& WorkloadNamed(const std::string& name) {
    for (const Workload& w : Workloads())
        if (w.name == name) return w;
    std::abort();
}

// The text path as the job runs it (the encoding decided, then the name replaced in the
// text's own), and the decision alone: beside the replacement alone of the same text.
void TextPath(Figures* fig) {
    for (size_t size : {kSizes[0], kSizes[1]}) {
        if (gSmoke && size != kSizes[0]) continue;
        std::string sz = "/" + std::to_string(size >> 20) + "MiB";
        for (const auto& kind : kKinds) {
            const Workload& w = WorkloadNamed(kind[1]);
            std::string text = w.make(size, w.oldName);
            PlatEnc enc = w.cp932 ? kEncCp932 : kEncUtf8;
            KwNameForms forms;
            KwMakeNameForms(w.oldName, enc, w.newName, enc, &forms);
            KwBuf buf;
            KwTextInfo info;
            (*fig)["text/" + w.name + sz] = Median([&] {
                KwBufAssign(&buf, text, KakikaeRoom(text.size(), w.newName, w.oldName));
                return Time([&] { KwRewriteContent(&buf, forms, kEncCp932, false, &info); });
            });
            (*fig)["decide/" + w.name + sz] =
                Median([&] { return Time([&] { gSink = KwDetectText(text.data(), size).enc; }); });
        }
    }
}

// The whole job on a project with one large text of each kind, in time and in processor
// time of its own, beside the floor of its I/O: the same text read whole and written whole
// into a new folder, with the same calls. In a folder of its own under the system's
// temporary one, removed again.
void Job(Figures* fig) {
    const char* tmp = std::getenv("TEMP");
    if (!tmp) tmp = std::getenv("TMPDIR");
    std::string top =
        std::string(tmp ? tmp : "/tmp") + kPlatSep + "kw-speed-" + std::to_string(PlatProcessId());
    std::string dir = top + kPlatSep + "Old", out = top + kPlatSep + "New";
    std::string floor = top + kPlatSep + "Floor";
    if (!MakeDir(top) || !MakeDir(dir) || !WriteWhole(dir, "Old.pj", "Old")) {
        std::fprintf(stderr, "kw_speed: can't make %s\n", dir.c_str());
        return;
    }
    KwEvents quiet; // told nothing, answers no
    for (const auto& kind : kKinds) {
        if (!WriteWhole(dir, "Old.sbp", WorkloadNamed(kind[1]).make(kJobSize, "Old"))) return;
        std::string name = std::string(kind[0]) + "/32MiB";
        double cpu = 0;
        std::vector<double> cpus;
        (*fig)["job/" + name] = Median(
            [&] {
                RemoveFolder(out);
                double user = PlatUserSeconds();
                double s = Time([&] {
                    KwRequest request{dir, "", "New"};
                    GetPjNameFromFolder(dir, &request.glOldPjName);
                    ProjectKakikae(request, &quiet);
                });
                cpus.push_back(PlatUserSeconds() - user);
                return s;
            },
            15);
        std::sort(cpus.begin(), cpus.end());
        cpu = cpus[cpus.size() / 2];
        (*fig)["cpu/" + name] = cpu;
    }
    (*fig)["floor/32MiB"] = Median(
        [&] {
            RemoveFolder(floor);
            return Time([&] {
                PlatFile in = nullptr;
                PlatStamp st;
                uint32_t got = 0;
                glPlat.OpenRead((dir + kPlatSep + "Old.sbp").c_str(), &in);
                glPlat.Stamp(in, &st);
                std::string data(st.size, '\0');
                glPlat.Read(in, data.data(), static_cast<uint32_t>(st.size), &got);
                glPlat.Close(in);
                MakeDir(floor);
                WriteWhole(floor, "New.sbp", data);
            });
        },
        15);
    for (const std::string& d : {out, floor, dir, top})
        RemoveFolder(d);
}

// Each figure of the files named (comma-separated): the median of theirs.
Figures Read(const std::string& files) {
    std::map<std::string, std::vector<double>> all;
    for (size_t at = 0; at < files.size();) {
        size_t comma = std::min(files.find(',', at), files.size());
        std::ifstream in(files.substr(at, comma - at));
        std::string name;
        double s;
        while (in >> name >> s)
            all[name].push_back(s);
        at = comma + 1;
    }
    Figures fig;
    for (auto& [name, v] : all) {
        std::sort(v.begin(), v.end());
        fig[name] = v[v.size() / 2];
    }
    return fig;
}

struct Table {
    const Figures& mine;
    const Figures& win;
    std::string json = "{\n  \"replace\": [\n";

    double T(const Figures& f, const std::string& name) const {
        auto it = f.find(name);
        return it == f.end() ? 0 : it->second;
    }
    void Target(const std::string& what, double value, double bound, bool atLeast) {
        if (!(value > 0)) return;
        bool met = atLeast ? value >= bound : value <= bound;
        std::printf("  %-58s %10.2f  %s %-6g %s\n", what.c_str(), value,
                    atLeast ? ">=" : "<=", bound, met ? "met" : "MISSED");
    }
};

void Print(Table& t) {
    std::printf("\nReplacement (StrKakikae), medians. x memchr: its time over a memchr scan of the "
                "same size; win: the Windows build under Wine\n");
    std::printf("  %-17s %5s %9s %9s %9s %9s %9s\n", "workload", "size", "MB/s", "x memchr",
                "win MB/s", "win/nat", "growth");
    for (const Workload& w : Workloads()) {
        double perByte1 = 0;
        for (size_t size : kSizes) {
            std::string sz = std::to_string(size >> 20) + "MiB",
                        name = "replace/" + w.name + "/" + sz;
            double s = t.T(t.mine, name), ws = t.T(t.win, name), scan = t.T(t.mine, "memchr/" + sz);
            if (s <= 0) continue;
            double mbs = size / s / 1e6, growth = perByte1 > 0 ? (s / size) / perByte1 : 0;
            if (size == kSizes[0]) perByte1 = s / size;
            std::printf("  %-17s %5s %9.0f %9.2f %9s %9s %9s\n", w.name.c_str(), sz.c_str(), mbs,
                        s / scan, ws > 0 ? std::to_string(int(size / ws / 1e6)).c_str() : "-",
                        ws > 0 ? std::to_string(ws / s).substr(0, 4).c_str() : "-",
                        growth > 0 ? std::to_string(growth).substr(0, 4).c_str() : "");
            t.json += "    {\"workload\": \"" + w.name +
                      "\", \"size_mib\": " + std::to_string(size >> 20) +
                      ", \"mb_per_s\": " + std::to_string(mbs) +
                      ", \"x_memchr\": " + std::to_string(s / scan) +
                      ", \"windows_mb_per_s\": " + std::to_string(ws > 0 ? size / ws / 1e6 : 0) +
                      "},\n";
        }
    }
    t.json.erase(t.json.size() - 2, 1);
    std::printf("\nText path (encoding decided, name replaced) and the decision alone, medians. "
                "x replace: the path's time over the replacement alone of the same text\n");
    std::printf("  %-17s %5s %9s %9s %9s %9s\n", "workload", "size", "MB/s", "decide", "x replace",
                "win MB/s");
    t.json += "  ],\n  \"text\": [\n";
    for (const auto& kind : kKinds)
        for (size_t size : {kSizes[0], kSizes[1]}) {
            std::string w = kind[1], sz = "/" + std::to_string(size >> 20) + "MiB";
            double s = t.T(t.mine, "text/" + w + sz), d = t.T(t.mine, "decide/" + w + sz),
                   r = t.T(t.mine, "replace/" + w + sz), ws = t.T(t.win, "text/" + w + sz);
            if (s <= 0) continue;
            std::printf("  %-17s %5s %9.0f %9.0f %9.2f %9s\n", w.c_str(), sz.c_str() + 1,
                        size / s / 1e6, size / d / 1e6, s / r,
                        ws > 0 ? std::to_string(int(size / ws / 1e6)).c_str() : "-");
            t.json += "    {\"workload\": \"" + w +
                      "\", \"size_mib\": " + std::to_string(size >> 20) +
                      ", \"mb_per_s\": " + std::to_string(size / s / 1e6) +
                      ", \"decide_mb_per_s\": " + std::to_string(size / d / 1e6) +
                      ", \"x_replace\": " + std::to_string(s / r) + "},\n";
        }
    t.json.erase(t.json.size() - 2, 1);
    double floor = t.T(t.mine, "floor/32MiB"), wfloor = t.T(t.win, "floor/32MiB");
    std::printf(
        "\nWhole job on one 32 MiB text (the name once per 2 KB) against its I/O floor (read "
        "whole, write whole: native %.3f s, Windows under Wine %.3f s)\n",
        floor, wfloor);
    std::printf("  %-6s %10s %12s %9s %12s %9s\n", "text", "native s", "user CPU ms", "x floor",
                "Windows s", "x floor");
    t.json += "  ],\n  \"job\": [\n";
    for (const auto& kind : kKinds) {
        std::string name = std::string(kind[0]) + "/32MiB";
        double job = t.T(t.mine, "job/" + name), cpu = t.T(t.mine, "cpu/" + name),
               wjob = t.T(t.win, "job/" + name);
        std::printf("  %-6s %10.3f %12.1f %9.2f %12.3f %9.2f\n", kind[0], job, cpu * 1e3,
                    job / floor, wjob, wfloor > 0 ? wjob / wfloor : 0);
        t.json += std::string("    {\"text\": \"") + kind[0] +
                  "\", \"native_s\": " + std::to_string(job) +
                  ", \"native_user_cpu_s\": " + std::to_string(cpu) +
                  ", \"windows_s\": " + std::to_string(wjob) + "},\n";
    }
    t.json.erase(t.json.size() - 2, 1);
    t.json += "  ],\n  \"floor\": {\"native_s\": " + std::to_string(floor) +
              ", \"windows_s\": " + std::to_string(wfloor) + "}\n}\n";

    std::printf("\nTargets (native at 1 MiB unless named)\n");
    auto mbs = [&](const char* w) {
        return (1 << 20) / t.T(t.mine, std::string("replace/") + w + "/1MiB") / 1e6;
    };
    auto xscan = [&](const char* w) {
        return t.T(t.mine, std::string("replace/") + w + "/1MiB") / t.T(t.mine, "memchr/1MiB");
    };
    auto ratio2 = [&](const std::string& w) {
        return t.T(t.mine, "text/" + w + "/1MiB") / t.T(t.mine, "replace/" + w + "/1MiB");
    };
    auto ratio = [&](const char* a, const char* b) {
        return t.T(t.mine, std::string("replace/") + a + "/1MiB") /
               t.T(t.mine, std::string("replace/") + b + "/1MiB");
    };
    t.Target("MB/s, one per 64B", mbs("one-per-64B"), 5000, true);
    t.Target("x memchr scan, one per 64B", xscan("one-per-64B"), 8, false);
    t.Target("x memchr scan, one per 2KB", xscan("one-per-2KB"), 2.5, false);
    t.Target("x memchr scan, no occurrence", xscan("no-occurrence"), 1.5, false);
    t.Target("MB/s, junction ab->a", mbs("junction-ab-a"), 400, true);
    double j1 = t.T(t.mine, "replace/junction-ab-a/1MiB"),
           j64 = t.T(t.mine, "replace/junction-ab-a/64MiB");
    if (j1 > 0) t.Target("time per byte 64MiB / 1MiB, junction ab->a", j64 / 64 / j1, 1.5, false);
    t.Target("CP932 / byte-wise search, cp932 per 2KB", ratio("cp932-per-2KB", "cp932-as-bytes"),
             1.2, false);
    t.Target("CP932 / byte-wise search, hiragana per 2KB",
             ratio("hiragana-per-2KB", "hiragana-as-bytes"), 1.2, false);
    for (const Workload& w : Workloads())
        for (size_t size : kSizes) {
            std::string name = "replace/" + w.name + "/" + std::to_string(size >> 20) + "MiB";
            if (t.T(t.win, name) > 0)
                t.Target("Windows / native, " + name.substr(8),
                         t.T(t.win, name) / t.T(t.mine, name), 1.3, false);
        }
    for (const auto& kind : kKinds) {
        std::string w = kind[1], name = std::string(kind[0]) + "/32MiB";
        t.Target("text path / replacement alone, " + w, ratio2(w), 1.5, false);
        if (std::string(kind[0]) != "ascii")
            t.Target("native user CPU ms of the job, " + name, t.T(t.mine, "cpu/" + name) * 1e3, 25,
                     false);
        if (std::string(kind[0]) == "ascii" || std::string(kind[0]) == "cp932")
            t.Target("Windows job / Wine I/O floor, " + name,
                     t.T(t.win, "job/" + name) / t.T(t.win, "floor/32MiB"), 1.2, false);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string figuresOut, windows, native, tableOut;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.rfind("--figures=", 0) == 0) figuresOut = a.substr(10);
        if (a.rfind("--windows=", 0) == 0) windows = a.substr(10);
        if (a.rfind("--native=", 0) == 0) native = a.substr(9);
        if (a.rfind("--table=", 0) == 0) tableOut = a.substr(8);
        if (a.rfind("--level=", 0) == 0) KwFindSetLevel(std::atoi(a.c_str() + 8));
        gSmoke = gSmoke || a == "--smoke";
    }
    std::printf("kw_speed: search width %d (0 bytes, 1 SSE2, 2 AVX2)\n", KwFindLevel());
    Figures mine = Read(native);
    if (native.empty()) {
        Replacement(&mine);
        TextPath(&mine);
        Job(&mine);
    }
    if (!figuresOut.empty()) {
        std::ofstream out(figuresOut);
        for (const auto& [name, s] : mine)
            out << name << " " << s << "\n";
    }
    Figures win = Read(windows);
    Table t{mine, win};
    Print(t);
    if (!tableOut.empty()) std::ofstream(tableOut) << t.json;
    return 0;
}
