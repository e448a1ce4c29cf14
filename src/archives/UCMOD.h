// Reader of ERF-family archives (MOD, HAK, ERF, NWM).
#pragma once

#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "archives/UResTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RMOD_ENTRY {
    std::string ResRef;
    std::int32_t ResID = 0;
    std::int32_t ResType = 0; // type word and reserved word as one 32-bit number
    std::int32_t Offset = 0;
    std::int32_t Size = 0;
};

// The entries of an archive's key and resource lists, paired by position. The
// lists stop where the file ends; damage then tells why, naming the file, and
// is empty otherwise.
std::vector<RMOD_ENTRY> ReadErfEntries(const CInputFile &file, std::uint32_t count, std::uint32_t keyOffset,
                                       std::uint32_t resOffset, std::string &damage);
// How many entries have bytes in common with an entry that starts before them
// or at the same place: archives of the packer have none.
std::size_t CountOverlappingEntries(const std::vector<RMOD_ENTRY> &entries);

class CMOD {
public:
    std::string FileName;
    std::int32_t EntryCount = 0;
    std::vector<RMOD_ENTRY> Entries;
    std::function<void(CMOD &)> OnExtract;
    std::string CurrentName; // the file name being written: ResRef + "." + lower-case extension
    int CurrentIndex = -1;   // the entry being extracted

    // Shows the message of a damaged archive (lists running past the end of
    // the file) and keeps the entries that lie inside it.
    bool Open(const std::string &path);
    void Clear();
    void ExtractAll(const std::string &folder);
    void ExtractToFile(int index, const std::string &folder);
    // Extracts the entries at these positions, in order, with the archive opened
    // once. Entries that share name and type share a file name: each is written
    // with the bytes of the first entry of that name and type, as Find gives it.
    void ExtractEntries(const std::vector<int> &indices, const std::string &folder);
    std::string ExtractToString(int index) const;
    void ExtractToStream(int index, CMemoryStream &stream);
    int Find(const std::string &resref, std::int32_t resType) const;

    static std::string TypeToExt(std::int32_t resType) { return ModTypeToExt(resType); }
    // File name an extraction writes for an entry (without folder).
    std::string OutputName(const RMOD_ENTRY &entry) const;
    // The encoding of the archive's names and texts: the game's, taken at Open.
    const CGameTextCodec &Codec() const { return m_codec ? *m_codec : GameTextCodec(); }

private:
    const CGameTextCodec *m_codec = nullptr;
    void ExtractOne(const CInputFile &archive, const RMOD_ENTRY &entry, const std::string &folder);
};
