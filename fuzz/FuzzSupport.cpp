#include "FuzzSupport.h"

#include "app/UMessage.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path &Scratch()
{
    static const fs::path folder = [] {
        fs::path path = fs::temp_directory_path() / ("quorlin-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(path);
        return path;
    }();
    return folder;
}

} // namespace

std::string_view InputBytes(const std::uint8_t *data, std::size_t size)
{
    return {reinterpret_cast<const char *>(data), size};
}

std::string WriteInput(const std::uint8_t *data, std::size_t size, const std::string &extension)
{
    const fs::path path = Scratch() / ("input." + extension);
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data),
                                                                    std::streamsize(size));
    return path.string();
}

std::string FreshFolder()
{
    const fs::path path = Scratch() / "out";
    std::error_code error;
    fs::remove_all(path, error);
    fs::create_directories(path);
    return path.string() + "/";
}

void QuietMessages()
{
    static const bool quiet = [] {
        SetErrorMessageHandler([](const std::string &) {});
        return true;
    }();
    (void)quiet;
}
