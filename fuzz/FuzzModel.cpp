// Models, binary and ASCII (the first four bytes choose): nodes, meshes,
// animations, node matrices and merged materials.
#include "FuzzSupport.h"

#include "model/UCMDL.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "mdl");
    Refusing([&] {
        CMDL model;
        model.Open(path);
    });
    return 0;
}
