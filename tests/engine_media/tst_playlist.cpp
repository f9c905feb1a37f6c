// The play-list reader of movie and picture layers: positions kept for every
// line, and the bounds on lines, entries and the file itself.
#include "live/playlist.h"
#include "zdplaylist.h"
#include "zdtestmain.h"

#include <QProcess>
#include <QTemporaryDir>

using zd::live::PlayList;

class TstPlayList : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("two lines")
            << QByteArray("/a.mp4\n/b.mp4\n") << QStringList{"/a.mp4", "/b.mp4"};
        QTest::newRow("no last line end")
            << QByteArray("/a.mp4\n/b.mp4") << QStringList{"/a.mp4", "/b.mp4"};
        QTest::newRow("empty line keeps its place")
            << QByteArray("/a.mp4\n\n/c.mp4\n") << QStringList{"/a.mp4", "", "/c.mp4"};
        QTest::newRow("carriage returns") << QByteArray("/a.mp4\r\n") << QStringList{"/a.mp4"};
        QTest::newRow("nothing after a NUL")
            << QByteArray("/a.mp4\n/b", 9) + QByteArray(1, '\0') + "\n/c.mp4\n"
            << QStringList{"/a.mp4", "/b"};
        const QByteArray longest(1022, 'x'), tooLong(1023, 'y');
        QTest::newRow("a line of 1023 bytes with its end") << longest + "\n/b\n"
                                                           << QStringList{QString(longest), "/b"};
        QTest::newRow("a line longer than that is left empty") << tooLong + "\n/b\n"
                                                               << QStringList{"", "/b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QStringList got;
        for (const std::string& e : PlayList::parse(bytes.constData(), size_t(bytes.size())))
            got << QString::fromStdString(e);
        QCOMPARE(got, entries);
    }

    void atMost256Entries()
    {
        QByteArray bytes;
        for (int i = 0; i < 300; ++i)
            bytes += "/f" + QByteArray::number(i) + "\n";
        const auto entries = PlayList::parse(bytes.constData(), size_t(bytes.size()));
        QCOMPARE(entries.size(), size_t(256));
        QCOMPARE(QString::fromStdString(entries.back()), QString("/f255"));
    }

    // The limits the layer editors share: whether a file holds more than
    // is read, and a line cut by the byte bound left out whole.
    void whatIsLeftOver_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("last");
        QTest::addColumn<bool>("more");
        auto lines = [](int n) {
            QByteArray b;
            for (int i = 0; i < n; ++i)
                b += "/f" + QByteArray::number(i) + "\n";
            return b;
        };
        QTest::newRow("256 lines") << lines(256) << 256 << "/f255" << false;
        QTest::newRow("256 lines, the last without its end")
            << lines(256).chopped(1) << 256 << "/f255" << false;
        QTest::newRow("257 lines") << lines(257) << 256 << "/f255" << true;
        QTest::newRow("an empty line past 256") << lines(256) + "\n" << 256 << "/f255" << true;
        // A line too long to be a path (an empty entry) fills the bound but
        // for 500 bytes: the line of 1000 that the bound cuts is not a path.
        const QByteArray filler =
            QByteArray(qsizetype(zdplaylist::kMaxFileBytes) - 501, 'x') + "\n";
        QTest::newRow("a line cut by the byte bound")
            << filler + "/cut/" + QByteArray(994, 'p') + "\n"
            << 1 << "" << true;
    }
    void whatIsLeftOver()
    {
        QFETCH(QByteArray, bytes);
        const zdplaylist::Lines read = zdplaylist::parse(bytes.constData(), size_t(bytes.size()));
        QTEST(int(read.entries.size()), "entries");
        QTEST(QString::fromStdString(read.entries.back()), "last");
        QTEST(read.more, "more");
        // The engine plays the same entries.
        QCOMPARE(PlayList::parse(bytes.constData(), size_t(bytes.size())), read.entries);
    }

    void onlyRegularFilesAreRead()
    {
        QTemporaryDir dir;
        std::vector<std::string> entries;
        QVERIFY(!PlayList::load(dir.path().toStdString(), entries));
        const QString fifo = dir.filePath("fifo");
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        QVERIFY(!PlayList::load(fifo.toStdString(), entries));
        QVERIFY(!PlayList::load(dir.filePath("missing").toStdString(), entries));
        QVERIFY(!PlayList::load("", entries));
        QFile f(dir.filePath("list"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("/a\n/b\n");
        f.close();
        QVERIFY(PlayList::load(f.fileName().toStdString(), entries));
        QCOMPARE(entries.size(), size_t(2));
    }
};

ZD_TEST_MAIN(TstPlayList, QCoreApplication)
#include "tst_playlist.moc"
