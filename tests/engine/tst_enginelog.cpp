// The engine's log: one whole line per call in <application data>/Log.txt,
// from any thread, bounded, with time and level in front.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <thread>
#include <vector>

namespace
{

QList<QByteArray> logLines(const QString& folder)
{
    QFile f(folder + "/Log.txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    if (all.isEmpty())
        return {};
    // Every line ends with its line feed.
    if (!all.endsWith('\n'))
        return {"<last line not terminated>"};
    QList<QByteArray> lines = all.split('\n');
    lines.removeLast();
    return lines;
}

const QRegularExpression kPrefix(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[(\d+)\] )");

} // namespace

class TstEngineLog : public QObject
{
    Q_OBJECT

private slots:
    // Must run first: nothing has named the folder yet.
    void beforeInitTheDefaultFolderIsUsed()
    {
        const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/Veltrano Helper";
        QVERIFY(!QDir(folder).exists());
        ZD_Log(2, "%s", "early line");
        const auto lines = logLines(folder);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].endsWith("early line"));
    }

    void hundredThreadsGiveHundredWholeLines()
    {
        void* h = initEngine("threads");
        const QString folder = QString::fromUtf8(engineDataDir("threads"));
        const QByteArray filler(300, 'x');
        std::vector<std::thread> threads;
        for (int i = 0; i < 100; ++i) {
            threads.emplace_back(
                [i, &filler] { ZD_Log(2, "thread %03d %s end", i, filler.constData()); });
        }
        for (auto& t : threads)
            t.join();
        QSet<int> seen;
        const QRegularExpression whole("^thread (\\d{3}) x{300} end$");
        for (const QByteArray& line : logLines(folder)) {
            const auto prefix = kPrefix.match(QString::fromUtf8(line));
            QVERIFY2(prefix.hasMatch(), line.constData());
            const QString text = QString::fromUtf8(line).mid(prefix.capturedLength());
            if (!text.startsWith("thread"))
                continue;
            const auto m = whole.match(text);
            QVERIFY2(m.hasMatch(), line.constData());
            seen.insert(m.captured(1).toInt());
        }
        QCOMPARE(seen.size(), 100);
        ZD_Release(&h);
    }

    void lineShape_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("normal") << 2 << QByteArray("Device lost.") << QByteArray("Device lost.");
        QTest::newRow("error") << 8 << QByteArray("ZD_OpenDevice failed.")
                               << QByteArray("ZD_OpenDevice failed.");
        QTest::newRow("percent kept") << 2 << QByteArray("100% %s %n") << QByteArray("100% %s %n");
        QTest::newRow("line breaks flattened")
            << 2 << QByteArray("a\nb\r\nc") << QByteArray("a b  c");
    }
    void lineShape()
    {
        QFETCH(int, level);
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, written);
        void* h = initEngine("shape");
        const QString folder = QString::fromUtf8(engineDataDir("shape"));
        QFile::remove(folder + "/Log.txt");
        ZD_Log(level, "%s", text.constData());
        const auto lines = logLines(folder);
        QCOMPARE(lines.size(), 1);
        const auto m = kPrefix.match(QString::fromUtf8(lines[0]));
        QVERIFY(m.hasMatch());
        QCOMPARE(m.captured(1).toInt(), level);
        QCOMPARE(lines[0].mid(m.capturedLength()), written);
        ZD_Release(&h);
    }

    // Long text is cut to the line bound, never in the middle of a character.
    void longLineIsCut()
    {
        void* h = initEngine("long");
        const QString folder = QString::fromUtf8(engineDataDir("long"));
        QFile::remove(folder + "/Log.txt");
        QByteArray text;
        for (int i = 0; i < 5000; ++i)
            text += "\xc3\xa9"; // é
        ZD_Log(2, "a%s", text.constData());
        ZD_Log(2, "%s", "next");
        const auto lines = logLines(folder);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].size() + 1 <= 2048);
        QVERIFY(lines[0].size() > 1500);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder(lines[0]);
        QVERIFY(!decoder.hasError());
        QVERIFY(decoded.endsWith(QChar(0xE9)));
        QVERIFY(lines[1].endsWith("next"));
        ZD_Release(&h);
    }

    // An engine made without a data folder logs to the default one.
    void emptyFolderFallsBack()
    {
        void* h = nullptr;
        QCOMPARE(ZD_Initalize(&h, "", nullptr, nullptr, nullptr, nullptr), 1);
        ZD_Log(2, "%s", "fallback line");
        const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + "/Veltrano Helper";
        const auto lines = logLines(folder);
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.last().endsWith("fallback line"));
        ZD_Release(&h);
    }
};

ZD_TEST_MAIN(TstEngineLog, QCoreApplication)
#include "tst_enginelog.moc"
