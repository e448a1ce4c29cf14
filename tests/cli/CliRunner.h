// Runs the quorlin tool as a child process and captures what it prints.
#pragma once

#include <filesystem>
#include <functional>
#include <sys/types.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct CliResult {
    int ExitCode = -1;   // -1 when the process did not exit normally
    std::string Out;     // standard output
    std::string Err;     // standard error
};

// Runs the built tool with args in workingFolder; output is captured through files in scratch.
// whileRunning, when given, is called with the process id once it has started.
CliResult RunQuorlin(const std::vector<std::string> &args, const std::filesystem::path &scratch,
                     const std::filesystem::path &workingFolder,
                     const std::function<void(pid_t)> &whileRunning = {});
// The same with the program at another path (a copy of the tool in a
// program folder of the test's own).
CliResult RunProgram(const std::filesystem::path &program, const std::vector<std::string> &args,
                     const std::filesystem::path &scratch, const std::filesystem::path &workingFolder,
                     const std::function<void(pid_t)> &whileRunning = {});
// The built tool.
std::filesystem::path QuorlinPath();

// The lines of a text, without their line feeds.
std::vector<std::string> SplitLines(const std::string &text);

// A fresh temporary folder per test, removed afterwards.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the tool in the test's folder, so relative paths start there.
    CliResult Run(const std::vector<std::string> &args) { return RunQuorlin(args, m_scratch, m_root); }
    CliResult RunAt(const std::filesystem::path &program, const std::vector<std::string> &args)
    {
        return RunProgram(program, args, m_scratch, m_root);
    }
    // Path below the test's folder, as a string for the command line.
    std::string Path(const std::string &relative) const { return (m_root / relative).string(); }
    const std::filesystem::path &Root() const { return m_root; }

private:
    std::filesystem::path m_root;    // the test's files
    std::filesystem::path m_scratch; // captured output
};
