#include "testdata/KeyBifBuilder.h"

#include "testdata/ByteBuilder.h"

#include <algorithm>
#include <stdexcept>

namespace testdata {

int KeyBifBuilder::AddBif(std::string keyName, std::string diskName)
{
    BifSpec spec;
    spec.KeyName = std::move(keyName);
    spec.DiskName = std::move(diskName);
    m_bifs.push_back(std::move(spec));
    return static_cast<int>(m_bifs.size()) - 1;
}

int KeyBifBuilder::AddResource(int bif, std::string resref, std::uint16_t type, std::string data)
{
    auto &resources = Bif(bif).Resources;
    if (resources.size() >= 0x10000)
        throw std::length_error("a BIF holds at most 65,536 resources");
    resources.push_back({std::move(resref), type, std::move(data)});
    return static_cast<int>(resources.size()) - 1;
}

std::size_t KeyBifBuilder::ResourceCount() const
{
    std::size_t count = 0;
    for (const auto &bif : m_bifs)
        count += bif.Resources.size();
    return count;
}

std::string KeyBifBuilder::BuildKey() const
{
    struct KeyRow {
        const std::string *ResRef;
        std::uint16_t Type;
        std::uint32_t ResId;
    };
    std::vector<KeyRow> rows;
    rows.reserve(ResourceCount() + ExtraKeys.size());
    if (InterleaveKeys) {
        std::size_t longest = 0;
        for (const auto &bif : m_bifs)
            longest = std::max(longest, bif.Resources.size());
        for (std::size_t index = 0; index < longest; ++index)
            for (int b = 0; b < BifCount(); ++b)
                if (index < Bif(b).Resources.size()) {
                    const auto &res = Bif(b).Resources[index];
                    rows.push_back({&res.ResRef, res.Type, ResId(b, static_cast<int>(index))});
                }
    } else {
        for (int b = 0; b < BifCount(); ++b)
            for (std::size_t index = 0; index < Bif(b).Resources.size(); ++index) {
                const auto &res = Bif(b).Resources[index];
                rows.push_back({&res.ResRef, res.Type, ResId(b, static_cast<int>(index))});
            }
    }
    for (const auto &extra : ExtraKeys)
        rows.push_back({&extra.ResRef, extra.Type, extra.ResId});

    // Layout: header, file table, BIF names (each ending in a zero byte), key table.
    const std::uint32_t fileTableOffset = KeyHeaderSize;
    std::uint32_t namesOffset = fileTableOffset + FileEntrySize * static_cast<std::uint32_t>(m_bifs.size());
    std::uint32_t namesSize = 0;
    for (const auto &bif : m_bifs)
        namesSize += static_cast<std::uint32_t>(bif.KeyName.size()) + 1;
    const std::uint32_t keyTableOffset = namesOffset + namesSize;

    ByteBuilder key;
    key.Fixed(Signature, 4).Fixed(Version, 4);
    key.U32(BifCountField.value_or(static_cast<std::uint32_t>(m_bifs.size())));
    key.U32(KeyCountField.value_or(static_cast<std::uint32_t>(rows.size())));
    key.U32(FileTableOffsetField.value_or(fileTableOffset));
    key.U32(KeyTableOffsetField.value_or(keyTableOffset));
    key.U32(125).U32(1); // build year (from 1900) and day
    key.PadTo(KeyHeaderSize);

    std::uint32_t nameOffset = namesOffset;
    for (int b = 0; b < BifCount(); ++b) {
        const auto &bif = Bif(b);
        key.U32(static_cast<std::uint32_t>(BifFileSize(b)));
        key.U32(nameOffset);
        key.U16(static_cast<std::uint16_t>(bif.KeyName.size() + 1));
        key.U16(bif.Drives);
        nameOffset += static_cast<std::uint32_t>(bif.KeyName.size()) + 1;
    }
    for (const auto &bif : m_bifs)
        key.Bytes(bif.KeyName).U8(0);
    for (const auto &row : rows)
        key.Fixed(*row.ResRef, 16).U16(row.Type).U32(row.ResId);
    return key.Take();
}

std::uint64_t KeyBifBuilder::BifFileSize(int bif) const
{
    const auto &spec = Bif(bif);
    std::uint64_t size = BifHeaderSize + std::uint64_t(VarEntrySize) * spec.Resources.size() +
                         std::uint64_t(FixEntrySize) * spec.FixedCount;
    for (const auto &res : spec.Resources)
        size += res.Data.size();
    return size;
}

std::string KeyBifBuilder::BuildBif(int bif) const
{
    const auto &spec = Bif(bif);
    const auto count = static_cast<std::uint32_t>(spec.Resources.size());

    ByteBuilder out;
    out.Fixed("BIFF", 4).Fixed("V1  ", 4);
    out.U32(spec.VariableCountField.value_or(count));
    out.U32(spec.FixedCount);
    out.U32(spec.VariableTableOffsetField.value_or(BifHeaderSize));

    // Data follows the tables, in index order.
    std::uint64_t dataOffset = BifHeaderSize + std::uint64_t(VarEntrySize) * count +
                               std::uint64_t(FixEntrySize) * spec.FixedCount;
    for (std::uint32_t index = 0; index < count; ++index) {
        const auto &res = spec.Resources[index];
        out.U32(ResId(bif, static_cast<int>(index)));
        out.U32(static_cast<std::uint32_t>(dataOffset));
        out.U32(static_cast<std::uint32_t>(res.Data.size()));
        out.U32(res.Type);
        dataOffset += res.Data.size();
    }
    out.Zeros(std::size_t(FixEntrySize) * spec.FixedCount);
    for (const auto &res : spec.Resources)
        out.Bytes(res.Data);
    return out.Take();
}

std::filesystem::path KeyBifBuilder::BifRelativePath(int bif) const
{
    const auto &spec = Bif(bif);
    std::string name = spec.DiskName.empty() ? spec.KeyName : spec.DiskName;
    std::replace(name.begin(), name.end(), '\\', '/');
    return std::filesystem::path(name);
}

void KeyBifBuilder::WriteTo(const std::filesystem::path &folder, const std::string &keyFileName) const
{
    std::filesystem::create_directories(folder);
    WriteFile(folder / keyFileName, BuildKey());
    for (int b = 0; b < BifCount(); ++b)
        if (Bif(b).OnDisk)
            WriteFile(folder / BifRelativePath(b), BuildBif(b));
}

} // namespace testdata
