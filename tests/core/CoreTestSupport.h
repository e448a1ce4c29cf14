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

// ---------------------------------------------------------------- hostile files

// Every reader keeps these bounds, whatever a file holds: memory under 16
// times the file and 64 MiB more, time under one second per MB (at least a
// second, four under the sanitizers, which run slower). A reader is run in a
// child process of its own, so that one breaking them fails its test instead
// of taking the machine's memory or time.
struct TBoundedRead {
    std::string Answer;                // what the reader returned: what a user would see of the file
    std::string Error;                 // the text of what it raised, "" when it raised nothing
    std::vector<std::string> Messages; // the messages it showed
};

// Runs read (a reader on the file at path, returning what a user would see of
// it) and expects it to end within the bounds, having read the file or
// refused it with an error naming it. Sanitized builds measure no memory
// (their shadow memory swells it): the test then ends skipped, once
// everything else has been checked.
TBoundedRead ExpectBoundedRead(const std::string &path, const std::function<std::string()> &read);

// A file made to cost more than it holds, and what a user sees of it: the
// reader's answer, or the start of its refusal after the file's quoted name.
struct THostileFile {
    const char *Name;
    std::function<std::string()> Make; // the file's bytes
    std::string Seen;
};
void PrintTo(const THostileFile &file, std::ostream *out);
std::string NameOf(const ::testing::TestParamInfo<THostileFile> &info);
// Writes file to path, and expects read to keep the bounds and see what the file says.
TBoundedRead ExpectSeen(const THostileFile &file, const std::string &path, const std::function<std::string()> &read);

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
