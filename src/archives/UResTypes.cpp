#include "archives/UResTypes.h"

#include "app/UFileIO.h"
#include "app/UText.h"

#include <array>
#include <cstring>

namespace {

struct TResTypeRow {
    std::int32_t type;
    const char *ext; // upper case
};

// The rows every variant shares; each extension occurs once.
constexpr std::array<TResTypeRow, 65> CommonRows{{
    {0, "RES"},    {1, "BMP"},    {2, "MVE"},    {3, "TGA"},    {4, "WAV"},    {6, "PLT"},    {7, "INI"},
    {9, "MPG"},    {10, "TXT"},   {2000, "PLH"}, {2001, "TEX"}, {2002, "MDL"}, {2003, "THG"}, {2005, "FNT"},
    {2007, "LUA"}, {2008, "SLT"}, {2009, "NSS"}, {2010, "NCS"}, {2012, "ARE"}, {2013, "SET"}, {2014, "IFO"},
    {2015, "BIC"}, {2016, "WOK"}, {2017, "2DA"}, {2018, "TLK"}, {2022, "TXI"}, {2023, "GIT"}, {2024, "BTI"},
    {2025, "UTI"}, {2026, "BTC"}, {2027, "UTC"}, {2029, "DLG"}, {2030, "ITP"}, {2031, "BTT"}, {2032, "UTT"},
    {2033, "DDS"}, {2034, "BTS"}, {2035, "UTS"}, {2036, "LTR"}, {2037, "GFF"}, {2038, "FAC"}, {2039, "BTE"},
    {2040, "UTE"}, {2041, "BTD"}, {2042, "UTD"}, {2043, "BTP"}, {2044, "UTP"}, {2045, "DFT"}, {2046, "GIC"},
    {2047, "GUI"}, {2048, "CSS"}, {2049, "CCS"}, {2050, "BTM"}, {2051, "UTM"}, {2052, "DWK"}, {2053, "PWK"},
    {2054, "BTG"}, {2055, "UTG"}, {2056, "JRL"}, {2058, "UTW"}, {2059, "4PC"}, {2061, "SSF"}, {2063, "BIK"},
    {9998, "BIF"}, {9999, "KEY"},
}};

const char *CommonExt(std::int32_t type)
{
    for (const TResTypeRow &row : CommonRows)
        if (row.type == type)
            return row.ext;
    return nullptr;
}

} // namespace

std::string ResTypeToExt(std::int32_t resType)
{
    switch (resType) {
    case 2: return "MVA";
    case 2060: return "SSF";
    case 9996: return "INI";
    }
    const char *ext = CommonExt(resType);
    return ext ? ext : "RAW";
}

std::string ModTypeToExt(std::int32_t resType)
{
    switch (resType) {
    case 2060: return "UTW";
    case 9996: return "INI";
    }
    const char *ext = CommonExt(resType);
    return ext ? ext : "RAW";
}

std::string PakTypeToExt(std::int32_t resType)
{
    const char *ext = CommonExt(resType);
    return ext ? LowerCaseAscii(ext) : "raw";
}

std::int32_t PakExtToType(const std::string &ext)
{
    for (const TResTypeRow &row : CommonRows)
        if (SameNameNoCase(row.ext, ext))
            return row.type;
    return -1;
}

std::string ResourceKey(const std::string &resref, std::int32_t resType)
{
    std::string key = LowerCaseAscii(resref);
    key.push_back('\0');
    AppendU32LE(key, std::uint32_t(resType));
    return key;
}
