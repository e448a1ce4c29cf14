// DDS textures of the project's own making: a small DXT1/DXT5 block encoder
// and the mip chain it encodes, in both containers. Pictures are given top
// row first, as everywhere in the demo; the files store the bottom row first,
// as the game's textures do.
#pragma once

#include "DemoFormats.h"

#include <string>
#include <vector>

namespace demo {

enum class DdsKind { Dxt1, Dxt5 };

// The blocks of one level. Dxt1 gives pixels of alpha below 128 the
// transparent index of a three-colour block; Dxt5 keeps alpha in 8 levels.
std::string EncodeDdsBlocks(const Picture &picture, DdsKind kind);
// The picture and its halvings down to 1 x 1, each pixel the mean of the
// (up to) four below it.
std::vector<Picture> MipChain(const Picture &picture);

// The newer edition's short header (colour-format code 3 for Dxt1, 4 for
// Dxt5) with the full chain.
std::string MakeShortDds(const Picture &picture, DdsKind kind);
// The standard container, FourCC DXT1 (flagged with alpha when the picture
// has transparent pixels) or DXT5, with the full chain.
std::string MakeStandardDds(const Picture &picture, DdsKind kind);

} // namespace demo
