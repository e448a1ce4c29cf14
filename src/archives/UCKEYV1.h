// Reader of the game's KEY index and the BIF archives it names.
#pragma once

#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "archives/UResTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct RKEY_RESSOURCE {
    std::string ResRef;
    std::int32_t ResType = 0;
    std::int32_t Index = 0;  // position in the BIF's variable resource table
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
    std::int32_t Bif = 0;    // position of the BIF in CKEY_FILE::Bifs
};

struct RKEY_BIF {
    std::string Name;        // relative path as stored in the KEY file (data\name.bif)
    std::int64_t FileSize = 0;
    std::int32_t Drives = 0;
    std::vector<RKEY_RESSOURCE> Resources; // in key table order
    std::int32_t ResCount = 0;
};

struct RKEY_LOCATION {
    std::uint16_t Index = 0;
    std::uint16_t ResType = 0;
    std::int32_t Bif = -1; // -1: not found
};

struct RBIF_VARRES {
    std::uint16_t ID = 0;
    std::uint32_t Offset = 0;
    std::uint32_t FileSize = 0;
    std::uint16_t ResourceType = 0;
};

struct RBIF_FIXRES {
    std::uint32_t ID = 0;
    std::uint32_t Offset = 0;
    std::uint32_t PartCount = 0;
    std::uint32_t FileSize = 0;
    std::uint32_t ResourceType = 0;
};

// One BIF's header and tables. Tables that run past the end of the file are
// cut where the file ends.
class CBIF_FILE {
public:
    std::string FileName;
    std::uint32_t VariableResourceCount = 0;
    std::uint32_t FixedResourceCount = 0;
    std::uint32_t VariableTableOffset = 0;
    std::vector<RBIF_VARRES> VarRes;
    std::vector<RBIF_FIXRES> FixRes;

    bool Open(const std::string &path);
};

class CKEY_FILE {
public:
    std::string FileName;
    std::uint32_t BifCount = 0;
    std::uint32_t KeyCount = 0;
    std::vector<RKEY_BIF> Bifs;
    // Key entries passed over because they named no BIF of the file table or no
    // entry of the BIF's variable table.
    std::uint32_t SkippedKeys = 0;

    std::function<void(CKEY_FILE &)> OnExtract;
    std::string CurrentName; // the file name being written: ResRef + "." + lower-case extension

    bool Open(const std::string &path);

    void ExtractBif(int bif, const std::string &folder);
    void ExtractToFile(int bif, int index, const std::string &folder);
    // Extracts the resources of one BIF with these Index values, in order, with
    // the BIF opened once.
    void ExtractResources(int bif, const std::vector<int> &indices, const std::string &folder);
    std::string ExtractToString(int bif, int index) const;
    void ExtractToStream(int bif, int index, CMemoryStream &stream);
    RKEY_LOCATION Find(const std::string &resref, std::int32_t resType) const;

    // Full path of a BIF on disk, its name resolved without regard to letter case.
    std::string BifPath(int bif) const;
    // The resource with this Index in the BIF, or nullptr.
    const RKEY_RESSOURCE *Resource(int bif, int index) const;
    // File name an extraction writes for a resource (without folder).
    std::string OutputName(const RKEY_RESSOURCE &res) const;
    // The encoding of the names inside the KEY file: the game's, taken at Open.
    const CGameTextCodec &Codec() const { return m_codec ? *m_codec : GameTextCodec(); }

private:
    const CGameTextCodec *m_codec = nullptr;
    const RKEY_RESSOURCE &Require(int bif, int index) const;
    void ExtractOne(const CInputFile &bifFile, const RKEY_RESSOURCE &res, const std::string &folder);
};
