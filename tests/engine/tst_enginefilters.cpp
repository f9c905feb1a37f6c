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
