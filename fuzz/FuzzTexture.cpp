// Model textures: the first byte chooses TGA, BMP, PLT or JPEG, the rest is
// the picture.
#include "FuzzSupport.h"

#include "model/UTexturePicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    QuietMessages();
    static const char *const kTypes[] = {"TGA", "BMP", "PLT", "JPG"};
    static const TModelPalette palette(kModelPaletteRows);
    const std::string type = kTypes[data[0] % 4];
    Refusing([&] { DecodeTexture(InputBytes(data + 1, size - 1), type, "input." + type, &palette); });
    return 0;
}
