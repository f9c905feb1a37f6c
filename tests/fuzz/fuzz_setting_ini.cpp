// setting.ini as a user or another program may have left it, read into the
// settings record (the HW-CAP text included) through the settings file.
#include "fuzz_common_app.h"
#include "qmysettingsfile.h"
#include "stdafx.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zdfuzz::setUp();
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("setting.ini"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    g_pIni = QMySettingsFile::Open(path);
    ReadSetupConfig();
    AfxGetProfileInt(QStringLiteral("POPUPAD"), QStringLiteral("12"), 0);
    AfxGetProfileString(QStringLiteral("CONFIG"), QStringLiteral("SKIPVERSION"), QString());
    delete g_pIni;
    g_pIni = nullptr;

    taghwgpu cap = {};
    cap.Read(QString::fromLocal8Bit(reinterpret_cast<const char*>(data), qsizetype(size)));
    cap.Text();
    return 0;
}
