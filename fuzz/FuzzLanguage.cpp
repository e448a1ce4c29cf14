// Interface language files and every INI file the program reads.
#include "FuzzSupport.h"

#include "app/ULanguageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    const std::string path = WriteInput(data, size, "ini");
    Refusing([&] {
        if (const std::optional<CINIFILE> file = ReadLanguageFile(path)) {
            for (const std::string &section : file->Sections())
                file->SectionValues(section);
            file->Value("TFrm_BIF", "ListRes_C2");
        }
    });
    return 0;
}
