// Measuring helpers shared by the benchmark programs: this process's memory
// and child processes.
#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Peak resident memory of this process since the last ResetPeakMemory, in MB.
double PeakMemoryMB();
// Resident memory of this process now, in MB.
double CurrentMemoryMB();
// Lowers the peak to the current resident size.
void ResetPeakMemory();

// Records the memory an operation needed above what the process held before it.
class MemoryProbe {
public:
    MemoryProbe();
    void Report(benchmark::State &state) const;

private:
    double m_before = 0;
};

struct ProcessResult {
    int ExitCode = -1;
    double MaxRssMB = 0;
};

// Runs a program with its output sent to /dev/null; throws when it cannot start.
ProcessResult RunProcess(const std::vector<std::string> &args);

void RemoveFolder(const std::filesystem::path &folder);

// Times extract(folder) into an emptied folder at every iteration, reports the
// memory it added and removes the folder at the end.
void TimeExtraction(benchmark::State &state, const std::filesystem::path &folder,
                    const std::function<void(const std::string &folder)> &extract);

// The main of a benchmark program: parses the options, takes the data folder
// (QUORLIN_BENCH_DIR, else /dev/shm/<name>-<pid>; refused when it exists
// already), lets prepare write the data and register the benchmarks, runs
// them, and removes the folder unless QUORLIN_BENCH_KEEP is 1.
int RunBenchmarksOnData(int argc, char **argv, const std::string &name,
                        const std::function<void(const std::filesystem::path &root)> &prepare);
