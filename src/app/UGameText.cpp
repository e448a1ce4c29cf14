#include "app/UGameText.h"

#include "app/UFileIO.h"
#include "app/USettings.h"
#include "app/UText.h"
#include "app/UUtil.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <mutex>
#include <stdexcept>

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

void AppendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// The characters of strict UTF-8 text; false when it is not valid UTF-8.
bool DecodeUtf8(std::string_view text, std::vector<char32_t> &characters)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + std::size_t(length) > text.size())
            return false;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + std::size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        characters.push_back(c);
        i += std::size_t(length);
    }
    return true;
}

} // namespace

// One iconv conversion each way; iconv keeps state, so each use is locked.
struct CGameTextCodec::TConverter {
    iconv_t ToUtf8 = iconv_t(-1);
    iconv_t FromUtf8 = iconv_t(-1);
    std::mutex Lock;

    ~TConverter()
    {
        if (ToUtf8 != iconv_t(-1))
            iconv_close(ToUtf8);
        if (FromUtf8 != iconv_t(-1))
            iconv_close(FromUtf8);
    }
};

CGameTextCodec::CGameTextCodec(std::string name) : m_name(std::move(name)) {}

CGameTextCodec::~CGameTextCodec() = default;

bool CGameTextCodec::Open()
{
    auto converter = std::make_unique<TConverter>();
    converter->ToUtf8 = iconv_open("UTF-8", m_name.c_str());
    converter->FromUtf8 = iconv_open(m_name.c_str(), "UTF-8");
    if (converter->ToUtf8 == iconv_t(-1) || converter->FromUtf8 == iconv_t(-1))
        return false;

    // A code page is single-byte when no byte starts a longer character; its
    // bytes are then decoded through a table, without the converter.
    std::vector<char32_t> table(256, kInvalid);
    bool singleByte = true;
    for (int byte = 0; byte < 256 && singleByte; ++byte) {
        char in = char(byte);
        char32_t c = 0;
        char *inPointer = &in;
        std::size_t inLeft = 1;
        char out[8];
        char *outPointer = out;
        std::size_t outLeft = sizeof out;
        iconv(converter->ToUtf8, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter->ToUtf8, &inPointer, &inLeft, &outPointer, &outLeft) == std::size_t(-1)) {
            singleByte = errno != EINVAL; // EINVAL: the byte begins a longer character
            continue;
        }
        std::vector<char32_t> decoded;
        if (DecodeUtf8(std::string_view(out, std::size_t(outPointer - out)), decoded) && decoded.size() == 1)
            c = decoded[0];
        else
            singleByte = false;
        table[std::size_t(byte)] = c;
    }
    iconv(converter->ToUtf8, nullptr, nullptr, nullptr, nullptr);
    m_singleByte = singleByte;
    if (singleByte)
        m_byteTable = std::move(table);
    m_converter = std::move(converter);
    return true;
}

const CGameTextCodec *CGameTextCodec::Find(const std::string &name)
{
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<CGameTextCodec>> codecs;
    const std::string key = UpperCaseAscii(name);
    if (key.empty())
        return nullptr;
    std::lock_guard<std::mutex> guard(lock);
    auto found = codecs.find(key);
    if (found == codecs.end()) {
        std::unique_ptr<CGameTextCodec> codec(new CGameTextCodec(key));
        if (!codec->Open())
            codec.reset();
        found = codecs.emplace(key, std::move(codec)).first;
    }
    return found->second.get();
}

const CGameTextCodec &CGameTextCodec::Named(const std::string &name)
{
    const CGameTextCodec *codec = Find(name);
    if (!codec)
        throw std::runtime_error("The text encoding " + name + " is not available on this system.");
    return *codec;
}

void CGameTextCodec::Decode(std::string_view bytes, const std::function<void(std::string_view utf8)> &text,
                            const std::function<void(unsigned char byte)> &invalid) const
{
    std::string run;
    if (m_singleByte) {
        for (char byte : bytes) {
            const char32_t c = m_byteTable[static_cast<unsigned char>(byte)];
            if (c != kInvalid) {
                AppendUtf8(run, c);
                continue;
            }
            if (!run.empty())
                text(run);
            run.clear();
            invalid(static_cast<unsigned char>(byte));
        }
        if (!run.empty())
            text(run);
        return;
    }

    std::lock_guard<std::mutex> guard(m_converter->Lock);
    iconv_t cd = m_converter->ToUtf8;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::vector<char> buffer(bytes.size() * 4 + 16);
    while (inLeft > 0) {
        char *out = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        if (out != buffer.data())
            text(std::string_view(buffer.data(), std::size_t(out - buffer.data())));
        if (result != std::size_t(-1))
            break;
        if (error == E2BIG)
            continue;
        // An invalid or unfinished character: its first byte is reported and
        // decoding starts again with the next one.
        invalid(static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

std::string CGameTextCodec::Decode(std::string_view bytes) const
{
    std::string out;
    out.reserve(bytes.size());
    Decode(
        bytes, [&out](std::string_view utf8) { out += utf8; },
        [&out](unsigned char) { out += kReplacement; });
    return out;
}

std::optional<std::string> CGameTextCodec::Encode(std::string_view utf8) const
{
    if (m_singleByte) {
        std::vector<char32_t> characters;
        if (!DecodeUtf8(utf8, characters))
            return std::nullopt;
        std::string out;
        out.reserve(characters.size());
        for (char32_t c : characters) {
            // Code pages put most characters at their own number: look there first.
            if (c < 256 && m_byteTable[c] == c) {
                out += char(c);
                continue;
            }
            std::size_t byte = 0;
            while (byte < 256 && m_byteTable[byte] != c)
                ++byte;
            if (byte == 256)
                return std::nullopt;
            out += char(byte);
        }
        return out;
    }

    std::lock_guard<std::mutex> guard(m_converter->Lock);
    iconv_t cd = m_converter->FromUtf8;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(utf8.data());
    std::size_t inLeft = utf8.size();
    std::string out(utf8.size() * 2 + 16, '\0');
    char *outPointer = out.data();
    std::size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &outPointer, &outLeft) == std::size_t(-1) ||
        iconv(cd, nullptr, nullptr, &outPointer, &outLeft) == std::size_t(-1))
        return std::nullopt;
    out.resize(std::size_t(outPointer - out.data()));
    return out;
}

std::string EncodingOfLanguage(std::uint32_t language)
{
    switch (language) {
    case 0: // English
    case 1: // French
    case 2: // German
    case 3: // Italian
    case 4: // Spanish
        return "CP1252";
    case 5: // Polish
        return "CP1250";
    case 128: // Korean
        return "CP949";
    case 129: // Traditional Chinese
        return "CP950";
    case 130: // Simplified Chinese
        return "CP936";
    case 131: // Japanese
        return "CP932";
    default:
        return {};
    }
}

std::vector<std::string> GameEncodings()
{
    return {"CP1252", "CP1250", "CP949", "CP950", "CP936", "CP932"};
}

namespace {

const CGameTextCodec *ForcedCodec()
{
    const std::string &forced = Settings().GameEncoding;
    return forced.empty() ? nullptr : CGameTextCodec::Find(forced);
}

// The language id in the header of the game's dialog.tlk; nullopt without one.
std::optional<std::uint32_t> GameLanguage()
{
    const std::string folder = GetGameFolder();
    if (folder.empty())
        return std::nullopt;
    try {
        const CInputFile file(FindPathNoCase(folder, "dialog.tlk"));
        constexpr std::uint64_t kLanguageOffset = 8;
        if (!file.Holds(kLanguageOffset, 4))
            return std::nullopt;
        unsigned char language[4];
        file.ReadAt(kLanguageOffset, language, sizeof language);
        return ReadU32LE(language);
    } catch (const EFileError &) {
        return std::nullopt;
    }
}

} // namespace

const CGameTextCodec &GameTextCodec()
{
    if (const CGameTextCodec *forced = ForcedCodec())
        return *forced;
    if (const std::optional<std::uint32_t> language = GameLanguage()) {
        const std::string encoding = EncodingOfLanguage(*language);
        if (!encoding.empty())
            return CGameTextCodec::Named(encoding);
    }
    return CGameTextCodec::Named(kDefaultGameEncoding);
}

const CGameTextCodec &LanguageTextCodec(std::uint32_t language, const CGameTextCodec &gameCodec)
{
    if (const CGameTextCodec *forced = ForcedCodec())
        return *forced;
    const std::string encoding = EncodingOfLanguage(language);
    if (!encoding.empty())
        return CGameTextCodec::Named(encoding);
    return gameCodec;
}

bool IsValidUtf8(std::string_view text)
{
    std::vector<char32_t> characters;
    return DecodeUtf8(text, characters);
}
