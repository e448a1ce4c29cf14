// Sound sets (SSF): slots of a sound resource name and a talk-table reference.
#pragma once

#include "formats/UCTLK.h"

#include <cstdint>
#include <string>
#include <vector>

struct RSSF {
    std::string ID;
    std::string ResRef;
    std::string Text;
};

class CSSF {
public:
    std::vector<RSSF> Entries; // ResRef in the game's encoding, Text in the talk table's
    CTLK TalkTable;
    const CGameTextCodec *Codec; // the game's

    // Loads the game's talk table; one that is missing or cannot be read leaves
    // the talk-table texts empty.
    CSSF();

    // False when no file exists at path. Otherwise appends the file's slots and
    // returns true; a damaged file keeps the slots read before the damage.
    bool Load(const std::string &path);
    std::string LookupStrRef(std::uint32_t ref) const;
};
