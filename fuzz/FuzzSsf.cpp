// Sound sets.
#include "FuzzSupport.h"

#include "formats/UCSSF.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "ssf");
    Refusing([&] {
        CSSF soundSet;
        soundSet.Load(path);
    });
    return 0;
}
