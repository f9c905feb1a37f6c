// The streaming-service presets reader on arbitrary bytes.
#include "fuzz_common_app.h"
#include "qmyservershelper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    qmyservershelper::ParseServices(bytes);
    const QString path = QDir::homePath() + "/services.xconfig";
    zdfuzz::writeFile(path, data, size);
    QList<QString> urls;
    qmyservershelper::LoadServersFrom(path, nullptr, urls);
    return 0;
}
