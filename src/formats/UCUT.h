// GFF files: the generic tree of structs, fields and lists behind blueprints,
// item palettes, areas, dialogues and module information. CUT reads one file
// into a flat list of entries and, on request, a text dump of the whole tree.
#pragma once

#include "formats/UCTLK.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct RUT {
    std::string ID;
    std::string Type;
    std::string Name;
    std::string Value;
};

class CUT {
public:
    static constexpr std::size_t HeaderSize = 56;
    // Lists nested deeper than this (a list containing itself) are not followed:
    // such a list gives the entry (empty, "ERROR", its path, "List Error") instead.
    static constexpr int MaxListDepth = 64;

    std::array<unsigned char, HeaderSize + 12> Header{}; // header and top-level struct entry
    std::vector<std::string> Labels;
    std::vector<RUT> Entries;
    std::vector<std::string> Lines; // the text dump, when MakeText is set
    std::string Indent;
    bool MakeText = false;
    CTLK TalkTable;

    // Loads the game's talk table (CTLK::GameTalkTablePath()); one that cannot be
    // read leaves the table empty, as a missing one does.
    CUT();

    // Reads the GFF file. A missing path does nothing. A file whose offsets,
    // counts or label numbers point outside it raises EFileError ("... is damaged"),
    // except lists whose offset lies past the end, which give a "List Error" entry.
    // A file whose fields and lists share their data so often that it would yield
    // more entries or text than any sound file of its size (a list holding itself
    // twice, say) raises EFileError as well.
    void Load(const std::string &path);
    std::string LookupStrRef(std::uint32_t id) const;
    // The dump as a saved text file: every line ended by CR LF; a line break
    // inside a line (a text holding CR, LF or CR LF) becomes CR LF as well.
    std::string DumpText() const;
};
