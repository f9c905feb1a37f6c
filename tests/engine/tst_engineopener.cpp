// Playing a video and opening a picture with the desktop's default program:
// the path reaches the program as one argument, byte for byte, whatever it
// holds, and paths that are not files of ours start nothing.
#include "vazURIdav.h"
#include "zdtestmain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cstdio>
#include <functional>

namespace
{

using OpenCall = std::function<int(const char*)>;

// A stand-in for xdg-open that writes its argument count and arguments,
// each followed by a NUL, into the file named by $OPENER_OUT.
const char* const kRecorder = "#!/bin/sh\n"
                              "{ printf '%s\\0' \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; "
                              "done; } > \"$OPENER_OUT.part\"\n"
                              "/bin/mv \"$OPENER_OUT.part\" \"$OPENER_OUT\"\n";

QByteArray waitForFile(const QString& path, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            return f.readAll();
        QThread::msleep(10);
    }
    return QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(OpenCall)

class TstEngineOpener : public QObject
{
    Q_OBJECT

    QString m_out;
    QString m_files;

private slots:
    void initTestCase()
    {
        const QString script = QDir::homePath() + "/opener.sh";
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kRecorder);
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("VAZURIDAV_OPENER", script.toLocal8Bit());
        m_out = QDir::homePath() + "/opener.out";
        qputenv("OPENER_OUT", m_out.toLocal8Bit());
        m_files = QDir::homePath() + "/media";
        QVERIFY(QDir().mkpath(m_files));
    }

    void init() { QFile::remove(m_out); }

    void pathArrivesAsOneArgument_data()
    {
        QTest::addColumn<OpenCall>("call");
        QTest::addColumn<QByteArray>("name");
        const OpenCall play = ZD_QuickTimePlayMp4;
        const OpenCall open = ZD_OpenPreviewPicture;
        QTest::newRow("plain video") << play << QByteArray("Vid20240101120000.mp4");
        QTest::newRow("plain picture") << open << QByteArray("Pic20240101120000.png");
        QTest::newRow("spaces") << play << QByteArray("my  holiday clip.mp4");
        QTest::newRow("quotes") << open << QByteArray("it's \"quoted\".png");
        QTest::newRow("command substitution")
            << play << QByteArray("$(touch pwned) `touch pwned2`.mp4");
        QTest::newRow("shell operators") << open << QByteArray("a;b|c&d>e<f*?.jpg");
        QTest::newRow("leading dash") << play << QByteArray("-rf --help.mp4");
        QTest::newRow("line break and tab") << open << QByteArray("two\nlines\there.bmp");
        QTest::newRow("not UTF-8") << play << QByteArray("caf\xE9 \xFF.ts");
        QTest::newRow("URL-like name") << open << QByteArray("https:x.png");
    }

    void pathArrivesAsOneArgument()
    {
        QFETCH(OpenCall, call);
        QFETCH(QByteArray, name);
        const QByteArray path = QFile::encodeName(m_files) + "/" + name;
        // Made by its raw bytes: a name that is not UTF-8 has no QString.
        FILE* media = fopen(path.constData(), "wb");
        QVERIFY(media);
        fclose(media);

        QCOMPARE(call(path.constData()), 1);
        const QByteArray got = waitForFile(m_out);
        QCOMPARE(got, QByteArray("1") + '\0' + path + '\0');
        // Nothing of the name was run by a shell.
        QVERIFY(!QFile::exists(QDir::currentPath() + "/pwned"));
        QVERIFY(!QFile::exists(m_files + "/pwned"));
        QVERIFY(!QFile::exists(QDir::homePath() + "/pwned"));
        QVERIFY(!QFile::exists(QDir::homePath() + "/pwned2"));
        QCOMPARE(::remove(path.constData()), 0);
    }

    void onlyExistingFilesAreOpened_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("relative") << QByteArray("media/x.mp4");
        QTest::newRow("missing") << QFile::encodeName(QDir::homePath() + "/media/none.mp4");
        QTest::newRow("folder") << QFile::encodeName(QDir::homePath() + "/media");
        QTest::newRow("URL") << QByteArray("https://example.invalid/x.mp4");
        QTest::newRow("too long") << QByteArray("/" + QByteArray(5000, 'a'));
    }

    void onlyExistingFilesAreOpened()
    {
        QFETCH(QByteArray, path);
        QCOMPARE(ZD_QuickTimePlayMp4(path.constData()), 0);
        QCOMPARE(ZD_OpenPreviewPicture(path.constData()), 0);
        QCOMPARE(ZD_QuickTimePlayMp4(nullptr), 0);
        QCOMPARE(ZD_OpenPreviewPicture(nullptr), 0);
        QVERIFY(waitForFile(m_out, 300).isEmpty());
    }

    // Without setsid on the machine the opener is started directly.
    void startsWithoutSetsid()
    {
        const QByteArray savedPath = qgetenv("PATH");
        const QString emptyBin = QDir::homePath() + "/empty-bin";
        QVERIFY(QDir().mkpath(emptyBin));
        qputenv("PATH", QFile::encodeName(emptyBin));
        const QByteArray path = QFile::encodeName(m_files + "/direct 'one'.mp4");
        QFile media(QFile::decodeName(path));
        QVERIFY(media.open(QIODevice::WriteOnly));
        media.close();
        const int started = ZD_QuickTimePlayMp4(path.constData());
        qputenv("PATH", savedPath);
        QCOMPARE(started, 1);
        QCOMPARE(waitForFile(m_out), QByteArray("1") + '\0' + path + '\0');
    }

    void missingOpenerStartsNothing()
    {
        const QByteArray saved = qgetenv("VAZURIDAV_OPENER");
        qputenv("VAZURIDAV_OPENER", QFile::encodeName(QDir::homePath() + "/no-such-opener"));
        const QString file = m_files + "/x.mp4";
        QFile media(file);
        QVERIFY(media.open(QIODevice::WriteOnly));
        media.close();
        QCOMPARE(ZD_QuickTimePlayMp4(QFile::encodeName(file).constData()), 0);
        qputenv("VAZURIDAV_OPENER", saved);
    }
};

ZD_TEST_MAIN(TstEngineOpener, QCoreApplication)
#include "tst_engineopener.moc"
