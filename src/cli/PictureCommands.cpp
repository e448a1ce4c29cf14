// The picture commands of the quorlin tool: layered PLT textures coloured
// with the PLT viewer's palettes (plt render), written as the viewer's
// export writes them, and any picture the viewer reads written as a PNG
// (image convert), decoded by the core's readers where it has one and by
// ImageMagick for the rest.

#include "app/UFileIO.h"
#include "app/UUtil.h"
#include "cli/CliSupport.h"
#include "media/UBmpFile.h"
#include "media/UDdsFile.h"
#include "media/UMagickPicture.h"
#include "media/UPSP.h"
#include "media/UPictureFormats.h"
#include "media/UPngFile.h"
#include "model/UPltFile.h"
#include "model/UTexturePicture.h"

#include <charconv>
#include <cstring>
#include <set>
#include <stdexcept>

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

const char *const ImageHelp =
    "usage: quorlin image convert FILE OUT.png\n"
    "\n"
    "Converts any picture the picture viewer reads to PNG.\n";

const char *const ImageConvertHelp =
    "usage: quorlin image convert FILE OUT.png\n"
    "\n"
    "Decodes the picture FILE as the picture viewer shows it and writes it to OUT.png\n"
    "as a PNG of 8 bits a channel with alpha, at the path exactly as given (no\n"
    "extension is added), replacing a file of that name. Prints nothing.\n"
    "The format is recognised by the file's content, whatever its name: TGA, BMP,\n"
    "JPEG, GIF, PCX, PNG, PSD, PSP, TIFF, SGI, DDS and PLT. A file no format claims\n"
    "is read by its extension when that names a bitmap or a JPEG picture.\n"
    "DDS textures (DXT1, DXT3, DXT5, BC4, BC5 or plain pixels) give their largest\n"
    "level, upright. PLT textures are coloured as 'quorlin plt render' colours them\n"
    "without --palette: row 0 of each palette of the PAL folder beside the program.\n";

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

// ---------------------------------------------------------------- image

// No picture the decoders accept within the picture limits takes more bytes
// than this; larger files are refused unread.
constexpr std::uint64_t kMaxPictureFileSize = std::uint64_t(kMaxPictureMegabytes) * 2 << 20;

std::string ReadPicture(const std::string &path)
{
    const CInputFile file(path);
    if (file.Size() > kMaxPictureFileSize)
        throw CommandError{path + " is too large for a picture"};
    return file.ReadStringAt(0, std::size_t(file.Size()));
}

// The core's texture decoder of a format, when the core has one: it gives
// no picture for the kinds it leaves to the library (colour-mapped or grey
// TGA, JPEG in colours other than RGB), and refuses damage itself.
TRgbaImage DecodeInCoreOrLibrary(const std::string &bytes, const char *textureType, const char *coder,
                                 const std::string &path)
{
    TTexturePicture picture = DecodeTexture(bytes, textureType, path, nullptr);
    if (!picture.Empty())
        return std::move(picture.Image);
    return DecodeWithMagick(bytes, coder);
}

TRgbaImage DecodeFormat(const std::string &bytes, const std::string &format, const std::string &path)
{
    if (format == "PSP")
        return DecodePsp(bytes, path);
    if (format == "DDS")
        return DecodeDds(bytes, path);
    if (format == "TGA")
        return DecodeInCoreOrLibrary(bytes, "TGA", "TGA", path);
    if (format == "JPEG")
        return DecodeInCoreOrLibrary(bytes, "JPG", "JPEG", path);
    return DecodeWithMagick(bytes, format); // GIF, PCX, PNG, PSD, TIFF, SGI, BMP of every depth
}

TRgbaImage DecodePicture(const std::string &path)
{
    const std::string bytes = ReadPicture(path);
    if (IsPltFile(bytes)) {
        TPltPalettes palettes;
        LoadPltPalettes(GetPaletteFolder(), palettes);
        return ColourPlt(ReadPlt(bytes, path), palettes, TPltRowChoices{});
    }
    std::string format;
    if (const TPictureFormat *recognised = RecognisePicture(bytes)) {
        format = recognised->Name;
    } else {
        const std::string extension = ExtractFileExt(path); // with its dot
        const char *named = extension.empty() ? nullptr : PictureFormatOfExtension(std::string_view(extension).substr(1));
        if (!named)
            throw CommandError{path + " is not a picture of a known format"};
        if (std::strcmp(named, "BMP") != 0 && std::strcmp(named, "JPEG") != 0)
            throw CommandError{path + " is not a " + named + " picture: its header is damaged or the file is cut short"};
        format = named;
    }
    try {
        return DecodeFormat(bytes, format, path);
    } catch (const EFileError &) {
        throw; // the core's readers name the file themselves
    } catch (const std::runtime_error &error) {
        throw CommandError{"cannot decode the " + format + " picture " + path + ": " + error.what()};
    }
}

int ImageConvert(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 2, "FILE and OUT.png");
    const std::string &path = args.Positional[0];
    RequireFile(path, "picture");
    SavePng(args.Positional[1], DecodePicture(path));
    return ExitOk;
}

} // namespace

const std::vector<TCommand> &PictureCommands()
{
    static const std::vector<TCommand> commands = {
        {"plt", "render", PltRender, PltRenderHelp},
        {"image", "convert", ImageConvert, ImageConvertHelp},
    };
    return commands;
}

const std::vector<TCommandGroup> &PictureCommandGroups()
{
    static const std::vector<TCommandGroup> groups = {{"plt", PltHelp}, {"image", ImageHelp}};
    return groups;
}

} // namespace cli
