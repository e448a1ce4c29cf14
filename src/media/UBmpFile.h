// Writing pictures as BMP files: 32 bits a pixel, what the PLT viewer's
// export and quorlin plt render write. Rows are stored bottom-up, each pixel
// as blue, green, red and a fourth byte of 255, so that readers taking it
// for alpha still see an opaque picture.
#pragma once

#include "media/URgbaImage.h"

#include <string>

// The whole file for picture (which must hold Width x Height pixels).
std::string EncodeBmp32(const TRgbaImage &picture);
// Writes EncodeBmp32(picture) to path, exactly as named; raises EFileError.
void SaveBmp32(const std::string &path, const TRgbaImage &picture);
