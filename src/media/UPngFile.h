// Writing pictures as PNG files: 8 bits a channel with alpha, what quorlin
// image convert writes. Rows are compressed as they are made, so a picture
// never sits in memory twice uncompressed.
#pragma once

#include "media/URgbaImage.h"

#include <string>

// The whole file for picture (which must hold Width x Height pixels).
std::string EncodePng(const TRgbaImage &picture);
// Writes EncodePng(picture) to path, exactly as named; raises EFileError.
void SavePng(const std::string &path, const TRgbaImage &picture);
