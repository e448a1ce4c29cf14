#include "BenchSupport.h"

#include "app/UMessage.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <malloc.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {
double ProcStatusMB(const char *key)
{
    std::ifstream status("/proc/self/status");
    const std::string prefix = key;
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::strtod(line.c_str() + prefix.size(), nullptr) / 1024.0;
    return 0;
}
} // namespace

double PeakMemoryMB()
{
    return ProcStatusMB("VmHWM:");
}

double CurrentMemoryMB()
{
    return ProcStatusMB("VmRSS:");
}

void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5"; // Linux: reset the peak
}

MemoryProbe::MemoryProbe()
{
    malloc_trim(0); // hand back what earlier runs freed, so it does not count
    ResetPeakMemory();
    m_before = CurrentMemoryMB();
}

void MemoryProbe::Report(benchmark::State &state) const
{
    state.counters["peak_MB"] = PeakMemoryMB();
    state.counters["added_MB"] = PeakMemoryMB() - m_before;
}

ProcessResult RunProcess(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    std::vector<std::string> copy = args;
    for (auto &arg : copy)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        throw std::runtime_error("cannot wait for " + args[0]);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss / 1024.0};
}

void RemoveFolder(const std::filesystem::path &folder)
{
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

void TimeExtraction(benchmark::State &state, const std::filesystem::path &folder,
                    const std::function<void(const std::string &folder)> &extract)
{
    MemoryProbe memory;
    for (auto _ : state) {
        state.PauseTiming();
        RemoveFolder(folder);
        std::filesystem::create_directories(folder);
        state.ResumeTiming();
        extract(folder.string());
    }
    memory.Report(state);
    RemoveFolder(folder);
}

int RunBenchmarksOnData(int argc, char **argv, const std::string &name,
                        const std::function<void(const std::filesystem::path &root)> &prepare)
{
    namespace fs = std::filesystem;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SetErrorMessageHandler([](const std::string &text) { std::fprintf(stderr, "%s\n", text.c_str()); });

    const char *folder = std::getenv("QUORLIN_BENCH_DIR");
    const fs::path root =
        folder && *folder ? fs::path(folder) : fs::path("/dev/shm") / (name + "-" + std::to_string(getpid()));
    std::error_code error;
    if (fs::exists(root, error)) {
        // Never write into, nor remove at the end, a folder that was there before.
        std::fprintf(stderr, "%s: %s exists already; choose another QUORLIN_BENCH_DIR\n", name.c_str(),
                     root.c_str());
        return 1;
    }
    int status = 0;
    try {
        std::fprintf(stderr, "Writing benchmark data to %s ...\n", root.c_str());
        prepare(root);
        benchmark::RunSpecifiedBenchmarks();
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), failure.what());
        status = 1;
    }
    benchmark::Shutdown();
    if (const char *keep = std::getenv("QUORLIN_BENCH_KEEP"); keep && std::string(keep) == "1")
        std::fprintf(stderr, "Data kept in %s\n", root.c_str());
    else
        RemoveFolder(root);
    return status;
}
