// The resource type table: type numbers and their three-letter extensions.
// The KEY/BIF side, the ERF reader and the archive writer each read it with a
// small variant of their own.
#pragma once

#include <cstdint>
#include <string>

// KEY/BIF side: upper case; type 2 is MVA, 2060 is SSF, 9996 is INI; else "RAW".
std::string ResTypeToExt(std::int32_t resType);
// ERF reader: upper case; type 2 is MVE, 2060 is UTW, 9996 is INI; else "RAW".
std::string ModTypeToExt(std::int32_t resType);
// Archive writer: lower case, common rows only; else "raw".
std::string PakTypeToExt(std::int32_t resType);
// Archive writer: extension without dot, any letter case; -1 when not a common row.
std::int32_t PakExtToType(const std::string &ext);

// A key under which a resource's name and type are looked up: names match with
// the letters A to Z folded, as everywhere in the game's archives.
std::string ResourceKey(const std::string &resref, std::int32_t resType);
