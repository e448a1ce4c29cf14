// DDS textures: both containers, their headers and levels, every level
// decoded; and the recognition by content that the picture viewer and the
// tool run on every picture file.
#include "FuzzSupport.h"

#include "media/UDdsFile.h"
#include "media/UPictureFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string_view bytes = InputBytes(data, size);
    (void)RecognisePicture(bytes);
    Refusing([&] {
        const TDdsTexture dds = ReadDds(bytes, "input.dds");
        for (std::size_t level = 0; level < dds.Levels.size(); ++level)
            DecodeDdsLevel(dds, level);
    });
    return 0;
}
