// PSP pictures: blocks, layers, channels and their compressions.
#include "FuzzSupport.h"

#include "media/UPSP.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    Refusing([&] { DecodePsp(InputBytes(data, size), "input.psp"); });
    return 0;
}
