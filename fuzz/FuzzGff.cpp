// GFF files (blueprints, palettes, module information): the entry grid and
// the text dump.
#include "FuzzSupport.h"

#include "formats/UCUT.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "utc");
    Refusing([&] {
        CUT reader;
        reader.MakeText = true;
        reader.Load(path);
        for (const RUT &entry : reader.Entries) {
            reader.NameText(entry);
            reader.ValueText(entry);
        }
    });
    return 0;
}
