// quorlin: lists, extracts and packs the game's archives, prints its tables and
// models, colours its PLT textures and converts its pictures from the command
// line. Runs on the same core as the viewer; every message goes to standard
// error. The commands live
// in one file per group (archives, tables, models, pictures), each listed once
// in CommandFiles.

#include "app/UCancel.h"
#include "app/UMessage.h"
#include "cli/CliSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace cli {
namespace {

const char *const ToolHelp =
    "usage: quorlin COMMAND [ARGS]\n"
    "\n"
    "Lists, extracts and packs the archives of Duskmere, prints its tables, talk\n"
    "tables, GFF files and models, colours its PLT textures and converts pictures.\n"
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
    "  gff dump FILE [--raw]            print the text dump of a GFF file (UTI, ITP ...)\n"
    "  gff list FILE                    print the entries of a GFF file as the viewer's grid\n"
    "  tlk list TLK                     print every entry of a talk table\n"
    "  tlk get TLK ID...                print the entries with these numbers\n"
    "  tlk search TLK TEXT              print the entries whose ResRef or text holds TEXT\n"
    "  mdl info FILE                    print the header, nodes and animations of a model\n"
    "  plt render FILE OUT.bmp [--palette NAME=ROW]...\n"
    "                                   colour a PLT texture and write it as a BMP\n"
    "  image convert FILE OUT.png       write a picture (TGA, DDS, PSD ...) as a PNG\n"
    "\n"
    "Every command takes --encoding NAME: the encoding of the game's texts (CP1252,\n"
    "CP1250, CP949, CP950, CP936, CP932 ...). Without it, names and texts are taken\n"
    "in the encoding of the game's language (from dialog.tlk of the game folder, else\n"
    "CP1252), talk tables and localized strings in their own language's. Output is\n"
    "UTF-8.\n"
    "\n"
    "Run 'quorlin COMMAND --help' (for example 'quorlin key list --help') for details,\n"
    "'quorlin --version' for the program's version.\n"
    "Exit status: 0 on success, 1 when an input or output file is missing, damaged or\n"
    "cannot be written, 2 on a wrong command line, 130 when stopped with Ctrl+C (the\n"
    "files written until then are whole; an archive being packed is not written).\n"
    "The find commands exit with 1, printing nothing, when there is no such resource.\n";

// The command being run ("key list"), for pointing at its help.
std::string g_commandName;

// The commands and groups of each source file of the tool.
struct TCommandFile {
    const std::vector<TCommand> &(*Commands)();
    const std::vector<TCommandGroup> &(*Groups)();
};
const TCommandFile CommandFiles[] = {
    {ArchiveCommands, ArchiveCommandGroups},
    {TableCommands, TableCommandGroups},
    {ModelCommands, ModelCommandGroups},
    {PictureCommands, PictureCommandGroups},
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
    if (group == "--version") {
        std::fputs("quorlin " QUORLIN_VERSION "\n", stdout);
        return ExitOk;
    }
    const char *groupHelp = nullptr;
    for (const TCommandFile &file : CommandFiles)
        for (const TCommandGroup &candidate : file.Groups())
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
    for (const TCommandFile &file : CommandFiles)
        for (const TCommand &command : file.Commands()) {
            if (group != command.Group || args[1] != command.Name)
                continue;
            g_commandName = group + " " + args[1];
            const std::vector<std::string> rest(args.begin() + 2, args.end());
            if (WantsHelp(rest)) {
                std::fputs(command.Help, stdout);
                return ExitOk;
            }
            return command.Run(TakeEncodingOption(rest));
        }
    throw UsageError{"unknown command '" + group + " " + args[1] + "'"};
}

// Ctrl+C (and a polite kill) stop the work between two files: no file is
// left half-written, and a new archive's temporary file is removed.
extern "C" void AskToStop(int)
{
    CancelRequest().store(true);
}

constexpr int ExitInterrupted = 130;

} // namespace
} // namespace cli

int main(int argc, char **argv)
{
    using namespace cli;
    // Readers report damaged files through the message handler (their messages
    // name the file): print, never show a box.
    SetErrorMessageHandler([](const std::string &text) {
        PrintError(text);
        SetErrorShown();
    });

    std::signal(SIGINT, AskToStop);
    std::signal(SIGTERM, AskToStop);
    // A file-size limit fails the write ("File too large") instead of killing
    // the tool with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);

    int status = ExitFailure;
    try {
        status = Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const ECancelled &) {
        PrintError("stopped; every file written before stays whole");
        return ExitInterrupted;
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
    return ErrorShown() && status == ExitOk ? ExitFailure : status;
}
