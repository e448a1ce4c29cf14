// Shared pieces of the core tests: a fresh folder per test, capture of the
// error messages the core shows, and small file helpers.
#pragma once

#include "app/UMessage.h"

#include <gtest/gtest.h>

#include <filesystem>
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
