#include "app/UUtil.h"

#include "app/UCINIFILE.h"
#include "app/UGameText.h"
#include "app/UText.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string &ProgramFolderOverride()
{
    static std::string folder;
    return folder;
}

// The entry of folder named name in any letter case; "" when there is none.
std::string FindEntryNoCase(const std::string &folder, const std::string &name)
{
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? "." : folder, error);
    if (error)
        return {};
    for (const fs::directory_entry &entry : it) {
        std::string candidate = entry.path().filename().string();
        if (SameNameNoCase(candidate, name))
            return candidate;
    }
    return {};
}

// The sub-folder of the program folder named name in any letter case.
std::string ProgramSubFolder(const std::string &name)
{
    std::string program = GetProgramFolder();
    std::string found = FindEntryNoCase(program, name);
    if (!found.empty() && DirectoryExists(program + found))
        return program + found + "/";
    return program + name + "/";
}

} // namespace

std::string GetProgramFolder()
{
    if (!ProgramFolderOverride().empty())
        return ProgramFolderOverride();
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return IncludeTrailingSeparator(fs::current_path(error).string());
    return IncludeTrailingSeparator(exe.parent_path().string());
}

void SetProgramFolder(const std::string &folder)
{
    ProgramFolderOverride() = folder.empty() ? std::string() : IncludeTrailingSeparator(folder);
}

std::string GetGameFolderConfigPath()
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char *home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return IncludeTrailingSeparator(base) + "Ostrel/Quorlin.conf";
}

std::string GetGameFolder()
{
    const char *overridden = std::getenv("QUORLIN_GAME_FOLDER");
    if (overridden && *overridden)
        return overridden;
    return GetConfiguredGameFolder();
}

std::string GetConfiguredGameFolder()
{
    CINIFILE ini;
    ini.Load(GetGameFolderConfigPath());
    return ini.ReadString("Duskmere", "Location", "");
}

void SetGameFolder(const std::string &folder)
{
    const std::string path = GetGameFolderConfigPath();
    std::error_code error;
    fs::create_directories(ExtractFilePath(path), error);
    CINIFILE ini;
    ini.Load(path);
    ini.WriteString("Duskmere", "Location", folder);
    ini.Save(path);
}

std::string GetLanguageFolder()
{
    return ProgramSubFolder("Language");
}

std::vector<std::string> GetLanguages()
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(GetLanguageFolder(), error);
    if (error)
        return names;
    for (const fs::directory_entry &entry : it) {
        std::error_code statError;
        if (!entry.is_regular_file(statError))
            continue;
        std::string name = entry.path().filename().string();
        if (name.size() >= 4 && SameNameNoCase(name.substr(name.size() - 4), ".ini"))
            names.push_back(name.substr(0, name.size() - 4));
    }
    // The order of a Windows folder listing, not the file system's hash order.
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return LowerCaseAscii(a) < LowerCaseAscii(b);
    });
    return names;
}

std::string GetTempFolder()
{
    return GetProgramFolder() + "tmp/";
}

void CreateTempFolder()
{
    std::error_code error;
    fs::create_directory(GetProgramFolder() + "tmp", error);
}

std::string GetPaletteFolder()
{
    return ProgramSubFolder("PAL");
}

std::string IncludeTrailingSeparator(const std::string &folder)
{
    if (folder.empty())
        return "./";
    if (folder.back() == '/')
        return folder;
    return folder + "/";
}

std::string ExtractFilePath(const std::string &path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string &path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string &path)
{
    std::string name = ExtractFileName(path);
    std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string FindPathNoCase(const std::string &folder, const std::string &relative)
{
    std::string exact = IncludeTrailingSeparator(folder);
    std::string resolved = exact;
    bool matching = true;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = relative.size();
        std::string component = relative.substr(start, end - start);
        bool last = end == relative.size();
        if (!component.empty()) {
            std::string piece = component;
            if (matching && !fs::exists(fs::path(resolved + component))) {
                std::string found = FindEntryNoCase(resolved, component);
                if (found.empty())
                    matching = false;
                else
                    piece = found;
            }
            resolved += piece;
            exact += component;
            if (!last) {
                resolved += '/';
                exact += '/';
            }
        }
        start = end + 1;
    }
    return matching ? resolved : exact;
}

bool StaysInsideFolder(const std::string &relative)
{
    if (relative.empty() || relative[0] == '/' || relative[0] == '\\' || relative.find(':') != std::string::npos)
        return relative.empty();
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = relative.size();
        if (relative.compare(start, end - start, "..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

bool FileExists(const std::string &path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool DirectoryExists(const std::string &path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

std::string SafeResRef(const std::string &name)
{
    std::string safe = name;
    for (char &c : safe) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || byte < 0x20 || byte == 0x7f)
            c = '_';
    }
    return safe;
}

std::string ResourceFileName(const std::string &resref, const std::string &lowerExt, const CGameTextCodec &codec)
{
    std::string name;
    codec.Decode(
        resref, [&name](std::string_view utf8) { name += utf8; }, [&name](unsigned char) { name += '_'; });
    return SafeResRef(name) + "." + lowerExt;
}

std::string ResourceFilePath(const std::string &folder, const std::string &resref, const std::string &lowerExt,
                             const CGameTextCodec &codec)
{
    return IncludeTrailingSeparator(folder) + ResourceFileName(resref, lowerExt, codec);
}
