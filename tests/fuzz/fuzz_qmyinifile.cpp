// A language file: any bytes, parsed and looked up.
#include "qmyinifile.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMyIniFile ini;
    ini.ParseText(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    ini.getValue(QStringLiteral("STRING"), QStringLiteral("L0023"), QString());
    for (const QMyIniSection& section : ini.sections())
        for (auto it = section.values.cbegin(); it != section.values.cend(); ++it)
            ini.getValue(section.name, it.key(), QString());
    return 0;
}
