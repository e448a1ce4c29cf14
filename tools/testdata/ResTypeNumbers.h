// Resource type numbers of the game's archives, for building test and demo files
// without the core's type table.
#pragma once

#include <cstdint>

namespace testdata::restype {

inline constexpr std::uint16_t BMP = 1;
inline constexpr std::uint16_t MVE = 2;
inline constexpr std::uint16_t TGA = 3;
inline constexpr std::uint16_t WAV = 4;
inline constexpr std::uint16_t PLT = 6;
inline constexpr std::uint16_t INI = 7;
inline constexpr std::uint16_t TXT = 10;
inline constexpr std::uint16_t MDL = 2002;
inline constexpr std::uint16_t NSS = 2009;
inline constexpr std::uint16_t NCS = 2010;
inline constexpr std::uint16_t ARE = 2012;
inline constexpr std::uint16_t SET = 2013;
inline constexpr std::uint16_t IFO = 2014;
inline constexpr std::uint16_t WOK = 2016;
inline constexpr std::uint16_t TWODA = 2017;
inline constexpr std::uint16_t TLK = 2018;
inline constexpr std::uint16_t TXI = 2022;
inline constexpr std::uint16_t GIT = 2023;
inline constexpr std::uint16_t UTI = 2025;
inline constexpr std::uint16_t UTC = 2027;
inline constexpr std::uint16_t DLG = 2029;
inline constexpr std::uint16_t ITP = 2030;
inline constexpr std::uint16_t DDS = 2033;
inline constexpr std::uint16_t UTP = 2044;
inline constexpr std::uint16_t UTW = 2058;
inline constexpr std::uint16_t SSF_ALIAS = 2060; // named SSF on the KEY side, UTW in ERF archives
inline constexpr std::uint16_t SSF = 2061;
inline constexpr std::uint16_t INI_ALIAS = 9996; // named INI by both readers
inline constexpr std::uint16_t UNKNOWN = 2057;   // in no row of the table

} // namespace testdata::restype
