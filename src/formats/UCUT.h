// GFF files: the generic tree of structs, fields and lists behind blueprints,
// item palettes, areas, dialogues and module information. CUT reads one file
// into a flat list of entries and, on request, a text dump of the whole tree.
#pragma once

#include "formats/UCTLK.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct RUT {
    std::string ID;
    std::string Type;
    std::string Name;
    std::string Value;
    // The encoding of Value: a localized substring's language, the talk table's
    // for texts looked up there, else the game's.
    const CGameTextCodec *ValueCodec = nullptr;
};

class CUT {
public:
    static constexpr std::size_t HeaderSize = 56;
    // A file whose labels, entries and dump would take more memory than this
    // many bytes per byte of the file and the allowance (CMemoryBudget), or
    // whose lists nest deeper than MaxListDepth, is refused as too large: lists
    // that share structs can make a small file name any number of entries.
    // Files of the game stay far below both.
    static constexpr std::uint64_t LoadedBytesPerFileByte = 12;
    static constexpr std::uint64_t LoadedBytesAllowance = std::uint64_t(48) << 20;
    static constexpr int MaxListDepth = 1000;

    std::array<unsigned char, HeaderSize + 12> Header{}; // header and top-level struct entry
    std::vector<std::string> Labels;
    std::vector<RUT> Entries;
    std::vector<std::string> Lines; // the text dump, when MakeText is set
    std::vector<const CGameTextCodec *> LineCodecs; // the encoding of each line
    std::string Indent;
    bool MakeText = false;
    CTLK TalkTable;
    const CGameTextCodec *Codec = nullptr; // the game's, for labels and plain strings

    // Loads the game's talk table; one that is missing or cannot be read leaves
    // the table empty.
    CUT();

    // Reads the GFF file. A missing path does nothing. A file whose offsets,
    // counts or label numbers point outside it raises EFileError ("... is damaged"),
    // except lists whose offset lies past the end, which give a "List Error" entry.
    // A list element whose struct is already being read (a list that contains
    // itself) gives the entry (empty, "ERROR", its path, "List Error") instead.
    // A file beyond MaxLoadedBytes or MaxListDepth raises EFileError ("... too large").
    void Load(const std::string &path);
    std::string LookupStrRef(std::uint32_t id) const;
    // The dump as a saved text file, in the bytes the file holds (JoinDumpLines).
    std::string DumpText() const { return JoinDumpLines(Lines); }
    // Dump lines as a text file: every line ended by CR LF; a line break inside
    // a line (a text holding CR, LF or CR LF) becomes CR LF as well.
    static std::string JoinDumpLines(const std::vector<std::string> &lines);
    // Appends one line of such a text to text.
    static void AppendDumpLine(std::string &text, std::string_view line);
    // A dump line, an entry's name and an entry's value as UTF-8 text.
    std::string DumpLineText(std::size_t line) const;
    std::string NameText(const RUT &entry) const { return Codec->Decode(entry.Name); }
    std::string ValueText(const RUT &entry) const
    {
        return (entry.ValueCodec ? entry.ValueCodec : Codec)->Decode(entry.Value);
    }
};
