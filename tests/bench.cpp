// Speed of the name replacement and of a whole copy job on a large project. Not a test:
// run it from a release build (scripts/bench) and read the figures.
#include "engine/job.h"
#include "engine/kakikae.h"
#include "engine/state.h"
#include "platform/platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The replacement as first described: from the start again after every replacement.
size_t Naive(std::string& text, const std::string& nw, const std::string& old) {
    for (size_t at; (at = text.find(old)) != std::string::npos;)
        text.replace(at, old.size(), nw);
    return text.size();
}

std::string Source(size_t size, size_t every, const std::string& name) {
    std::string line = "' a line of source with the name " + name + " in it";
    std::string text;
    while (text.size() < size) {
        text += line;
        text.append(every > line.size() ? every - line.size() : 0, ' ');
        text += "\r\n";
    }
    text.resize(size);
    return text;
}

void Replace(const char* what, std::string text, const std::string& nw, const std::string& old,
             bool cp932) {
    KakikaeError err;
    auto t0 = std::chrono::steady_clock::now();
    int64_t n = StrKakikae(&text, nw, old, {cp932, 0}, &err);
    double s = Seconds(t0);
    std::printf("%-44s %8.1f MB in %7.3f s  %8.0f MB/s  (result %lld bytes)\n", what,
                static_cast<double>(text.size()) / 1e6, s,
                static_cast<double>(text.size()) / 1e6 / s, static_cast<long long>(n));
}

void Write(const std::string& path, const std::string& content) {
    PlatFile f = glPlat.CreateWrite(path.c_str());
    uint32_t put;
    glPlat.Write(f, content.data(), static_cast<uint32_t>(content.size()), &put);
    glPlat.Close(f);
}

} // namespace

int main() {
    std::printf("name replacement\n");
    for (size_t size : {size_t{64} << 10, size_t{256} << 10, size_t{1} << 20}) {
        std::string text = Source(size, 64, "SampleApp");
        auto t0 = std::chrono::steady_clock::now();
        Naive(text, "Renamed", "SampleApp");
        double naive = Seconds(t0);
        text = Source(size, 64, "SampleApp");
        KakikaeError err;
        t0 = std::chrono::steady_clock::now();
        StrKakikae(&text, "Renamed", "SampleApp", {false, 0}, &err);
        double ours = Seconds(t0);
        std::printf("  %5zu KiB, a name every 64 bytes: repeat-from-start %8.3f s, "
                    "StrKakikae %8.5f s\n",
                    size >> 10, naive, ours);
    }
    Replace("  64 MB, a name every 4 KiB", Source(64 << 20, 4096, "SampleApp"), "Renamed",
            "SampleApp", false);
    Replace("  64 MB, a name every 64 bytes", Source(64 << 20, 64, "SampleApp"), "Renamed",
            "SampleApp", false);
    Replace("  64 MB, every 64 bytes, CP932 text", Source(64 << 20, 64, "SampleApp"), "Renamed",
            "SampleApp", true);
    Replace("  64 MB, every 64 bytes, MyApp -> MyApp2", Source(64 << 20, 64, "MyApp"), "MyApp2",
            "MyApp", false);
    Replace("  64 MB of 'a', old name 'aaab' (no match)", std::string(64 << 20, 'a'), "x", "aaab",
            false);

    std::printf("copy job\n");
    std::string root = "/tmp/kw-bench";
    std::system(("rm -rf " + root).c_str());
    mkdir(root.c_str(), 0777);
    std::string dir = root + "/BigProject";
    mkdir(dir.c_str(), 0777);
    const int kTexts = 2000, kBinaries = 100;
    std::string text = Source(32 << 10, 128, "BigProject");
    for (int i = 0; i < kTexts; ++i)
        Write(dir + "/BigProject_" + std::to_string(i) + (i % 2 ? ".sbp" : ".abp"), text);
    std::string binary(1 << 20, '\x5A');
    for (int i = 0; i < kBinaries; ++i)
        Write(dir + "/BigProject_" + std::to_string(i) + ".bmp", binary);
    Write(dir + "/BigProject.pj", "BigProject");
    glPlat.Box = [](const char*, const char*, unsigned) {};
    glDropPath = dir;
    GetPjNameFromFolder(dir, &glOldPjName);
    glNewPjName = "RenamedProject";
    auto t0 = std::chrono::steady_clock::now();
    KwJobStatus status = ProjectKakikae();
    double s = Seconds(t0);
    double mb = (kTexts * text.size() + kBinaries * binary.size()) / 1e6;
    std::printf("  %d text files of 32 KiB and %d files of 1 MiB (%.0f MB): %.3f s, %.0f MB/s, "
                "status %d\n",
                kTexts, kBinaries, mb, s, mb / s, status);
    std::system(("rm -rf " + root).c_str());

    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    std::printf("peak resident memory: %ld MiB\n", ru.ru_maxrss / 1024);
}
