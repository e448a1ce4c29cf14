// PLT textures and the palette files that colour them. A PLT pixel holds no
// colour, only a palette value and a layer; which colour it gets depends on
// who shows it: the model view takes row "layer" of MDL.PAL, the PLT viewer
// (and quorlin plt render) takes, for each of ten layers, a row the user
// chose in one of six larger palettes. Files store their rows bottom-up.
#pragma once

#include "media/URgbaImage.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------- PLT file

inline constexpr std::size_t kPltHeaderSize = 24; // "PLT ", 12 unused bytes, width, height

struct TPltPicture {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    // One byte per pixel each, in file order: rows from the bottom of the
    // picture up, left to right.
    std::vector<std::uint8_t> Values;
    std::vector<std::uint8_t> Layers;
};

// True when bytes start with the signature "PLT ".
bool IsPltFile(std::string_view bytes);

// Reads a whole PLT file. Raises EFileError naming fileName when it is no PLT
// file, is cut short, or holds a picture larger than the program shows.
TPltPicture ReadPlt(std::string_view bytes, const std::string &fileName);

// Reads the PLT file at path, no more of it than its picture needs. Nothing
// when the file does not start with "PLT "; raises EFileError when it cannot
// be read or ReadPlt refuses it.
std::optional<TPltPicture> LoadPltFile(const std::string &path);

// ---------------------------------------------------------------- palettes

struct TRgb {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TRgb &) const = default;
};

inline constexpr int kPaletteRowEntries = 256;
inline constexpr int kPaletteEntryBytes = 4; // red, green, blue, one unused byte

// A palette file: rows of 256 entries, nothing else.
struct TPaletteFile {
    int Rows = 0;
    std::vector<std::uint8_t> Entries; // Rows x 256 x 4 bytes, 0 (black) where the file ends early

    explicit TPaletteFile(int rows = 0)
        : Rows(rows), Entries(std::size_t(rows) * kPaletteRowEntries * kPaletteEntryBytes, 0)
    {
    }
    // row must lie in [0, Rows).
    TRgb Color(int row, std::uint8_t value) const
    {
        const std::uint8_t *entry =
            Entries.data() + (std::size_t(row) * kPaletteRowEntries + value) * kPaletteEntryBytes;
        return {entry[0], entry[1], entry[2]};
    }
};

// Reads the first rows x 1024 bytes of the palette file at path; a shorter
// file leaves the rest black. Raises EFileError when it cannot be read.
TPaletteFile ReadPaletteFile(const std::string &path, int rows);

// The six palettes of the PLT viewer, in the order they are read.
enum TPltPaletteKind { kMetalPalette, kClothPalette, kSkinPalette, kHairPalette, kLeatherPalette, kTattooPalette };
inline constexpr int kPltPaletteCount = 6;
inline constexpr int kPltPaletteRows = 64;

// The file of each palette kind, as named in the palette folder (found in
// any letter case).
const char *PltPaletteFileName(TPltPaletteKind kind);

struct TPltPalettes {
    std::array<TPaletteFile, kPltPaletteCount> Palettes{
        TPaletteFile(kPltPaletteRows), TPaletteFile(kPltPaletteRows), TPaletteFile(kPltPaletteRows),
        TPaletteFile(kPltPaletteRows), TPaletteFile(kPltPaletteRows), TPaletteFile(kPltPaletteRows)};
    const TPaletteFile &operator[](TPltPaletteKind kind) const { return Palettes[std::size_t(kind)]; }
};

// Reads the six palettes of folder into palettes, in their order. A missing
// file raises EFileError naming it; the palettes read before it are kept
// and the rest stay as they were.
void LoadPltPalettes(const std::string &folder, TPltPalettes &palettes);

// ---------------------------------------------------------------- colouring

// The four swatch pictures the viewer shows to choose a row: one per palette
// family; leather and tattoo items share the cloth swatch.
enum TPltSwatch { kSkinSwatch, kHairSwatch, kClothSwatch, kArmorSwatch };
inline constexpr int kPltSwatchCount = 4;

// One entry of the viewer's palette list: the layer it colours and where
// its colours come from.
struct TPltItem {
    const char *Caption;     // "Metal 01"
    const char *CommandName; // "metal1", as quorlin plt render names it
    int Layer;
    TPltPaletteKind Palette;
    TPltSwatch Swatch;
};
inline constexpr int kPltItemCount = 10;
inline constexpr int kPltLayerCount = 10; // layers 0 to 9 have a colour; the others are blue
const std::array<TPltItem, kPltItemCount> &PltItems();
// The item that colours layer, -1 for a layer outside 0 to 9.
int PltItemOfLayer(int layer);

// The chosen palette row (0 to 63) of each item, in list order.
using TPltRowChoices = std::array<int, kPltItemCount>;

// The colour of a pixel: the entry "value" of the chosen row of its layer's
// palette; pure blue for layers above 9.
TRgb LayerColor(const TPltPalettes &palettes, const TPltRowChoices &choices, std::uint8_t value, std::uint8_t layer);

// The whole picture coloured, upright (rows top to bottom), opaque.
TRgbaImage ColourPlt(const TPltPicture &picture, const TPltPalettes &palettes, const TPltRowChoices &choices);

inline constexpr int kSwatchCells = 8;     // cells per side; cell (c, r) shows row r x 8 + c
inline constexpr int kSwatchCellSide = 16; // pixels
inline constexpr int kSwatchSide = kSwatchCells * kSwatchCellSide;

// A swatch picture drawn from a palette: 8 x 8 cells, each a shaded sample of
// one palette row, lit from the top left.
TRgbaImage PltSwatchPicture(const TPaletteFile &palette);
// The palette a swatch picture is drawn from.
TPltPaletteKind PltSwatchPalette(TPltSwatch swatch);
