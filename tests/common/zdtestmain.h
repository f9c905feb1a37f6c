// Every test runs with its own temporary HOME and XDG folders, so that the
// application-data folder, the videos folder and the settings never touch the
// developer's own, and no test sees another's files.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "vazURIdav_test.h"

namespace zdtest
{

inline QTemporaryDir& sandbox()
{
    static QTemporaryDir dir;
    return dir;
}

inline void enterSandbox()
{
    const QString root = sandbox().path();
    const char* names[][2] = {{"HOME", "home"},
                              {"XDG_DATA_HOME", "home/.local/share"},
                              {"XDG_CONFIG_HOME", "home/.config"},
                              {"XDG_CACHE_HOME", "home/.cache"},
                              {"XDG_RUNTIME_DIR", "runtime"},
                              {"TMPDIR", "tmp"},
                              // The engine lists no device of the machine it runs on.
                              {"VAZURIDAV_DEV_ROOT", "dev"},
                              {"VAZURIDAV_SYS_ROOT", "sys"}};
    for (const auto& n : names) {
        const QString path = root + "/" + n[1];
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
        qputenv(n[0], path.toUtf8());
    }
    // The engine plays sound only on a server the test starts itself
    // (zdpulseserver.h), never on the desktop's.
    qputenv("PULSE_SERVER", ("unix:" + root + "/runtime/no-sound-server").toUtf8());
}

} // namespace zdtest

// QTEST_MAIN with the sandbox entered before the application object exists,
// and the engine's call trace on from the first call, as every test that
// reads it (zdenginetrace.h) expects; the program itself never turns it on.
#define ZD_TEST_MAIN(TestObject, AppClass)                                                         \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        zdtest::enterSandbox();                                                                    \
        ZDT_EnableTrace(1);                                                                        \
        AppClass app(argc, argv);                                                                  \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
