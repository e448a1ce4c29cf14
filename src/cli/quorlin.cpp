// quorlin: lists, extracts and packs the game's archives from the command line.
// Runs on the same core as the viewer; every message goes to standard error.

#include "app/UFileIO.h"
#include "app/UMessage.h"
#include "app/UUtil.h"
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"
#include "formats/UCTLK.h"
#include "formats/UCUT.h"
#include "formats/UCTOKEN.h"
#include "packer/UCMODPAK.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1; // bad input, unreadable or unwritable files
constexpr int ExitUsage = 2;   // the command line itself is wrong

// ---------------------------------------------------------------- help texts

const char *const ToolHelp =
    "usage: quorlin COMMAND [ARGS]\n"
    "\n"
    "Lists, extracts and packs the archives of Duskmere and prints its tables, talk\n"
    "tables and GFF files.\n"
    "\n"
    "Commands:\n"
    "  key list KEY                     list the resources named by a KEY index\n"
    "  key extract KEY DIR [--bif N]... extract resources of the KEY's BIF archives\n"
    "  key find KEY RESREF TYPE         print the BIF number and index of a resource\n"
    "  erf list FILE                    list the resources of a MOD, HAK, ERF or NWM archive\n"
    "  erf extract FILE DIR             extract every resource of such an archive\n"
    "  erf find FILE RESREF TYPE        print the entry index of a resource in it\n"
    "  erf pack OUT --kind mod|hak|erf [--title T] [--url U] [--description D] FILE...\n"
    "                                   pack files into a new archive\n"
    "  2da print FILE                   print a 2DA table as the viewer's grid\n"
    "  gff dump FILE                    print the text dump of a GFF file (UTI, ITP ...)\n"
    "  gff list FILE                    print the entries of a GFF file as the viewer's grid\n"
    "  tlk list TLK                     print every entry of a talk table\n"
    "  tlk get TLK ID...                print the entries with these numbers\n"
    "  tlk search TLK TEXT              print the entries whose ResRef or text holds TEXT\n"
    "\n"
    "Run 'quorlin COMMAND --help' (for example 'quorlin key list --help') for details.\n"
    "Exit status: 0 on success, 1 when an input or output file is missing, damaged or\n"
    "cannot be written, 2 on a wrong command line. The find commands exit with 1,\n"
    "printing nothing, when there is no such resource.\n";

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
    "Control characters in a ResRef are shown as '?'.\n";

const char *const KeyExtractHelp =
    "usage: quorlin key extract KEY DIR [--bif N]...\n"
    "\n"
    "Writes every resource of the KEY's BIFs into DIR (created when missing) as\n"
    "ResRef.ext, replacing files of the same name. With --bif, only the BIFs with\n"
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
    "Control characters in a ResRef are shown as '?'.\n";

const char *const ErfExtractHelp =
    "usage: quorlin erf extract FILE DIR\n"
    "\n"
    "Writes every resource of the archive into DIR (created when missing) as\n"
    "ResRef.ext, replacing files of the same name. Prints nothing.\n";

const char *const ErfPackHelp =
    "usage: quorlin erf pack OUT --kind mod|hak|erf [--title T] [--url U] [--description D] FILE...\n"
    "\n"
    "Packs the files into a new archive of the given kind and prints the path written:\n"
    "OUT, with .mod, .hak or .erf appended unless it already ends in it. An existing\n"
    "file is replaced only once the new archive is complete.\n"
    "Each file becomes a resource named after the file without its extension, typed\n"
    "by its extension. A file is skipped, with its reason on standard error, when its\n"
    "name is longer than 16 characters, its extension names no resource type, or a\n"
    "resource of that name and type is already packed.\n"
    "  --description D  the description (mod and hak)\n"
    "  --title T        the title (hak)\n"
    "  --url U          the URL (hak)\n";

const char *const TwoDAHelp =
    "usage: quorlin 2da print FILE\n"
    "\n"
    "Reads 2DA tables, the plain-text tables of the game.\n";

const char *const TwoDAPrintHelp =
    "usage: quorlin 2da print FILE\n"
    "\n"
    "Prints the table as the 2DA viewer's grid shows it, cells separated by tabs:\n"
    "  the first line holds the column titles: ID, then one title per named column,\n"
    "  each keeping the blanks that follow its name on the column line (trailing\n"
    "  blanks included);\n"
    "  then one line per row with one cell per column: the row's label, one token\n"
    "  per named column, and the rest of the line, blanks included, in the last cell.\n"
    "Cells are shown as written: quotation marks and empty-cell markers stay, tabs\n"
    "inside the last cell are shown as blanks, other control characters as '?'.\n"
    "A DEFAULT: line right after the version line is passed over. A text that ends\n"
    "before its column line prints nothing.\n";

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

const char *const GffHelp =
    "usage: quorlin gff dump FILE\n"
    "       quorlin gff list FILE\n"
    "\n"
    "Reads GFF files: blueprints (UTI, UTC ...), item palettes (ITP), areas,\n"
    "dialogues, module information and the rest of that family.\n";

const char *const GffDumpHelp =
    "usage: quorlin gff dump FILE\n"
    "\n"
    "Prints the text dump of the GFF file, exactly as the GFF viewer saves it: the\n"
    "BEGIN FILE line, one line per field, list and element, and END FILE. Every line\n"
    "ends with CR LF; a line break inside a text of the file becomes CR LF as well.\n"
    "Texts are otherwise written as they stand.\n"
    "FLOAT and DOUBLE values use the decimal separator of the locale (LC_ALL,\n"
    "LC_NUMERIC, LANG); run with LC_ALL=C for a point.\n"
    "A damaged file prints nothing and exits with status 1.\n";

const char *const GffListHelp =
    "usage: quorlin gff list FILE\n"
    "\n"
    "Prints the entries of the GFF file as the GFF viewer's grid shows them, one line\n"
    "per entry, tab-separated, without a header: ID, type, name, value.\n"
    "String references show the text of the game's talk table, dialog.tlk in the game\n"
    "folder (QUORLIN_GAME_FOLDER when set, else the configured folder).\n"
    "Cells are escaped so that every entry stays on one line: a backslash is written\n"
    "as \\\\, a tab as \\t, a line feed as \\n, a carriage return as \\r and any other\n"
    "control character as \\xHH; all other bytes stand as they are.\n"
    "FLOAT and DOUBLE values use the decimal separator of the locale (LC_ALL,\n"
    "LC_NUMERIC, LANG).\n"
    "A damaged file prints nothing and exits with status 1.\n";

const char *const TlkHelp =
    "usage: quorlin tlk list TLK\n"
    "       quorlin tlk get TLK ID...\n"
    "       quorlin tlk search TLK TEXT\n"
    "\n"
    "Reads talk tables (dialog.tlk and the like): numbered texts with an optional\n"
    "sound ResRef. Each entry is printed on one line, tab-separated: its number, its\n"
    "sound ResRef and its text, escaped as described in 'quorlin tlk list --help'.\n";

#define QUORLIN_TLK_LINE_FORMAT                                                                  \
    "Each entry is one line, tab-separated: number, sound ResRef, text. Both texts are\n"      \
    "escaped so that every entry stays on one line: a backslash is written as \\\\, a tab\n"   \
    "as \\t, a line feed as \\n, a carriage return as \\r and any other control character\n"   \
    "as \\xHH; all other bytes stand as they are. A text whose offset is 0 or that lies\n"     \
    "outside the file is empty.\n"

const char *const TlkListHelp =
    "usage: quorlin tlk list TLK\n"
    "\n"
    "Prints every entry of the talk table in number order.\n" QUORLIN_TLK_LINE_FORMAT;

const char *const TlkGetHelp =
    "usage: quorlin tlk get TLK ID...\n"
    "\n"
    "Prints the entries with these numbers, in the order given. A number that names no\n"
    "entry is reported on standard error; the others are still printed and the command\n"
    "then exits with status 1.\n" QUORLIN_TLK_LINE_FORMAT;

const char *const TlkSearchHelp =
    "usage: quorlin tlk search TLK TEXT\n"
    "\n"
    "Prints, in number order, every entry whose sound ResRef or text contains TEXT, as\n"
    "the talk table window's text search finds them: blanks and control characters\n"
    "around TEXT are dropped, letters A to Z match in either case and every other byte\n"
    "matches exactly. A TEXT of blanks only finds nothing. Finding nothing is no error.\n"
    QUORLIN_TLK_LINE_FORMAT;

#undef QUORLIN_TLK_LINE_FORMAT

// ---------------------------------------------------------------- errors

// Raised for a wrong command line; main prints it with a hint to the help of
// the command concerned.
struct UsageError {
    std::string Text;
};

// The command being run ("key list"), for pointing at its help.
std::string g_commandName;

// Raised for bad input or output; main prints it and fails.
struct CommandError {
    std::string Text;
};

bool g_errorShown = false;
// The file a reader is reading, named in front of the reader's own messages.
std::string g_currentInput;

void PrintError(const std::string &text)
{
    std::fprintf(stderr, "quorlin: %s\n", text.c_str());
}

// ---------------------------------------------------------------- output

// Collects standard output in one large buffer, written out in big blocks.
// Records are written straight into the buffer: Begin reserves room for one,
// End takes the position where it ends.
class OutputBuffer {
public:
    OutputBuffer() : m_buffer(BlockSize) {}

    char *Begin(std::size_t maxBytes)
    {
        if (m_used + maxBytes > m_buffer.size()) {
            Flush();
            if (maxBytes > m_buffer.size())
                m_buffer.resize(maxBytes);
        }
        return m_buffer.data() + m_used;
    }
    void End(char *end) { m_used = static_cast<std::size_t>(end - m_buffer.data()); }

    void Line(std::string_view text)
    {
        char *p = Begin(text.size() + 1);
        std::memcpy(p, text.data(), text.size());
        p[text.size()] = '\n';
        End(p + text.size() + 1);
    }

    void Flush()
    {
        if (m_used > 0 && std::fwrite(m_buffer.data(), 1, m_used, stdout) != m_used)
            throw CommandError{std::string("cannot write the output: ") + std::strerror(errno)};
        m_used = 0;
        if (std::fflush(stdout) != 0)
            throw CommandError{std::string("cannot write the output: ") + std::strerror(errno)};
    }

private:
    static constexpr std::size_t BlockSize = 1 << 20;
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
};

// Room a number takes at most in decimal.
constexpr std::size_t MaxDigits = 20;

template <typename Integer>
char *PutNumber(char *p, Integer value)
{
    return std::to_chars(p, p + MaxDigits, value).ptr;
}

char *PutText(char *p, std::string_view text)
{
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// A name as it is stored, its control characters shown as '?' so that every
// record stays on one line with its columns.
char *PutName(char *p, std::string_view name)
{
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        *p++ = byte < 0x20 || byte == 0x7f ? '?' : c;
    }
    return p;
}

// Extension names by type, computed once per type met.
class ExtensionCache {
public:
    explicit ExtensionCache(std::string (*typeToExt)(std::int32_t)) : m_typeToExt(typeToExt) {}
    const std::string &operator()(std::int32_t type)
    {
        auto found = m_names.find(type);
        if (found == m_names.end())
            found = m_names.emplace(type, m_typeToExt(type)).first;
        return found->second;
    }

private:
    std::string (*m_typeToExt)(std::int32_t);
    std::unordered_map<std::int32_t, std::string> m_names;
};

// ---------------------------------------------------------------- arguments

struct Arguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::vector<std::string>> Options; // "--bif" -> values
};

// Splits the arguments after a command into positional ones and options.
// valueOptions take one value ("--kind mod" or "--kind=mod"); "--" ends options.
Arguments ParseArguments(const std::vector<std::string> &args, const std::vector<std::string> &valueOptions)
{
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            parsed.Positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        bool known = false;
        for (const auto &option : valueOptions)
            known = known || option == name;
        if (!known)
            throw UsageError{"unknown option " + name};
        if (equals != std::string::npos) {
            parsed.Options[name].push_back(arg.substr(equals + 1));
        } else {
            if (i + 1 >= args.size())
                throw UsageError{name + " needs a value"};
            parsed.Options[name].push_back(args[++i]);
        }
    }
    return parsed;
}

std::optional<std::string> SingleOption(const Arguments &args, const std::string &name)
{
    auto found = args.Options.find(name);
    if (found == args.Options.end())
        return std::nullopt;
    if (found->second.size() > 1)
        throw UsageError{name + " is given more than once"};
    return found->second.front();
}

void ExpectPositional(const Arguments &args, std::size_t count, const char *names)
{
    if (args.Positional.size() < count)
        throw UsageError{std::string("missing ") + names};
    if (args.Positional.size() > count)
        throw UsageError{"unexpected argument '" + args.Positional[count] + "'"};
}

bool WantsHelp(const std::vector<std::string> &args)
{
    for (const auto &arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- shared steps

void RequireFile(const std::string &path, const char *what)
{
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status))
        throw CommandError{std::string(what) + " not found: " + path};
    if (!std::filesystem::is_regular_file(status))
        throw CommandError{std::string(what) + " is not a file: " + path};
}

// Creates the output folder when missing.
void PrepareFolder(const std::string &folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw CommandError{"cannot create the folder " + folder + ": " + error.message()};
    if (!DirectoryExists(folder))
        throw CommandError{"cannot create the folder " + folder + ": a file of that name exists"};
}

// A reader returned false: its message (if any) is already on standard error.
[[noreturn]] void OpenFailed(const std::string &path)
{
    throw CommandError{g_errorShown ? std::string() : "cannot read " + path};
}

void OpenKey(CKEY_FILE &key, const std::string &path)
{
    RequireFile(path, "KEY file");
    g_currentInput = path;
    if (!key.Open(path))
        OpenFailed(path);
    if (key.SkippedKeys > 0)
        PrintError("warning: " + std::to_string(key.SkippedKeys) + " key entries of " + path +
                   " name no BIF or no resource of their BIF and are left out");
}

void OpenArchive(CMOD &archive, const std::string &path)
{
    RequireFile(path, "archive");
    g_currentInput = path;
    if (!archive.Open(path))
        OpenFailed(path);
}

// ---------------------------------------------------------------- commands

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
            char *p = out.Begin(3 * MaxDigits + 5 + res.ResRef.size() + ext.size());
            p = PutNumber(p, b);
            *p++ = '\t';
            p = PutNumber(p, res.Index);
            *p++ = '\t';
            p = PutName(p, res.ResRef);
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
        char *p = out.Begin(2 * MaxDigits + 4 + entry.ResRef.size() + ext.size());
        p = PutNumber(p, entry.ResID);
        *p++ = '\t';
        p = PutName(p, entry.ResRef);
        *p++ = '\t';
        p = PutText(p, ext);
        *p++ = '\t';
        p = PutNumber(p, static_cast<std::uint32_t>(entry.Size));
        *p++ = '\n';
        out.End(p);
    }
    out.Flush();
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
    pak.Title = title.value_or("");
    pak.Url = url.value_or("");
    pak.Description = description.value_or("");
    for (const auto &file : files) {
        const std::string reason = pak.RefusalReason(file);
        if (!reason.empty()) {
            PrintError("skipped " + file + ": " + reason);
            continue;
        }
        pak.AddFile(file);
    }
    if (pak.Entries().empty())
        throw CommandError{"none of the files could be packed; nothing was written"};
    const std::string written = pak.Save(args.Positional[0]);
    OutputBuffer out;
    out.Line(written);
    out.Flush();
    return ExitOk;
}

// One line of tab-separated cells.
void PutCells(OutputBuffer &out, const std::vector<std::string> &cells)
{
    std::size_t size = cells.size(); // tabs and the line feed
    for (const auto &cell : cells)
        size += cell.size();
    char *p = out.Begin(size);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            *p++ = '\t';
        p = PutName(p, cells[i]);
    }
    *p++ = '\n';
    out.End(p);
}

int TwoDAPrint(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "FILE");
    const std::string &path = args.Positional[0];
    RequireFile(path, "2DA file");
    const T2DATable table = Parse2DA(ReadWholeFile(path));

    OutputBuffer out;
    if (!table.Titles.empty())
        PutCells(out, table.Titles);
    for (const auto &row : table.Rows)
        PutCells(out, row);
    out.Flush();
    return ExitOk;
}

// ---------------------------------------------------------------- find

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

int KeyFind(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 3, "KEY, RESREF and TYPE");
    const std::vector<std::int32_t> types = ParseResourceTypes(args.Positional[2], 0xFFFF, ResTypeToExt);
    CKEY_FILE key;
    OpenKey(key, args.Positional[0]);
    for (std::int32_t type : types) {
        const RKEY_LOCATION found = key.Find(args.Positional[1], type);
        if (found.Bif < 0)
            continue;
        OutputBuffer out;
        out.Line(std::to_string(found.Bif) + "\t" + std::to_string(found.Index));
        out.Flush();
        return ExitOk;
    }
    return ExitFailure;
}

int ErfFind(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 3, "FILE, RESREF and TYPE");
    const std::vector<std::int32_t> types = ParseResourceTypes(args.Positional[2], 0xFFFFFFFF, CMOD::TypeToExt);
    CMOD archive;
    OpenArchive(archive, args.Positional[0]);
    for (std::int32_t type : types) {
        const int index = archive.Find(args.Positional[1], type);
        if (index < 0)
            continue;
        OutputBuffer out;
        out.Line(std::to_string(index));
        out.Flush();
        return ExitOk;
    }
    return ExitFailure;
}

// ---------------------------------------------------------------- GFF and TLK

// Room a cell takes at most once escaped.
constexpr std::size_t EscapeWidth = 4;

// A text as one cell of a tab-separated line: backslash, tab, line feed,
// carriage return and other control characters are written as escapes.
char *PutEscaped(char *p, std::string_view text)
{
    static const char Hex[] = "0123456789ABCDEF";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': *p++ = '\\'; *p++ = '\\'; break;
        case '\t': *p++ = '\\'; *p++ = 't'; break;
        case '\n': *p++ = '\\'; *p++ = 'n'; break;
        case '\r': *p++ = '\\'; *p++ = 'r'; break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                *p++ = '\\';
                *p++ = 'x';
                *p++ = Hex[byte >> 4];
                *p++ = Hex[byte & 15];
            } else {
                *p++ = c;
            }
        }
    }
    return p;
}

// One line of escaped, tab-separated cells.
void PutEscapedCells(OutputBuffer &out, std::initializer_list<std::string_view> cells)
{
    std::size_t size = cells.size();
    for (std::string_view cell : cells)
        size += EscapeWidth * cell.size();
    char *p = out.Begin(size);
    bool first = true;
    for (std::string_view cell : cells) {
        if (!first)
            *p++ = '\t';
        first = false;
        p = PutEscaped(p, cell);
    }
    *p++ = '\n';
    out.End(p);
}

// Reads a GFF file the way the viewer does; the decimal separator of floating
// values follows the user's locale.
void LoadGff(CUT &cut, const std::string &path, bool makeText)
{
    RequireFile(path, "GFF file");
    std::setlocale(LC_NUMERIC, "");
    g_currentInput = path;
    cut.MakeText = makeText;
    cut.Load(path);
}

int GffDump(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "FILE");
    CUT cut;
    LoadGff(cut, args.Positional[0], true);
    const std::string text = cut.DumpText();
    OutputBuffer out;
    char *p = out.Begin(text.size());
    out.End(PutText(p, text));
    out.Flush();
    return ExitOk;
}

int GffList(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "FILE");
    CUT cut;
    LoadGff(cut, args.Positional[0], false);
    OutputBuffer out;
    for (const RUT &entry : cut.Entries)
        PutEscapedCells(out, {entry.ID, entry.Type, entry.Name, entry.Value});
    out.Flush();
    return ExitOk;
}

void LoadTalkTable(CTLK &table, const std::string &path)
{
    RequireFile(path, "TLK file");
    g_currentInput = path;
    table.Load(path);
}

void PutTalkTableEntry(OutputBuffer &out, const RTLK &entry)
{
    const std::string number = std::to_string(entry.Index);
    PutEscapedCells(out, {number, entry.SoundResRef, entry.Text});
}

int TlkList(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "TLK");
    CTLK table;
    LoadTalkTable(table, args.Positional[0]);
    OutputBuffer out;
    for (const RTLK &entry : table.Entries())
        PutTalkTableEntry(out, entry);
    out.Flush();
    return ExitOk;
}

int TlkGet(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    if (args.Positional.empty())
        throw UsageError{"missing TLK"};
    if (args.Positional.size() < 2)
        throw UsageError{"missing ID: name at least one entry number"};
    std::vector<long long> ids;
    for (std::size_t i = 1; i < args.Positional.size(); ++i) {
        const std::string &text = args.Positional[i];
        long long id = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), id);
        if (result.ec == std::errc::result_out_of_range && result.ptr == text.data() + text.size())
            id = -1; // a number, but no entry's
        else if (result.ec != std::errc() || result.ptr != text.data() + text.size())
            throw UsageError{"ID must be an entry number, not '" + text + "'"};
        ids.push_back(id);
    }
    CTLK table;
    LoadTalkTable(table, args.Positional[0]);
    const std::vector<RTLK> &entries = table.Entries();
    OutputBuffer out;
    int status = ExitOk;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] >= 0 && static_cast<unsigned long long>(ids[i]) < entries.size()) {
            PutTalkTableEntry(out, entries[static_cast<std::size_t>(ids[i])]);
            continue;
        }
        out.Flush(); // keeps standard output and the message in order on a terminal
        PrintError("no entry " + args.Positional[i + 1] + " in " + args.Positional[0] +
                   (entries.empty() ? std::string(" (it holds no entries)")
                                    : " (its entries are 0 to " + std::to_string(entries.size() - 1) + ")"));
        status = ExitFailure;
    }
    out.Flush();
    return status;
}

int TlkSearch(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 2, "TLK and TEXT");
    CTLK table;
    LoadTalkTable(table, args.Positional[0]);
    OutputBuffer out;
    for (std::size_t i : table.Search(args.Positional[1]))
        PutTalkTableEntry(out, table.Entries()[i]);
    out.Flush();
    return ExitOk;
}

// ---------------------------------------------------------------- dispatch

struct Command {
    const char *Group;
    const char *Name;
    int (*Run)(const std::vector<std::string> &args);
    const char *Help;
};

const Command Commands[] = {
    {"key", "list", KeyList, KeyListHelp},
    {"key", "extract", KeyExtract, KeyExtractHelp},
    {"key", "find", KeyFind, KeyFindHelp},
    {"erf", "list", ErfList, ErfListHelp},
    {"erf", "extract", ErfExtract, ErfExtractHelp},
    {"erf", "find", ErfFind, ErfFindHelp},
    {"erf", "pack", ErfPack, ErfPackHelp},
    {"2da", "print", TwoDAPrint, TwoDAPrintHelp},
    {"gff", "dump", GffDump, GffDumpHelp},
    {"gff", "list", GffList, GffListHelp},
    {"tlk", "list", TlkList, TlkListHelp},
    {"tlk", "get", TlkGet, TlkGetHelp},
    {"tlk", "search", TlkSearch, TlkSearchHelp},
};

struct CommandGroup {
    const char *Name;
    const char *Help;
};

const CommandGroup CommandGroups[] = {
    {"key", KeyHelp},
    {"erf", ErfHelp},
    {"2da", TwoDAHelp},
    {"gff", GffHelp},
    {"tlk", TlkHelp},
};

int Run(const std::vector<std::string> &args)
{
    if (args.empty())
        throw UsageError{"missing command"};
    const std::string &group = args[0];
    if (group == "--help" || group == "-h" || group == "help") {
        std::fputs(ToolHelp, stdout);
        return ExitOk;
    }
    const char *groupHelp = nullptr;
    for (const CommandGroup &candidate : CommandGroups)
        if (group == candidate.Name)
            groupHelp = candidate.Help;
    if (!groupHelp)
        throw UsageError{"unknown command '" + group + "'"};
    g_commandName = group;
    if (args.size() < 2)
        throw UsageError{"missing " + group + " command"};
    if (args[1] == "--help" || args[1] == "-h" || args[1] == "help") {
        std::fputs(groupHelp, stdout);
        return ExitOk;
    }
    for (const Command &command : Commands) {
        if (group != command.Group || args[1] != command.Name)
            continue;
        g_commandName = group + " " + args[1];
        const std::vector<std::string> rest(args.begin() + 2, args.end());
        if (WantsHelp(rest)) {
            std::fputs(command.Help, stdout);
            return ExitOk;
        }
        return command.Run(rest);
    }
    throw UsageError{"unknown command '" + group + " " + args[1] + "'"};
}

} // namespace

int main(int argc, char **argv)
{
    // Readers report damaged files through the message handler: print, never show a box.
    SetErrorMessageHandler([](const std::string &text) {
        PrintError(g_currentInput.empty() ? text : g_currentInput + ": " + text);
        g_errorShown = true;
    });

    int status = ExitFailure;
    try {
        status = Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError &error) {
        PrintError(error.Text + " (see 'quorlin " + (g_commandName.empty() ? "" : g_commandName + " ") +
                   "--help')");
        return ExitUsage;
    } catch (const CommandError &error) {
        if (!error.Text.empty())
            PrintError(error.Text);
        return ExitFailure;
    } catch (const std::bad_alloc &) {
        PrintError("out of memory");
        return ExitFailure;
    } catch (const std::exception &error) {
        PrintError(error.what());
        return ExitFailure;
    }
    if (std::fflush(stdout) != 0) {
        PrintError(std::string("cannot write the output: ") + std::strerror(errno));
        return ExitFailure;
    }
    // A reader may report damage and still go on; the run then counts as failed.
    return g_errorShown && status == ExitOk ? ExitFailure : status;
}
