// The table commands of the quorlin tool: 2DA tables (2da print), GFF files
// (gff dump, list) and talk tables (tlk list, get, search). Their texts are
// written in UTF-8, decoded from the encoding the data is in.

#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "cli/CliSupport.h"
#include "formats/UCTLK.h"
#include "formats/UCTOKEN.h"
#include "formats/UCUT.h"

#include <algorithm>
#include <charconv>
#include <clocale>

namespace cli {

namespace {

// ---------------------------------------------------------------- help texts

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
    "Cells are shown as written, in UTF-8 decoded from the game's text encoding:\n"
    "quotation marks and empty-cell markers stay, tabs inside the last cell are shown\n"
    "as blanks, other control characters as '?', bytes the encoding lacks as \\xHH.\n"
    "A DEFAULT: line right after the version line is passed over. A text that ends\n"
    "before its column line prints nothing.\n";

const char *const GffHelp =
    "usage: quorlin gff dump FILE [--raw]\n"
    "       quorlin gff list FILE\n"
    "\n"
    "Reads GFF files: blueprints (UTI, UTC ...), item palettes (ITP), areas,\n"
    "dialogues, module information and the rest of that family.\n";

const char *const GffDumpHelp =
    "usage: quorlin gff dump FILE [--raw]\n"
    "\n"
    "Prints the text dump of the GFF file: the BEGIN FILE line, one line per field,\n"
    "list and element, and END FILE. Every line ends with CR LF; a line break inside\n"
    "a text of the file becomes CR LF as well. Texts are written in UTF-8, decoded\n"
    "from the game's text encoding (localized strings from their language's); bytes\n"
    "the encoding lacks are written as \\xHH.\n"
    "  --raw  writes the texts' bytes as the file stores them: exactly the text the\n"
    "         GFF viewer's Save writes.\n"
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
    "control character as \\xHH. Texts are written in UTF-8, decoded from the game's\n"
    "text encoding (localized strings and talk-table texts from their language's);\n"
    "bytes the encoding lacks are written as \\xHH.\n"
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
    "as \\xHH. Texts are written in UTF-8, decoded from the encoding of the table's\n"         \
    "language; bytes the encoding lacks are written as \\xHH. A text whose offset is 0 is\n"  \
    "empty. A damaged table prints what can be read, reports the damage and exits\n"          \
    "with status 1.\n"

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
    "around TEXT are dropped, letters A to Z match in either case and every other\n"
    "character matches exactly. A TEXT of blanks only finds nothing. Finding nothing\n"
    "is no error.\n" QUORLIN_TLK_LINE_FORMAT;

#undef QUORLIN_TLK_LINE_FORMAT

// ---------------------------------------------------------------- 2da

// One line of columns tab-separated cells, each decoded as a name: the cells
// given, then empty ones.
template <typename TCells>
void PutCells(OutputBuffer &out, const TCells &cells, std::size_t columns, const CGameTextCodec &codec)
{
    std::size_t size = std::max(columns, cells.size()); // tabs and the line feed
    for (const auto &cell : cells)
        size += MaxBytesPerTextByte * cell.size();
    char *p = out.Begin(size);
    for (std::size_t i = 0; i < columns; ++i) {
        if (i > 0)
            *p++ = '\t';
        if (i < cells.size())
            p = PutName(p, cells[i], codec);
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
    const T2DATable table = Parse2DA(ReadWholeFile(path), path);
    const CGameTextCodec &codec = GameTextCodec();

    OutputBuffer out;
    const std::size_t columns = table.Titles.size();
    if (columns > 0)
        PutCells(out, table.Titles, columns, codec);
    for (std::size_t row = 0; row < table.RowCount(); ++row)
        PutCells(out, table.CellsOf(row), columns, codec);
    out.Flush();
    return ExitOk;
}

// ---------------------------------------------------------------- gff

// Reads a GFF file the way the viewer does; the decimal separator of floating
// values follows the user's locale.
void LoadGff(CUT &cut, const std::string &path, bool makeText)
{
    RequireFile(path, "GFF file");
    std::setlocale(LC_NUMERIC, "");
    cut.MakeText = makeText;
    cut.Load(path);
}

int GffDump(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {}, {"--raw"});
    ExpectPositional(args, 1, "FILE");
    CUT cut;
    LoadGff(cut, args.Positional[0], true);
    const bool raw = HasFlag(args, "--raw");
    // Line by line: the dump is never held twice.
    OutputBuffer out;
    std::string text;
    for (std::size_t line = 0; line < cut.Lines.size(); ++line) {
        text.clear();
        CUT::AppendDumpLine(text, raw ? cut.Lines[line] : DecodeEscapingInvalid(cut.Lines[line], *cut.LineCodecs[line]));
        out.End(PutText(out.Begin(text.size()), text));
    }
    out.Flush();
    return ExitOk;
}

int GffList(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "FILE");
    CUT cut;
    LoadGff(cut, args.Positional[0], false);
    const CGameTextCodec &names = *cut.Codec;
    OutputBuffer out;
    for (const RUT &entry : cut.Entries)
        PutEscapedCells(out, {{entry.ID, names},
                              {entry.Type, names},
                              {entry.Name, names},
                              {entry.Value, entry.ValueCodec ? *entry.ValueCodec : names}});
    out.Flush();
    return ExitOk;
}

// ---------------------------------------------------------------- tlk

void LoadTalkTable(CTLK &table, const std::string &path)
{
    RequireFile(path, "TLK file");
    table.Load(path);
}

// A damaged table: what could be read is printed, then the damage is reported.
int ReportDamage(const CTLK &table, int status)
{
    if (table.Damage().empty())
        return status;
    PrintError(table.Damage());
    return ExitFailure;
}

void PutTalkTableEntry(OutputBuffer &out, const RTLK &entry, const CGameTextCodec &codec)
{
    const std::string number = std::to_string(entry.Index);
    PutEscapedCells(out, {{number, codec}, {entry.SoundResRef, codec}, {entry.Text, codec}});
}

int TlkList(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "TLK");
    CTLK table;
    LoadTalkTable(table, args.Positional[0]);
    OutputBuffer out;
    for (const RTLK &entry : table.Entries())
        PutTalkTableEntry(out, entry, table.Codec());
    out.Flush();
    return ReportDamage(table, ExitOk);
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
            PutTalkTableEntry(out, entries[static_cast<std::size_t>(ids[i])], table.Codec());
            continue;
        }
        out.Flush(); // keeps standard output and the message in order on a terminal
        PrintError("no entry " + args.Positional[i + 1] + " in " + args.Positional[0] +
                   (entries.empty() ? std::string(" (it holds no entries)")
                                    : " (its entries are 0 to " + std::to_string(entries.size() - 1) + ")"));
        status = ExitFailure;
    }
    out.Flush();
    return ReportDamage(table, status);
}

int TlkSearch(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 2, "TLK and TEXT");
    CTLK table;
    LoadTalkTable(table, args.Positional[0]);
    OutputBuffer out;
    for (std::size_t i : table.Search(args.Positional[1]))
        PutTalkTableEntry(out, table.Entries()[i], table.Codec());
    out.Flush();
    return ReportDamage(table, ExitOk);
}

} // namespace

const std::vector<TCommand> &TableCommands()
{
    static const std::vector<TCommand> commands = {
        {"2da", "print", TwoDAPrint, TwoDAPrintHelp},
        {"gff", "dump", GffDump, GffDumpHelp},
        {"gff", "list", GffList, GffListHelp},
        {"tlk", "list", TlkList, TlkListHelp},
        {"tlk", "get", TlkGet, TlkGetHelp},
        {"tlk", "search", TlkSearch, TlkSearchHelp},
    };
    return commands;
}

const std::vector<TCommandGroup> &TableCommandGroups()
{
    static const std::vector<TCommandGroup> groups = {{"2da", TwoDAHelp}, {"gff", GffHelp}, {"tlk", TlkHelp}};
    return groups;
}

} // namespace cli
