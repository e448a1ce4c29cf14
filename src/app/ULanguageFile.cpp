#include "app/ULanguageFile.h"

#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "app/UUtil.h"

std::string LanguageFilePath(const std::string &name)
{
    if (name.empty() || name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
        return {};
    return FindPathNoCase(GetLanguageFolder(), name + ".ini");
}

std::optional<CINIFILE> ReadLanguageFile(const std::string &path)
{
    if (path.empty() || !FileExists(path))
        return std::nullopt;
    std::string text;
    try {
        text = ReadWholeFile(path);
    } catch (const EFileError &) {
        return std::nullopt;
    }
    CINIFILE file;
    file.LoadFromString(IsValidUtf8(text) ? text : CGameTextCodec::Named(kDefaultGameEncoding).Decode(text));
    return file;
}
