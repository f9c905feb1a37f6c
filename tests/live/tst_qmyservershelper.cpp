// The streaming-service presets: the menu and address list made from
// services.xconfig, on good, missing and malformed files, and the shipped one.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QUrl>

#include "qmyservershelper.h"
#include "zdtestmain.h"

namespace
{

QString writePresets(const QByteArray& bytes)
{
    const QString path = QDir::homePath() + "/services.xconfig";
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
    return path;
}

const QByteArray kTwoByTwo =
    "{"
    "  \"A\": {\"servers\": {\"a1\": \"rtmp://a/1\", \"a2\": \"rtmp://a/2\"}},"
    "  \"B\": {\"servers\": {\"b1\": \"rtmp://b/1\", \"b2\": \"rtmp://b/2\"}, \"other\": 5}"
    "}";

} // namespace

class TestQMyServersHelper : public QObject
{
    Q_OBJECT

private slots:
    void menuInReverseKeyOrderWithOwnAddresses()
    {
        QMenu menu;
        QList<QString> urls{"left over"};
        QVERIFY(qmyservershelper::LoadServersFrom(writePresets(kTwoByTwo), &menu, urls));
        QCOMPARE(menu.actions().size(), 2);
        QCOMPARE(menu.actions()[0]->text(), QString("B"));
        QCOMPARE(menu.actions()[1]->text(), QString("A"));
        QStringList entries;
        QList<int> data;
        for (QAction* service : menu.actions()) {
            for (QAction* server : service->menu()->actions()) {
                entries << server->text();
                data << server->data().toInt();
                QCOMPARE(urls.at(server->data().toInt()),
                         "rtmp://" + server->text().left(1) + "/" + server->text().mid(1));
            }
        }
        QCOMPARE(entries, QStringList({"b2", "b1", "a2", "a1"}));
        QCOMPARE(data, QList<int>({0, 1, 2, 3}));
        QCOMPARE(urls.size(), 4);
    }

    void secondLoadReplacesTheAddresses()
    {
        QList<QString> urls;
        QMenu first;
        QVERIFY(qmyservershelper::LoadServersFrom(writePresets(kTwoByTwo), &first, urls));
        QMenu second;
        QVERIFY(qmyservershelper::LoadServersFrom(
            writePresets("{\"C\": {\"servers\": {\"c\": \"rtmp://c\"}}}"), &second, urls));
        QCOMPARE(urls, QList<QString>{"rtmp://c"});
    }

    void missingFileChangesNothing()
    {
        QMenu menu;
        QList<QString> urls{"kept"};
        QVERIFY(
            !qmyservershelper::LoadServersFrom(QDir::homePath() + "/none.xconfig", &menu, urls));
        QCOMPARE(urls, QList<QString>{"kept"});
        QVERIFY(menu.actions().isEmpty());
    }

    void unusableContents_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("services");
        QTest::addColumn<int>("addresses");
        QTest::newRow("malformed") << QByteArray("{\"A\": {\"servers\": ") << 0 << 0;
        QTest::newRow("empty") << QByteArray() << 0 << 0;
        QTest::newRow("array") << QByteArray("[1, 2]") << 0 << 0;
        QTest::newRow("null") << QByteArray("null") << 0 << 0;
        QTest::newRow("no servers") << QByteArray("{\"A\": {\"x\": 1}}") << 1 << 0;
        QTest::newRow("servers not an object")
            << QByteArray("{\"A\": {\"servers\": [1]}}") << 1 << 0;
        QTest::newRow("service not an object") << QByteArray("{\"A\": 7}") << 1 << 0;
        QTest::newRow("address not a string")
            << QByteArray("{\"A\": {\"servers\": {\"s\": 1}}}") << 1 << 1;
    }

    void unusableContents()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, services);
        QFETCH(int, addresses);
        QMenu menu;
        QList<QString> urls{"old"};
        QVERIFY(qmyservershelper::LoadServersFrom(writePresets(bytes), &menu, urls));
        QCOMPARE(int(menu.actions().size()), services);
        QCOMPARE(int(urls.size()), addresses);
        for (const QString& url : urls)
            QVERIFY(url.isEmpty());
    }

    void oversizedFileIsNotRead()
    {
        QByteArray big = kTwoByTwo;
        big.append(QByteArray(qmyservershelper::MaxFileBytes, ' '));
        QList<QString> urls;
        QMenu menu;
        QVERIFY(qmyservershelper::LoadServersFrom(writePresets(big), &menu, urls));
        QVERIFY(urls.isEmpty());
    }

    // The file the program ships: the real ingest servers of the services
    // people stream to, each an RTMP address with a host, and the local
    // server kept for streaming to this computer.
    void shippedPresets()
    {
        QVERIFY(QFile::exists(qmyservershelper::filePath()));
        qmyservershelper loader;
        QMenu menu;
        QList<QString> urls;
        QVERIFY(loader.LoadServers(&menu, urls));
        QStringList services;
        for (QAction* service : menu.actions())
            services << service->text();
        for (const char* name :
             {"YouTube Live", "Twitch", "Facebook Live", "Vimeo", "Restream", "This computer"})
            QVERIFY2(services.contains(name), name);
        QVERIFY(urls.contains("rtmp://127.0.0.1/live"));
        for (const QString& url : urls) {
            const QUrl parsed(url, QUrl::StrictMode);
            QVERIFY2(parsed.isValid(), qPrintable(url));
            QVERIFY2(parsed.scheme() == "rtmp" || parsed.scheme() == "rtmps", qPrintable(url));
            const QString host = parsed.host();
            QVERIFY2(!host.isEmpty(), qPrintable(url));
            QVERIFY2(!host.startsWith("example.") && !host.contains(".example."), qPrintable(url));
            // The live panel appends "/" and the stream key.
            QVERIFY2(!url.endsWith('/'), qPrintable(url));
        }
    }
};

ZD_TEST_MAIN(TestQMyServersHelper, QApplication)
#include "tst_qmyservershelper.moc"
