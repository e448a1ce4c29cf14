// 2DA tables: the version line, default, titles and rows.
#include "FuzzSupport.h"

#include "formats/UCTOKEN.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    Refusing([&] { Parse2DA(std::string(InputBytes(data, size))); });
    return 0;
}
