// Interface language files: program folder + "Language/" + name + ".ini", one
// section per window class and one key per caption. The program's own files
// are UTF-8; a file that is not valid UTF-8 was written for the Windows
// program and is read as Windows-1252.
#pragma once

#include "app/UCINIFILE.h"

#include <optional>
#include <string>

// The file of a language in the language folder (any letter case); empty for
// a name that is empty or holds a path separator.
std::string LanguageFilePath(const std::string &name);

// The contents of a language file as UTF-8 text; nullopt when the file does
// not exist or cannot be read.
std::optional<CINIFILE> ReadLanguageFile(const std::string &path);
