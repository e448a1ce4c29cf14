// The resource type table and its four readings.
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"
#include "packer/UCMODPAK.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

// The rows all four readings share, written out from the file-format notes.
const std::vector<std::pair<std::int32_t, std::string>> CommonRows = {
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
};

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

TEST(ResTypes, CommonRowsReadTheSameEverywhereExceptType2)
{
    ASSERT_EQ(CommonRows.size(), 65u);
    for (const auto &[type, ext] : CommonRows) {
        SCOPED_TRACE("type " + std::to_string(type));
        EXPECT_EQ(ResTypeToExt(type), type == 2 ? "MVA" : ext);
        EXPECT_EQ(CMOD::TypeToExt(type), ext);
        EXPECT_EQ(CMODPAK::TypeToExt(type), Lower(ext));
        EXPECT_EQ(CMODPAK::ExtToType(ext), type);
        EXPECT_EQ(CMODPAK::ExtToType(Lower(ext)), type);
    }
}

TEST(ResTypes, WriterNamesExactlyTheCommonRows)
{
    // No number outside the common rows gets a name of its own from the writer,
    // and every name it gives leads back to its number.
    int named = 0;
    for (std::int32_t type = 0; type <= 10000; ++type) {
        std::string ext = CMODPAK::TypeToExt(type);
        if (ext == "raw")
            continue;
        ++named;
        EXPECT_EQ(CMODPAK::ExtToType(ext), type) << ext;
    }
    EXPECT_EQ(named, 65);
}

struct TypeNames {
    std::int32_t type;
    const char *keySide;
    const char *erfReader;
    const char *writer;
};

void PrintTo(const TypeNames &row, std::ostream *os) { *os << "type " << row.type; }

class ResTypeVariants : public ::testing::TestWithParam<TypeNames> {};

TEST_P(ResTypeVariants, EachReadingNamesTheTypeItsOwnWay)
{
    const TypeNames &row = GetParam();
    EXPECT_EQ(ResTypeToExt(row.type), row.keySide);
    EXPECT_EQ(CMOD::TypeToExt(row.type), row.erfReader);
    EXPECT_EQ(CMODPAK::TypeToExt(row.type), row.writer);
}

INSTANTIATE_TEST_SUITE_P(
    Differences, ResTypeVariants,
    ::testing::Values(TypeNames{2, "MVA", "MVE", "mve"}, TypeNames{2060, "SSF", "UTW", "raw"},
                      TypeNames{9996, "INI", "INI", "raw"}, TypeNames{7, "INI", "INI", "ini"},
                      TypeNames{2048, "CSS", "CSS", "css"}, TypeNames{2049, "CCS", "CCS", "ccs"},
                      TypeNames{2058, "UTW", "UTW", "utw"}, TypeNames{2061, "SSF", "SSF", "ssf"},
                      // Numbers in no row.
                      TypeNames{5, "RAW", "RAW", "raw"}, TypeNames{8, "RAW", "RAW", "raw"},
                      TypeNames{2004, "RAW", "RAW", "raw"}, TypeNames{2011, "RAW", "RAW", "raw"},
                      TypeNames{2019, "RAW", "RAW", "raw"}, TypeNames{2028, "RAW", "RAW", "raw"},
                      TypeNames{2057, "RAW", "RAW", "raw"}, TypeNames{2062, "RAW", "RAW", "raw"},
                      TypeNames{9997, "RAW", "RAW", "raw"}, TypeNames{65535, "RAW", "RAW", "raw"},
                      TypeNames{-1, "RAW", "RAW", "raw"},
                      // An ERF type word 2014 with reserved word 1.
                      TypeNames{0x000107DE, "RAW", "RAW", "raw"}));

class ExtToTypeCases : public ::testing::TestWithParam<std::pair<const char *, std::int32_t>> {};

TEST_P(ExtToTypeCases, MapsWholeExtensionInAnyCase)
{
    EXPECT_EQ(CMODPAK::ExtToType(GetParam().first), GetParam().second) << '"' << GetParam().first << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, ExtToTypeCases,
    ::testing::Values(std::pair{"TGA", 3}, std::pair{"tga", 3}, std::pair{"tGa", 3}, std::pair{".tga", -1},
                      std::pair{"tga ", -1}, std::pair{" tga", -1}, std::pair{"jpg", -1}, std::pair{"", -1},
                      std::pair{"mva", -1}, std::pair{"MVA", -1}, std::pair{"mve", 2}, std::pair{"ssf", 2061},
                      std::pair{"ini", 7}, std::pair{"utw", 2058}, std::pair{"2DA", 2017},
                      std::pair{"4pc", 2059}, std::pair{"raw", -1}, std::pair{"tgat", -1}));

} // namespace
