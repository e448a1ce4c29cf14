// Sound sets (SSF): slots of a sound resource name and a talk-table reference.
// A slot's text is a view into the sound set's own talk table, so slots that
// name one long text do not copy it.
#pragma once

#include "formats/UCTLK.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RSSF {
    std::string ID;
    std::string ResRef;
    std::string_view Text; // in the talk table of the CSSF that holds the slot
};

class CSSF {
public:
    // Sound sets of the game have a few dozen slots; a file announcing more
    // than this many (each a 4-byte offset, all naming one entry) is refused.
    static constexpr std::size_t MaxSlots = 65536;

    std::vector<RSSF> Entries; // ResRef in the game's encoding, Text in the talk table's
    CTLK TalkTable;
    const CGameTextCodec *Codec; // the game's

    // Loads the game's talk table; one that is missing or cannot be read leaves
    // the talk-table texts empty.
    CSSF();

    // False when no file exists at path. Otherwise appends the file's slots and
    // returns true; a damaged file keeps the slots read before the damage.
    // Raises EFileError naming the file when it has more than MaxSlots slots.
    bool Load(const std::string &path);
    // Valid while the talk table stays loaded (CSSF never loads it again).
    std::string_view LookupStrRef(std::uint32_t ref) const;
};
