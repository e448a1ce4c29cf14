// The dispatch of resource types to preview kinds in the archive browsers.
#include "archives/UPreviewKinds.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>

namespace {

// Every previewed type with its viewer, by kind.
const std::map<std::int32_t, int> kPreviewedTypes = {
    {2017, kPreview2DA},
    {7, kPreviewText},     {10, kPreviewText},   {2009, kPreviewText}, {2013, kPreviewText},
    {2016, kPreviewText},  {2022, kPreviewText}, {2052, kPreviewText}, {2053, kPreviewText},
    {9996, kPreviewText},
    {1, kPreviewPicture},  {3, kPreviewPicture}, {2033, kPreviewPicture},
    {6, kPreviewPLT},
    {2012, kPreviewGFF},   {2014, kPreviewGFF},  {2023, kPreviewGFF},  {2025, kPreviewGFF},
    {2027, kPreviewGFF},   {2029, kPreviewGFF},  {2030, kPreviewGFF},  {2032, kPreviewGFF},
    {2035, kPreviewGFF},   {2037, kPreviewGFF},  {2038, kPreviewGFF},  {2040, kPreviewGFF},
    {2042, kPreviewGFF},   {2044, kPreviewGFF},  {2046, kPreviewGFF},  {2047, kPreviewGFF},
    {2051, kPreviewGFF},   {2055, kPreviewGFF},  {2056, kPreviewGFF},  {2058, kPreviewGFF},
    {2060, kPreviewGFF},
    {4, kPreviewSound},
    {2002, kPreviewModel},
    {2061, kPreviewSoundSet},
};

int Expected(std::int32_t type)
{
    const auto found = kPreviewedTypes.find(type);
    return found == kPreviewedTypes.end() ? kPreviewNone : found->second;
}

} // namespace

TEST(PreviewKindsTest, KindNumbersAreTheStoredOnes)
{
    EXPECT_EQ(kPreviewNone, -1);
    EXPECT_EQ(kPreview2DA, 0);
    EXPECT_EQ(kPreviewText, 1);
    EXPECT_EQ(kPreviewPicture, 2);
    EXPECT_EQ(kPreviewPLT, 3);
    EXPECT_EQ(kPreviewGFF, 4);
    EXPECT_EQ(kPreviewSound, 5);
    EXPECT_EQ(kPreviewModel, 6);
    EXPECT_EQ(kPreviewSoundSet, 7);
    EXPECT_EQ(kPreviewKindCount, 8);
}

TEST(PreviewKindsTest, EveryTypeOfTheTableGetsItsKindInBothBrowsers)
{
    for (const auto &[type, kind] : kPreviewedTypes) {
        EXPECT_EQ(PreviewKindOf(type, false), kind) << "BIF browser, type " << type;
        EXPECT_EQ(PreviewKindOf(type, true), kind) << "ERF viewer, type " << type;
    }
}

TEST(PreviewKindsTest, EveryOtherSixteenBitTypeHasNoPreview)
{
    for (std::int32_t type = 0; type <= 0xFFFF; ++type) {
        ASSERT_EQ(PreviewKindOf(type, false), Expected(type)) << "BIF browser, type " << type;
        ASSERT_EQ(PreviewKindOf(type, true), Expected(type)) << "ERF viewer, type " << type;
    }
}

TEST(PreviewKindsTest, BlueprintTemplatesAndOtherKnownTypesHaveNoPreview)
{
    // B-prefixed blueprints, compiled scripts, talk tables, movies, key files...
    for (std::int32_t type : {0, 2, 9, 2000, 2010, 2015, 2018, 2024, 2026, 2031, 2034, 2039, 2041, 2043, 2045,
                              2048, 2049, 2050, 2054, 2059, 2063, 9998, 9999}) {
        EXPECT_EQ(PreviewKindOf(type, false), kPreviewNone) << type;
        EXPECT_EQ(PreviewKindOf(type, true), kPreviewNone) << type;
    }
}

TEST(PreviewKindsTest, JournalsArePreviewedFromBothBrowsers)
{
    EXPECT_EQ(PreviewKindOf(2056, true), kPreviewGFF);
    EXPECT_EQ(PreviewKindOf(2056, false), kPreviewGFF);
}

TEST(PreviewKindsTest, TypeSharedBySoundSetAndWaypointNamesIsAGffEitherWay)
{
    // 2060 is named SSF on the KEY side and UTW in ERF archives; the GFF viewer shows it.
    EXPECT_EQ(PreviewKindOf(2060, false), kPreviewGFF);
    EXPECT_EQ(PreviewKindOf(2060, true), kPreviewGFF);
    EXPECT_EQ(PreviewKindOf(2061, false), kPreviewSoundSet);
}

TEST(PreviewKindsTest, ErfTypesWithAReservedWordMatchNoRow)
{
    // Type word 3 (TGA) with reserved word 1: one 32-bit number of no row.
    EXPECT_EQ(PreviewKindOf(3 | (1 << 16), true), kPreviewNone);
    EXPECT_EQ(PreviewKindOf(2017 | (0x7FFF << 16), true), kPreviewNone);
    EXPECT_EQ(PreviewKindOf(-1, true), kPreviewNone);
    EXPECT_EQ(PreviewKindOf(INT32_MIN, false), kPreviewNone);
}
