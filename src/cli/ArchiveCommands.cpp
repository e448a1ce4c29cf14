// The archive commands of the quorlin tool: the game's KEY index with its BIF
// archives (key list, extract, find) and the ERF family (erf list, extract,
// find, pack).

#include "app/UCancel.h"
#include "app/UFileIO.h"
#include "app/UText.h"
#include "app/UUtil.h"
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"
#include "cli/CliSupport.h"
#include "packer/UCMODPAK.h"

#include <charconv>

namespace cli {

namespace {

// ---------------------------------------------------------------- help texts

const char *const KeyHelp =
    "usage: quorlin key list KEY\n"
    "       quorlin key extract KEY DIR [--bif N]...\n"
    "       quorlin key find KEY RESREF TYPE\n"
    "\n"
    "Reads a KEY index (chitin.key) and the BIF archives it names; the BIFs are\n"
    "looked up below the KEY's folder without regard to letter case.\n";

const char *const KeyListHelp =
    "usage: quorlin key list KEY\n"
    "\n"
    "Prints one line per resource, tab-separated, without a header:\n"
    "  BIF number, index in the BIF, ResRef, extension (upper case), size in bytes.\n"
    "ResRefs are written in UTF-8, decoded from the game's text encoding; control\n"
    "characters in a ResRef are shown as '?', bytes the encoding lacks as \\xHH.\n";

const char *const KeyExtractHelp =
    "usage: quorlin key extract KEY DIR [--bif N]...\n"
    "\n"
    "Writes every resource of the KEY's BIFs into DIR (created when missing) as\n"
    "ResRef.ext (the ResRef decoded from the game's text encoding), replacing files\n"
    "of the same name. With --bif, only the BIFs with\n"
    "these numbers (as 'quorlin key list' shows them) are extracted. Prints nothing.\n";

const char *const ErfHelp =
    "usage: quorlin erf list FILE\n"
    "       quorlin erf extract FILE DIR\n"
    "       quorlin erf find FILE RESREF TYPE\n"
    "       quorlin erf pack OUT --kind mod|hak|erf [--title T] [--url U] [--description D] FILE...\n"
    "\n"
    "Reads and writes archives of the ERF family (MOD, HAK, ERF; NWM files are read\n"
    "like modules).\n";

const char *const ErfListHelp =
    "usage: quorlin erf list FILE\n"
    "\n"
    "Prints one line per resource, tab-separated, without a header:\n"
    "  resource id, ResRef, extension (upper case), size in bytes.\n"
    "ResRefs are written in UTF-8, decoded from the game's text encoding; control\n"
    "characters in a ResRef are shown as '?', bytes the encoding lacks as \\xHH.\n"
    "A damaged archive, whose lists run past its end, lists the resources inside it,\n"
    "is reported on standard error and makes the command exit with status 1. An\n"
    "archive whose resources overlap one another's bytes gets a note there.\n";

const char *const ErfExtractHelp =
    "usage: quorlin erf extract FILE DIR\n"
    "\n"
    "Writes every resource of the archive into DIR (created when missing) as\n"
    "ResRef.ext (the ResRef decoded from the game's text encoding), replacing files\n"
    "of the same name. Prints nothing.\n";

const char *const ErfPackHelp =
    "usage: quorlin erf pack OUT --kind mod|hak|erf [--title T] [--url U] [--description D] FILE...\n"
    "\n"
    "Packs the files into a new archive of the given kind and prints the path written:\n"
    "OUT, with .mod, .hak or .erf appended unless it already ends in it. An existing\n"
    "file is replaced only once the new archive is complete.\n"
    "Each file becomes a resource named after the file without its extension, typed\n"
    "by its extension. A file is skipped, with its reason on standard error, when its\n"
    "name is longer than 16 characters, its extension names no resource type, or a\n"
    "resource of that name and type is already packed, or the game's text encoding\n"
    "cannot hold its name; the texts of --title, --url and --description must fit\n"
    "that encoding too.\n"
    "  --description D  the description (mod and hak)\n"
    "  --title T        the title (hak)\n"
    "  --url U          the URL (hak)\n";

const char *const KeyFindHelp =
    "usage: quorlin key find KEY RESREF TYPE\n"
    "\n"
    "Looks a resource up by its name and type as the viewer does: the first resource,\n"
    "BIF by BIF in the KEY's order, whose ResRef equals RESREF (letters A to Z in\n"
    "either case) and whose type is TYPE. Prints its BIF number and its index in that\n"
    "BIF, tab-separated, as 'quorlin key list' shows them. Prints nothing and exits\n"
    "with status 1 when there is no such resource.\n"
    "TYPE is a type number (0 to 65535) or an extension in any letter case, named as\n"
    "'quorlin key list' names types: type 2 is mva, and an extension that several\n"
    "types share is tried for each of them in table order, the common row first\n"
    "(ssf: 2061, then 2060; ini: 7, then 9996). raw names no single type: give the\n"
    "number.\n";

const char *const ErfFindHelp =
    "usage: quorlin erf find FILE RESREF TYPE\n"
    "\n"
    "Looks a resource up by its name and type as the viewer does: the first entry of\n"
    "the archive whose ResRef equals RESREF (letters A to Z in either case) and whose\n"
    "type is TYPE. Prints its entry index, its position in the archive's key list\n"
    "counted from 0 (usually the resource id that 'quorlin erf list' shows). Prints\n"
    "nothing and exits with status 1 when there is no such resource.\n"
    "TYPE is a type number (0 to 4294967295: the type word and the reserved word\n"
    "after it) or an extension in any letter case, named as 'quorlin erf list' names\n"
    "types: type 2 is mve, and an extension that several types share is tried for\n"
    "each of them in table order, the common row first (utw: 2058, then 2060; ini: 7,\n"
    "then 9996). raw names no single type: give the number.\n";


// ---------------------------------------------------------------- readers

void OpenKey(CKEY_FILE &key, const std::string &path)
{
    RequireFile(path, "KEY file");
    if (!key.Open(path))
        OpenFailed(path);
    if (key.SkippedKeys > 0)
        PrintError("warning: " + std::to_string(key.SkippedKeys) + " key entries of " + path +
                   " name no BIF or no resource of their BIF and are left out");
}

void OpenArchive(CMOD &archive, const std::string &path)
{
    RequireFile(path, "archive");
    if (!archive.Open(path))
        OpenFailed(path);
}

// The types a TYPE argument names: a number, or every type whose name is
// that extension on the reader's side, the common table row first.
std::vector<std::int32_t> ParseResourceTypes(const std::string &text, std::uint32_t maxNumber,
                                             std::string (*typeToExt)(std::int32_t))
{
    if (text.empty())
        throw UsageError{"TYPE must not be empty"};
    if (text.find_first_not_of("0123456789") == std::string::npos) {
        std::uint64_t number = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
        if (result.ec != std::errc() || number > maxNumber)
            throw UsageError{"type number " + text + " is out of range (0 to " + std::to_string(maxNumber) + ")"};
        return {static_cast<std::int32_t>(static_cast<std::uint32_t>(number))};
    }
    const std::string name = UpperCaseAscii(text);
    if (name == "RAW")
        throw UsageError{"raw names every type the table lacks: give TYPE as a number"};
    std::vector<std::int32_t> types;
    const std::int32_t common = PakExtToType(text);
    if (common >= 0 && typeToExt(common) == name)
        types.push_back(common);
    // Names only a reader knows (2060, 9996, MVA) lie among the 16-bit numbers.
    for (std::int32_t type = 0; type <= 0xFFFF; ++type)
        if (type != common && typeToExt(type) == name)
            types.push_back(type);
    if (types.empty())
        throw UsageError{"unknown resource type '" + text + "'"};
    return types;
}

// ---------------------------------------------------------------- key

int KeyList(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "KEY");
    CKEY_FILE key;
    OpenKey(key, args.Positional[0]);

    OutputBuffer out;
    ExtensionCache extension(ResTypeToExt);
    for (std::size_t b = 0; b < key.Bifs.size(); ++b)
        for (const RKEY_RESSOURCE &res : key.Bifs[b].Resources) {
            const std::string &ext = extension(res.ResType);
            char *p = out.Begin(3 * MaxDigits + 5 + MaxBytesPerTextByte * res.ResRef.size() + ext.size());
            p = PutNumber(p, b);
            *p++ = '\t';
            p = PutNumber(p, res.Index);
            *p++ = '\t';
            p = PutName(p, res.ResRef, key.Codec());
            *p++ = '\t';
            p = PutText(p, ext);
            *p++ = '\t';
            p = PutNumber(p, res.Size);
            *p++ = '\n';
            out.End(p);
        }
    out.Flush();
    return ExitOk;
}

int ParseBifNumber(const std::string &text)
{
    int value = -1;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 0)
        throw UsageError{"--bif needs a BIF number (0, 1, 2 ...), not '" + text + "'"};
    return value;
}

int KeyExtract(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {"--bif"});
    ExpectPositional(args, 2, "KEY and DIR");
    std::vector<int> bifs;
    if (auto found = args.Options.find("--bif"); found != args.Options.end())
        for (const auto &text : found->second)
            bifs.push_back(ParseBifNumber(text));

    CKEY_FILE key;
    OpenKey(key, args.Positional[0]);
    if (bifs.empty())
        for (std::size_t b = 0; b < key.Bifs.size(); ++b)
            bifs.push_back(static_cast<int>(b));
    for (int bif : bifs)
        if (static_cast<std::size_t>(bif) >= key.Bifs.size())
            throw CommandError{"no BIF " + std::to_string(bif) + " in " + args.Positional[0] + " (it names " +
                               std::to_string(key.Bifs.size()) + ")"};

    const std::string &folder = args.Positional[1];
    PrepareFolder(folder);
    for (int bif : bifs)
        key.ExtractBif(bif, folder);
    return ExitOk;
}

int KeyFind(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 3, "KEY, RESREF and TYPE");
    const std::vector<std::int32_t> types = ParseResourceTypes(args.Positional[2], 0xFFFF, ResTypeToExt);
    CKEY_FILE key;
    OpenKey(key, args.Positional[0]);
    // A name the encoding cannot hold is no resource's name.
    const std::optional<std::string> resref = key.Codec().Encode(args.Positional[1]);
    for (std::int32_t type : types) {
        const RKEY_LOCATION found = resref ? key.Find(*resref, type) : RKEY_LOCATION{};
        if (found.Bif < 0)
            continue;
        OutputBuffer out;
        out.Line(std::to_string(found.Bif) + "\t" + std::to_string(found.Index));
        out.Flush();
        return ExitOk;
    }
    return ExitFailure;
}

// ---------------------------------------------------------------- erf

int ErfList(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "FILE");
    CMOD archive;
    OpenArchive(archive, args.Positional[0]);

    OutputBuffer out;
    ExtensionCache extension(CMOD::TypeToExt);
    for (const RMOD_ENTRY &entry : archive.Entries) {
        const std::string &ext = extension(entry.ResType);
        char *p = out.Begin(2 * MaxDigits + 4 + MaxBytesPerTextByte * entry.ResRef.size() + ext.size());
        p = PutNumber(p, entry.ResID);
        *p++ = '\t';
        p = PutName(p, entry.ResRef, archive.Codec());
        *p++ = '\t';
        p = PutText(p, ext);
        *p++ = '\t';
        p = PutNumber(p, static_cast<std::uint32_t>(entry.Size));
        *p++ = '\n';
        out.End(p);
    }
    out.Flush();
    if (const std::size_t overlapping = CountOverlappingEntries(archive.Entries))
        PrintError("note: " + std::to_string(overlapping) + " resources of " + args.Positional[0] +
                   " overlap the bytes of others");
    return ExitOk;
}

int ErfExtract(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 2, "FILE and DIR");
    CMOD archive;
    OpenArchive(archive, args.Positional[0]);
    PrepareFolder(args.Positional[1]);
    archive.ExtractAll(args.Positional[1]);
    return ExitOk;
}

int ErfFind(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 3, "FILE, RESREF and TYPE");
    const std::vector<std::int32_t> types = ParseResourceTypes(args.Positional[2], 0xFFFFFFFF, CMOD::TypeToExt);
    CMOD archive;
    OpenArchive(archive, args.Positional[0]);
    // A name the encoding cannot hold is no resource's name.
    const std::optional<std::string> resref = archive.Codec().Encode(args.Positional[1]);
    for (std::int32_t type : types) {
        const int index = resref ? archive.Find(*resref, type) : -1;
        if (index < 0)
            continue;
        OutputBuffer out;
        out.Line(std::to_string(index));
        out.Flush();
        return ExitOk;
    }
    return ExitFailure;
}

int ErfPack(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {"--kind", "--title", "--url", "--description"});
    if (args.Positional.empty())
        throw UsageError{"missing OUT"};
    if (args.Positional.size() < 2)
        throw UsageError{"missing FILE: name at least one file to pack"};

    const auto kindName = SingleOption(args, "--kind");
    if (!kindName)
        throw UsageError{"missing --kind mod|hak|erf"};
    int kind = akNone;
    const std::string kindLower = LowerCaseAscii(*kindName);
    if (kindLower == "mod")
        kind = akMOD;
    else if (kindLower == "hak")
        kind = akHAK;
    else if (kindLower == "erf")
        kind = akERF;
    else
        throw UsageError{"--kind must be mod, hak or erf, not '" + *kindName + "'"};

    const auto title = SingleOption(args, "--title");
    const auto url = SingleOption(args, "--url");
    const auto description = SingleOption(args, "--description");
    if (kind != akHAK && (title || url))
        throw UsageError{std::string(title ? "--title" : "--url") + " is only for --kind hak"};
    if (kind == akERF && description)
        throw UsageError{"--description is only for --kind mod or hak"};

    const std::vector<std::string> files(args.Positional.begin() + 1, args.Positional.end());
    for (const auto &file : files)
        RequireFile(file, "file");

    CMODPAK pak;
    pak.Kind = kind;
    pak.Title = EncodeArgument(pak.Codec(), title.value_or(""), "--title");
    pak.Url = EncodeArgument(pak.Codec(), url.value_or(""), "--url");
    pak.Description = EncodeArgument(pak.Codec(), description.value_or(""), "--description");
    for (const auto &file : files) {
        ThrowIfCancelled();
        const std::string reason = pak.AddFileIfAccepted(file);
        if (!reason.empty())
            PrintError("skipped " + file + ": " + reason);
    }
    if (pak.Entries().empty())
        throw CommandError{"none of the files could be packed; nothing was written"};
    const std::string written = pak.Save(args.Positional[0]);
    OutputBuffer out;
    out.Line(written);
    out.Flush();
    return ExitOk;
}

} // namespace

const std::vector<TCommand> &ArchiveCommands()
{
    static const std::vector<TCommand> commands = {
        {"key", "list", KeyList, KeyListHelp},
        {"key", "extract", KeyExtract, KeyExtractHelp},
        {"key", "find", KeyFind, KeyFindHelp},
        {"erf", "list", ErfList, ErfListHelp},
        {"erf", "extract", ErfExtract, ErfExtractHelp},
        {"erf", "find", ErfFind, ErfFindHelp},
        {"erf", "pack", ErfPack, ErfPackHelp},
    };
    return commands;
}

const std::vector<TCommandGroup> &ArchiveCommandGroups()
{
    static const std::vector<TCommandGroup> groups = {{"key", KeyHelp}, {"erf", ErfHelp}};
    return groups;
}

} // namespace cli
