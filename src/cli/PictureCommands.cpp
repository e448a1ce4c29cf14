// The picture commands of the quorlin tool: layered PLT textures coloured
// with the PLT viewer's palettes (plt render), written as the viewer's
// export writes them.

#include "app/UFileIO.h"
#include "app/UUtil.h"
#include "cli/CliSupport.h"
#include "media/UBmpFile.h"
#include "model/UPltFile.h"

#include <charconv>
#include <set>

namespace cli {

namespace {

// ---------------------------------------------------------------- help texts

const char *const PltHelp =
    "usage: quorlin plt render FILE OUT.bmp [--palette NAME=ROW]...\n"
    "\n"
    "Colours layered PLT textures with the palettes of the program's PAL folder.\n";

const char *const PltRenderHelp =
    "usage: quorlin plt render FILE OUT.bmp [--palette NAME=ROW]...\n"
    "\n"
    "Colours the PLT texture FILE as the PLT viewer shows it and writes it to OUT.bmp\n"
    "as the viewer's Export (BMP) does: a BMP of 32 bits a pixel, at the path exactly\n"
    "as given (no extension is added), replacing a file of that name. Prints nothing.\n"
    "Each pixel holds a palette value and a layer. Layers 0 to 9 take the colour of\n"
    "that value in one row (0 to 63) of their palette: row 0 unless --palette NAME=ROW\n"
    "chooses another. NAME is one of\n"
    "  skin (layer 0), hair (1), metal1 (2), metal2 (3), leather1 (4), leather2 (5),\n"
    "  cloth1 (6), cloth2 (7), tattoo1 (8), tattoo2 (9).\n"
    "Pixels of other layers are pure blue. The palettes are read from the PAL folder\n"
    "beside the program (in any letter case): pal_armor01.pal (metal),\n"
    "pal_Cloth01.pal, pal_Skin01.pal, pal_Hair01.pal, pal_leath01.pal (leather) and\n"
    "pal_tattoo01.pal.\n";

// ---------------------------------------------------------------- plt

// The row choices the --palette options make, each item at most once.
TPltRowChoices RowChoices(const Arguments &args)
{
    TPltRowChoices choices{};
    const auto given = args.Options.find("--palette");
    if (given == args.Options.end())
        return choices;
    std::set<int> chosen;
    for (const std::string &value : given->second) {
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos)
            throw UsageError{"--palette needs NAME=ROW, not '" + value + "'"};
        const std::string name = value.substr(0, equals);
        int item = -1;
        for (int i = 0; i < kPltItemCount; ++i)
            if (name == PltItems()[std::size_t(i)].CommandName)
                item = i;
        if (item < 0) {
            std::string names;
            for (const TPltItem &known : PltItems())
                names += (names.empty() ? "" : ", ") + std::string(known.CommandName);
            throw UsageError{"--palette: no palette is named '" + name + "' (" + names + ")"};
        }
        const std::string rowText = value.substr(equals + 1);
        int row = -1;
        const auto parsed = std::from_chars(rowText.data(), rowText.data() + rowText.size(), row);
        if (parsed.ec != std::errc() || parsed.ptr != rowText.data() + rowText.size() || row < 0 ||
            row >= kPltPaletteRows)
            throw UsageError{"--palette " + name + " needs a row from 0 to 63, not '" + rowText + "'"};
        if (!chosen.insert(item).second)
            throw UsageError{"--palette " + name + " is given more than once"};
        choices[std::size_t(item)] = row;
    }
    return choices;
}

int PltRender(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {"--palette"});
    ExpectPositional(args, 2, "FILE and OUT.bmp");
    const TPltRowChoices choices = RowChoices(args);
    const std::string &path = args.Positional[0];
    RequireFile(path, "PLT file");
    const std::optional<TPltPicture> picture = LoadPltFile(path);
    if (!picture)
        throw CommandError{path + " is not a PLT file: it does not start with \"PLT \""};
    TPltPalettes palettes;
    LoadPltPalettes(GetPaletteFolder(), palettes);
    SaveBmp32(args.Positional[1], ColourPlt(*picture, palettes, choices));
    return ExitOk;
}

} // namespace

const std::vector<TCommand> &PictureCommands()
{
    static const std::vector<TCommand> commands = {
        {"plt", "render", PltRender, PltRenderHelp},
    };
    return commands;
}

const std::vector<TCommandGroup> &PictureCommandGroups()
{
    static const std::vector<TCommandGroup> groups = {{"plt", PltHelp}};
    return groups;
}

} // namespace cli
