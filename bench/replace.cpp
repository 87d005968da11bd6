// StrKakikae on each workload, beside what bounds it from below (a memmem scan, a memcpy of
// the same size) and the repeat-from-start replacement as first described.
#include "bench/bench.h"

#include "engine/kakikae.h"
#include "tests/reference.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kSizes[] = {size_t{1} << 20, size_t{16} << 20};

std::string SizeName(size_t size) {
    return std::to_string(size >> 20) + "MiB";
}

// The texts are made once and shared by the figures of a workload.
const std::string& TextOf(const Workload& w, size_t size) {
    static std::map<std::string, std::unique_ptr<std::string>> cache;
    auto& slot = cache[w.name + SizeName(size)];
    if (!slot) slot = std::make_unique<std::string>(w.make(size, w.oldName));
    return *slot;
}

void Ours(benchmark::State& state, const Workload* w, size_t size) {
    const std::string& text = TextOf(*w, size);
    int64_t n = 0;
    for (auto _ : state) {
        // As the copy job reads a file: behind the room it may grow into.
        KwBuf buf;
        KwBufAssign(&buf, text, KakikaeRoom(text.size(), w->newName, w->oldName));
        KakikaeError err;
        auto t0 = Clock::now();
        n = StrKakikae(&buf, w->newName, w->oldName, {w->cp932, 0}, &err);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        KwBufFree(&buf);
        if (n < 0) state.SkipWithError("StrKakikae failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.counters["out_bytes"] = static_cast<double>(n);
}

void Documented(benchmark::State& state, const Workload* w, size_t size) {
    const std::string& text = TextOf(*w, size);
    for (auto _ : state) {
        std::string copy = text;
        auto t0 = Clock::now();
        bool ok = DocumentedKakikae(&copy, w->newName, w->oldName, w->cp932, 4 * size, ~0ull);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        if (!ok) state.SkipWithError("did not end");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void Memmem(benchmark::State& state, const Workload* w, size_t size) {
    const std::string& text = TextOf(*w, size);
    for (auto _ : state) {
        size_t hits = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (const void* q =
                   memmem(p, static_cast<size_t>(end - p), w->oldName.data(), w->oldName.size())) {
            ++hits;
            p = static_cast<const char*>(q) + w->oldName.size();
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

void Memcpy(benchmark::State& state, size_t size) {
    std::string from(size, 'x');
    auto to = std::make_unique<char[]>(size);
    for (auto _ : state) {
        std::memcpy(to.get(), from.data(), size);
        benchmark::DoNotOptimize(to.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

} // namespace

void RegisterReplaceBenchmarks() {
    for (size_t size : kSizes) {
        std::string sz = SizeName(size);
        benchmark::RegisterBenchmark(("memcpy/" + sz).c_str(), Memcpy, size);
        for (const Workload& w : Workloads()) {
            std::string tail = "/" + w.name + "/" + sz;
            benchmark::RegisterBenchmark(("replace" + tail).c_str(), Ours, &w, size)
                ->UseManualTime();
            benchmark::RegisterBenchmark(("memmem" + tail).c_str(), Memmem, &w, size);
            // Repeating from the start grows with occurrences times length: 1 MiB only.
            if (w.documented && size == kSizes[0])
                benchmark::RegisterBenchmark(("documented" + tail).c_str(), Documented, &w, size)
                    ->UseManualTime()
                    ->Iterations(1)
                    ->Repetitions(1); // seconds each; the ratio is in the thousands
        }
    }
}
