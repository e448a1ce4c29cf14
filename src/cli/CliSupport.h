// What every command of the quorlin tool shares: the command table, the
// argument parser, the errors that end a command, buffered output and the
// writing of game text as UTF-8. Game text is decoded in the encoding of its
// file; bytes not valid there are written as \xHH, so nothing is lost.
#pragma once

#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CGameTextCodec;

namespace cli {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1; // bad input, unreadable or unwritable files
constexpr int ExitUsage = 2;   // the command line itself is wrong

// One command ("key list"): its function and its help text.
struct TCommand {
    const char *Group;
    const char *Name;
    int (*Run)(const std::vector<std::string> &args);
    const char *Help;
};

struct TCommandGroup {
    const char *Name;
    const char *Help;
};

// The commands of each source file of the tool.
const std::vector<TCommand> &ArchiveCommands();
const std::vector<TCommandGroup> &ArchiveCommandGroups();
const std::vector<TCommand> &TableCommands();
const std::vector<TCommandGroup> &TableCommandGroups();
const std::vector<TCommand> &ModelCommands();
const std::vector<TCommandGroup> &ModelCommandGroups();
const std::vector<TCommand> &PictureCommands();
const std::vector<TCommandGroup> &PictureCommandGroups();

// ---------------------------------------------------------------- errors

// Raised for a wrong command line; main prints it with a hint to the help of
// the command concerned.
struct UsageError {
    std::string Text;
};

// Raised for bad input or output; main prints it and fails.
struct CommandError {
    std::string Text;
};

void PrintError(const std::string &text);
// True once a reader has reported damage: the run then counts as failed.
bool ErrorShown();
void SetErrorShown();

// ---------------------------------------------------------------- arguments

struct Arguments {
    std::vector<std::string> Positional;
    std::map<std::string, std::vector<std::string>> Options; // "--bif" -> values
};

// Splits the arguments after a command into positional ones and options.
// valueOptions take one value ("--kind mod" or "--kind=mod"); flagOptions none;
// "--" ends options.
Arguments ParseArguments(const std::vector<std::string> &args, const std::vector<std::string> &valueOptions,
                         const std::vector<std::string> &flagOptions = {});
std::optional<std::string> SingleOption(const Arguments &args, const std::string &name);
bool HasFlag(const Arguments &args, const std::string &name);
void ExpectPositional(const Arguments &args, std::size_t count, const char *names);
bool WantsHelp(const std::vector<std::string> &args);
// Takes --encoding NAME out of the arguments and forces that game-text
// encoding for the run; raises UsageError for an encoding the system lacks.
std::vector<std::string> TakeEncodingOption(const std::vector<std::string> &args);

// ---------------------------------------------------------------- shared steps

void RequireFile(const std::string &path, const char *what);
// Creates the output folder when missing.
void PrepareFolder(const std::string &folder);
// A reader returned false: its message (if any) is already on standard error.
[[noreturn]] void OpenFailed(const std::string &path);
// Text given on the command line (UTF-8) as game text; raises CommandError
// naming what when the encoding cannot hold it.
std::string EncodeArgument(const CGameTextCodec &codec, const std::string &text, const std::string &what);

// ---------------------------------------------------------------- output

// Collects standard output in one large buffer, written out in big blocks.
// Records are written straight into the buffer: Begin reserves room for one,
// End takes the position where it ends.
class OutputBuffer {
public:
    OutputBuffer();
    char *Begin(std::size_t maxBytes);
    void End(char *end) { m_used = static_cast<std::size_t>(end - m_buffer.data()); }
    void Line(std::string_view text);
    void Flush();

private:
    std::vector<char> m_buffer;
    std::size_t m_used = 0;
};

// Room a number takes at most in decimal.
constexpr std::size_t MaxDigits = 20;
// Room one byte of game text takes at most once decoded or escaped.
constexpr std::size_t MaxBytesPerTextByte = 4;

template <typename Integer>
char *PutNumber(char *p, Integer value)
{
    return std::to_chars(p, p + MaxDigits, value).ptr;
}

char *PutText(char *p, std::string_view text);
// Game text as UTF-8, bytes not valid in its encoding written as \xHH.
std::string DecodeEscapingInvalid(std::string_view text, const CGameTextCodec &codec);
// A name (game text) on one line with its columns: decoded, control
// characters shown as '?', invalid bytes as \xHH.
char *PutName(char *p, std::string_view name, const CGameTextCodec &codec);
// A text (game text) as one cell of a tab-separated line: decoded; backslash,
// tab, line feed, carriage return and other control characters written as
// escapes (\\, \t, \n, \r, \xHH), and so are bytes not valid in the encoding.
char *PutEscaped(char *p, std::string_view text, const CGameTextCodec &codec);

// A cell of an escaped line: its game text and the codec it is written in.
struct TCell {
    std::string_view Text;
    const CGameTextCodec &Codec;
};
// One line of escaped, tab-separated cells.
void PutEscapedCells(OutputBuffer &out, std::initializer_list<TCell> cells);

// Extension names by type, computed once per type met.
class ExtensionCache {
public:
    explicit ExtensionCache(std::string (*typeToExt)(std::int32_t)) : m_typeToExt(typeToExt) {}
    const std::string &operator()(std::int32_t type);

private:
    std::string (*m_typeToExt)(std::int32_t);
    std::unordered_map<std::int32_t, std::string> m_names;
};

} // namespace cli
