// quorlin-make-demo OUTDIR: writes made-up demo data for trying the viewer.
//   OUTDIR/game/chitin.key and OUTDIR/game/data/*.bif  - a small game install
//   OUTDIR/game/dialog.tlk                             - its talk table
//   OUTDIR/samples/sample.mod, sample.hak, sample.erf  - archives of the ERF family
//   OUTDIR/samples/<name>.<ext>                        - loose files
// Every resource is one row of DemoResources below; add a row to add a sample.
// Loose pictures of other formats are rows of DemoPictureFiles, loose sounds
// that are no game resource (MP3, BMU) rows of DemoSoundFiles.
// Files whose content is unchanged are left alone, so rebuilding touches nothing.

#include "DemoDds.h"
#include "DemoFormats.h"
#include "DemoModels.h"
#include "DemoMp3.h"
#include "DemoPictures.h"
#include "DemoSounds.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/SsfBuilder.h"
#include "testdata/ResTypeNumbers.h"
#include "testdata/TextureBuilder.h"
#include "testdata/TlkBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using namespace demo;

namespace {

// ---------------------------------------------------------------- BIFs

enum DemoBif { NoBif = -1, Textures, Templates, Scripts, Sounds, Models };

struct BifPlace {
    const char *KeyName;  // as the KEY names it
    const char *DiskName; // as it lies on disk, when the letter case differs
};

// In DemoBif order. Textures.bif lies on disk as textures.bif: names are matched
// without regard to letter case.
const BifPlace DemoBifs[] = {
    {"data\\Textures.bif", "data/textures.bif"},
    {"data\\templates.bif", ""},
    {"data\\scripts.bif", ""},
    {"data\\sounds.bif", ""},
    {"data\\models.bif", ""},
};

// ---------------------------------------------------------------- content

std::string ReadmeText()
{
    return "Quorlin demo data\r\n"
           "=================\r\n"
           "\r\n"
           "Everything in this folder was made up for trying the viewer:\r\n"
           "pictures, sounds, models, tables and blueprints of the Duskmere formats.\r\n";
}

std::string SettingsIni()
{
    return "[Display]\r\nWidth=800\r\nHeight=600\r\nGamma=1.2\r\n\r\n[Sound]\r\nVolume=80\r\n";
}

std::string OnEnterScript()
{
    return "// Greets whoever enters the demo area.\r\n"
           "void main()\r\n"
           "{\r\n"
           "    object oPC = GetEnteringObject();\r\n"
           "    SendMessageToPC(oPC, \"Welcome to the Quorlin demo.\");\r\n"
           "}\r\n";
}

// Blanks between the columns, a quoted value split across two columns.
std::string BaseItemsTable()
{
    return "2DA V2.0\r\n"
           "\r\n"
           "      Label         Cost   Weight  Model\r\n"
           "0     Short_Sword   10     20      demo_box\r\n"
           "1     Long_Bow      75     30      ****\r\n"
           "2     \"Iron Shield\" 15     60      demo_box\r\n"
           "3     Torch         1      10      ****\r\n";
}

// Tabs between the columns; the last column takes the rest of each line.
std::string SpellsTable()
{
    return "2DA V2.0\r\n"
           "\r\n"
           "\tLabel\tSchool\tLevel\tDescription\r\n"
           "0\tFlare\tE\t1\tA spark of light that dazzles one foe.\r\n"
           "1\tStone_Skin\tA\t4\tHardens the skin\tagainst blows.\r\n"
           "2\tMend\tC\t1\t****\r\n"
           "\r\n"
           "3\tQuiet_Step\tI\t2\tSilences the caster's steps for a while.\r\n";
}

// A default-value line after the version line; an empty-cell marker in rows.
std::string RacesTable()
{
    return "2DA V2.0\r\n"
           "DEFAULT: ****\r\n"
           "\r\n"
           "   Label       Strength  Dexterity  Appearance\r\n"
           "0  Human       0         0          demo_box\r\n"
           "1  Hill_Folk   2         -2         demo_box\r\n"
           "2  Marsh_Elf   -2        2          ****\r\n"
           "3  Halfling    -2        2\r\n";
}

// Quoted values: split in the middle columns, whole in the last one.
std::string PlaceablesTable()
{
    return "2DA V2.0\r\n"
           "\r\n"
           "   Label            Model      Name\r\n"
           "0  \"Old Chest\"      demo_box   \"A chest with a broken lock\"\r\n"
           "1  Barrel           demo_box   \"Barrel\"\r\n"
           "2  Signpost         ****       \"Signpost to the north\"\r\n";
}

// Thirty columns (ID, Label and 28 levels): the row detail window needs four
// columns of boxes.
std::string ProgressTable()
{
    const int levels = 28;
    std::string text = "2DA V2.0\r\n\r\n   Label";
    for (int level = 1; level <= levels; ++level)
        text += std::string(level < 10 ? " Lvl0" : " Lvl") + std::to_string(level);
    text += "\r\n";
    const char *const classes[] = {"Fighter", "Wizard", "Rogue", "Cleric"};
    for (int row = 0; row < 4; ++row) {
        text += std::to_string(row) + " " + classes[row];
        for (int level = 1; level <= levels; ++level)
            text += " " + std::to_string(level * (level - 1) * (500 + 100 * row));
        text += "\r\n";
    }
    return text;
}

std::string StoneTexture()
{
    return MakeTga(CheckerPicture(8, 8, 0xFF808080, 0xFF404850, 2));
}

std::string GrassTexture()
{
    // Stripes give run packets, the scattered flecks raw packets.
    Picture grass = StripesPicture(16, 8, {0xFF20A040, 0xFF30B050, 0x8020A040, 0xFF105020});
    for (int y = 0; y < grass.Height; ++y)
        for (int x = 0; x < grass.Width; ++x)
            if ((x * 5 + y * 3) % 7 == 0)
                grass.Pixels[static_cast<std::size_t>(y * grass.Width + x)] = 0xFFC0D020 + 0x10 * static_cast<std::uint32_t>(x % 3);
    return MakeTgaRle(grass);
}

std::string IconBitmap()
{
    // 6 pixels wide: rows of 18 bytes padded to 20
    return MakeBmp(CheckerPicture(6, 5, 0xFFE0C040, 0xFF202080, 1));
}

// A layered shield: a steel rim with brass rivets and a brass boss, a field
// quartered in two cloths under a painted chevron, on a leather backing with
// two darker straps. Each pixel stores how light it is; the palettes give
// the colours.
std::string ShieldTexture()
{
    constexpr int kWidth = 128, kHeight = 160;
    enum Layer : std::uint8_t { Metal1 = 2, Metal2 = 3, Leather1 = 4, Leather2 = 5, Cloth1 = 6, Cloth2 = 7, Tattoo1 = 8 };
    auto shade = [](double value) { return std::uint8_t(std::clamp(value, 0.0, 255.0)); };
    // Half the shield's width at height y: straight sides, then a curve to the point.
    auto halfWidth = [](double y) {
        if (y < 10 || y > 150)
            return -1.0;
        return y < 90 ? 52.0 : 52.0 * std::sqrt(std::max(0.0, 1 - (y - 90) * (y - 90) / 3600.0));
    };
    std::vector<testdata::PltPixel> rows(std::size_t(kWidth * kHeight));
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x + 0.5 - kWidth / 2.0;
            const double half = halfWidth(y + 0.5);
            const double inside = half - std::abs(dx); // distance to the side
            const double light = 1 - 0.45 * (x + y) / double(kWidth + kHeight); // from the top left
            testdata::PltPixel pixel;
            if (inside < 0 || std::min(inside, y + 0.5 - 10) < 0) {
                const bool strap = std::abs(dx) > 22 && std::abs(dx) < 34;
                const double grain = 12 * std::sin(x * 0.9 + std::sin(y * 0.3) * 3) + 8 * std::sin(y * 1.7);
                pixel = {shade(150 * light + grain + (strap ? 20 : 0)), strap ? Leather2 : Leather1};
            } else if (inside < 6 || y + 0.5 - 10 < 6) {
                const double edge = std::min(inside, y + 0.5 - 10);
                const bool rivet = std::fmod(y + 0.5, 20.0) < 4 && edge > 1.5 && edge < 4.5;
                pixel = {shade((rivet ? 230 : 170 + 60 * (edge < 3 ? 1 : -0.3)) * light), rivet ? Metal2 : Metal1};
            } else {
                const double by = y + 0.5 - 64;
                const double boss = std::hypot(dx, by);
                const double chevron = by + std::abs(dx) * 0.9;
                if (boss < 18) {
                    const double highlight = std::max(0.0, 1 - std::hypot(dx + 6, by + 6) / 16);
                    pixel = {shade(130 + 120 * highlight * highlight - boss * 2), Metal2};
                } else if (chevron > 30 && chevron < 44) {
                    pixel = {shade((190 - 3 * std::abs(chevron - 37)) * light), Tattoo1};
                } else {
                    const bool first = (dx < 0) == (by < 0);
                    const double folds = 18 * std::sin(dx * 0.25) + 10 * std::sin(by * 0.11);
                    pixel = {shade(165 * light + folds), first ? Cloth1 : Cloth2};
                }
            }
            // File rows run from the bottom of the picture up.
            rows[std::size_t((kHeight - 1 - y) * kWidth + x)] = pixel;
        }
    return testdata::BuildPlt(kWidth, kHeight, rows);
}

std::string BeepSound()
{
    return MakeWav(8000, 120, 440);
}

// The tunes of the other sounds: made-up bells and horn calls.
constexpr int kToneRate = 22050;
constexpr int kMp3Kbps = 48;

std::vector<std::int16_t> BellTune()
{
    return TuneSamples(kToneRate, Timbre::Bell, {{523.25, 700}, {659.25, 700}, {783.99, 700}, {1046.5, 1400}});
}

std::vector<std::int16_t> ChimeTune()
{
    return TuneSamples(kToneRate, Timbre::Bell, {{1567.98, 350}, {1318.51, 350}, {1046.5, 350}, {783.99, 950}});
}

std::vector<std::int16_t> HornTune()
{
    return TuneSamples(kToneRate, Timbre::Horn, {{220, 450}, {0, 50}, {277.18, 450}, {0, 50}, {329.63, 1000}});
}

std::vector<std::int16_t> MarchTune()
{
    return TuneSamples(kToneRate, Timbre::Horn,
                       {{392, 300}, {0, 40}, {392, 300}, {0, 40}, {523.25, 600}, {0, 60}, {493.88, 300},
                        {0, 40}, {440, 300}, {0, 40}, {392, 900}});
}

std::vector<std::int16_t> GreetingTune()
{
    return TuneSamples(kToneRate, Timbre::Horn, {{196, 400}, {246.94, 400}, {293.66, 800}});
}

std::string BellSound() // PCM
{
    return MakePcmWav(kToneRate, BellTune());
}

// IMA ADPCM in two channels: the right one echoes the left a little later.
// (GStreamer 1.22 times mono IMA ADPCM at twice its speed.)
std::string ChimeSound()
{
    const std::vector<std::int16_t> left = ChimeTune();
    std::vector<std::int16_t> right(std::size_t(kToneRate / 8), 0);
    right.insert(right.end(), left.begin(), left.end() - kToneRate / 8);
    for (std::int16_t &sample : right)
        sample = static_cast<std::int16_t>(sample / 2);
    return MakeAdpcmWav(kToneRate, 2, Interleave(left, right));
}

std::string HornSound() // MP3 in a WAV file
{
    const std::vector<std::int16_t> tune = HornTune();
    return MakeMp3Wav(kToneRate, kMp3Kbps, static_cast<std::uint32_t>(tune.size()),
                      EncodeMp3(kToneRate, kMp3Kbps, tune));
}

std::string MarchMp3()
{
    return EncodeMp3(kToneRate, kMp3Kbps, MarchTune());
}

std::string GreetingBmu()
{
    return MakeBmu(EncodeMp3(kToneRate, kMp3Kbps, GreetingTune()));
}

std::string BoxModel()
{
    return "# Quorlin demo model: a textured box\r\n"
           "filedependancy demo_box.max\r\n"
           "newmodel demo_box\r\n"
           "setsupermodel demo_box NULL\r\n"
           "classification Character\r\n"
           "setanimationscale 1.0\r\n"
           "beginmodelgeom demo_box\r\n"
           "node dummy demo_box\r\n"
           "  parent NULL\r\n"
           "endnode\r\n"
           "node trimesh box\r\n"
           "  parent demo_box\r\n"
           "  position 0.0 0.0 0.5\r\n"
           "  orientation 0.0 0.0 0.0 0.0\r\n"
           "  wirecolor 1.0 1.0 1.0\r\n"
           "  ambient 1.0 1.0 1.0\r\n"
           "  diffuse 1.0 1.0 1.0\r\n"
           "  specular 0.0 0.0 0.0\r\n"
           "  shininess 26.0\r\n"
           "  bitmap demo_stone\r\n"
           "  verts 8\r\n"
           "    -0.5 -0.5 -0.5\r\n     0.5 -0.5 -0.5\r\n     0.5  0.5 -0.5\r\n    -0.5  0.5 -0.5\r\n"
           "    -0.5 -0.5  0.5\r\n     0.5 -0.5  0.5\r\n     0.5  0.5  0.5\r\n    -0.5  0.5  0.5\r\n"
           "  tverts 4\r\n"
           "    0.0 0.0 0.0\r\n    1.0 0.0 0.0\r\n    1.0 1.0 0.0\r\n    0.0 1.0 0.0\r\n"
           "  faces 12\r\n"
           "    0 2 1 1 0 2 1 0\r\n    0 3 2 1 0 3 2 0\r\n"
           "    4 5 6 1 0 1 2 0\r\n    4 6 7 1 0 2 3 0\r\n"
           "    0 1 5 2 0 1 2 0\r\n    0 5 4 2 0 2 3 0\r\n"
           "    1 2 6 3 0 1 2 0\r\n    1 6 5 3 0 2 3 0\r\n"
           "    2 3 7 4 0 1 2 0\r\n    2 7 6 4 0 2 3 0\r\n"
           "    3 0 4 5 0 1 2 0\r\n    3 4 7 5 0 2 3 0\r\n"
           "endnode\r\n"
           "endmodelgeom demo_box\r\n"
           "newanim spin demo_box\r\n"
           "  length 2.0\r\n"
           "  transtime 0.25\r\n"
           "  node dummy demo_box\r\n"
           "    parent NULL\r\n"
           "    orientationkey\r\n"
           "      0.0 0.0 0.0 1.0 0.0\r\n"
           "      1.0 0.0 0.0 1.0 3.14159\r\n"
           "      2.0 0.0 0.0 1.0 6.28318\r\n"
           "    endlist\r\n"
           "  endnode\r\n"
           "doneanim spin demo_box\r\n"
           "donemodel demo_box\r\n";
}

// ---------------------------------------------------------------- talk table

// Texts of the demo dialog.tlk that the samples refer to by number; the sound
// set's references (10 to 12 and 24 to 68) fall among them too.
namespace strref {
constexpr std::uint32_t None = 0xFFFFFFFF;
constexpr std::uint32_t PaletteWeapons = 100;
constexpr std::uint32_t PaletteArmor = 101;
constexpr std::uint32_t PaletteMisc = 102;
constexpr std::uint32_t SwordName = 110;
constexpr std::uint32_t ShieldName = 111;
constexpr std::uint32_t TorchName = 112;
constexpr std::uint32_t SwordDescription = 120;
constexpr std::uint32_t GuardDescription = 121;
constexpr std::uint32_t Count = 300;
} // namespace strref

struct DemoLine {
    std::uint32_t StrRef;
    const char *Sound;
    const char *Text;
};

// Entry 0 starts the string block (offset 0), as in the game's own tables.
const DemoLine DemoLines[] = {
    {0, "", "Bad Strref"},
    {10, "demo_beep", "*beep*"},
    {11, "vs_demo_hello", "Well met, traveller."},
    {12, "vs_demo_bye", "Safe roads to you."},
    {strref::PaletteWeapons, "", "Weapons"},
    {strref::PaletteArmor, "", "Armor"},
    {strref::PaletteMisc, "", "Miscellaneous"},
    {strref::SwordName, "", "Demo Sword"},
    {strref::ShieldName, "", "Iron Shield"},
    {strref::TorchName, "", "Torch"},
    {strref::SwordDescription, "",
     "A plain sword made up for the Quorlin demo.\r\nIt has never seen a battle, and it shows."},
    {strref::GuardDescription, "vs_demo_guard",
     "The demo guard stands where the module's author put him and watches the road."},
};

// Made-up filler for the other entries: short sentences, every ninth with a sound.
std::string FillerLine(std::uint32_t n)
{
    static const char *const Openers[] = {"The", "A quiet", "An old", "Every", "No"};
    static const char *const Subjects[] = {"lantern", "ferryman", "orchard", "milestone", "tinker",
                                           "well", "bridge", "shepherd", "chapel", "harbour"};
    static const char *const Endings[] = {"waits by the river", "remembers the long winter",
                                          "asks for nothing", "was here before the road",
                                          "keeps a secret or two", "hums an old tune"};
    return std::string(Openers[n % 5]) + " " + Subjects[(n / 5) % 10] + " " + Endings[(n / 50) % 6] +
           " (line " + std::to_string(n) + ").";
}

std::string DemoTalkTable()
{
    testdata::TlkBuilder tlk;
    for (std::uint32_t n = 0; n < strref::Count; ++n)
        tlk.Add(n % 9 == 4 ? "vs_demo_l" + std::to_string(n) : std::string(), FillerLine(n));
    for (const DemoLine &line : DemoLines) {
        tlk.Entries.at(line.StrRef).SoundResRef = line.Sound;
        tlk.Entries.at(line.StrRef).Text = line.Text;
    }
    tlk.Entries[13].SoundLength = 1.25f;
    return tlk.Build();
}

// ---------------------------------------------------------------- GFF samples

std::string SwordBlueprint()
{
    testdata::GffBuilder gff("UTI ");
    gff.LocString(0, "LocalizedName", strref::None, {{0, "Demo Sword"}, {2, "Demo-Schwert"}});
    gff.LocString(0, "Description", strref::SwordDescription);
    gff.LocString(0, "DescIdentified", strref::None,
                  {{0, "A blade made up for the demo.\r\nIt cuts paper and little else."}});
    gff.String(0, "Tag", "IT_DEMO_SWORD");
    gff.ResRef(0, "TemplateResRef", "it_demo_sword");
    gff.Int(0, "BaseItem", 0);
    gff.DWord(0, "Cost", 10);
    gff.Byte(0, "Identified", 1);
    gff.Word(0, "StackSize", 1);
    gff.Float(0, "Weight", 2.5f);
    const int fire = gff.AddStruct(0);
    gff.Word(fire, "PropertyName", 16);
    gff.Word(fire, "Subtype", 3);
    gff.Byte(fire, "CostValue", 2);
    const int keen = gff.AddStruct(0);
    gff.Word(keen, "PropertyName", 43);
    gff.Byte(keen, "CostValue", 0);
    gff.List(0, "PropertiesList", {fire, keen});
    return gff.Build();
}

std::string GuardBlueprint()
{
    testdata::GffBuilder gff("UTC ");
    gff.LocString(0, "FirstName", strref::None, {{0, "Demo"}});
    gff.LocString(0, "LastName", strref::None, {{0, "Guard"}});
    gff.LocString(0, "Description", strref::GuardDescription);
    gff.String(0, "Tag", "DEMO_GUARD");
    gff.ResRef(0, "Conversation", "");
    gff.Float(0, "ChallengeRating", 1.5f);
    gff.Double(0, "SpawnWeight", 0.125);
    gff.Short(0, "HitPoints", 12);
    gff.Char(0, "LawfulChaotic", -20);
    gff.DWord64(0, "ObjectId", 0xFFFFFFFFFFFFFFFFull);
    gff.Int64(0, "Experience", -1234567890123ll);
    const int sword = gff.AddStruct(0);
    gff.ResRef(sword, "InventoryRes", "it_demo_sword");
    const int torch = gff.AddStruct(1);
    gff.ResRef(torch, "InventoryRes", "torch");
    gff.Word(torch, "Repos_PosX", 2);
    const int charm = gff.AddStruct(7);
    gff.Byte(charm, "Strength", 1);
    gff.List(torch, "Charms", {charm});
    gff.List(0, "ItemList", {sword, torch});
    return gff.Build();
}

// An item palette: categories and blueprints named by string references, which
// the viewer shows as talk-table texts because the file type is ITP.
std::string ItemPalette()
{
    struct Blueprint {
        const char *ResRef;
        std::uint32_t Name;
    };
    struct Category {
        std::uint32_t Name;
        std::vector<Blueprint> Blueprints;
    };
    const Category categories[] = {
        {strref::PaletteWeapons, {{"it_demo_sword", strref::SwordName}}},
        {strref::PaletteArmor, {{"it_demo_shield", strref::ShieldName}}},
        {strref::PaletteMisc, {{"torch", strref::TorchName}, {"it_demo_stone", strref::None}}},
    };
    testdata::GffBuilder gff("ITP ");
    std::vector<int> nodes;
    std::uint8_t id = 0;
    for (const Category &category : categories) {
        std::vector<int> items;
        for (const Blueprint &blueprint : category.Blueprints) {
            const int item = gff.AddStruct(0);
            gff.DWord(item, "STRREF", blueprint.Name);
            gff.ResRef(item, "RESREF", blueprint.ResRef);
            items.push_back(item);
        }
        const int node = gff.AddStruct(0);
        gff.DWord(node, "STRREF", category.Name);
        gff.Byte(node, "ID", id++);
        gff.List(node, "LIST", items);
        nodes.push_back(node);
    }
    gff.List(0, "MAIN", nodes);
    return gff.Build();
}

std::string ModuleInfo()
{
    testdata::GffBuilder gff("IFO ");
    gff.LocString(0, "Mod_Name", strref::None, {{0, "Quorlin Demo Module"}});
    gff.String(0, "Mod_Tag", "QUORLIN_DEMO");
    gff.ResRef(0, "Mod_Entry_Area", "demo_area");
    gff.ResRef(0, "Mod_OnClientEntr", "demo_onenter");
    gff.Byte(0, "Mod_MinPerHour", 2);
    return gff.Build();
}

// 49 slots, as the game's sound sets have. String references point into the
// demo dialog.tlk (all below 100); some slots have no sound or no text.
std::string DemoSoundSet()
{
    testdata::SsfBuilder set;
    set.Add("demo_beep", 10);
    set.Add("vs_demo_hello", 11);
    set.Add("vs_demo_bye", 12);
    set.Add("", testdata::SsfBuilder::NoStringRef);
    for (std::uint32_t slot = 4; slot < 49; ++slot)
        set.Add(slot % 5 == 0 ? std::string() : "vs_demo_" + std::to_string(slot),
                slot % 7 == 0 ? testdata::SsfBuilder::NoStringRef : 20 + slot);
    return set.Build();
}

std::string EmptyText()
{
    return {};
}

std::string UnknownBlob()
{
    return std::string("\x00\x01\x02\x03QRL\xff", 8);
}

std::string LongNameText()
{
    return "This resource has a name of exactly sixteen characters.\r\n";
}

// The chest's textures exist only as DDS, one in each container.
std::string WoodTexture()
{
    return MakeShortDds(PlanksPicture(64, 64), DdsKind::Dxt1);
}

std::string RuneTexture()
{
    return MakeStandardDds(RunePicture(64, 64), DdsKind::Dxt5);
}

std::string LandscapeTexture()
{
    // Large enough to be seen in the browsers' picture preview.
    return MakeTga(LandscapePicture(256, 160));
}

// ---------------------------------------------------------------- the table

enum SamplePlace : unsigned { InMod = 1, InHak = 2, InErf = 4, Loose = 8 };

struct DemoResource {
    const char *ResRef;
    std::uint16_t Type;
    const char *Ext;   // lower-case extension of the loose file
    DemoBif Bif;       // the game BIF that holds it, NoBif for none
    unsigned Samples;  // SamplePlace bits: sample archives and loose files
    std::string (*Make)();
};

const DemoResource DemoResources[] = {
    {"demo_stone", rt::TGA, "tga", Textures, InHak | InErf | Loose, StoneTexture},
    {"demo_grass", rt::TGA, "tga", Textures, InHak, GrassTexture},
    {"demo_icon", rt::BMP, "bmp", Textures, InHak | Loose, IconBitmap},
    {"demo_landscape", rt::TGA, "tga", Textures, 0, LandscapeTexture},
    {"demo_plt", rt::PLT, "plt", Textures, InErf | Loose, ShieldTexture},
    {"demo_wood", rt::DDS, "dds", Textures, InErf | Loose, WoodTexture},
    {"demo_rune", rt::DDS, "dds", Textures, InErf | Loose, RuneTexture},
    {"it_demo_sword", rt::UTI, "uti", Templates, InMod | Loose, SwordBlueprint},
    {"demo_guard", rt::UTC, "utc", Templates, InErf | Loose, GuardBlueprint},
    {"demo_itempal", rt::ITP, "itp", Templates, InMod | Loose, ItemPalette},
    {"vs_demo", rt::SSF, "ssf", Templates, InHak | Loose, DemoSoundSet},
    {"baseitems", rt::TWODA, "2da", Templates, InMod | Loose, BaseItemsTable},
    {"demo_spells", rt::TWODA, "2da", Templates, Loose, SpellsTable},
    {"demo_races", rt::TWODA, "2da", Templates, Loose, RacesTable},
    {"demo_places", rt::TWODA, "2da", Templates, InErf | Loose, PlaceablesTable},
    {"demo_progress", rt::TWODA, "2da", Templates, Loose, ProgressTable},
    {"module", rt::IFO, "ifo", NoBif, InMod, ModuleInfo},
    {"readme", rt::TXT, "txt", Scripts, InErf | Loose, ReadmeText},
    {"demo_settings", rt::INI, "ini", Scripts, Loose, SettingsIni},
    {"demo_onenter", rt::NSS, "nss", Scripts, InMod | Loose, OnEnterScript},
    {"demo_long_name16", rt::TXT, "txt", Scripts, InErf, LongNameText},
    {"empty", rt::TXT, "txt", Scripts, 0, EmptyText},
    {"demo_blob", rt::UNKNOWN, "raw", Scripts, 0, UnknownBlob},
    {"demo_beep", rt::WAV, "wav", Sounds, InErf | Loose, BeepSound},
    {"demo_bell", rt::WAV, "wav", Sounds, InErf | Loose, BellSound},
    {"demo_chime", rt::WAV, "wav", Sounds, InErf | Loose, ChimeSound},
    {"demo_horn", rt::WAV, "wav", Sounds, InErf | Loose, HornSound},
    {"vs_demo_hello", rt::WAV, "wav", Sounds, 0, GreetingBmu}, // a voice: BMU data in a WAV resource
    {"demo_box", rt::MDL, "mdl", Models, InHak | Loose, BoxModel},
    // Models and the textures they name lie together: in the BIFs, the sample
    // ERF and the samples folder.
    {"demo_crate", rt::MDL, "mdl", Models, InErf | Loose, CrateModel},
    {"demo_rig", rt::MDL, "mdl", Models, InErf | Loose, RigModel},
    {"demo_lantern", rt::MDL, "mdl", Models, InErf | Loose, LanternModel},
    {"demo_chest", rt::MDL, "mdl", Models, InErf | Loose, ChestModel},
};

// Loose files of the game folder beside chitin.key.
struct DemoGameFile {
    const char *FileName;
    std::string (*Make)();
};

const DemoGameFile DemoGameFiles[] = {
    {"dialog.tlk", DemoTalkTable},
};

// Loose files of the formats the picture and sound windows open (samples/ only).
struct DemoLooseFile {
    const char *FileName;
    std::string (*Make)();
};

std::string BannerTga()
{
    // 512 x 256, smaller than the viewer: shown at its own size.
    TgaLayout layout;
    layout.RunLength = true;
    return MakeTgaWith(LandscapePicture(512, 256), layout);
}

std::string VistaTga()
{
    // Larger than the viewer: shown reduced to fit. Stored top row first.
    TgaLayout layout;
    layout.RunLength = true;
    layout.TopDown = true;
    return MakeTgaWith(LandscapePicture(1400, 900), layout);
}

std::string EmblemTga()
{
    TgaLayout layout;
    layout.Bits = 32;
    return MakeTgaWith(EmblemPicture(128, 128), layout);
}

std::string EmblemPcx() { return MakePcx(EmblemPicture(128, 128), false); }
std::string EmblemPsd() { return MakePsd(EmblemPicture(128, 128), true); }
std::string EmblemSgi() { return MakeSgi(EmblemPicture(128, 128), true); }
std::string EmblemGif() { return MakeGif(EmblemPicture(128, 128)); }
std::string EmblemPng() { return MakePng(EmblemPicture(128, 128)); }
std::string EmblemTiff() { return MakeTiff(EmblemPicture(128, 128)); }
std::string EmblemDds() { return MakeStandardDds(EmblemPicture(128, 128), DdsKind::Dxt5); }
std::string LandscapeDds() { return MakeShortDds(LandscapePicture(256, 128), DdsKind::Dxt1); }

const DemoLooseFile DemoPictureFiles[] = {
    {"demo_banner.tga", BannerTga}, {"demo_vista.tga", VistaTga}, {"demo_emblem.tga", EmblemTga},
    {"demo_emblem.pcx", EmblemPcx}, {"demo_emblem.psd", EmblemPsd}, {"demo_emblem.sgi", EmblemSgi},
    {"demo_emblem.gif", EmblemGif}, {"demo_emblem.png", EmblemPng}, {"demo_emblem.tif", EmblemTiff},
    {"demo_emblem.dds", EmblemDds}, {"demo_landscape.dds", LandscapeDds},
};

const DemoLooseFile DemoSoundFiles[] = {
    {"demo_march.mp3", MarchMp3},
    {"demo_greeting.bmu", GreetingBmu},
};

const char *const ModDescription = "A made-up module for trying Quorlin Viewer.\n"
                                   "It holds a script, an item blueprint and a table.";
const char *const HakTitle = "Quorlin Demo Hak";
const char *const HakUrl = "http://example.org/quorlin-demo";
const char *const HakDescription = "Textures, a model and a sound set made up for the demo.";

// ---------------------------------------------------------------- output

// Writes files only when their content changed and remembers what belongs to the demo.
class DemoWriter {
public:
    explicit DemoWriter(fs::path root) : m_root(std::move(root)) {}

    void Write(const fs::path &relative, const std::string &bytes)
    {
        const fs::path path = m_root / relative;
        m_written.insert(path.lexically_normal());
        std::error_code ec;
        if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) == bytes.size() &&
            testdata::ReadFile(path) == bytes)
            return;
        testdata::WriteFile(path, bytes);
    }

    // Removes files left in the demo's own folders by an older version of this table.
    void RemoveStale(const fs::path &relativeFolder) const
    {
        const fs::path folder = m_root / relativeFolder;
        if (!fs::is_directory(folder))
            return;
        std::vector<fs::path> stale;
        for (const auto &entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && !m_written.count(entry.path().lexically_normal()))
                stale.push_back(entry.path());
        for (const auto &path : stale)
            fs::remove(path);
    }

private:
    fs::path m_root;
    std::set<fs::path> m_written;
};

void MakeDemo(const fs::path &outDir)
{
    DemoWriter out(outDir);

    testdata::KeyBifBuilder game;
    for (const auto &bif : DemoBifs)
        game.AddBif(bif.KeyName, bif.DiskName);

    testdata::ErfBuilder mod("MOD ");
    mod.AddString(0, ModDescription);
    testdata::ErfBuilder hak("HAK ");
    hak.AddString(0, testdata::ErfBuilder::HakText(HakTitle, HakUrl, HakDescription));
    testdata::ErfBuilder erf("ERF ");

    for (const auto &res : DemoResources) {
        const std::string bytes = res.Make();
        if (res.Bif != NoBif)
            game.AddResource(res.Bif, res.ResRef, res.Type, bytes);
        if (res.Samples & InMod)
            mod.Add(res.ResRef, res.Type, bytes);
        if (res.Samples & InHak)
            hak.Add(res.ResRef, res.Type, bytes);
        if (res.Samples & InErf)
            erf.Add(res.ResRef, res.Type, bytes);
        if (res.Samples & Loose)
            out.Write(fs::path("samples") / (std::string(res.ResRef) + "." + res.Ext), bytes);
    }

    for (const auto &picture : DemoPictureFiles)
        out.Write(fs::path("samples") / picture.FileName, picture.Make());
    for (const auto &sound : DemoSoundFiles)
        out.Write(fs::path("samples") / sound.FileName, sound.Make());

    for (const auto &file : DemoGameFiles)
        out.Write(fs::path("game") / file.FileName, file.Make());
    out.Write("game/chitin.key", game.BuildKey());
    for (int b = 0; b < game.BifCount(); ++b)
        out.Write(fs::path("game") / game.BifRelativePath(b), game.BuildBif(b));
    out.Write("samples/sample.mod", mod.Build());
    out.Write("samples/sample.hak", hak.Build());
    out.Write("samples/sample.erf", erf.Build());

    out.RemoveStale("game");
    out.RemoveStale("samples");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: quorlin-make-demo OUTDIR\n"
                     "Writes made-up demo data: OUTDIR/game (chitin.key and BIFs) and OUTDIR/samples.\n");
        return argc == 2 ? 0 : 2;
    }
    try {
        MakeDemo(argv[1]);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "quorlin-make-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
