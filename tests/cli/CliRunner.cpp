#include "CliRunner.h"

#include "testdata/ByteBuilder.h"

#include <cstdlib>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <fcntl.h>

extern char **environ;

namespace fs = std::filesystem;

fs::path QuorlinPath()
{
    return QUORLIN_CLI_PATH;
}

CliResult RunQuorlin(const std::vector<std::string> &args, const fs::path &scratch, const fs::path &workingFolder,
                     const std::function<void(pid_t)> &whileRunning)
{
    return RunProgram(QuorlinPath(), args, scratch, workingFolder, whileRunning);
}

CliResult RunProgram(const fs::path &program, const std::vector<std::string> &args, const fs::path &scratch,
                     const fs::path &workingFolder, const std::function<void(pid_t)> &whileRunning)
{
    const std::string outPath = (scratch / "stdout").string();
    const std::string errPath = (scratch / "stderr").string();

    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> pointers;
    for (auto &arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + argv[0]);
    if (whileRunning)
        whileRunning(pid);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        throw std::runtime_error("cannot wait for " + argv[0]);

    CliResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = testdata::ReadFile(outPath);
    result.Err = testdata::ReadFile(errPath);
    return result;
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void CliTest::SetUp()
{
    std::string pattern = (fs::temp_directory_path() / "quorlin-cli-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_scratch = pattern;
    m_root = m_scratch / "files";
    fs::create_directories(m_root);
    // The user's own configuration never reaches the tool: no game folder
    // unless a test names one.
    ::setenv("XDG_CONFIG_HOME", (m_scratch / "config").c_str(), 1);
    ::unsetenv("QUORLIN_GAME_FOLDER");
}

void CliTest::TearDown()
{
    std::error_code error;
    fs::remove_all(m_scratch, error);
}
