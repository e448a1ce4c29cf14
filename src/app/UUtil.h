// Program, game, temporary and language folders, and file-name helpers shared
// by every reader and window.
#pragma once

#include <string>
#include <vector>

// The folder that holds the running executable, ending in a separator.
std::string GetProgramFolder();
// Replaces the program folder for the rest of the run (tests, tools). An empty
// path returns to the executable's folder.
void SetProgramFolder(const std::string &folder);

// The game folder: the environment variable QUORLIN_GAME_FOLDER when set and not empty,
// else the value Location of section Duskmere in GetGameFolderConfigPath().
// Empty when unknown.
std::string GetGameFolder();
// $XDG_CONFIG_HOME/Ostrel/Quorlin.conf, ~/.config when XDG_CONFIG_HOME is unset.
std::string GetGameFolderConfigPath();
// The game folder the configuration file names, whatever the environment says.
std::string GetConfiguredGameFolder();
// Names folder as the game folder in the configuration file (creating it),
// keeping the file's other lines; raises EFileError when it cannot be written.
void SetGameFolder(const std::string &folder);

// Language names, one per *.ini file of the program's language folder, in
// alphabetical order.
std::vector<std::string> GetLanguages();
// The language folder ("Language" in any letter case) with a trailing separator;
// program folder + "Language/" when it does not exist.
std::string GetLanguageFolder();
// program folder + "tmp/".
std::string GetTempFolder();
// Creates the temporary folder when missing (one level); failures are not reported.
void CreateTempFolder();
// The palette folder ("PAL" in any letter case) with a trailing separator.
std::string GetPaletteFolder();

// Adds the native separator unless the folder already ends in one.
std::string IncludeTrailingSeparator(const std::string &folder);
// The folder part of a path, with its trailing separator ("" for a bare name).
std::string ExtractFilePath(const std::string &path);
// The name part of a path.
std::string ExtractFileName(const std::string &path);
// The extension of a path including its dot ("" when none).
std::string ExtractFileExt(const std::string &path);

// Resolves relative (which may use '\\' or '/') under folder, matching each
// component without regard to letter case when the exact spelling is absent.
// Returns the exact path when nothing matches.
std::string FindPathNoCase(const std::string &folder, const std::string &relative);

// True when relative ('\\' or '/' separated) names a path below a folder:
// not absolute, no drive, no ".." component.
bool StaysInsideFolder(const std::string &relative);

bool FileExists(const std::string &path);
bool DirectoryExists(const std::string &path);

class CGameTextCodec;

// Makes a resource name (UTF-8) safe as a file name inside the chosen folder:
// path separators, ':' and control characters become '_', so no name can leave it.
std::string SafeResRef(const std::string &name);
// The file an extraction writes for a ResRef (game text): the ResRef decoded to
// the platform's encoding (bytes not valid in the game's encoding become '_'),
// made safe, then "." + extension.
std::string ResourceFileName(const std::string &resref, const std::string &lowerExt, const CGameTextCodec &codec);
// folder + ResourceFileName.
std::string ResourceFilePath(const std::string &folder, const std::string &resref, const std::string &lowerExt,
                             const CGameTextCodec &codec);
