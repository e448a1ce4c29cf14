#include "CoreTestSupport.h"

#include "testdata/ByteBuilder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <new>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace coretest {

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "quorlin-core-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = name.data();
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

MessageCapture::MessageCapture()
{
    m_previous = SetErrorMessageHandler([this](const std::string &text) { Messages.push_back(text); });
}

MessageCapture::~MessageCapture()
{
    SetErrorMessageHandler(std::move(m_previous));
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string> &value) : m_name(std::move(name))
{
    if (const char *current = std::getenv(m_name.c_str()))
        m_saved = current;
    if (value)
        ::setenv(m_name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (m_saved)
        ::setenv(m_name.c_str(), m_saved->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

std::set<std::string> EntriesBelow(const fs::path &root)
{
    std::set<std::string> names;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root))
        names.insert(fs::relative(entry.path(), root).generic_string());
    return names;
}

// ---------------------------------------------------------------- bounded reads

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::uint64_t kMiB = std::uint64_t(1) << 20;
constexpr std::uint64_t kMemoryPerFileByte = 16;
constexpr std::uint64_t kMemoryAllowance = 64 * kMiB;
constexpr double kSecondsPerMB = 1.0;
constexpr double kLeastSeconds = 1.0;
constexpr double kSanitizedSlowdown = 4.0;

std::uint64_t MemoryBound(std::uint64_t fileBytes)
{
    return kMemoryPerFileByte * fileBytes + kMemoryAllowance;
}

double TimeBound(std::uint64_t fileBytes)
{
    const double seconds = std::max(kLeastSeconds, kSecondsPerMB * double(fileBytes) / 1e6);
    return kSanitized ? kSanitizedSlowdown * seconds : seconds;
}

// A field of /proc/self/status in bytes ("VmRSS:", "VmHWM:" ...), 0 when missing.
std::uint64_t StatusBytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, std::strlen(field), field) == 0)
            return std::strtoull(line.c_str() + std::strlen(field), nullptr, 10) * 1024;
    return 0;
}

// The child's report, one record of plain bytes and its texts after it.
struct TReportHead {
    double Seconds;
    std::uint64_t PeakBytes;
    std::uint32_t MessageCount;
};

void WriteAll(int fd, const void *data, std::size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, p, size);
        if (written <= 0)
            return;
        p += written;
        size -= std::size_t(written);
    }
}

void WriteText(int fd, const std::string &text)
{
    const auto size = std::uint32_t(text.size());
    WriteAll(fd, &size, sizeof size);
    WriteAll(fd, text.data(), text.size());
}

[[noreturn]] void RunChild(int fd, std::uint64_t fileBytes, const std::function<std::string()> &read)
{
    std::vector<std::string> messages;
    SetErrorMessageHandler([&messages](const std::string &text) { messages.push_back(text); });
    // The peak is counted from here: what the test process held before is not
    // the reader's. Freed memory goes back first, or the reader would reuse it
    // unseen.
    if (!kSanitized)
        ::malloc_trim(0);
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const std::uint64_t startBytes = StatusBytes("VmRSS:");
    if (!kSanitized) {
        // A reader far beyond its bound meets the end of its address space
        // (a std::bad_alloc) long before the machine's memory.
        const rlim_t room = rlim_t(StatusBytes("VmSize:") + 4 * MemoryBound(fileBytes));
        const rlimit limit{room, room};
        ::setrlimit(RLIMIT_AS, &limit);
    }
    ::alarm(unsigned(10 * TimeBound(fileBytes)) + 1);
    std::string answer;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    try {
        answer = read();
    } catch (const std::bad_alloc &) {
        error = "std::bad_alloc: the reader ran out of memory";
    } catch (const std::exception &raised) {
        error = raised.what();
        if (error.empty())
            error = "an exception without text";
    } catch (...) {
        error = "an exception of an unknown kind";
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::uint64_t peak = StatusBytes("VmHWM:");
    const TReportHead head{elapsed.count(), peak > startBytes ? peak - startBytes : 0,
                           std::uint32_t(messages.size())};
    WriteAll(fd, &head, sizeof head);
    WriteText(fd, answer);
    WriteText(fd, error);
    for (const std::string &message : messages)
        WriteText(fd, message);
    ::close(fd);
    ::_exit(0);
}

// The reader's report and how its child ended.
struct TChildRun : TBoundedRead {
    std::string Ended; // "" when the reader returned or raised; else how the child died
    double Seconds = 0;
    std::uint64_t PeakBytes = 0; // growth of the child's resident memory while the reader ran
};

TChildRun RunInChild(std::uint64_t fileBytes, const std::function<std::string()> &read)
{
    TChildRun run;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        throw std::runtime_error("no pipe for the child");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("cannot start a child process");
    if (child == 0) {
        ::close(pipeEnds[0]);
        RunChild(pipeEnds[1], fileBytes, read);
    }
    ::close(pipeEnds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        report.append(buffer, std::size_t(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        run.Ended = signal == SIGALRM ? "it ran for more than ten times its time bound"
                                      : std::string("it died of signal ") + strsignal(signal);
        return run;
    }
    TReportHead head{};
    std::size_t at = sizeof head;
    if (report.size() < at) {
        run.Ended = "it ended without a report";
        return run;
    }
    std::memcpy(&head, report.data(), sizeof head);
    auto nextText = [&]() {
        std::uint32_t size = 0;
        if (report.size() - at < sizeof size)
            return std::string();
        std::memcpy(&size, report.data() + at, sizeof size);
        at += sizeof size;
        std::string text = report.substr(at, size);
        at += text.size();
        return text;
    };
    run.Seconds = head.Seconds;
    run.PeakBytes = head.PeakBytes;
    run.Answer = nextText();
    run.Error = nextText();
    for (std::uint32_t i = 0; i < head.MessageCount; ++i)
        run.Messages.push_back(nextText());
    return run;
}

// Marks the running test skipped (GTEST_SKIP returns from the function it is in).
void SkipMemoryCheck()
{
    GTEST_SKIP() << "memory is not measured under the sanitizers; time and outcome were checked";
}

} // namespace

TBoundedRead ExpectBoundedRead(const std::string &path, const std::function<std::string()> &read)
{
    const std::uint64_t fileBytes = fs::file_size(path);
    const TChildRun run = RunInChild(fileBytes, read);
    EXPECT_EQ(run.Ended, "") << path;
    if (!run.Ended.empty())
        return run;
    std::printf("[ bounds   ] %llu bytes: %.1f of %.0f MiB, %.3f of %.1f s\n", (unsigned long long)fileBytes,
                double(run.PeakBytes) / double(kMiB), double(MemoryBound(fileBytes)) / double(kMiB), run.Seconds,
                TimeBound(fileBytes));
    EXPECT_LE(run.Seconds, TimeBound(fileBytes)) << path << " (" << fileBytes << " bytes)";
    if (!run.Error.empty()) {
        EXPECT_NE(run.Error.find(path), std::string::npos) << "the error names no file: " << run.Error;
    }
    if (!kSanitized) {
        EXPECT_LE(run.PeakBytes, MemoryBound(fileBytes))
            << path << " (" << fileBytes << " bytes) took " << (run.PeakBytes >> 20) << " MiB";
    } else {
        SkipMemoryCheck();
    }
    return run;
}

void PrintTo(const THostileFile &file, std::ostream *out)
{
    *out << file.Name;
}

std::string NameOf(const ::testing::TestParamInfo<THostileFile> &info)
{
    return info.param.Name;
}

TBoundedRead ExpectSeen(const THostileFile &file, const std::string &path, const std::function<std::string()> &read)
{
    testdata::WriteFile(path, file.Make());
    const TBoundedRead run = ExpectBoundedRead(path, read);
    if (run.Error.empty()) {
        EXPECT_EQ(run.Answer, file.Seen);
    } else {
        EXPECT_EQ(run.Error.substr(0, path.size() + 3 + file.Seen.size()), "\"" + path + "\" " + file.Seen);
    }
    return run;
}

} // namespace coretest
