// Talk tables (TLK): numbered texts, each with an optional sound resource name.
// The file's string block is kept once and each entry's text is a view into
// it, so entries that share one long text cost no more than the file.
#pragma once

#include "app/UGameText.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct RTLK {
    std::int32_t Index = 0;
    std::string SoundResRef; // at most 16 characters
    std::string_view Text;   // in the string block of the table that holds the entry
};

// The entries of one TLK file as read, shared read-only by every CTLK that
// loaded the same file while the file is unchanged on disk. Its entries'
// texts lie in its own string block: it is never copied.
struct TTalkTableData {
    TTalkTableData() = default;
    TTalkTableData(const TTalkTableData &) = delete;
    TTalkTableData &operator=(const TTalkTableData &) = delete;

    std::string FileName;
    std::uint32_t LanguageID = 0; // the texts' language, which gives their encoding
    std::uint32_t StringCount = 0;
    std::uint32_t StringDataOffset = 0;
    std::string StringBlock;   // the file's bytes from the string data offset on
    std::vector<RTLK> Entries; // in number order
    // Why the file is damaged ("" when it is not): what could be read is kept.
    std::string Damage;
};

class CTLK {
public:
    std::string FileName;
    std::uint32_t StringCount = 0;
    std::uint32_t StringDataOffset = 0;

    // Replaces the table by the file's entries; a missing file leaves it as it is.
    // A table already read from the same unchanged file is shared, not read again.
    // Raises EFileError when the file cannot be read; a damaged file loads what
    // can be read and tells why in Damage().
    void Load(const std::string &path);
    // Loads the game's dialog.tlk. A table that is missing or cannot be read
    // leaves this one empty: string references then show no text.
    void LoadGameTalkTable();
    // Why the loaded file is damaged; "" when it is sound.
    const std::string &Damage() const;
    // The codec of the table's texts and sound names: by the language the table
    // names (or the forced encoding).
    const CGameTextCodec &Codec() const;
    // Sound ResRef / text of entry id; empty outside 0 .. count - 1 (0xFFFFFFFF is -1).
    // Valid while a table holding the file is loaded: until this one loads another.
    std::string_view GetSound(std::int32_t id) const;
    std::string_view GetText(std::int32_t id) const;

    const std::vector<RTLK> &Entries() const;
    std::size_t Count() const { return Entries().size(); }
    // Positions of the entries whose sound ResRef or text contains text (UTF-8),
    // letters A to Z in either case, other characters exactly; text is trimmed of
    // blanks and control characters first, and finds nothing when that leaves it
    // empty or it has characters the table's encoding cannot hold.
    std::vector<std::size_t> Search(std::string_view text) const;

    // The talk table of the game: game folder + "/dialog.tlk" (found in any letter case).
    static std::string GameTalkTablePath();

private:
    std::shared_ptr<const TTalkTableData> m_data;
    const CGameTextCodec *m_codec = nullptr;
};

// Reads a TLK file without the cache (the cache uses it; tests and tools may too).
// Texts that lie past the end of the file, or have a negative size, are left
// empty; the rest of the table is kept.
std::shared_ptr<const TTalkTableData> ReadTalkTable(const std::string &path);
// Forgets every cached table (tests).
void ClearTalkTableCache();
