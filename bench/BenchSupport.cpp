#include "BenchSupport.h"

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
