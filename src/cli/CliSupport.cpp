#include "cli/CliSupport.h"

#include "app/UGameText.h"
#include "app/USettings.h"
#include "app/UUtil.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace cli {

namespace {

bool g_errorShown = false;

constexpr char Hex[] = "0123456789ABCDEF";

char *PutHexEscape(char *p, unsigned char byte)
{
    *p++ = '\\';
    *p++ = 'x';
    *p++ = Hex[byte >> 4];
    *p++ = Hex[byte & 15];
    return p;
}

bool IsControl(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7f;
}

} // namespace

// ---------------------------------------------------------------- errors

void PrintError(const std::string &text)
{
    std::fprintf(stderr, "quorlin: %s\n", text.c_str());
}

bool ErrorShown()
{
    return g_errorShown;
}

void SetErrorShown()
{
    g_errorShown = true;
}

// ---------------------------------------------------------------- arguments

Arguments ParseArguments(const std::vector<std::string> &args, const std::vector<std::string> &valueOptions,
                         const std::vector<std::string> &flagOptions)
{
    auto listed = [](const std::vector<std::string> &options, const std::string &name) {
        for (const auto &option : options)
            if (option == name)
                return true;
        return false;
    };
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
        if (listed(flagOptions, name) && equals == std::string::npos) {
            parsed.Options[name].push_back({});
            continue;
        }
        if (!listed(valueOptions, name))
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

bool HasFlag(const Arguments &args, const std::string &name)
{
    return args.Options.count(name) > 0;
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

std::vector<std::string> TakeEncodingOption(const std::vector<std::string> &args)
{
    static const std::string Option = "--encoding";
    std::vector<std::string> rest;
    std::optional<std::string> encoding;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        optionsEnded = optionsEnded || arg == "--";
        if (optionsEnded || arg.compare(0, Option.size(), Option) != 0 ||
            (arg.size() > Option.size() && arg[Option.size()] != '=')) {
            rest.push_back(arg);
            continue;
        }
        if (encoding)
            throw UsageError{"--encoding is given more than once"};
        if (arg.size() > Option.size())
            encoding = arg.substr(Option.size() + 1);
        else if (i + 1 < args.size())
            encoding = args[++i];
        else
            throw UsageError{"--encoding needs a value"};
    }
    if (encoding) {
        if (!CGameTextCodec::Find(*encoding))
            throw UsageError{"unknown text encoding '" + *encoding + "'"};
        Settings().GameEncoding = *encoding;
    }
    return rest;
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

void PrepareFolder(const std::string &folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw CommandError{"cannot create the folder " + folder + ": " + error.message()};
    if (!DirectoryExists(folder))
        throw CommandError{"cannot create the folder " + folder + ": a file of that name exists"};
}

void OpenFailed(const std::string &path)
{
    throw CommandError{g_errorShown ? std::string() : "cannot read " + path};
}

std::string EncodeArgument(const CGameTextCodec &codec, const std::string &text, const std::string &what)
{
    std::optional<std::string> encoded = codec.Encode(text);
    if (!encoded)
        throw CommandError{what + " '" + text + "' has characters the game's text encoding (" + codec.Name() +
                           ") cannot hold"};
    return *encoded;
}

// ---------------------------------------------------------------- output

namespace {
constexpr std::size_t BlockSize = 1 << 20;
}

OutputBuffer::OutputBuffer() : m_buffer(BlockSize) {}

char *OutputBuffer::Begin(std::size_t maxBytes)
{
    if (m_used + maxBytes > m_buffer.size()) {
        Flush();
        if (maxBytes > m_buffer.size())
            m_buffer.resize(maxBytes);
    }
    return m_buffer.data() + m_used;
}

void OutputBuffer::Line(std::string_view text)
{
    char *p = Begin(text.size() + 1);
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '\n';
    End(p + text.size() + 1);
}

void OutputBuffer::Flush()
{
    if (m_used > 0 && std::fwrite(m_buffer.data(), 1, m_used, stdout) != m_used)
        throw CommandError{std::string("cannot write the output: ") + std::strerror(errno)};
    m_used = 0;
    if (std::fflush(stdout) != 0)
        throw CommandError{std::string("cannot write the output: ") + std::strerror(errno)};
}

char *PutText(char *p, std::string_view text)
{
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

std::string DecodeEscapingInvalid(std::string_view text, const CGameTextCodec &codec)
{
    std::string out;
    codec.Decode(
        text, [&out](std::string_view utf8) { out += utf8; },
        [&out](unsigned char byte) {
            char escape[4];
            out.append(escape, PutHexEscape(escape, byte));
        });
    return out;
}

char *PutName(char *p, std::string_view name, const CGameTextCodec &codec)
{
    codec.Decode(
        name,
        [&p](std::string_view utf8) {
            for (char c : utf8)
                *p++ = IsControl(static_cast<unsigned char>(c)) ? '?' : c;
        },
        [&p](unsigned char byte) { p = PutHexEscape(p, byte); });
    return p;
}

char *PutEscaped(char *p, std::string_view text, const CGameTextCodec &codec)
{
    codec.Decode(
        text,
        [&p](std::string_view utf8) {
            for (char c : utf8) {
                switch (c) {
                case '\\': *p++ = '\\'; *p++ = '\\'; break;
                case '\t': *p++ = '\\'; *p++ = 't'; break;
                case '\n': *p++ = '\\'; *p++ = 'n'; break;
                case '\r': *p++ = '\\'; *p++ = 'r'; break;
                default:
                    if (IsControl(static_cast<unsigned char>(c)))
                        p = PutHexEscape(p, static_cast<unsigned char>(c));
                    else
                        *p++ = c;
                }
            }
        },
        [&p](unsigned char byte) { p = PutHexEscape(p, byte); });
    return p;
}

void PutEscapedCells(OutputBuffer &out, std::initializer_list<TCell> cells)
{
    std::size_t size = cells.size();
    for (const TCell &cell : cells)
        size += MaxBytesPerTextByte * cell.Text.size();
    char *p = out.Begin(size);
    bool first = true;
    for (const TCell &cell : cells) {
        if (!first)
            *p++ = '\t';
        first = false;
        p = PutEscaped(p, cell.Text, cell.Codec);
    }
    *p++ = '\n';
    out.End(p);
}

const std::string &ExtensionCache::operator()(std::int32_t type)
{
    auto found = m_names.find(type);
    if (found == m_names.end())
        found = m_names.emplace(type, m_typeToExt(type)).first;
    return found->second;
}

} // namespace cli
