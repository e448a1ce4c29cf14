// Picture files recognised by their content, never by their name: the one
// set of checks behind the picture viewer's decoders and quorlin image
// convert. Formats without a signature (TGA, the short-header DDS) are
// recognised only when their header describes a picture that fits in the
// file, so that a text or a damaged header is not taken for one.
#pragma once

#include <string_view>
#include <vector>

struct TPictureFormat {
    const char *Name; // "TGA", "PCX", ...
    // True when bytes (a whole file) look like a picture of this format.
    bool (*Recognises)(std::string_view bytes);
};

// In the order they are tried: TGA, PCX, GIF, PNG, PSD, PSP, DDS, TIFF, SGI,
// JPEG, BMP.
const std::vector<TPictureFormat> &PictureFormats();
// The first format, in that order, that recognises bytes; nullptr for none.
const TPictureFormat *RecognisePicture(std::string_view bytes);
// The format a file extension (without its dot, in any letter case) names
// among them ("tga", "vda", "pcx", "tif", "rgb", "dds" ...), or nullptr.
// Bitmaps and JPEG pictures ("bmp", "jpg" ...) are named too.
const char *PictureFormatOfExtension(std::string_view extension);
