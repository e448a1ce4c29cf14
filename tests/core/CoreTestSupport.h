// Shared pieces of the core tests: a fresh folder per test, capture of the
// error messages the core shows, small file helpers, and the run of a reader
// on a hostile file within the bounds of memory and time every reader keeps.
#pragma once

#include "app/UMessage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace coretest {

// A new, empty folder, removed with everything in it when the object dies.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::filesystem::path &Path() const { return m_path; }
    // folder + "/" + relative, as the core's string paths.
    std::string operator/(const std::string &relative) const { return (m_path / relative).string(); }
    std::string Str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// Collects every text given to ShowErrorMessage while it lives, then puts
// the previous handler back.
class MessageCapture {
public:
    MessageCapture();
    ~MessageCapture();
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    std::vector<std::string> Messages;

private:
    TMessageHandler m_previous;
};

// Sets (or, with nullopt, removes) an environment variable and restores it.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string> &value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_saved;
};

// Every file and folder below root, as '/'-separated paths relative to it.
std::set<std::string> EntriesBelow(const std::filesystem::path &root);

// ---------------------------------------------------------------- bounded reads

// What a reader did with one file, run in a child process of its own: a
// reader that breaks the bounds then fails its test instead of taking the
// machine's memory or time.
struct TBoundedRead {
    std::string Ended;                 // "" when the reader returned or raised; else how the child died
    std::string Answer;                // what the reader returned: what a user would see of the file
    std::string Error;                 // the text of what the reader raised, "" when it raised nothing
    std::vector<std::string> Messages; // the messages it showed
    double Seconds = 0;
    std::uint64_t PeakBytes = 0; // growth of the child's resident memory while the reader ran

    bool Refused() const { return !Error.empty() || !Messages.empty(); }
};

// Every reader, whatever a file of this size holds: memory under 16 times the
// file and 64 MiB more, time under one second per MB (at least one second for
// the smallest files, and more under the sanitizers, which run slower).
std::uint64_t MemoryBound(std::uint64_t fileBytes);
double TimeBound(std::uint64_t fileBytes);
// False in sanitized builds: their shadow memory and quarantine of freed
// blocks swell the resident memory.
bool MemoryMeasured();

// Runs read (a reader on the file at path, returning what a user would see of
// it) in a child process and expects it to end within the bounds, having read
// the file or refused it with an error naming it. In sanitized builds the test ends skipped, saying that its memory
// was not measured, once everything else has been checked.
TBoundedRead ExpectBoundedRead(const std::string &path, const std::function<std::string()> &read);

// Base fixture: a fresh folder and message capture for every test.
class CoreTest : public ::testing::Test {
protected:
    TempFolder dir;
    MessageCapture captured;

    // dir/out, created when first asked for: where extractions write.
    std::string OutFolder() const
    {
        std::filesystem::create_directories(dir.Path() / "out");
        return dir / "out";
    }
    std::string Out(const std::string &name) const { return dir / ("out/" + name); }
};

} // namespace coretest
