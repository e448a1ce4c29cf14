// Game text: the bytes of names and texts inside game files (ResRefs, talk
// tables, GFF strings, 2DA cells, archive texts), stored in one of the game's
// Windows code pages, turned into Unicode (UTF-8) and back. File and folder
// paths are not game text: they keep the platform's encoding and never pass
// through here. Records keep the bytes as stored; text is decoded only when it
// is shown, so files written back stay byte for byte what was read.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One encoding, by the name the platform's converter knows ("CP1252").
class CGameTextCodec {
public:
    // The codec of an encoding, nullptr when the platform knows no such
    // encoding. Codecs live for the whole run.
    static const CGameTextCodec *Find(const std::string &name);
    // The codec of an encoding the program ships with (the language table's).
    static const CGameTextCodec &Named(const std::string &name);

    ~CGameTextCodec();
    CGameTextCodec(const CGameTextCodec &) = delete;
    CGameTextCodec &operator=(const CGameTextCodec &) = delete;

    const std::string &Name() const { return m_name; }
    // Every character is one byte (the Western and Central European code pages).
    bool SingleByte() const { return m_singleByte; }

    // UTF-8 for the bytes; a byte that is not valid in the encoding becomes U+FFFD.
    std::string Decode(std::string_view bytes) const;
    // Walks the bytes: text receives each run of valid characters as UTF-8,
    // invalid each byte that is not valid in the encoding. Nothing is dropped.
    void Decode(std::string_view bytes, const std::function<void(std::string_view utf8)> &text,
                const std::function<void(unsigned char byte)> &invalid) const;
    // The bytes of UTF-8 text; nullopt when a character has no form in the
    // encoding or the text is not valid UTF-8.
    std::optional<std::string> Encode(std::string_view utf8) const;

private:
    struct TConverter;
    explicit CGameTextCodec(std::string name);
    bool Open();

    std::string m_name;
    bool m_singleByte = false;
    // Single-byte code pages: the character of each byte, 0xFFFFFFFF when invalid.
    std::vector<char32_t> m_byteTable;
    std::unique_ptr<TConverter> m_converter; // multi-byte code pages
};

// The encoding of game text when nothing says otherwise.
inline constexpr const char *kDefaultGameEncoding = "CP1252";

// The encoding of a talk-table language id (0 English ... 131 Japanese), ""
// for an id the game does not define.
std::string EncodingOfLanguage(std::uint32_t language);
// The language a localized substring's id stands for (its two forms, one per
// grammatical gender, share a language).
inline std::uint32_t LanguageOfSubstring(std::uint32_t stringId)
{
    return stringId / 2;
}

// The codec of the game's text: the encoding forced in the settings when set
// (and known), else the one of the language of the game's dialog.tlk, else
// Windows-1252. Reads the game folder: callers keep the result for a load.
const CGameTextCodec &GameTextCodec();
// The codec of text the data says is in a language (a talk table, a localized
// substring): the forced encoding when set, else the language's own, else
// gameCodec (the game's, for a language the game does not define).
const CGameTextCodec &LanguageTextCodec(std::uint32_t language, const CGameTextCodec &gameCodec);
// The encodings the preference offers, one per language of the game.
std::vector<std::string> GameEncodings();

// True when text is strict UTF-8 (no overlong forms, surrogates or stray bytes).
bool IsValidUtf8(std::string_view text);
