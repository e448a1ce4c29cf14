// Talk tables: the entries, their texts in the table's encoding, and search.
#include "FuzzSupport.h"

#include "formats/UCTLK.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "tlk");
    Refusing([&] {
        CTLK table;
        table.Load(path);
        table.Search("a");
        table.Search("\xC3\xA9");
    });
    return 0;
}
