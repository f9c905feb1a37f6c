#include <QFile>
#include <QtTest>

#include "liveserveraddresshelper.h"
#include "zdtestmain.h"

namespace
{

QByteArray header()
{
    return QByteArray("\xF5\xFF\xFF\xFF", 4);
}

QByteArray field(const QByteArray& text)
{
    QByteArray f(1024, '\0');
    memcpy(f.data(), text.constData(), qMin<qsizetype>(text.size(), 1024));
    return f;
}

QByteArray record(const QByteArray& name, const QByteArray& address, const QByteArray& key,
                  const QByteArray& room, char flag)
{
    return field(name) + field(address) + field(key) + field(room) + QByteArray(1, flag);
}

void writeFile(const QByteArray& bytes)
{
    QFile f(QLiveServerAddressHelper::filePath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile()
{
    QFile f(QLiveServerAddressHelper::filePath());
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace

class TestLiveServerAddressHelper : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QFile::remove(QLiveServerAddressHelper::filePath());
        QDir(QLiveServerAddressHelper::filePath()).removeRecursively();
    }

    void missingFileGivesEmptyListAndHeaderOnlyFile()
    {
        {
            QLiveServerAddressHelper list;
            QCOMPARE(list.servers.size(), 0);
            QVERIFY(!list.loadFailed());
        }
        QCOMPARE(readFile(), header());
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count");
        const QByteArray one = record("Home", "rtmp://server/live", "k", "", 1);
        QTest::newRow("header only") << header() << 0;
        QTest::newRow("other header") << QByteArray("\xF4\xFF\xFF\xFF", 4) + one << 0;
        QTest::newRow("short header") << QByteArray("\xF5\xFF", 2) << 0;
        QTest::newRow("one record and 100 bytes") << header() + one + QByteArray(100, 'x') << 1;
        QTest::newRow("record without its flag") << header() + one + one.left(4096) << 1;
        QTest::newRow("two records") << header() + one + one << 2;
    }

    void load()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, count);
        writeFile(bytes);
        QLiveServerAddressHelper list;
        QCOMPARE(list.servers.size(), count);
        if (count)
            QCOMPARE(list.servers.first()->name, QString("Home"));
    }

    void roundTripIsByteExact()
    {
        const QByteArray name1023(1023, 'n');
        const QByteArray bytes = header() +
                                 record("Home", "rtmp://server/live", "secret", "https://room", 1) +
                                 record(name1023, "rtmp://b", "", "", 0) +
                                 record("\xC3\xA9t\xC3\xA9", "rtmp://c", "k2", "", 1);
        writeFile(bytes);
        {
            QLiveServerAddressHelper list;
            QCOMPARE(list.servers.size(), 3);
            QCOMPARE(list.servers.at(0)->key, QString("secret"));
            QCOMPARE(list.servers.at(0)->roomUrl, QString("https://room"));
            QVERIFY(list.servers.at(0)->enabled);
            QCOMPARE(list.servers.at(1)->name.size(), 1023);
            QVERIFY(!list.servers.at(1)->enabled);
            QCOMPARE(list.servers.at(2)->name, QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
        }
        QCOMPARE(readFile(), bytes);
    }

    void valueTooLongForItsFieldIsStoredEmpty()
    {
        {
            QLiveServerAddressHelper list;
            QVERIFY(list.Add(QString(1024, 'n'), "rtmp://a", "k", true, QString(2000, 'r')));
            QVERIFY(list.Add(QString(1023, 'n'), "rtmp://b", "k", true, ""));
            QVERIFY(list.Save());
        }
        const QByteArray bytes = readFile();
        QCOMPARE(bytes.size(), 4 + 2 * 4097);
        QCOMPARE(bytes.mid(4, 1024), QByteArray(1024, '\0'));
        QCOMPARE(bytes.mid(4 + 3072, 1024), QByteArray(1024, '\0'));
        QLiveServerAddressHelper list;
        QCOMPARE(list.servers.at(0)->name, QString());
        QCOMPARE(list.servers.at(0)->address, QString("rtmp://a"));
        QCOMPARE(list.servers.at(1)->name, QString(1023, 'n'));
    }

    void unreadableListSurvivesExitUntilChanged()
    {
        const QByteArray damaged = QByteArray("\x00\x01\x02\x03", 4) + QByteArray(5000, 'z');
        writeFile(damaged);
        {
            QLiveServerAddressHelper list;
            QVERIFY(list.loadFailed());
            QCOMPARE(list.servers.size(), 0);
        }
        QCOMPARE(readFile(), damaged);
        {
            QLiveServerAddressHelper list;
            QVERIFY(list.Add("New", "rtmp://new", "k", true, ""));
        }
        QCOMPARE(readFile(), header() + record("New", "rtmp://new", "k", "", 1));
    }

    void failedSaveIsReportedAndLeavesThePlace()
    {
        QLiveServerAddressHelper list;
        QVERIFY(list.Add("A", "rtmp://a", "", false, ""));
        QVERIFY(QDir().mkpath(QLiveServerAddressHelper::filePath()));
        QVERIFY(!list.Save());
        QVERIFY(QFileInfo(QLiveServerAddressHelper::filePath()).isDir());
    }

    void addRefusesTheSameAddressAndKey()
    {
        QLiveServerAddressHelper list;
        QVERIFY(list.Add("Home", "rtmp://server/live", "key", true, ""));
        QVERIFY(!list.Add("Other name", "rtmp://server/live", "key", false, ""));
        QVERIFY(list.Add("Home", "rtmp://server/live", "key2", true, ""));
        QVERIFY(list.Add("Home", "RTMP://server/live", "key", true, ""));
        QCOMPARE(list.servers.size(), 3);
        QVERIFY(!list.IsDouble("x", "rtmp://server/live", "key", 0));
        QVERIFY(list.IsDouble("x", "rtmp://server/live", "key", 1));
    }

    void rowsHideTheKey()
    {
        QLiveServerAddressHelper list;
        QVERIFY(list.Add("Home", "rtmp://server/live", "verysecret", true, "https://room"));
        QList<QString> rows{"stale"};
        list.getStrings(rows);
        QCOMPARE(rows, QList<QString>{"Home (rtmp://server/live/*******)"});
        QString name = "n", address, key, room;
        bool enabled = false;
        QVERIFY(!list.getAt(1, name, address, key, enabled, room));
        QCOMPARE(name, QString("n"));
        QVERIFY(list.getAt(0, name, address, key, enabled, room));
        QCOMPARE(key, QString("verysecret"));
        QVERIFY(enabled);
        QCOMPARE(room, QString("https://room"));
    }
};

ZD_TEST_MAIN(TestLiveServerAddressHelper, QCoreApplication)
#include "tst_liveserveraddresshelper.moc"
