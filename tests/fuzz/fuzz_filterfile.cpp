// The .filter reader on arbitrary bytes, the texts rebuilt from each loaded
// record, then the writer.
#include "fuzz_common_app.h"
#include "qmyfilters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    QMyFilters chain("Fuzz Cam");
    zdfuzz::writeFile(chain.filePath(), data, size);
    chain.loadDeviceFilters();
    for (FILTERITEM item : chain.filterList) {
        FilterItemName(item);
        UpdateFilterDataText(&item);
        FilterItemCmd(item);
    }
    chain.NewFilterId();
    chain.saveDeviceFilters();
    return 0;
}
