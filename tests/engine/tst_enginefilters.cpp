#include "enginetestsupport.h"
#include "zdtestmain.h"

class TestEngineFilters : public QObject
{
    Q_OBJECT
    void* m_handle = nullptr;

private slots:
    void init()
    {
        m_handle = initEngine("filters");
        QVERIFY(m_handle);
    }
    void cleanup() { ZD_Release(&m_handle); }

    void filtersThePanelsBuildAreKept_data()
    {
        QTest::addColumn<QByteArray>("cmd");
        QTest::newRow("blur") << QByteArray("boxblur=50");
        QTest::newRow("sepia") << QByteArray(
            "colorchannelmixer=.393:.769:.189:0:.349:.686:.168:0:.272:.534:.131");
        QTest::newRow("flip") << QByteArray("vflip");
        QTest::newRow("instance name") << QByteArray("hflip@mirror");
        QTest::newRow("quoted comma") << QByteArray("lutyuv=y='clip(val,16,235)'");
        QTest::newRow("escaped comma") << QByteArray("lutyuv=y=clip(val\\,16\\,235)");
        QTest::newRow("empty custom text") << QByteArray("");
        // Every string the filter editor builds, at its defaults and styles.
        QTest::newRow("colour balance") << QByteArray(
            "colorbalance=rs=0.0:gs=0.0:bs=0.0:rm=0.5:gm=0.0:bm=0.0:rh=0.0:gh=0.0:bh=0.0");
        QTest::newRow("equalizer")
            << QByteArray("eq=contrast=1.0:brightness=0.0:saturation=1.0:gamma=1.0:gamma_r=1.0:"
                          "gamma_g=1.0:gamma_b=1.0:gamma_weight=1.0");
        QTest::newRow("style none") << QByteArray("lutyuv=y=val:u=val:v=val");
        QTest::newRow("style gray") << QByteArray("lutyuv=u=128:v=128");
        QTest::newRow("style old film")
            << QByteArray("lutyuv=u=(val-maxval/2)*2+maxval/2:v=(val-maxval/2)*2+maxval/2");
        QTest::newRow("colour key") << QByteArray("colorkey=0x00FF00:0.30:0.20");
        // Custom text: filters that only change pixels, options by position.
        QTest::newRow("hue") << QByteArray("hue=s=0");
        QTest::newRow("transpose by position") << QByteArray("transpose=1");
        QTest::newRow("crop") << QByteArray(" crop=w=100:h=80 ");
        QTest::newRow("unsharp") << QByteArray("unsharp=5:5:1.0");
    }

    void filtersThePanelsBuildAreKept()
    {
        QFETCH(QByteArray, cmd);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 0, 1, cmd.constData(), 1), 1);
    }

    void stringsLibavfilterRefuses_data()
    {
        QTest::addColumn<QByteArray>("cmd");
        QTest::newRow("movie") << QByteArray("movie=/etc/passwd");
        QTest::newRow("movie with instance") << QByteArray("movie@m=/tmp/x.mp4");
        QTest::newRow("amovie") << QByteArray("amovie=/tmp/a.wav");
        QTest::newRow("zmq") << QByteArray("zmq");
        QTest::newRow("sendcmd") << QByteArray("sendcmd=f=/tmp/cmds");
        QTest::newRow("chain") << QByteArray("hflip,vflip");
        QTest::newRow("chain hiding movie") << QByteArray("hflip,movie=/etc/passwd");
        QTest::newRow("two chains") << QByteArray("hflip;vflip");
        QTest::newRow("labels") << QByteArray("[in]hflip[out]");
        QTest::newRow("split has two outputs") << QByteArray("split");
        QTest::newRow("overlay has two inputs") << QByteArray("overlay");
        QTest::newRow("audio filter") << QByteArray("volume=2");
        QTest::newRow("source filter") << QByteArray("testsrc");
        QTest::newRow("unknown filter") << QByteArray("nosuchfilter=1");
        QTest::newRow("unknown option") << QByteArray("boxblur=nosuchoption=3");
        QTest::newRow("out of range") << QByteArray("colorkey=0x00FF00:0.00:0.20");
        QTest::newRow("open quote") << QByteArray("lutyuv=y='val");
        QTest::newRow("not a name") << QByteArray("../x=1");
    }

    void stringsLibavfilterRefuses()
    {
        QFETCH(QByteArray, cmd);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 0, 1, cmd.constData(), 7), 0);
        // Nothing was kept under the id: a good filter takes it afterwards.
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 0, 1, "hflip", 7), 1);
    }

    // Strings that would load a library, write or read a file or open a
    // connection while libavfilter makes the filter, hidden behind quoting,
    // escapes, separators, labels, instance names and case. Each is refused
    // before anything is made: the victim file keeps its bytes, no file
    // appears, the marker library is never loaded.
    void hostileStringsAreRefusedWithoutHarm_data()
    {
        QTest::addColumn<QString>("cmd"); // %1: a folder of the test's own
        QTest::newRow("frei0r library") << "frei0r=filter_name=loadmarker";
        QTest::newRow("frei0r by position") << "frei0r=loadmarker";
        QTest::newRow("frei0r with instance") << "frei0r@f=loadmarker:0.5";
        QTest::newRow("metadata truncates") << "metadata=mode=print:file=%1/victim";
        QTest::newRow("metadata creates") << "metadata=mode=print:file=%1/made";
        QTest::newRow("metadata by position") << "metadata=print:::::%1/made";
        QTest::newRow("metadata connects") << "metadata=mode=print:file=tcp\\://127.0.0.1\\:9";
        QTest::newRow("metadata escaped colon") << "metadata=mode=print:file=%1/made\\:x";
        QTest::newRow("metadata quoted") << "metadata='mode=print:file=%1/made'";
        QTest::newRow("metadata upper case") << "METADATA=mode=print:file=%1/made";
        QTest::newRow("metadata mixed case") << "Metadata=mode=print:file=%1/made";
        QTest::newRow("metadata quoted name") << "'metadata'=mode=print:file=%1/made";
        QTest::newRow("metadata escaped name") << "meta\\data=mode=print:file=%1/made";
        QTest::newRow("metadata with instance") << "metadata@m=mode=print:file=%1/made";
        QTest::newRow("metadata after a comma") << "hflip,metadata=mode=print:file=%1/made";
        QTest::newRow("metadata after a semicolon") << "hflip;metadata=mode=print:file=%1/made";
        QTest::newRow("metadata in labels") << "[in]metadata=mode=print:file=%1/made[out]";
        QTest::newRow("metadata after a label") << "hflip[a];[a]metadata=print:file=%1/made";
        QTest::newRow("metadata behind an escaped quote")
            << "lutyuv=y='val\\',metadata=mode=print:file=%1/made'";
        QTest::newRow("metadata behind a quoted comma")
            << "lutyuv=y='val',metadata=mode=print:file=%1/made";
        QTest::newRow("metadata after blanks") << "  metadata =mode=print:file=%1/made";
        QTest::newRow("vidstabdetect overwrites") << "vidstabdetect=result=%1/victim";
        QTest::newRow("vidstabdetect creates") << "vidstabdetect=result=%1/made";
        QTest::newRow("drawtext reads a text file") << "drawtext=textfile=%1/victim";
        QTest::newRow("drawtext reads a font") << "drawtext=fontfile=%1/victim:text=a";
        QTest::newRow("subtitles") << "subtitles=%1/victim";
        QTest::newRow("lut3d") << "lut3d=file=%1/victim";
        QTest::newRow("removelogo") << "removelogo=%1/victim";
        QTest::newRow("cover_rect") << "cover_rect=cover=%1/victim";
        QTest::newRow("vidstabtransform") << "vidstabtransform=input=%1/victim";
        QTest::newRow("dnn model") << "dnn_processing=dnn_backend=tensorflow:model=%1/victim";
        QTest::newRow("allowed filter, file option") << "boxblur=file=%1/made";
        QTest::newRow("allowed filter, url option") << "hue=url=tcp\\://127.0.0.1\\:9";
    }

    void hostileStringsAreRefusedWithoutHarm()
    {
        QFETCH(QString, cmd);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Where libavfilter's plug-in filters look for libraries.
        QVERIFY(
            QFile::copy(QStringLiteral(ZD_TEST_LOAD_MARKER_LIB), dir.filePath("loadmarker.so")));
        qputenv("FREI0R_PATH", dir.path().toUtf8());
        const QString marker = dir.filePath("loaded");
        qputenv("ZD_TEST_LOAD_MARKER", marker.toUtf8());
        const QByteArray keep("bytes that must stay");
        {
            QFile victim(dir.filePath("victim"));
            QVERIFY(victim.open(QIODevice::WriteOnly));
            QCOMPARE(victim.write(keep), keep.size());
        }

        const QByteArray text = QString(cmd).replace("%1", dir.path()).toUtf8();
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 0, 1, text.constData(), 11), 0);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 1, 1, "boxblur=2", 12), 1);
        QCOMPARE(ZD_EditFilter(m_handle, nullptr, 12, text.constData()), 0);

        qunsetenv("FREI0R_PATH");
        qunsetenv("ZD_TEST_LOAD_MARKER");
        QVERIFY2(!QFile::exists(marker), "the library was loaded");
        QFile victim(dir.filePath("victim"));
        QVERIFY(victim.open(QIODevice::ReadOnly));
        QCOMPARE(victim.readAll(), keep);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({"loadmarker.so", "victim"}));
    }

    void idsAreUniquePerSource()
    {
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 5, 1, "vflip", 100), 1);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 6, 1, "hflip", 100), 0);
        QCOMPARE(ZD_AddFilter(m_handle, "1234", 6, 1, "hflip", 100), 1);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 6, 1, "hflip", 0xFFFFFFFFu), 0);
        QCOMPARE(ZD_DeleteFilter(m_handle, nullptr, 100), 1);
        QCOMPARE(ZD_DeleteFilter(m_handle, nullptr, 100), 0);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 6, 1, "hflip", 100), 1);
        // Deleting every filter of one source leaves the others.
        QCOMPARE(ZD_DeleteFilter(m_handle, nullptr, 0xFFFFFFFFu), 1);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 6, 1, "hflip", 100), 1);
        QCOMPARE(ZD_AddFilter(m_handle, "1234", 6, 1, "hflip", 100), 0);
    }

    void editSwitchesOrReplaces()
    {
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 1, 0, "boxblur=50", 9), 1);
        QVERIFY(ZD_EditFilter(m_handle, nullptr, 9, "enabled=1") > 0);
        QVERIFY(ZD_EditFilter(m_handle, nullptr, 9, "enabled=0") > 0);
        QVERIFY(ZD_EditFilter(m_handle, nullptr, 9, "boxblur=10") > 0);
        QCOMPARE(ZD_EditFilter(m_handle, nullptr, 9, "movie=/etc/passwd"), 0);
        QCOMPARE(ZD_EditFilter(m_handle, nullptr, 10, "boxblur=10"), 0);
        QCOMPARE(ZD_EditFilter(m_handle, "other", 9, "enabled=1"), 0);
    }

    void refusalsAreLogged()
    {
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 0, 1, "zmq", 3), 0);
        QFile log(QString::fromUtf8(engineDataDir("filters")) + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("Filter refused: zmq"));
    }

    void nullAndReleasedHandlesFail()
    {
        QCOMPARE(ZD_AddFilter(nullptr, nullptr, 5, 1, "vflip", 1), 0);
        QCOMPARE(ZD_EditFilter(nullptr, nullptr, 1, "enabled=1"), 0);
        QCOMPARE(ZD_DeleteFilter(nullptr, nullptr, 1), 0);
        void* released = initEngine("filters-released");
        void* stale = released;
        ZD_Release(&released);
        QCOMPARE(ZD_AddFilter(stale, nullptr, 5, 1, "vflip", 1), 0);
        QCOMPARE(ZD_AddFilter(m_handle, nullptr, 5, 1, nullptr, 1), 1); // null text: empty
    }
};

ZD_TEST_MAIN(TestEngineFilters, QCoreApplication)
#include "tst_enginefilters.moc"
