// Pictures decoded by ImageMagick: the formats the program has no reader of
// its own for. ImageMagick is always told the format (it never guesses from
// the content), is set up once with limits that stop a hostile header from
// taking the machine's memory, and leaves no temporary files. Free of Qt:
// the picture viewer and quorlin image convert share it.
#pragma once

#include "media/URgbaImage.h"

#include <string>
#include <string_view>

// Decodes bytes with the named coder ("TGA", "PCX", "PSD", "SGI", "PNG" ...),
// upright, with alpha 255 when the picture has none. Raises
// std::runtime_error with ImageMagick's reason alone (no program name, file
// name or source location) when they are not a readable picture of that
// format, a damaged one included, or one beyond the program's limits.
TRgbaImage DecodeWithMagick(std::string_view bytes, const std::string &coder);
