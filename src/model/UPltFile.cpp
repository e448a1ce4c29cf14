#include "model/UPltFile.h"

#include "app/UFileIO.h"
#include "app/UUtil.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kPltSignature[4] = {'P', 'L', 'T', ' '};
constexpr std::size_t kPltWidthOffset = 16;
constexpr std::size_t kPltHeightOffset = 20;
constexpr std::size_t kPltPixelBytes = 2; // value, layer

constexpr TRgb kOtherLayerColor{0, 0, 255};

[[noreturn]] void Refuse(const std::string &fileName, const std::string &reason)
{
    throw EFileError("\"" + fileName + "\" " + reason + ".");
}

// The shading of a swatch cell: the palette value shown at (x, y) of the
// cell, light at the top left, dark at the bottom right, with a one-pixel
// bevel so that neighbouring cells of close colours stay apart.
std::uint8_t SwatchValue(int x, int y)
{
    constexpr int last = kSwatchCellSide - 1;
    if (x == 0 || y == 0)
        return 250;
    if (x == last || y == last)
        return 24;
    const int distance = x + y; // 2 .. 2 * last - 2
    return std::uint8_t(220 - (distance - 2) * 150 / (2 * last - 4));
}

} // namespace

// ---------------------------------------------------------------- PLT file

bool IsPltFile(std::string_view bytes)
{
    return bytes.size() >= sizeof kPltSignature && std::memcmp(bytes.data(), kPltSignature, sizeof kPltSignature) == 0;
}

TPltPicture ReadPlt(std::string_view bytes, const std::string &fileName)
{
    if (!IsPltFile(bytes))
        Refuse(fileName, "is not a PLT file");
    if (bytes.size() < kPltHeaderSize)
        Refuse(fileName, "is cut short: its header ends early");
    const auto *header = reinterpret_cast<const unsigned char *>(bytes.data());
    TPltPicture picture;
    picture.Width = ReadU32LE(header + kPltWidthOffset);
    picture.Height = ReadU32LE(header + kPltHeightOffset);
    if (picture.Width == 0 || picture.Height == 0)
        Refuse(fileName, "holds no pixels (" + std::to_string(picture.Width) + " x " +
                             std::to_string(picture.Height) + ")");
    if (picture.Width > std::uint32_t(kMaxPictureSide) || picture.Height > std::uint32_t(kMaxPictureSide) ||
        std::uint64_t(picture.Width) * picture.Height * 4 > std::uint64_t(kMaxPictureMegabytes) << 20)
        Refuse(fileName, "is too large to show (" + std::to_string(picture.Width) + " x " +
                             std::to_string(picture.Height) + ")");
    const std::uint64_t count = std::uint64_t(picture.Width) * picture.Height;
    if (count * kPltPixelBytes > bytes.size() - kPltHeaderSize)
        Refuse(fileName, "is cut short: it holds fewer pixels than its size of " + std::to_string(picture.Width) +
                             " x " + std::to_string(picture.Height) + " needs");
    picture.Values.resize(std::size_t(count));
    picture.Layers.resize(std::size_t(count));
    const unsigned char *pixel = header + kPltHeaderSize;
    for (std::size_t i = 0; i < count; ++i, pixel += kPltPixelBytes) {
        picture.Values[i] = pixel[0];
        picture.Layers[i] = pixel[1];
    }
    return picture;
}

std::optional<TPltPicture> LoadPltFile(const std::string &path)
{
    const CInputFile file(path);
    std::string bytes = file.ReadAvailableAt(0, kPltHeaderSize);
    if (!IsPltFile(bytes))
        return std::nullopt;
    if (bytes.size() == kPltHeaderSize) {
        const auto *header = reinterpret_cast<const unsigned char *>(bytes.data());
        const std::uint64_t count = std::uint64_t(ReadU32LE(header + kPltWidthOffset)) * ReadU32LE(header + kPltHeightOffset);
        // A size beyond the limits is refused from the header alone.
        if (count * 4 <= std::uint64_t(kMaxPictureMegabytes) << 20)
            bytes = file.ReadAvailableAt(0, std::size_t(kPltHeaderSize + count * kPltPixelBytes));
    }
    return ReadPlt(bytes, path);
}

// ---------------------------------------------------------------- palettes

TPaletteFile ReadPaletteFile(const std::string &path, int rows)
{
    TPaletteFile palette(rows);
    CInputFile file(path);
    const std::string bytes = file.ReadAvailableAt(0, palette.Entries.size());
    std::memcpy(palette.Entries.data(), bytes.data(), bytes.size());
    return palette;
}

const char *PltPaletteFileName(TPltPaletteKind kind)
{
    static const char *const names[kPltPaletteCount] = {
        "pal_armor01.pal", "pal_Cloth01.pal", "pal_Skin01.pal", "pal_Hair01.pal", "pal_leath01.pal", "pal_tattoo01.pal",
    };
    return names[kind];
}

void LoadPltPalettes(const std::string &folder, TPltPalettes &palettes)
{
    for (int kind = 0; kind < kPltPaletteCount; ++kind) {
        const std::string path = FindPathNoCase(folder, PltPaletteFileName(TPltPaletteKind(kind)));
        palettes.Palettes[std::size_t(kind)] = ReadPaletteFile(path, kPltPaletteRows);
    }
}

// ---------------------------------------------------------------- colouring

const std::array<TPltItem, kPltItemCount> &PltItems()
{
    static const std::array<TPltItem, kPltItemCount> items = {{
        {"Metal 01", "metal1", 2, kMetalPalette, kArmorSwatch},
        {"Metal 02", "metal2", 3, kMetalPalette, kArmorSwatch},
        {"Leather 01", "leather1", 4, kLeatherPalette, kClothSwatch},
        {"Leather 02", "leather2", 5, kLeatherPalette, kClothSwatch},
        {"Cloth 01", "cloth1", 6, kClothPalette, kClothSwatch},
        {"Cloth 02", "cloth2", 7, kClothPalette, kClothSwatch},
        {"Hair", "hair", 1, kHairPalette, kHairSwatch},
        {"Skin", "skin", 0, kSkinPalette, kSkinSwatch},
        {"Tattoo 01", "tattoo1", 8, kTattooPalette, kClothSwatch},
        {"Tattoo 02", "tattoo2", 9, kTattooPalette, kClothSwatch},
    }};
    return items;
}

int PltItemOfLayer(int layer)
{
    static const std::array<int, kPltLayerCount> itemOfLayer = [] {
        std::array<int, kPltLayerCount> table{};
        for (int item = 0; item < kPltItemCount; ++item)
            table[std::size_t(PltItems()[std::size_t(item)].Layer)] = item;
        return table;
    }();
    return layer >= 0 && layer < kPltLayerCount ? itemOfLayer[std::size_t(layer)] : -1;
}

TRgb LayerColor(const TPltPalettes &palettes, const TPltRowChoices &choices, std::uint8_t value, std::uint8_t layer)
{
    const int item = PltItemOfLayer(layer);
    if (item < 0)
        return kOtherLayerColor;
    const TPaletteFile &palette = palettes[PltItems()[std::size_t(item)].Palette];
    const int row = choices[std::size_t(item)];
    if (row < 0 || row >= palette.Rows)
        return {};
    return palette.Color(row, value);
}

TRgbaImage ColourPlt(const TPltPicture &picture, const TPltPalettes &palettes, const TPltRowChoices &choices)
{
    TRgbaImage image;
    image.Width = int(picture.Width);
    image.Height = int(picture.Height);
    image.Pixels.resize(std::size_t(picture.Width) * picture.Height * 4);
    for (std::size_t fileRow = 0; fileRow < picture.Height; ++fileRow) {
        // File rows run from the bottom of the picture up.
        std::uint8_t *out = image.Pixels.data() + (picture.Height - 1 - fileRow) * std::size_t(picture.Width) * 4;
        const std::size_t first = fileRow * picture.Width;
        for (std::size_t column = 0; column < picture.Width; ++column, out += 4) {
            const TRgb color = LayerColor(palettes, choices, picture.Values[first + column], picture.Layers[first + column]);
            out[0] = color.R;
            out[1] = color.G;
            out[2] = color.B;
            out[3] = 255;
        }
    }
    return image;
}

TRgbaImage PltSwatchPicture(const TPaletteFile &palette)
{
    TRgbaImage image;
    image.Width = kSwatchSide;
    image.Height = kSwatchSide;
    image.Pixels.resize(std::size_t(kSwatchSide) * kSwatchSide * 4);
    for (int y = 0; y < kSwatchSide; ++y)
        for (int x = 0; x < kSwatchSide; ++x) {
            const int row = (y / kSwatchCellSide) * kSwatchCells + x / kSwatchCellSide;
            const TRgb color = row < palette.Rows ? palette.Color(row, SwatchValue(x % kSwatchCellSide, y % kSwatchCellSide))
                                                  : TRgb{};
            std::uint8_t *out = image.Pixels.data() + (std::size_t(y) * kSwatchSide + std::size_t(x)) * 4;
            out[0] = color.R;
            out[1] = color.G;
            out[2] = color.B;
            out[3] = 255;
        }
    return image;
}

TPltPaletteKind PltSwatchPalette(TPltSwatch swatch)
{
    switch (swatch) {
    case kSkinSwatch: return kSkinPalette;
    case kHairSwatch: return kHairPalette;
    case kClothSwatch: return kClothPalette;
    case kArmorSwatch: break;
    }
    return kMetalPalette;
}
