// Benchmarks of the archive readers, the packer and the command-line tool on data
// of a real game's size, each compared with what cp -r needs for the same files.
//
// Environment:
//   QUORLIN_BENCH_DIR    folder for the data (default /dev/shm/quorlin-bench-<pid>);
//                        created, and removed at the end
//   QUORLIN_BENCH_SCALE  percent of the default sizes (default 100), for quick runs
//   QUORLIN_BENCH_KEEP   when 1, the data is kept at the end (for profiling)

#include "BenchData.h"
#include "BenchSupport.h"

#include "app/UMessage.h"
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"
#include "packer/UCMODPAK.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>


namespace fs = std::filesystem;

namespace {

BenchData g_data;

// cp -r source target, timed; target removed before each run with the timer paused.
void CopyTree(benchmark::State &state, const fs::path &source, std::uint64_t bytes, int files)
{
    const fs::path target = g_data.Root / "copy";
    for (auto _ : state) {
        state.PauseTiming();
        RemoveFolder(target);
        state.ResumeTiming();
        if (RunProcess({"cp", "-r", source.string(), target.string()}).ExitCode != 0)
            state.SkipWithError("cp -r failed");
    }
    RemoveFolder(target);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["files"] = files;
}

// ---------------------------------------------------------------- KEY and BIF

void KeyOpen(benchmark::State &state)
{
    MemoryProbe memory;
    std::size_t resources = 0;
    for (auto _ : state) {
        CKEY_FILE key;
        if (!key.Open(g_data.KeyPath.string()))
            state.SkipWithError("CKEY_FILE::Open failed");
        resources = 0;
        for (const auto &bif : key.Bifs)
            resources += bif.Resources.size();
        benchmark::DoNotOptimize(resources);
    }
    memory.Report(state);
    state.counters["resources"] = static_cast<double>(resources);
}

void KeyListProcess(benchmark::State &state)
{
    double maxRss = 0;
    for (auto _ : state) {
        const ProcessResult result = RunProcess({QUORLIN_CLI_PATH, "key", "list", g_data.KeyPath.string()});
        if (result.ExitCode != 0)
            state.SkipWithError("quorlin key list failed");
        maxRss = std::max(maxRss, result.MaxRssMB);
    }
    state.counters["process_peak_MB"] = maxRss;
}

void KeyExtractAll(benchmark::State &state)
{
    CKEY_FILE key;
    if (!key.Open(g_data.KeyPath.string())) {
        state.SkipWithError("CKEY_FILE::Open failed");
        return;
    }
    TimeExtraction(state, g_data.Root / "extract-key", [&key](const std::string &folder) {
        for (int b = 0; b < static_cast<int>(key.Bifs.size()); ++b)
            key.ExtractBif(b, folder);
    });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_data.KeyBytes));
    state.counters["files"] = g_data.Sizes.KeyResources;
}

void CopyKeyExtracted(benchmark::State &state)
{
    CopyTree(state, g_data.KeyExtracted, g_data.KeyBytes, g_data.Sizes.KeyResources);
}

// ---------------------------------------------------------------- ERF

void ErfOpen(benchmark::State &state)
{
    MemoryProbe memory;
    for (auto _ : state) {
        CMOD archive;
        if (!archive.Open(g_data.ErfPath.string()))
            state.SkipWithError("CMOD::Open failed");
        benchmark::DoNotOptimize(archive.Entries.data());
    }
    memory.Report(state);
    state.counters["entries"] = g_data.Sizes.ErfEntries;
}

void PackLooseFiles(benchmark::State &state)
{
    std::vector<std::string> files;
    for (const auto &entry : fs::directory_iterator(g_data.LooseFolder))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    const std::string target = (g_data.Root / "packed.erf").string();
    MemoryProbe memory;
    std::size_t packed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(target);
        state.ResumeTiming();
        CMODPAK pak;
        pak.Kind = akERF;
        // The packer's own rules are checked for every file, as the tool and the window do.
        for (const auto &file : files)
            if (pak.RefusalReason(file).empty())
                pak.AddFile(file);
        pak.Save(target);
        packed = pak.Entries().size();
    }
    memory.Report(state);
    if (packed != files.size())
        state.SkipWithError("the packer refused some files");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_data.LooseBytes));
    state.counters["files"] = static_cast<double>(files.size());
}

void CopyLooseFiles(benchmark::State &state)
{
    CopyTree(state, g_data.LooseFolder, g_data.LooseBytes, g_data.Sizes.ErfEntries);
}

void ErfExtractAll(benchmark::State &state)
{
    CMOD archive;
    if (!archive.Open(g_data.ErfPath.string())) {
        state.SkipWithError("CMOD::Open failed");
        return;
    }
    TimeExtraction(state, g_data.Root / "extract-erf",
                   [&archive](const std::string &folder) { archive.ExtractAll(folder); });
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g_data.LooseBytes));
    state.counters["files"] = g_data.Sizes.ErfEntries;
}

void RegisterAll()
{
    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("KEY open (CKEY_FILE::Open)", KeyOpen)->Unit(kMillisecond)->MinTime(1.0);
    benchmark::RegisterBenchmark("quorlin key list (process)", KeyListProcess)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(20);
    benchmark::RegisterBenchmark("KEY extract all (ExtractBif per BIF)", KeyExtractAll)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(3);
    benchmark::RegisterBenchmark("cp -r of the KEY's extracted files", CopyKeyExtracted)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(3);
    benchmark::RegisterBenchmark("ERF open (CMOD::Open)", ErfOpen)->Unit(kMillisecond)->MinTime(1.0);
    benchmark::RegisterBenchmark("pack loose files (AddFile + Save)", PackLooseFiles)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(3);
    benchmark::RegisterBenchmark("cp -r of the loose files", CopyLooseFiles)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(3);
    benchmark::RegisterBenchmark("ERF extract all (CMOD::ExtractAll)", ErfExtractAll)
        ->Unit(kMillisecond)->UseRealTime()->Iterations(3);
}

BenchSizes ScaledSizes()
{
    BenchSizes sizes;
    if (const char *scale = std::getenv("QUORLIN_BENCH_SCALE")) {
        const int percent = std::atoi(scale);
        if (percent > 0 && percent < 100) {
            sizes.KeyResources = std::max(sizes.BifCount, sizes.KeyResources * percent / 100);
            sizes.ErfEntries = std::max(1, sizes.ErfEntries * percent / 100);
        }
    }
    return sizes;
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarksOnData(argc, argv, "quorlin-bench", [](const fs::path &root) {
        g_data = CreateBenchData(root, ScaledSizes());
        std::fprintf(stderr,
                     "KEY: %d BIFs, %d resources, %.0f MB; ERF and loose files: %d resources, %.0f MB\n",
                     g_data.Sizes.BifCount, g_data.Sizes.KeyResources, g_data.KeyBytes / 1e6,
                     g_data.Sizes.ErfEntries, g_data.LooseBytes / 1e6);
        RegisterAll();
    });
}
