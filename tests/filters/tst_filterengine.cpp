#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "cpublic.h"
#include "qmyfilterhelper.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zdtestmain.h"

Q_DECLARE_METATYPE(FILTERITEM)

namespace
{

FILTERITEM make(uint32_t type, uint32_t id = 1)
{
    FILTERITEM item;
    memset(&item, 0, sizeof(item));
    item.type = type;
    item.enabled = 1;
    item.id = id;
    InitFilterDataDefault(&item);
    return item;
}

template <typename Change> FILTERITEM variant(uint32_t type, Change change)
{
    FILTERITEM item = make(type);
    change(item.params);
    UpdateFilterDataText(&item);
    return item;
}

QString trace()
{
    const int n = ZDT_ReadTrace(nullptr, 0);
    QByteArray buffer(n + 1, '\0');
    ZDT_ReadTrace(buffer.data(), buffer.size());
    return QString::fromUtf8(buffer.constData());
}

QByteArray logText()
{
    QFile log(CPublic::GetAppDatePath() + "/Log.txt");
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

} // namespace

// The chains of the filter store against the real engine: what reaches it,
// and that every string the filter kinds build is one libavfilter takes.
class TestFilterEngine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QByteArray data = CPublic::GetAppDatePath().toLocal8Bit();
        QCOMPARE(ZD_Initalize(&g_Global.hCore, data.constData(), "/nonexistent", "/nonexistent",
                              "ZDHelper", "test"),
                 1);
    }
    void cleanupTestCase() { ZD_Release(&g_Global.hCore); }
    void init()
    {
        ZD_DeleteFilter(g_Global.hCore, nullptr, FILTER_ID_ALL);
        ZDT_ClearTrace();
    }

    void everyKindAtItsExtremes_data()
    {
        QTest::addColumn<FILTERITEM>("item");
        QTest::addColumn<bool>("accepted");
        for (uint32_t type = 0; type <= 8; ++type)
            QTest::addRow("kind %u default", type) << make(type) << true;
        QTest::newRow("blur 0") << variant(1, [](FILTER_PARAMS& p) { p.radius = 0; }) << true;
        QTest::newRow("blur 100") << variant(1, [](FILTER_PARAMS& p) { p.radius = 100; }) << true;
        for (float v : {-1.0f, 1.0f}) {
            QTest::addRow("balance %+.0f", double(v)) << variant(2, [v](FILTER_PARAMS& p) {
                for (int i = 0; i < 3; ++i)
                    p.balance.r[i] = p.balance.g[i] = p.balance.b[i] = v;
                p.balance.range = 2;
            }) << true;
        }
        QTest::newRow("equalizer low") << variant(4, [](FILTER_PARAMS& p) {
            p.eq = {-1.0f, -1.0f, 0.0f, 0.1f, 0.1f, 0.1f, 0.1f, 0.0f};
        }) << true;
        QTest::newRow("equalizer high") << variant(4, [](FILTER_PARAMS& p) {
            p.eq = {3.0f, 1.0f, 3.0f, 10.0f, 10.0f, 10.0f, 10.0f, 1.0f};
        }) << true;
        for (int style = 0; style <= 2; ++style)
            QTest::addRow("style %d", style)
                << variant(7, [style](FILTER_PARAMS& p) { p.style = style; }) << true;
        QTest::newRow("key white, full") << variant(8, [](FILTER_PARAMS& p) {
            p.colorKey = {0xFFFFFFu, 100, 100};
        }) << true;
        QTest::newRow("key black, no blend") << variant(8, [](FILTER_PARAMS& p) {
            p.colorKey = {0u, 1, 0};
        }) << true;
        // libavfilter takes a similarity from 0.00001 up: the slider's 0 is
        // refused by the engine, and the refusal is logged by both sides.
        QTest::newRow("key similarity 0")
            << variant(8, [](FILTER_PARAMS& p) { p.colorKey.similarity = 0; }) << false;
        QTest::newRow("custom text")
            << variant(0, [](FILTER_PARAMS& p) { strcpy(p.text, "hue=s=0"); }) << true;
    }

    void everyKindAtItsExtremes()
    {
        QFETCH(FILTERITEM, item);
        QFETCH(bool, accepted);
        QMyFilters chain("Extremes");
        const int index = chain.addFilter(item);
        QCOMPARE(index >= 0, accepted);
        if (!accepted) {
            const QByteArray log = logText();
            const QByteArray cmd = FilterItemCmd(item);
            QVERIFY(log.contains("Filter refused: " + cmd));
            QVERIFY(log.contains("add filter failed. " + cmd));
        }
    }

    // A custom filter that would write a file while libavfilter makes it,
    // entered in the editor or read from a .filter file: the engine refuses
    // it before anything is made, and no file appears.
    void customFilterWritingAFileDoesNothing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString made = dir.filePath("made");
        const QByteArray text = ("metadata=mode=print:file=" + made).toLocal8Bit();
        const FILTERITEM item = variant(
            0, [&](FILTER_PARAMS& p) { qstrncpy(p.text, text.constData(), sizeof(p.text)); });

        QMyFilters typed("Typed");
        FILTERITEM hue = variant(0, [](FILTER_PARAMS& p) { strcpy(p.text, "hue=s=0"); });
        hue.id = 41;
        QVERIFY(typed.addFilter(hue) >= 0);
        QCOMPARE(typed.addFilter(item), -1);
        FILTERITEM edited = item;
        edited.id = 41;
        QVERIFY(!typed.EditFilter(41, &edited));

        QMyFilters stored("Stored");
        QVERIFY(QDir().mkpath(QFileInfo(stored.filePath()).path()));
        QFile file(stored.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray bytes = QMyFilters::SerializeFilters({item});
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        QVERIFY(stored.loadDeviceFilters());
        stored.ApplyAllFilters();

        QVERIFY(!QFile::exists(made));
        QVERIFY(logText().contains("Filter refused: " + text));
    }

    void applyAllSendsTheChainInOrder()
    {
        QMyFilters chain("Apply");
        QVERIFY(chain.addFilter(make(FILTER_BOXBLUR, 11)) >= 0);
        QVERIFY(chain.addFilter(make(FILTER_VFLIP, 12)) >= 0);
        QVERIFY(chain.addFilter(make(FILTER_HFLIP, 13)) >= 0);
        chain.EnableFilter(12, false);
        QCOMPARE(chain.filterList.at(1).enabled, 0u);
        ZDT_ClearTrace();
        chain.ApplyAllFilters();
        QCOMPARE(trace(), QString("ZD_DeleteFilter(pip=,id=4294967295)\n"
                                  "ZD_AddFilter(pip=,type=1,enabled=1,cmd=boxblur=50,id=11)\n"
                                  "ZD_AddFilter(pip=,type=5,enabled=0,cmd=vflip,id=12)\n"
                                  "ZD_AddFilter(pip=,type=6,enabled=1,cmd=hflip,id=13)\n"));
    }

    void emptyChainOnlyClears()
    {
        QMyFilterHelper store;
        QMyFilters* chain = store.getDeviceFilters("NULL");
        chain->ApplyAllFilters();
        QCOMPARE(trace(), QString("ZD_DeleteFilter(pip=,id=4294967295)\n"));
    }

    void layerChainsNameTheirLayer()
    {
        QMyFilters chain("4711");
        chain.setPipDevName("4711");
        QVERIFY(chain.addFilter(make(FILTER_VFLIP, 21)) >= 0);
        chain.DelFilter(21);
        QCOMPARE(trace(), QString("ZD_AddFilter(pip=4711,type=5,enabled=1,cmd=vflip,id=21)\n"
                                  "ZD_DeleteFilter(pip=4711,id=21)\n"));
        QVERIFY(chain.filterList.isEmpty());
    }

    void editOnlyForTheSameKind()
    {
        QMyFilters chain("Edit");
        QVERIFY(chain.addFilter(make(FILTER_BOXBLUR, 31)) >= 0);
        ZDT_ClearTrace();
        FILTERITEM other = make(FILTER_COLORSTYLE, 31);
        chain.EditFilter(31, &other);
        chain.EditFilter(99, &other);
        chain.DelFilter(99);
        QCOMPARE(trace(), QString());
        FILTERITEM blur = chain.filterList.first();
        blur.params.radius = 7;
        UpdateFilterDataText(&blur);
        chain.EditFilter(31, &blur);
        QCOMPARE(trace(), QString("ZD_EditFilter(pip=,id=31,cmd=boxblur=7)\n"));
        QCOMPARE(chain.filterList.first().params.radius, 7);
    }
};

ZD_TEST_MAIN(TestFilterEngine, QCoreApplication)
#include "tst_filterengine.moc"
