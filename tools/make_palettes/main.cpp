// quorlin-make-palettes OUTDIR: writes the palette folder the program ships,
// colours of our own design:
//   MDL.PAL           - 10 rows, one per PLT layer, for textures on models
//   pal_armor01.pal   - 64 metals        pal_Cloth01.pal  - 64 cloth hues
//   pal_Skin01.pal    - 64 skin tones    pal_Hair01.pal   - 64 hair colours
//   pal_leath01.pal   - 64 leathers      pal_tattoo01.pal - 64 tattoo inks
//   chrome1.tga       - 64 x 64 environment picture of shiny surfaces
// Every palette row is a ramp of 256 entries from dark to light: PLT pixels
// store how light they are, the row says in which colour. Files whose
// content is unchanged are left alone.

#include "DemoFormats.h"

#include "testdata/ByteBuilder.h"
#include "testdata/TextureBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using testdata::PaletteColour;

namespace {

struct Colour {
    double R, G, B; // 0 to 1
};

Colour Mix(const Colour &a, const Colour &b, double t)
{
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

Colour Scale(const Colour &c, double factor)
{
    return {c.R * factor, c.G * factor, c.B * factor};
}

// Hue in degrees, saturation and lightness 0 to 1.
Colour FromHsl(double hue, double saturation, double lightness)
{
    const double chroma = (1 - std::abs(2 * lightness - 1)) * saturation;
    const double h = std::fmod(hue, 360.0) / 60.0;
    const double x = chroma * (1 - std::abs(std::fmod(h, 2.0) - 1));
    Colour c{0, 0, 0};
    if (h < 1) c = {chroma, x, 0};
    else if (h < 2) c = {x, chroma, 0};
    else if (h < 3) c = {0, chroma, x};
    else if (h < 4) c = {0, x, chroma};
    else if (h < 5) c = {x, 0, chroma};
    else c = {chroma, 0, x};
    const double m = lightness - chroma / 2;
    return {c.R + m, c.G + m, c.B + m};
}

Colour Rgb(int r, int g, int b)
{
    return {r / 255.0, g / 255.0, b / 255.0};
}

// How a material catches the light: how bright its highlights get and how
// fast it turns from its own colour to them.
struct Finish {
    double Shine;  // 0: the highlight is the colour itself; 1: white
    double Gloss;  // exponent of the turn to the highlight; larger is a smaller, sharper highlight
};
constexpr Finish kMatte{0.30, 1.6};   // cloth, leather
constexpr Finish kSoft{0.40, 1.3};    // skin, hair
constexpr Finish kMetal{0.90, 2.4};   // polished metal
constexpr Finish kInk{0.15, 1.8};     // tattoo ink

// Entry value of a row whose middle colour is base: near black at 0, base
// at about 60 %, the highlight at 255.
PaletteColour Ramp(const Colour &base, const Finish &finish, int value)
{
    const double t = value / 255.0;
    constexpr double kMiddle = 0.6;
    Colour c;
    if (t < kMiddle) {
        const double s = t / kMiddle;
        c = Mix(Scale(base, 0.06), base, s * s * (3 - 2 * s));
    } else {
        const Colour highlight = Mix(base, Colour{1, 1, 1}, finish.Shine);
        c = Mix(base, highlight, std::pow((t - kMiddle) / (1 - kMiddle), finish.Gloss));
    }
    auto byte = [](double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return {byte(c.R), byte(c.G), byte(c.B)};
}

struct Row {
    Colour Base;
    Finish Look;
};

std::string PaletteFile(const std::vector<Row> &rows)
{
    return testdata::BuildPalette(int(rows.size()),
                                  [&rows](int row, int value) { return Ramp(rows[std::size_t(row)].Base, rows[std::size_t(row)].Look, value); });
}

// Eight tones of each key colour as rows, from the key darkened to
// "darkest" of its brightness up to the key mixed with "palest" of white.
std::vector<Row> Tones(const std::vector<Colour> &keys, const Finish &look, double darkest, double palest)
{
    std::vector<Row> rows;
    for (const Colour &key : keys)
        for (int tone = 0; tone < 8; ++tone) {
            const double t = tone / 7.0;
            const Colour c = t < 0.5 ? Mix(Scale(key, darkest), key, t * 2) : Mix(key, Colour{1, 1, 1}, palest * (t - 0.5) * 2);
            rows.push_back({c, look});
        }
    return rows;
}

// 64 metals: steel, iron, silver, gold, bronze, copper, brass and a blued steel.
std::vector<Row> Metals()
{
    return Tones({Rgb(150, 158, 170), Rgb(92, 94, 98), Rgb(196, 198, 204), Rgb(212, 168, 64), Rgb(170, 112, 60),
                  Rgb(190, 100, 70), Rgb(190, 160, 90), Rgb(80, 100, 150)},
                 kMetal, 0.45, 0.2);
}

// 64 cloth colours: sixteen hues, each vivid, muted, dark and pale.
std::vector<Row> Cloths()
{
    std::vector<Row> rows;
    for (int hue = 0; hue < 16; ++hue) {
        const double h = hue * 22.5;
        for (const auto &[saturation, lightness] : {std::pair{0.75, 0.45}, {0.35, 0.45}, {0.6, 0.25}, {0.45, 0.7}})
            rows.push_back({FromHsl(h, saturation, lightness), kMatte});
    }
    return rows;
}

// 64 skin tones: 48 from pale to deep brown, then 16 of other folk: ashen,
// green, blue-grey, red, violet.
std::vector<Row> Skins()
{
    const Colour natural[] = {Rgb(250, 224, 206), Rgb(236, 196, 166), Rgb(222, 172, 132), Rgb(196, 140, 100),
                              Rgb(160, 104, 70),  Rgb(120, 76, 50),   Rgb(86, 54, 36)};
    std::vector<Row> rows;
    for (int i = 0; i < 48; ++i) {
        const double position = i * 6.0 / 47.0;
        const int first = std::min(int(position), 5);
        rows.push_back({Mix(natural[first], natural[first + 1], position - first), kSoft});
    }
    const Colour other[] = {Rgb(170, 170, 160), Rgb(120, 150, 100), Rgb(130, 150, 170), Rgb(180, 90, 80)};
    for (const Colour &key : other)
        for (int tone = 0; tone < 4; ++tone)
            rows.push_back({Scale(key, 0.7 + tone * 0.12), kSoft});
    return rows;
}

// 64 hair colours: black to brown, auburn and red, blond to platinum, greys
// and white, then dyes.
std::vector<Row> Hairs()
{
    const Colour natural[] = {Rgb(24, 22, 22),    Rgb(60, 42, 30),   Rgb(110, 70, 40),   Rgb(140, 60, 30),
                              Rgb(190, 90, 40),   Rgb(200, 150, 80), Rgb(230, 200, 130), Rgb(240, 230, 200),
                              Rgb(150, 150, 150), Rgb(235, 235, 235)};
    std::vector<Row> rows;
    for (int i = 0; i < 48; ++i) {
        const double position = i * 9.0 / 47.0;
        const int first = std::min(int(position), 8);
        rows.push_back({Mix(natural[first], natural[first + 1], position - first), kSoft});
    }
    for (int dye = 0; dye < 16; ++dye)
        rows.push_back({FromHsl(dye * 22.5 + 200, 0.6, 0.4), kSoft});
    return rows;
}

// 64 leathers: tan, brown, dark brown, black, red-brown, grey, and dyed green and blue.
std::vector<Row> Leathers()
{
    return Tones({Rgb(190, 150, 100), Rgb(130, 85, 50), Rgb(80, 52, 34), Rgb(40, 36, 34), Rgb(130, 60, 40),
                  Rgb(110, 108, 100), Rgb(70, 90, 50), Rgb(50, 70, 100)},
                 kMatte, 0.5, 0.15);
}

// 64 tattoo inks: blue-black, indigo, green, red, violet, brown, teal and
// black, each from faded to fresh.
std::vector<Row> Inks()
{
    return Tones({Rgb(30, 40, 70), Rgb(50, 40, 120), Rgb(30, 100, 60), Rgb(150, 30, 40), Rgb(100, 40, 110),
                  Rgb(90, 60, 40), Rgb(30, 100, 110), Rgb(25, 25, 30)},
                 kInk, 0.6, 0.3);
}

// MDL.PAL: row r colours layer r of textures on models, in the layer order
// skin, hair, metal 1, metal 2, leather 1, leather 2, cloth 1, cloth 2,
// tattoo 1, tattoo 2.
std::vector<Row> ModelRows()
{
    return {{Rgb(222, 172, 132), kSoft}, {Rgb(110, 70, 40), kSoft},  {Rgb(150, 158, 170), kMetal},
            {Rgb(212, 168, 64), kMetal}, {Rgb(130, 85, 50), kMatte}, {Rgb(60, 45, 35), kMatte},
            {Rgb(150, 40, 40), kMatte},  {Rgb(40, 70, 140), kMatte}, {Rgb(30, 100, 60), kInk},
            {Rgb(100, 40, 110), kInk}};
}

// A shiny grey-blue ball lit from the top left: the sky above reflected
// light, the ground below dark, as surfaces mapped with it show them.
std::string ChromePicture()
{
    constexpr int kSide = 64;
    demo::Picture picture{kSide, kSide, {}};
    const Colour sky = Rgb(214, 224, 238), horizon = Rgb(150, 162, 182), ground = Rgb(70, 78, 96);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            double u = (x + 0.5) / (kSide / 2.0) - 1, v = 1 - (y + 0.5) / (kSide / 2.0);
            const double length = std::hypot(u, v);
            if (length > 1) {
                u /= length;
                v /= length;
            }
            const double z = std::sqrt(std::max(0.0, 1 - u * u - v * v));
            // The reflection of a view straight at the ball.
            const double rx = 2 * z * u, ry = 2 * z * v, rz = 2 * z * z - 1;
            Colour c = ry >= 0 ? Mix(horizon, sky, ry) : Mix(horizon, ground, -ry); // soft, no line at the horizon
            const double light = std::max(0.0, (-0.45 * rx + 0.6 * ry + 0.66 * rz));
            c = Mix(c, Colour{1, 1, 1}, std::pow(light, 12) * 0.8);
            auto byte = [](double value) { return std::uint32_t(std::lround(std::clamp(value, 0.0, 1.0) * 255)); };
            picture.Pixels.push_back(0xFF000000u | byte(c.R) << 16 | byte(c.G) << 8 | byte(c.B));
        }
    return demo::MakeTga(picture);
}

void WriteIfChanged(const fs::path &path, const std::string &bytes)
{
    std::error_code error;
    if (fs::is_regular_file(path, error) && fs::file_size(path, error) == bytes.size() && testdata::ReadFile(path) == bytes)
        return;
    testdata::WriteFile(path, bytes);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: quorlin-make-palettes OUTDIR\n"
                     "Writes the program's palette files and environment picture into OUTDIR.\n");
        return argc == 2 ? 0 : 2;
    }
    try {
        const fs::path folder = argv[1];
        WriteIfChanged(folder / "MDL.PAL", PaletteFile(ModelRows()));
        WriteIfChanged(folder / "pal_armor01.pal", PaletteFile(Metals()));
        WriteIfChanged(folder / "pal_Cloth01.pal", PaletteFile(Cloths()));
        WriteIfChanged(folder / "pal_Skin01.pal", PaletteFile(Skins()));
        WriteIfChanged(folder / "pal_Hair01.pal", PaletteFile(Hairs()));
        WriteIfChanged(folder / "pal_leath01.pal", PaletteFile(Leathers()));
        WriteIfChanged(folder / "pal_tattoo01.pal", PaletteFile(Inks()));
        WriteIfChanged(folder / "chrome1.tga", ChromePicture());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quorlin-make-palettes: %s\n", e.what());
        return 1;
    }
    return 0;
}
