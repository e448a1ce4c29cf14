// MOD, HAK, ERF and NWM archives: the entry lists, every entry's bytes and
// the extraction of the first entries into a folder.
#include "FuzzSupport.h"

#include "archives/UCMOD.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "erf");
    Refusing([&] {
        CMOD archive;
        if (!archive.Open(path))
            return;
        for (std::size_t i = 0; i < archive.Entries.size(); ++i)
            Refusing([&] { archive.ExtractToString(int(i)); });
        std::vector<int> first(std::min<std::size_t>(archive.Entries.size(), 8));
        for (std::size_t i = 0; i < first.size(); ++i)
            first[i] = int(i);
        archive.ExtractEntries(first, FreshFolder());
    });
    return 0;
}
