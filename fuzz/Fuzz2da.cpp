// 2DA tables: the version line, default, titles and rows.
#include "FuzzSupport.h"

#include "formats/UCTOKEN.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QuietMessages();
    Refusing([&] {
        const T2DATable table = Parse2DA(std::string(InputBytes(data, size)));
        for (std::size_t row = 0; row < table.RowCount(); ++row) {
            table.CellsOf(row);
            table.Cell(row, row % (table.Titles.size() + 1));
        }
    });
    return 0;
}
