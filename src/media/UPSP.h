// PSP pictures (*.psp): layered raster files of a paint program, decoded to
// the one flattened picture a viewer shows. A file may hold that picture
// ready-made (a "composite"); when it does not, the visible raster layers are
// blended here, bottom first, the way their editor shows them.
#pragma once

#include "media/URgbaImage.h"

#include <string>
#include <string_view>

// True when bytes (a whole file, or at least its first 32 bytes) start with
// the signature of a PSP picture.
bool IsPspFile(std::string_view bytes);

// Decodes a whole PSP file. Raises EFileError naming fileName when the file is
// damaged or uses a depth or compression this reader does not decode (16 bits
// a sample, pictures stored only as JPEG).
TRgbaImage DecodePsp(std::string_view bytes, const std::string &fileName);
