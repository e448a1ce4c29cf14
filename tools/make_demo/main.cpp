// quorlin-make-demo OUTDIR: writes made-up demo data for trying the viewer.
//   OUTDIR/game/chitin.key and OUTDIR/game/data/*.bif  - a small game install
//   OUTDIR/samples/sample.mod, sample.hak, sample.erf  - archives of the ERF family
//   OUTDIR/samples/<name>.<ext>                        - loose files
// Every resource is one row of DemoResources below; add a row to add a sample.
// Files whose content is unchanged are left alone, so rebuilding touches nothing.

#include "DemoFormats.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

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

std::string BeepSound()
{
    return MakeWav(8000, 120, 440);
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

std::string SwordBlueprint()
{
    GffWriter gff("UTI ");
    gff.LocString(0, "LocalizedName", 0xFFFFFFFF, {{0, "Demo Sword"}});
    gff.LocString(0, "Description", 0xFFFFFFFF, {{0, "A blade made up for the demo."}});
    gff.String(0, "Tag", "IT_DEMO_SWORD");
    gff.ResRef(0, "TemplateResRef", "it_demo_sword");
    gff.Int(0, "BaseItem", 0);
    gff.DWord(0, "Cost", 10);
    gff.Byte(0, "Identified", 1);
    gff.Word(0, "StackSize", 1);
    const int fire = gff.AddStruct(0);
    gff.Word(fire, "PropertyName", 16);
    gff.Byte(fire, "CostValue", 2);
    gff.List(0, "PropertiesList", {fire});
    return gff.Build();
}

std::string GuardBlueprint()
{
    GffWriter gff("UTC ");
    gff.LocString(0, "FirstName", 0xFFFFFFFF, {{0, "Demo"}});
    gff.LocString(0, "LastName", 0xFFFFFFFF, {{0, "Guard"}});
    gff.String(0, "Tag", "DEMO_GUARD");
    gff.ResRef(0, "Conversation", "");
    gff.Float(0, "ChallengeRating", 1.5f);
    gff.Int(0, "HitPoints", 12);
    const int sword = gff.AddStruct(0);
    gff.ResRef(sword, "InventoryRes", "it_demo_sword");
    const int torch = gff.AddStruct(1);
    gff.ResRef(torch, "InventoryRes", "torch");
    gff.Word(torch, "Repos_PosX", 2);
    gff.List(0, "ItemList", {sword, torch});
    return gff.Build();
}

std::string ModuleInfo()
{
    GffWriter gff("IFO ");
    gff.LocString(0, "Mod_Name", 0xFFFFFFFF, {{0, "Quorlin Demo Module"}});
    gff.String(0, "Mod_Tag", "QUORLIN_DEMO");
    gff.ResRef(0, "Mod_Entry_Area", "demo_area");
    gff.ResRef(0, "Mod_OnClientEntr", "demo_onenter");
    gff.Byte(0, "Mod_MinPerHour", 2);
    return gff.Build();
}

std::string DemoSoundSet()
{
    return MakeSsf({"demo_beep", "vs_demo_hello", "vs_demo_bye", ""});
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
    {"demo_stone", rt::TGA, "tga", Textures, InHak | Loose, StoneTexture},
    {"demo_grass", rt::TGA, "tga", Textures, InHak, GrassTexture},
    {"demo_icon", rt::BMP, "bmp", Textures, InHak | Loose, IconBitmap},
    {"it_demo_sword", rt::UTI, "uti", Templates, InMod | Loose, SwordBlueprint},
    {"demo_guard", rt::UTC, "utc", Templates, InErf, GuardBlueprint},
    {"vs_demo", rt::SSF, "ssf", Templates, InHak | Loose, DemoSoundSet},
    {"baseitems", rt::TWODA, "2da", Templates, InMod | Loose, BaseItemsTable},
    {"module", rt::IFO, "ifo", NoBif, InMod, ModuleInfo},
    {"readme", rt::TXT, "txt", Scripts, InErf | Loose, ReadmeText},
    {"demo_settings", rt::INI, "ini", Scripts, Loose, SettingsIni},
    {"demo_onenter", rt::NSS, "nss", Scripts, InMod | Loose, OnEnterScript},
    {"demo_long_name16", rt::TXT, "txt", Scripts, InErf, LongNameText},
    {"empty", rt::TXT, "txt", Scripts, 0, EmptyText},
    {"demo_blob", rt::UNKNOWN, "raw", Scripts, 0, UnknownBlob},
    {"demo_beep", rt::WAV, "wav", Sounds, InErf | Loose, BeepSound},
    {"demo_box", rt::MDL, "mdl", Models, InHak | Loose, BoxModel},
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
