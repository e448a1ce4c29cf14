#include "archives/UCKEYV1.h"

#include "app/UCancel.h"
#include "app/UMessage.h"
#include "app/UText.h"
#include "app/UUtil.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr std::size_t KeyHeaderSize = 24;
constexpr std::size_t FileEntrySize = 12;
constexpr std::size_t KeyEntrySize = 22;
constexpr std::size_t BifHeaderSize = 20;
constexpr std::size_t VarEntrySize = 16;
constexpr std::size_t FixEntrySize = 20;
constexpr std::uint32_t MaxTableCount = 2147483647u;

// Entries of a table of count entries at offset that lie wholly inside the file.
std::uint64_t EntriesInside(const CInputFile &file, std::uint64_t offset, std::uint64_t count, std::size_t width)
{
    if (offset >= file.Size())
        return 0;
    return std::min<std::uint64_t>(count, (file.Size() - offset) / width);
}

bool Damaged(const std::string &path, const std::string &what)
{
    ShowErrorMessage(AboutFile(path, "Damaged key File: " + what));
    return false;
}

// The BIFs read while a KEY is opened, by the file each is on disk: file
// table entries that name one file (in another letter case, or through a
// link) share its tables, read once.
using TBifsRead = std::map<std::pair<dev_t, ino_t>, std::shared_ptr<const CBIF_FILE>>;

std::shared_ptr<const CBIF_FILE> ReadBifOnce(const std::string &path, TBifsRead &read)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return nullptr;
    std::shared_ptr<const CBIF_FILE> &bif = read[{info.st_dev, info.st_ino}];
    if (!bif) {
        auto opened = std::make_shared<CBIF_FILE>();
        if (!opened->Open(path))
            return nullptr;
        bif = std::move(opened);
    }
    return bif;
}

} // namespace

// ---------------------------------------------------------------- CBIF_FILE

bool CBIF_FILE::Open(const std::string &path)
{
    if (!FileExists(path))
        return false;
    FileName = path;
    VarRes.clear();
    FixRes.clear();
    CInputFile file(path);
    unsigned char header[BifHeaderSize];
    if (!file.Holds(0, BifHeaderSize)) {
        // A header cut short holds no resources.
        VariableResourceCount = FixedResourceCount = VariableTableOffset = 0;
        return true;
    }
    file.ReadAt(0, header, BifHeaderSize);
    VariableResourceCount = ReadU32LE(header + 8);
    FixedResourceCount = ReadU32LE(header + 12);
    VariableTableOffset = ReadU32LE(header + 16);

    std::uint64_t varCount = VariableResourceCount > MaxTableCount ? 0 : VariableResourceCount;
    std::uint64_t fixCount = FixedResourceCount > MaxTableCount ? 0 : FixedResourceCount;
    // Tables that run past the end of the file are cut where it ends.
    varCount = EntriesInside(file, VariableTableOffset, varCount, VarEntrySize);
    std::string table = file.ReadStringAt(VariableTableOffset, std::size_t(varCount * VarEntrySize));
    VarRes.resize(std::size_t(varCount));
    for (std::size_t i = 0; i < varCount; ++i) {
        const auto *entry = reinterpret_cast<const unsigned char *>(table.data()) + i * VarEntrySize;
        VarRes[i] = {std::uint16_t(ReadU32LE(entry)), ReadU32LE(entry + 4), ReadU32LE(entry + 8),
                     std::uint16_t(ReadU32LE(entry + 12))};
    }
    std::uint64_t fixOffset = std::uint64_t(VariableTableOffset) + varCount * VarEntrySize;
    if (varCount == (VariableResourceCount > MaxTableCount ? 0 : VariableResourceCount)) {
        fixCount = EntriesInside(file, fixOffset, fixCount, FixEntrySize);
        table = file.ReadStringAt(fixOffset, std::size_t(fixCount * FixEntrySize));
        FixRes.resize(std::size_t(fixCount));
        for (std::size_t i = 0; i < fixCount; ++i) {
            const auto *entry = reinterpret_cast<const unsigned char *>(table.data()) + i * FixEntrySize;
            FixRes[i] = {ReadU32LE(entry), ReadU32LE(entry + 4), ReadU32LE(entry + 8), ReadU32LE(entry + 12),
                         ReadU32LE(entry + 16)};
        }
    }
    return true;
}

// ---------------------------------------------------------------- CKEY_FILE

bool CKEY_FILE::Open(const std::string &path)
{
    if (!FileExists(path))
        return false;
    FileName = path;
    Bifs.clear();
    BifCount = KeyCount = SkippedKeys = 0;
    m_codec = &GameTextCodec();

    CInputFile file(path);
    unsigned char header[KeyHeaderSize] = {};
    std::string head = file.ReadAvailableAt(0, KeyHeaderSize);
    std::memcpy(header, head.data(), head.size());
    if (UpperCaseAscii(std::string(reinterpret_cast<char *>(header), 4)) != "KEY " || head.size() < 4) {
        ShowErrorMessage(AboutFile(path, "Wrong key File."));
        return false;
    }
    if (head.size() < KeyHeaderSize)
        return Damaged(path, "its header is cut short.");
    BifCount = ReadU32LE(header + 8);
    KeyCount = ReadU32LE(header + 12);
    std::uint32_t fileTableOffset = ReadU32LE(header + 16);
    std::uint32_t keyTableOffset = ReadU32LE(header + 20);

    if (EntriesInside(file, fileTableOffset, BifCount, FileEntrySize) < BifCount)
        return Damaged(path, "the file table runs past the end of the file.");
    std::string fileTable = file.ReadStringAt(fileTableOffset, std::size_t(BifCount) * FileEntrySize);
    Bifs.reserve(BifCount);
    for (std::uint32_t i = 0; i < BifCount; ++i) {
        const auto *entry = reinterpret_cast<const unsigned char *>(fileTable.data()) + std::size_t(i) * FileEntrySize;
        RKEY_BIF bif;
        bif.FileSize = ReadU32LE(entry);
        std::uint32_t nameOffset = ReadU32LE(entry + 4);
        std::uint16_t nameSize = ReadU16LE(entry + 8);
        bif.Drives = ReadU16LE(entry + 10);
        if (nameSize > 1) {
            if (!file.Holds(nameOffset, nameSize - 1u)) {
                Bifs.clear();
                return Damaged(path, "the name of BIF " + std::to_string(i) + " lies past the end of the file.");
            }
            bif.Name = file.ReadStringAt(nameOffset, nameSize - 1u);
            // A name ends at its terminator even when the stored size says more.
            if (std::size_t zero = bif.Name.find('\0'); zero != std::string::npos)
                bif.Name.resize(zero);
        }
        // BIFs lie in the game folder: a name leading anywhere else is damage.
        if (!StaysInsideFolder(bif.Name)) {
            const std::string name = Codec().Decode(bif.Name);
            Bifs.clear();
            return Damaged(path, "BIF " + std::to_string(i) + " is named outside the game folder (" + name + ").");
        }
        Bifs.push_back(std::move(bif));
    }

    if (EntriesInside(file, keyTableOffset, KeyCount, KeyEntrySize) < KeyCount)
        return Damaged(path, "the key table runs past the end of the file.");
    std::string keyTable = file.ReadStringAt(keyTableOffset, std::size_t(KeyCount) * KeyEntrySize);

    // Variable tables of the BIFs met so far, by BIF number; each file is read once.
    std::vector<std::shared_ptr<const CBIF_FILE>> tables(Bifs.size());
    TBifsRead bifsRead;
    for (std::uint32_t k = 0; k < KeyCount; ++k) {
        const auto *entry = reinterpret_cast<const unsigned char *>(keyTable.data()) + std::size_t(k) * KeyEntrySize;
        std::uint32_t resID = ReadU32LE(entry + 18);
        std::uint32_t bifNumber = resID >> 20;
        std::uint32_t index = resID & 0xFFFFF;
        if (bifNumber >= Bifs.size() || index > 0xFFFF) {
            ++SkippedKeys;
            continue;
        }
        if (!tables[bifNumber]) {
            const std::string bifPath = BifPath(int(bifNumber));
            tables[bifNumber] = ReadBifOnce(bifPath, bifsRead);
            if (!tables[bifNumber]) {
                ShowErrorMessage(AboutFile(bifPath, "You need a full install of the game for preview BIF."));
                return false;
            }
        }
        const CBIF_FILE &bifFile = *tables[bifNumber];
        if (index >= bifFile.VarRes.size()) {
            ++SkippedKeys;
            continue;
        }
        RKEY_RESSOURCE res;
        res.ResRef = FixedName(entry, 16);
        res.ResType = ReadU16LE(entry + 16);
        res.Index = std::int32_t(index);
        res.Bif = std::int32_t(bifNumber);
        res.Offset = bifFile.VarRes[index].Offset;
        res.Size = bifFile.VarRes[index].FileSize;
        RKEY_BIF &owner = Bifs[bifNumber];
        owner.Resources.push_back(std::move(res));
        owner.ResCount = std::int32_t(owner.Resources.size());
    }
    return true;
}

std::string CKEY_FILE::BifPath(int bif) const
{
    // The name is game text; the file on disk carries it in the platform's encoding.
    const std::string &stored = Bifs.at(std::size_t(bif)).Name;
    const std::string folder = ExtractFilePath(FileName);
    const std::string decoded = FindPathNoCase(folder, Codec().Decode(stored));
    return FileExists(decoded) ? decoded : FindPathNoCase(folder, stored);
}

const RKEY_RESSOURCE *CKEY_FILE::Resource(int bif, int index) const
{
    if (bif < 0 || std::size_t(bif) >= Bifs.size() || index < 0)
        return nullptr;
    const std::vector<RKEY_RESSOURCE> &list = Bifs[std::size_t(bif)].Resources;
    // Key tables keep each BIF's resources in index order: position == Index.
    if (std::size_t(index) < list.size() && list[std::size_t(index)].Index == index)
        return &list[std::size_t(index)];
    for (const RKEY_RESSOURCE &res : list)
        if (res.Index == index)
            return &res;
    return nullptr;
}

const RKEY_RESSOURCE &CKEY_FILE::Require(int bif, int index) const
{
    const RKEY_RESSOURCE *res = Resource(bif, index);
    if (!res)
        throw EFileError("No resource " + std::to_string(index) + " in BIF " + std::to_string(bif) + " of \"" +
                         FileName + "\"");
    return *res;
}

std::string CKEY_FILE::OutputName(const RKEY_RESSOURCE &res) const
{
    return ResourceFileName(res.ResRef, LowerCaseAscii(ResTypeToExt(res.ResType)), Codec());
}

void CKEY_FILE::ExtractOne(const CInputFile &bifFile, const RKEY_RESSOURCE &res, const std::string &folder)
{
    ThrowIfCancelled();
    CurrentName = OutputName(res);
    if (OnExtract)
        OnExtract(*this);
    // Read first: a resource that lies past the end of its BIF writes no file.
    std::string bytes = bifFile.ReadStringAt(res.Offset, res.Size);
    WriteWholeFile(IncludeTrailingSeparator(folder) + CurrentName, bytes);
}

void CKEY_FILE::ExtractToFile(int bif, int index, const std::string &folder)
{
    const RKEY_RESSOURCE &res = Require(bif, index);
    CInputFile bifFile(BifPath(bif));
    ExtractOne(bifFile, res, folder);
}

void CKEY_FILE::ExtractResources(int bif, const std::vector<int> &indices, const std::string &folder)
{
    std::vector<const RKEY_RESSOURCE *> resources;
    resources.reserve(indices.size());
    for (int index : indices)
        resources.push_back(&Require(bif, index));
    CInputFile bifFile(BifPath(bif));
    for (const RKEY_RESSOURCE *res : resources)
        ExtractOne(bifFile, *res, folder);
}

void CKEY_FILE::ExtractBif(int bif, const std::string &folder)
{
    if (bif < 0 || std::size_t(bif) >= Bifs.size())
        throw EFileError("No BIF " + std::to_string(bif) + " in \"" + FileName + "\"");
    CInputFile bifFile(BifPath(bif));
    for (const RKEY_RESSOURCE &res : Bifs[std::size_t(bif)].Resources)
        ExtractOne(bifFile, res, folder);
}

std::string CKEY_FILE::ExtractToString(int bif, int index) const
{
    const RKEY_RESSOURCE &res = Require(bif, index);
    CInputFile bifFile(BifPath(bif));
    return bifFile.ReadStringAt(res.Offset, res.Size);
}

void CKEY_FILE::ExtractToStream(int bif, int index, CMemoryStream &stream)
{
    const RKEY_RESSOURCE &res = Require(bif, index);
    CInputFile bifFile(BifPath(bif));
    CurrentName = OutputName(res);
    if (OnExtract)
        OnExtract(*this);
    std::string bytes = bifFile.ReadStringAt(res.Offset, res.Size);
    stream.CopyIn(bytes);
}

RKEY_LOCATION CKEY_FILE::Find(const std::string &resref, std::int32_t resType) const
{
    for (std::size_t b = 0; b < Bifs.size(); ++b)
        for (const RKEY_RESSOURCE &res : Bifs[b].Resources)
            if (res.ResType == resType && SameNameNoCase(res.ResRef, resref))
                return {std::uint16_t(res.Index), std::uint16_t(res.ResType), std::int32_t(b)};
    return {};
}
