#include <QFile>
#include <QtEndian>
#include <QtTest>

#include "qmyfilterhelper.h"
#include "zdtestmain.h"

namespace
{

QByteArray count(qint32 n)
{
    char raw[4];
    qToLittleEndian<qint32>(n, raw);
    return QByteArray(raw, 4);
}

FILTERITEM makeFilter(uint32_t type, uint32_t id)
{
    FILTERITEM item;
    memset(&item, 0, sizeof(item));
    item.type = type;
    item.enabled = 1;
    item.id = id;
    InitFilterDataDefault(&item);
    return item;
}

QByteArray raw(const FILTERITEM& item)
{
    return QByteArray(reinterpret_cast<const char*>(&item), sizeof(item));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestQMyFilters : public QObject
{
    Q_OBJECT
private slots:
    void chainsAreKeyedExactly()
    {
        QMyFilterHelper store;
        QMyFilters* cam = store.getDeviceFilters("Cam");
        QVERIFY(cam);
        QCOMPARE(store.getDeviceFilters("Cam"), cam);
        QVERIFY(store.getDeviceFilters("cam") != cam);
        QCOMPARE(store.deviceFilters.size(), 2);
        QCOMPARE(cam->pip, static_cast<const char*>(nullptr));
        QVERIFY(cam->filterList.isEmpty());
    }

    void emptyChainIsTheCountAlone()
    {
        QMyFilters chain("Empty");
        QVERIFY(chain.saveDeviceFilters());
        QCOMPARE(readFile(chain.filePath()), count(0));
        chain.filterList.append(makeFilter(FILTER_VFLIP, 7));
        QVERIFY(chain.loadDeviceFilters());
        QVERIFY(chain.filterList.isEmpty());
    }

    void roundTripIsByteExact()
    {
        QMyFilters chain("Round trip");
        FILTERITEM blur = makeFilter(FILTER_BOXBLUR, 100);
        FILTERITEM key = makeFilter(FILTER_COLORKEY, 200);
        key.enabled = 0;
        memset(key.params.raw + 12, 0x5A, sizeof(key.params.raw) - 12); // unused bytes kept
        const QByteArray bytes = count(2) + raw(blur) + raw(key);
        writeFile(chain.filePath(), bytes);
        QVERIFY(chain.loadDeviceFilters());
        QCOMPARE(chain.filterList.size(), 2);
        QCOMPARE(chain.filterList.at(1).enabled, 0u);
        QVERIFY(chain.saveDeviceFilters());
        QCOMPARE(readFile(chain.filePath()), bytes);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("records");
        const QByteArray one = raw(makeFilter(FILTER_HFLIP, 1));
        const QByteArray two = raw(makeFilter(FILTER_VFLIP, 2));
        QTest::newRow("count 3, two records") << count(3) + one + two << 2;
        QTest::newRow("trailing partial record") << count(3) + one + two.left(1000) << 1;
        QTest::newRow("huge count in a 4-byte file") << count(0x7FFFFFFF) << 0;
        QTest::newRow("negative count") << count(-4) + one << 0;
        QTest::newRow("count below the records") << count(1) + one + two << 1;
        QTest::newRow("no count") << QByteArray("\x01", 1) << 0;
        QTest::newRow("empty file") << QByteArray() << 0;
    }

    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, records);
        QMyFilters chain("Loaded");
        writeFile(chain.filePath(), bytes);
        QVERIFY(chain.loadDeviceFilters());
        QCOMPARE(chain.filterList.size(), records);
    }

    void missingFileGivesFalseAndAnEmptyChain()
    {
        QMyFilters chain("Never saved");
        chain.filterList.append(makeFilter(FILTER_VFLIP, 3));
        QVERIFY(!chain.loadDeviceFilters());
        QVERIFY(chain.filterList.isEmpty());
    }

    void repeatedIdsFromAFileAreMadeDistinct()
    {
        QMyFilters chain("Old ids");
        const QByteArray bytes = count(3) + raw(makeFilter(FILTER_HFLIP, 0)) +
                                 raw(makeFilter(FILTER_VFLIP, 0)) +
                                 raw(makeFilter(FILTER_SEPIA, FILTER_ID_ALL));
        writeFile(chain.filePath(), bytes);
        QVERIFY(chain.loadDeviceFilters());
        QCOMPARE(chain.filterList.size(), 3);
        QCOMPARE(chain.filterList.at(0).id, 0u);
        QSet<uint32_t> ids;
        for (const FILTERITEM& f : chain.filterList) {
            QVERIFY(f.id != FILTER_ID_ALL);
            ids.insert(f.id);
        }
        QCOMPARE(ids.size(), 3);
    }

    void newIdsAreNeverTakenNorTheAllId()
    {
        QMyFilters chain("Ids");
        const uint32_t first = chain.NewFilterId();
        QVERIFY(first != FILTER_ID_ALL);
        chain.filterList.append(makeFilter(FILTER_HFLIP, first));
        chain.filterList.append(makeFilter(FILTER_HFLIP, first + 1));
        chain.filterList.append(makeFilter(FILTER_HFLIP, first + 2));
        const uint32_t next = chain.NewFilterId();
        QVERIFY(chain.GetIdxByFID(next) < 0);
        QVERIFY(next != FILTER_ID_ALL);
    }

    void addRefusesTheAllIdAndTakenIds()
    {
        QMyFilters chain("Refusals");
        chain.filterList.append(makeFilter(FILTER_HFLIP, 5));
        QCOMPARE(chain.addFilter(makeFilter(FILTER_VFLIP, 5)), -1);
        QCOMPARE(chain.addFilter(makeFilter(FILTER_VFLIP, FILTER_ID_ALL)), -1);
        QCOMPARE(chain.filterList.size(), 1);
        QCOMPARE(chain.filterList.first().type, uint32_t(FILTER_HFLIP));
    }

    void keyWithASlashStaysInTheCacheFolder()
    {
        QMyFilters chain("../USB/Cam");
        QVERIFY(chain.saveDeviceFilters());
        const QFileInfo info(chain.filePath());
        QVERIFY(info.exists());
        QVERIFY(info.absolutePath().endsWith("/CacheData"));
    }

    void failedSaveReportsFalse()
    {
        QMyFilters chain("Blocked");
        QVERIFY(QDir().mkpath(chain.filePath()));
        QVERIFY(!chain.saveDeviceFilters());
        QVERIFY(QFileInfo(chain.filePath()).isDir());
    }

    void overlayNameIsBoundedAndKept()
    {
        QMyFilters chain("Layer");
        chain.setPipDevName("12345");
        QCOMPARE(QByteArray(chain.pip), QByteArray("12345"));
        chain.setPipDevName(QString(300, 'k'));
        QCOMPARE(qstrlen(chain.pip), 255u);
        QCOMPARE(chain.pip, static_cast<const char*>(chain.pipDevName));
    }
};

ZD_TEST_MAIN(TestQMyFilters, QCoreApplication)
#include "tst_qmyfilters.moc"
