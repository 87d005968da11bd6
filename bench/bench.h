// Shared by the benchmark's parts: the workloads of the replacement, and the whole-job figures.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct Workload {
    std::string name;
    std::string oldName, newName;
    bool cp932 = false;
    std::string (*make)(size_t size, const std::string& oldName);
};

const std::vector<Workload>& Workloads();

// Text of exactly `size` bytes: lines of source, with the name at the start of every `every`
// bytes (never when every is 0).
std::string SourceText(size_t size, size_t every, const std::string& name);

// Forks the process that starts the whole job's commands: call it first, while this
// process is small.
void StartLauncher();
// The whole-job figures on the projects under `projects` (made by scripts/bench-projects).
void RegisterJobBenchmarks(const std::string& projects);
