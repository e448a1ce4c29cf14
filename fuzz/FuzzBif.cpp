// BIF archive: its fixed and variable resource tables.
#include "FuzzSupport.h"

#include "archives/UCKEYV1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "bif");
    Refusing([&] {
        CBIF_FILE bif;
        bif.Open(path);
    });
    return 0;
}
