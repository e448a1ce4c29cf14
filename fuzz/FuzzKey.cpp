// KEY index: the tables, the BIF names, and every resource's bytes from the
// BIF that lies beside it (the demo's seeds keep their BIFs' names).
#include "FuzzSupport.h"

#include "archives/UCKEYV1.h"

#include <cstdlib>
#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "key");
    // The BIFs of the seed corpus lie beside the input, as in a game folder.
    static const bool bifsCopied = [&path] {
        if (const char *bifs = std::getenv("QUORLIN_FUZZ_BIFS")) {
            const std::filesystem::path data = std::filesystem::path(path).parent_path() / "data";
            std::filesystem::create_directories(data);
            for (const auto &entry : std::filesystem::directory_iterator(bifs))
                std::filesystem::copy_file(entry.path(), data / entry.path().filename(),
                                           std::filesystem::copy_options::overwrite_existing);
        }
        return true;
    }();
    (void)bifsCopied;
    Refusing([&] {
        CKEY_FILE key;
        if (!key.Open(path))
            return;
        for (std::size_t bif = 0; bif < key.Bifs.size(); ++bif)
            for (const RKEY_RESSOURCE &resource : key.Bifs[bif].Resources)
                Refusing([&] { key.ExtractToString(int(bif), resource.Index); });
    });
    return 0;
}
