// The share-server search reply, as the share dialog reads it.
#include "qdudmanagerdlg.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const DudSearchReply read = ParseDudSearchReply(QString::fromLocal8Bit(bytes));
    // Every entry has its player address, and every address is a link.
    if (read.names.size() != read.links.size())
        std::abort();
    for (const QString& link : read.links)
        if (!link.startsWith(QLatin1String("http://")) || !link.endsWith(QLatin1String("/preview")))
            std::abort();
    return 0;
}
