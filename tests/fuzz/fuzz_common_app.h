// Shared set-up of the application-side fuzz targets: a private data folder
// and a Qt core application, made once per process, and Qt's messages kept
// quiet.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace zdfuzz
{

inline void setUp()
{
    static QTemporaryDir* root = nullptr;
    if (root)
        return;
    root = new QTemporaryDir(QDir::tempPath() + "/zdfuzz-XXXXXX");
    const QString home = root->path();
    QDir().mkpath(home + "/share");
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/share").toUtf8());
    qputenv("TZ", "UTC");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    // Qt warns about what odd inputs hold (a NUL in a file name, say): a
    // fuzz target prints nothing per input.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

inline void writeFile(const QString& path, const uint8_t* data, size_t size)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), qint64(size));
}

} // namespace zdfuzz
