#include "app/USettings.h"

#include "app/UCINIFILE.h"
#include "app/UFileIO.h"
#include "app/UUtil.h"

namespace {
const char *const Section = "GENERAL";
const char *const ModelViewSection = "FRM_MDL";
}

TSettings &Settings()
{
    static TSettings settings;
    return settings;
}

std::string GetOptionFilePath()
{
    return GetProgramFolder() + "option.ini";
}

void LoadOptions(const std::string &path, TSettings &settings, TWindowGeometry &geometry)
{
    CINIFILE ini;
    ini.Load(path);
    const TSettings defaults;
    settings.Language = ini.ReadString(Section, "Language", defaults.Language);
    settings.ModAutoPreview = ini.ReadBool(Section, "ModAutoPreview", defaults.ModAutoPreview);
    settings.BifAutoPreview = ini.ReadBool(Section, "BifAutoPreview", defaults.BifAutoPreview);
    settings.ModDefaultDir = ini.ReadString(Section, "ModDefaultDir", defaults.ModDefaultDir);
    settings.BifDefaultDir = ini.ReadString(Section, "BifDefaultDir", defaults.BifDefaultDir);
    settings.UTXMakeText = ini.ReadBool(Section, "UTXMakeText", defaults.UTXMakeText);
    settings.GameEncoding = ini.ReadString(Section, "GameEncoding", defaults.GameEncoding);
    const TWindowGeometry defaultGeometry;
    geometry.Width = ini.ReadInteger(Section, "Width", defaultGeometry.Width);
    geometry.Height = ini.ReadInteger(Section, "Height", defaultGeometry.Height);
    geometry.State = ini.ReadInteger(Section, "State", defaultGeometry.State);
}

bool SaveOptions(const std::string &path, const TSettings &settings, const TWindowGeometry &geometry)
{
    CINIFILE ini;
    ini.Load(path);
    ini.WriteString(Section, "Language", settings.Language);
    ini.WriteBool(Section, "ModAutoPreview", settings.ModAutoPreview);
    ini.WriteBool(Section, "BifAutoPreview", settings.BifAutoPreview);
    ini.WriteString(Section, "ModDefaultDir", settings.ModDefaultDir);
    ini.WriteString(Section, "BifDefaultDir", settings.BifDefaultDir);
    ini.WriteBool(Section, "UTXMakeText", settings.UTXMakeText);
    // Written only once chosen, so files of earlier runs keep their eleven keys.
    if (!settings.GameEncoding.empty() || ini.Value(Section, "GameEncoding"))
        ini.WriteString(Section, "GameEncoding", settings.GameEncoding);
    ini.WriteInteger(Section, "Width", geometry.Width);
    ini.WriteInteger(Section, "Height", geometry.Height);
    ini.WriteInteger(Section, "Left", geometry.Left);
    ini.WriteInteger(Section, "Top", geometry.Top);
    ini.WriteInteger(Section, "State", geometry.State);
    try {
        ini.Save(path);
    } catch (const EFileError &) {
        return false;
    }
    return true;
}

TModelViewSettings LoadModelViewSettings(const std::string &path)
{
    CINIFILE ini;
    ini.Load(path);
    const TModelViewSettings defaults;
    TModelViewSettings settings;
    settings.xRot = ini.ReadFloat(ModelViewSection, "xRot", defaults.xRot);
    settings.yRot = ini.ReadFloat(ModelViewSection, "yRot", defaults.yRot);
    settings.xMove = ini.ReadFloat(ModelViewSection, "xMove", defaults.xMove);
    settings.yMove = ini.ReadFloat(ModelViewSection, "yMove", defaults.yMove);
    settings.Depth = ini.ReadFloat(ModelViewSection, "Depth", defaults.Depth);
    settings.Wireframe = ini.ReadBool(ModelViewSection, "Wireframe", defaults.Wireframe);
    settings.Skeleton = ini.ReadBool(ModelViewSection, "Skeleton", defaults.Skeleton);
    settings.Blending = ini.ReadBool(ModelViewSection, "Blending", defaults.Blending);
    return settings;
}

bool SaveModelViewSettings(const std::string &path, const TModelViewSettings &settings)
{
    CINIFILE ini;
    ini.Load(path);
    ini.WriteFloat(ModelViewSection, "xRot", settings.xRot);
    ini.WriteFloat(ModelViewSection, "yRot", settings.yRot);
    ini.WriteFloat(ModelViewSection, "xMove", settings.xMove);
    ini.WriteFloat(ModelViewSection, "yMove", settings.yMove);
    ini.WriteFloat(ModelViewSection, "Depth", settings.Depth);
    ini.WriteBool(ModelViewSection, "Wireframe", settings.Wireframe);
    ini.WriteBool(ModelViewSection, "Skeleton", settings.Skeleton);
    ini.WriteBool(ModelViewSection, "Blending", settings.Blending);
    try {
        ini.Save(path);
    } catch (const EFileError &) {
        return false;
    }
    return true;
}
