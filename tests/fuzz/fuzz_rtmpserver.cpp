// The RTMP server list reader on arbitrary bytes, then the writer.
#include "fuzz_common_app.h"
#include "liveserveraddresshelper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    zdfuzz::writeFile(QLiveServerAddressHelper::filePath(), data, size);
    QLiveServerAddressHelper list; // loads
    QList<QString> rows;
    list.getStrings(rows);
    list.IsDouble("n", "rtmp://a", "k", 0);
    list.Save();
    return 0;
}
