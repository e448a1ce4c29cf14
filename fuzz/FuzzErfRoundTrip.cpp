// The packer's reader and writer: whatever it opens, it saves, and the saved
// archive reads back with the same names, types and bytes.
#include "FuzzSupport.h"

#include "archives/UCMOD.h"
#include "packer/UCMODPAK.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "mod");
    Refusing([&] {
        CMODPAK pak;
        if (!pak.Open(path) || pak.Kind == akNone)
            return;
        const std::string saved = pak.Save(FreshFolder() + "saved");
        CMOD reread;
        if (!reread.Open(saved) || reread.Entries.size() != pak.Entries().size())
            std::abort();
        for (std::size_t i = 0; i < pak.Entries().size(); ++i) {
            const RMOD_FILE &written = pak.Entries()[i];
            const RMOD_ENTRY &read = reread.Entries[i];
            if (read.ResType != written.ResType || reread.ExtractToString(int(i)) != written.Data)
                std::abort();
        }
    });
    return 0;
}
