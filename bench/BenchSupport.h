// Measuring helpers shared by the benchmark programs: this process's memory
// and child processes.
#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
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
