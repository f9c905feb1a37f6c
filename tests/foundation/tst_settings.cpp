// setting.ini: every key's default, what a hand-edited file reads as, what is
// written back, and the profile accessors around the settings object.
#include "zdtestmain.h"

#include "cpublic.h"
#include "stdafx.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

namespace
{

struct Key {
    const char* section;
    const char* key;
    std::function<QString()> get;
    std::function<void(const QString&)> set;
    std::function<QString()> def;
};

#define ZD_INT_KEY(section, key, field, defValue)                                                  \
    Key                                                                                            \
    {                                                                                              \
        section, key, [] { return QString::number(g_Global.field); },                              \
            [](const QString& v) { g_Global.field = v.toInt(); },                                  \
            [] { return QStringLiteral(#defValue); }                                               \
    }
#define ZD_STR_KEY(section, key, field, defExpr)                                                   \
    Key                                                                                            \
    {                                                                                              \
        section, key, [] { return g_Global.field; }, [](const QString& v) { g_Global.field = v; }, \
            [] { return QString(defExpr); }                                                        \
    }

QString movies()
{
    return QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
}

QString englishFile()
{
    return QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
}

// The 49 keys of setting.ini with their fields and defaults.
const QList<Key>& allKeys()
{
    static const QList<Key> keys = {
        ZD_STR_KEY("LANG", "lang", langFile, englishFile()),
        ZD_INT_KEY("RECORD", "width", recWidth, 0),
        ZD_INT_KEY("RECORD", "height", recHeight, 0),
        ZD_INT_KEY("RECORD", "fps", recFps, 0),
        ZD_INT_KEY("RECORD", "bitrate", recBitrate, 10485760),
        ZD_INT_KEY("RECORD", "format", recFormat, 0),
        ZD_INT_KEY("RECORD", "vcodec", recVCodec, 0),
        ZD_INT_KEY("RECORD", "vspeed", recVSpeed, 0),
        ZD_STR_KEY("RECORD", "saveto", recSaveTo, movies()),
        Key{"RECORD", "autoname", [] { return QString::number(g_Global.recAutoName ? 1 : 0); },
            [](const QString& v) { g_Global.recAutoName = v.toInt() != 0; },
            [] { return QStringLiteral("1"); }},
        ZD_INT_KEY("RECORD", "hotkey-rec", recHotkeyRec, 2),
        ZD_INT_KEY("RECORD", "hotkey-pau", recHotkeyPause, 3),
        ZD_INT_KEY("RECORD", "bmp-cut-delay", recBmpCutDelay, 2),
        Key{"RECORD", "HW-CAP", [] { return g_Global.hwCap.Text(); },
            [](const QString& v) { g_Global.hwCap.Read(v); },
            [] { return QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"); }},
        ZD_INT_KEY("RECORD", "SPLITMB", recSplitMB, 0),
        ZD_STR_KEY("PICTURE", "saveto", picSaveTo, movies()),
        ZD_STR_KEY("PICTURE", "ext", picExt, QStringLiteral("png")),
        ZD_INT_KEY("PICTURE", "hotkey-bmp", picHotkey, 4),
        ZD_INT_KEY("PICTURE", "gif-width", gifWidth, 320),
        ZD_INT_KEY("PICTURE", "gif-height", gifHeight, 240),
        ZD_INT_KEY("PICTURE", "gif-keepasr", gifKeepAspect, 1),
        ZD_INT_KEY("PICTURE", "gif-fps", gifFps, 15),
        ZD_INT_KEY("DUD", "enable-server", dudEnableServer, 0),
        ZD_INT_KEY("DUD", "enable-live", dudEnableLive, 1),
        ZD_INT_KEY("DUD", "server-port", dudServerPort, 9875),
        ZD_INT_KEY("DUD", "enc-w", dudEncWidth, 1280),
        ZD_INT_KEY("DUD", "enc-h", dudEncHeight, 720),
        ZD_INT_KEY("DUD", "enc-fps", dudEncFps, 30),
        ZD_INT_KEY("DUD", "enc-bitrate", dudEncBitrate, 3145728),
        ZD_INT_KEY("WND", "MainWnd_X", wndX, 0),
        ZD_INT_KEY("WND", "MainWnd_Y", wndY, 0),
        ZD_INT_KEY("WND", "MainWnd_W", wndW, 0),
        ZD_INT_KEY("WND", "MainWnd_H", wndH, 0),
        ZD_INT_KEY("WND", "AutoHideBarWhenStart", autoHideBarWhenStart, 0),
        ZD_INT_KEY("WND", "AutoFullScreenWhenStart", autoFullScreenWhenStart, 0),
        ZD_INT_KEY("WND", "HideStatusBarWhenHideBar", hideStatusBarWhenHideBar, 0),
        ZD_INT_KEY("WND", "AutoMuteWhenShowFilesDlg", autoMuteWhenShowFilesDlg, 1),
        ZD_INT_KEY("WND", "IsRecordInterface", isRecordInterface, 1),
        ZD_INT_KEY("PREVIEW", "VRENDER2", videoRender, 0),
        ZD_INT_KEY("PREVIEW", "KEEPASR", keepAspect, 1),
        ZD_INT_KEY("PREVIEW", "IgnoreVD", ignoreVD, 1),
        ZD_STR_KEY("PREVIEW", "ARENDER", audioRender, QString()),
        ZD_INT_KEY("LIVE", "WIDTH", liveWidth, 1920),
        ZD_INT_KEY("LIVE", "HEIGHT", liveHeight, 1080),
        ZD_INT_KEY("LIVE", "FPS", liveFps, 30),
        ZD_INT_KEY("LIVE", "bitrate", liveBitrate, 1048576),
        ZD_STR_KEY("LIVE", "FLV-DIR", liveFlvDir, movies()),
        Key{"LIVE", "Save-flv", [] { return QString::number(g_Global.liveSaveFlv ? 1 : 0); },
            [](const QString& v) { g_Global.liveSaveFlv = v.toInt() != 0; },
            [] { return QStringLiteral("1"); }},
        ZD_INT_KEY("DEVICE-4K30", "HDR", hdr4k30, 0),
    };
    return keys;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshFileReadsEveryDefault();
    void saveWritesThe49Keys();
    void everyKeyRoundTrips();
    void handWrittenValues_data();
    void handWrittenValues();
    void hwCapText_data();
    void hwCapText();
    void languageFileFallsBackToDefault();
    void accessorsWithoutSettingsObject();
    void accessorsReadAndWrite();
    void saveFailureIsReported();

private:
    void openSettings();
    void writeFile(const QByteArray& contents);
    QString m_path;
    QTemporaryDir m_dir;
};

void TestSettings::init()
{
    g_Global = GLOBAL_PARAMS();
    m_path = m_dir.filePath(QStringLiteral("setting.ini"));
    QFile::remove(m_path);
}

void TestSettings::cleanup()
{
    delete g_pIni;
    g_pIni = nullptr;
}

void TestSettings::openSettings()
{
    delete g_pIni;
    g_pIni = new QSettings(m_path, QSettings::IniFormat);
}

void TestSettings::writeFile(const QByteArray& contents)
{
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

void TestSettings::freshFileReadsEveryDefault()
{
    openSettings();
    ReadSetupConfig();
    for (const Key& k : allKeys())
        QVERIFY2(k.get() == k.def(),
                 qPrintable(QString("%1/%2 = %3").arg(k.section, k.key, k.get())));
    QCOMPARE(g_Global.fontName, QStringLiteral("SF Mono"));
    // Run-time fields stay as the program loaded them.
    QCOMPARE(g_Global.noDevicePicture, 1);
    QCOMPARE(g_Global.dudRunning, 0);
}

void TestSettings::saveWritesThe49Keys()
{
    openSettings();
    ReadSetupConfig();
    QVERIFY(SaveSetupConfig());
    delete g_pIni;
    g_pIni = nullptr;

    QSettings file(m_path, QSettings::IniFormat);
    QStringList stored = file.allKeys();
    stored.sort();
    QStringList expected;
    for (const Key& k : allKeys())
        expected << QString("%1/%2").arg(k.section, k.key);
    expected.sort();
    QCOMPARE(stored, expected);
    QCOMPARE(stored.size(), 49);
    for (const Key& k : allKeys()) {
        const QVariant value = file.value(QString("%1/%2").arg(k.section, k.key));
        QCOMPARE(value.toString(), k.def());
    }
}

void TestSettings::everyKeyRoundTrips()
{
    openSettings();
    ReadSetupConfig();
    // Distinct, non-default values in every field.
    int n = 0;
    for (const Key& k : allKeys()) {
        ++n;
        const QString key = QString::fromLatin1(k.key);
        if (key == "autoname" || key == "Save-flv")
            k.set("0");
        else if (key == "HW-CAP")
            k.set("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
        else if (key == "lang" || key == "saveto" || key == "FLV-DIR" || key == "ext" ||
                 key == "ARENDER")
            k.set(m_dir.filePath(QString("value, with comma %1").arg(n)));
        else
            k.set(QString::number(1000 + n));
    }
    // The language file named must exist to be kept.
    QFile(g_Global.langFile).open(QIODevice::WriteOnly);
    QMap<QString, QString> saved;
    for (const Key& k : allKeys())
        saved[QString("%1/%2").arg(k.section, k.key)] = k.get();
    QVERIFY(SaveSetupConfig());

    g_Global = GLOBAL_PARAMS();
    openSettings();
    ReadSetupConfig();
    for (const Key& k : allKeys())
        QCOMPARE(k.get(), saved[QString("%1/%2").arg(k.section, k.key)]);
}

void TestSettings::handWrittenValues_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("writtenBack");

    QTest::newRow("fps not a number reads 0") << QByteArray("[RECORD]\nfps=abc\n") << "RECORD/fps"
                                              << "0"
                                              << "0";
    QTest::newRow("autoname 7 reads and writes 1")
        << QByteArray("[RECORD]\nautoname=7\n") << "RECORD/autoname"
        << "1"
        << "1";
    QTest::newRow("Save-flv -2 reads 1") << QByteArray("[LIVE]\nSave-flv=-2\n") << "LIVE/Save-flv"
                                         << "1"
                                         << "1";
    // Hand-written without quotes, QSettings hands the value back as a list.
    QTest::newRow("HW-CAP of four numbers, unquoted")
        << QByteArray("[RECORD]\nHW-CAP=1,5,6,7\n") << "RECORD/HW-CAP"
        << "1,5,6,7,9,9,9,9,9,9,9,9,9,9,9"
        << "1,5,6,7,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("HW-CAP quoted")
        << QByteArray("[RECORD]\nHW-CAP=\"1,5,6,7\"\n") << "RECORD/HW-CAP"
        << "1,5,6,7,9,9,9,9,9,9,9,9,9,9,9"
        << "1,5,6,7,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("HW-CAP damaged after two")
        << QByteArray("[RECORD]\nHW-CAP=\"1,5,x,7\"\n") << "RECORD/HW-CAP"
        << "1,5,9,9,9,9,9,9,9,9,9,9,9,9,9"
        << "1,5,9,9,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("folder with an unquoted comma")
        << QByteArray("[RECORD]\nsaveto=/home/u/a,b\n") << "RECORD/saveto"
        << "/home/u/a,b"
        << "/home/u/a,b";
    QTest::newRow("port with blanks")
        << QByteArray("[DUD]\nserver-port= 8080 \n") << "DUD/server-port"
        << "8080"
        << "8080";
    QTest::newRow("CRLF file") << QByteArray("[LIVE]\r\nWIDTH=1280\r\n") << "LIVE/WIDTH"
                               << "1280"
                               << "1280";
}

void TestSettings::handWrittenValues()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QFETCH(QString, writtenBack);

    writeFile(contents);
    // Slots that a short HW-CAP text does not reach keep their earlier values.
    for (int i = 0; i < 15; ++i)
        g_Global.hwCap[i] = 9;
    openSettings();
    ReadSetupConfig();
    const Key* key = nullptr;
    for (const Key& k : allKeys())
        if (QString("%1/%2").arg(k.section, k.key) == field)
            key = &k;
    QVERIFY(key != nullptr);
    QCOMPARE(key->get(), expected);

    QVERIFY(SaveSetupConfig());
    delete g_pIni;
    g_pIni = nullptr;
    QSettings file(m_path, QSettings::IniFormat);
    QCOMPARE(file.value(field).toString(), writtenBack);
}

void TestSettings::hwCapText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("slotsAfter"); // slot 14 first, as stored

    QTest::newRow("empty is all zeros") << ""
                                        << "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0";
    QTest::newRow("all fifteen") << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"
                                 << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15";
    QTest::newRow("sixteenth ignored") << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"
                                       << "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15";
    QTest::newRow("first field bad") << "x,1"
                                     << "9,9,9,9,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("blank before a number, sign") << " -3, +4"
                                                 << "-3,4,9,9,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("blank before a comma stops") << "1 ,2"
                                                << "1,9,9,9,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("trailing comma") << "1,2,"
                                    << "1,2,9,9,9,9,9,9,9,9,9,9,9,9,9";
    QTest::newRow("out of range is clamped") << "99999999999,-99999999999"
                                             << "2147483647,-2147483648,9,9,9,9,9,9,9,9,9,9,9,9,9";
}

void TestSettings::hwCapText()
{
    QFETCH(QString, text);
    QFETCH(QString, slotsAfter);
    taghwgpu cap;
    for (int i = 0; i < 15; ++i)
        cap[i] = 9;
    cap.Read(text);
    QCOMPARE(cap.Text(), slotsAfter);
}

void TestSettings::languageFileFallsBackToDefault()
{
    writeFile("[LANG]\nlang=/nonexistent/Klingon.txt\n");
    openSettings();
    ReadSetupConfig();
    QCOMPARE(g_Global.langFile, englishFile());

    const QString own = m_dir.filePath("Own.txt");
    QFile(own).open(QIODevice::WriteOnly);
    QVERIFY(AfxWriteProfileString("LANG", "lang", own));
    ReadSetupConfig();
    QCOMPARE(g_Global.langFile, own);
}

void TestSettings::accessorsWithoutSettingsObject()
{
    QVERIFY(g_pIni == nullptr);
    QCOMPARE(AfxGetProfileInt("RECORD", "width", 5), 5);
    QCOMPARE(AfxGetProfileString("Feedback", "name", "someone"), QStringLiteral("someone"));
    QVERIFY(!AfxWriteProfileInt("RECORD", "width", 7));
    QVERIFY(!AfxWriteProfileString("Feedback", "name", "x"));
    QVERIFY(!SaveSetupConfig());
    QVERIFY(!QFile::exists(m_path));
}

void TestSettings::accessorsReadAndWrite()
{
    writeFile("[POPUPAD]\n12=1\n[CONFIG]\nSKIPVERSION=V1.11\n"
              "[Record]\ndefault-video-device-name=Cam\n[RECORD]\nwidth=junk\n");
    openSettings();
    QCOMPARE(AfxGetProfileInt("POPUPAD", "12", 0), 1);
    QCOMPARE(AfxGetProfileInt("POPUPAD", "13", 0), 0);
    QCOMPARE(AfxGetProfileInt("POPUPAD", "13", 4), 4);
    // Present but not a number: 0, not the default.
    QCOMPARE(AfxGetProfileInt("RECORD", "width", 5), 0);
    QCOMPARE(AfxGetProfileString("CONFIG", "SKIPVERSION", ""), QStringLiteral("V1.11"));
    QCOMPARE(AfxGetProfileString("Record", "default-video-device-name", ""), QStringLiteral("Cam"));
    // An empty stored value is a value.
    QVERIFY(AfxWriteProfileString("Feedback", "email", ""));
    QCOMPARE(AfxGetProfileString("Feedback", "email", "d"), QString());

    // Device names become section names whatever they hold.
    const QString device = QStringLiteral("USB Video: Cam [HD] / #2 = x");
    QVERIFY(AfxWriteProfileInt(device, "last-width", 1920));
    QVERIFY(AfxWriteProfileString(device, "last-codec-name", "YUY2"));
    g_pIni->sync();
    openSettings();
    QCOMPARE(AfxGetProfileInt(device, "last-width", 0), 1920);
    QCOMPARE(AfxGetProfileString(device, "last-codec-name", ""), QStringLiteral("YUY2"));
}

void TestSettings::saveFailureIsReported()
{
    // A folder that is a file cannot hold setting.ini, whoever runs the test.
    const QString notAFolder = m_dir.filePath("not-a-folder");
    QFile(notAFolder).open(QIODevice::WriteOnly);
    m_path = notAFolder + "/setting.ini";
    openSettings();
    ReadSetupConfig();
    QVERIFY(!SaveSetupConfig());
}

ZD_TEST_MAIN(TestSettings, QCoreApplication)
#include "tst_settings.moc"
