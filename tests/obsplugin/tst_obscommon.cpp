// The plug-in's shared steps: frame header checks, audio timestamps, pipe
// names, the request record and its file, and the pipe read with time limits.
#include "fakerelay.h"
#include "plugintestsupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

using namespace obstest;
using zdrelay::HeaderCheck;

Q_DECLARE_METATYPE(zdrelay::HeaderCheck)

class TstObsCommon : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { folder = enterRequestFolder(); }
    void cleanup() { sem_unlink(zdrelay::kServerSemaphore); }

    void videoHeaders_data()
    {
        QTest::addColumn<uint>("payload");
        QTest::addColumn<uint>("width");
        QTest::addColumn<uint>("height");
        QTest::addColumn<HeaderCheck>("check");
        QTest::newRow("720p") << 1280u * 720 * 4 << 1280u << 720u << HeaderCheck::Frame;
        QTest::newRow("one pixel") << 4u << 1u << 1u << HeaderCheck::Frame;
        QTest::newRow("largest") << 8192u * 8192 * 4 << 8192u << 8192u << HeaderCheck::Frame;
        QTest::newRow("end of stream") << 0u << 1280u << 720u << HeaderCheck::EndOfStream;
        QTest::newRow("payload too small")
            << 1280u * 720 * 4 - 4 << 1280u << 720u << HeaderCheck::Broken;
        QTest::newRow("payload too large")
            << 1280u * 720 * 4 + 4 << 1280u << 720u << HeaderCheck::Broken;
        QTest::newRow("zero width") << 4u << 0u << 1u << HeaderCheck::Broken;
        QTest::newRow("too wide") << 8193u * 4 << 8193u << 1u << HeaderCheck::Broken;
        // width x 4 wraps to the payload in 32 bits.
        QTest::newRow("width past 32 bits of bytes")
            << 4u << 0x40000001u << 1u << HeaderCheck::Broken;
    }
    void videoHeaders()
    {
        QFETCH(uint, payload);
        QFETCH(uint, width);
        QFETCH(uint, height);
        QFETCH(HeaderCheck, check);
        zdrelay::FrameHeader h = {};
        h.payloadBytes = payload;
        h.width = width;
        h.height = height;
        QCOMPARE(zdrelay::checkVideoHeader(h), check);
    }

    void audioHeaders_data()
    {
        QTest::addColumn<uint>("payload");
        QTest::addColumn<HeaderCheck>("check");
        QTest::newRow("10 ms") << 1920u << HeaderCheck::Frame;
        QTest::newRow("one second") << 192000u << HeaderCheck::Frame;
        QTest::newRow("over a second") << 192004u << HeaderCheck::Broken;
        QTest::newRow("half a sample frame") << 1922u << HeaderCheck::Broken;
        QTest::newRow("end") << 0u << HeaderCheck::EndOfStream;
    }
    void audioHeaders()
    {
        QFETCH(uint, payload);
        QFETCH(HeaderCheck, check);
        zdrelay::FrameHeader h = {};
        h.payloadBytes = payload;
        QCOMPARE(zdrelay::checkAudioHeader(h), check);
    }

    void audioTimestamps_data()
    {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<quint64>("ns");
        QTest::newRow("first") << quint64(0) << quint64(0);
        QTest::newRow("second 10 ms") << quint64(1920) << quint64(10000000);
        QTest::newRow("third 10 ms") << quint64(3840) << quint64(20000000);
        QTest::newRow("one sample frame") << quint64(4) << quint64(20833);
        // Past where bytes x 10^9 leaves 64 bits (about 26.7 hours).
        QTest::newRow("30 hours") << quint64(192000) * 3600 * 30 << quint64(3600) * 30 * 1000000000;
        QTest::newRow("a year and 10 ms")
            << quint64(192000) * 86400 * 365 + 1920 << quint64(86400) * 365 * 1000000000 + 10000000;
    }
    void audioTimestamps()
    {
        QFETCH(quint64, bytes);
        QFETCH(quint64, ns);
        QCOMPARE(quint64(veltranobox::AudioTimestampNs(bytes)), ns);
    }

    void pipeNames()
    {
        for (int i = 0; i < 20; ++i) {
            const std::string name = veltranobox::MakePipeName();
            QVERIFY2(QRegularExpression("^pipe_[0-9]{1,5}$")
                         .match(QString::fromStdString(name))
                         .hasMatch(),
                     name.c_str());
            QVERIFY(zdrelay::validPipeName(name.c_str(), name.size() + 1));
        }
    }

    void requestRecords_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("file");
        QTest::newRow("video start") << 0 << 1 << "com.zd.vm.audio.conf";
        QTest::newRow("video stop") << 0 << 2 << "com.zd.vm.audio.conf";
        QTest::newRow("audio start") << 1 << 1 << "com.zd.vm.video.conf";
    }
    void requestRecords()
    {
        QFETCH(int, kind);
        QFETCH(int, command);
        QFETCH(QString, file);
        sem_t* s = sem_open(zdrelay::kServerSemaphore, O_CREAT, 0600, 0);
        QVERIFY(s != SEM_FAILED);
        QVERIFY(veltranobox::ServerRunning());
        veltranobox::send_server_cmd("pipe_4711", command, kind);
        QFile f(folder + "/" + file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QCOMPARE(bytes.size(), 72);
        QCOMPARE(bytes.left(10), QByteArray("pipe_4711\0", 10));
        QCOMPARE(bytes.mid(9, 55), QByteArray(55, '\0'));
        int32_t fields[2];
        std::memcpy(fields, bytes.constData() + 64, 8);
        QCOMPARE(fields[0], command);
        QCOMPARE(fields[1], kind);
        int value = -1;
        sem_getvalue(s, &value);
        QCOMPARE(value, 1);
        sem_close(s);
        f.remove();
        // Nothing beside it: written whole under another name first.
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
    }

    void failedWriteStillPosts()
    {
        sem_t* s = sem_open(zdrelay::kServerSemaphore, O_CREAT, 0600, 0);
        QVERIFY(s != SEM_FAILED);
        qputenv("ZD_REQUEST_DIR", "/nonexistent/requests");
        clearLog();
        veltranobox::send_server_cmd("pipe_1", 1, 0);
        qputenv("ZD_REQUEST_DIR", folder.toUtf8());
        QVERIFY(logged().contains("write file /nonexistent/requests/com.zd.vm.audio.conf failed."));
        int value = -1;
        sem_getvalue(s, &value);
        QCOMPARE(value, 1);
        sem_close(s);
        sem_unlink(zdrelay::kServerSemaphore);
        QVERIFY(!veltranobox::ServerRunning());
        // No server: nothing to post, nothing breaks.
        veltranobox::send_server_cmd("pipe_2", 1, 0);
    }

    void onlyPipesAreOpened()
    {
        const QString path =
            QString(zdrelay::kPipePathPrefix) + "pipe_" + QString::number(getpid());
        QFile plain(path);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        clearLog();
        QCOMPARE(veltranobox::OpenPipeFile(("pipe_" + QByteArray::number(getpid())).toStdString()),
                 -1);
        QVERIFY(logged().join('\n').contains("open pipe failed. " + path));
        plain.remove();
    }

    void readsWithTimeLimits()
    {
        const std::string name = "pipe_" + std::to_string(getpid() % 100000 + 900000);
        const std::string path = zdrelay::kPipePathPrefix + name;
        ::unlink(path.c_str());
        QCOMPARE(mkfifo(path.c_str(), 0600), 0);
        const int reader = veltranobox::OpenPipeFile(name);
        QVERIFY(reader > 0);
        std::atomic<bool> running{true};
        char buffer[8192];

        // Before the writer comes: nothing, after the silence allowed.
        QElapsedTimer t;
        t.start();
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 16, running, 300), 0u);
        QVERIFY(t.elapsed() >= 250);

        const int writer = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        QVERIFY(writer > 0);
        QByteArray data(5000, 'd');
        QCOMPARE(::write(writer, data.constData(), 5000), ssize_t(5000));
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 5000, running, 5000), 5000u);
        QCOMPARE(QByteArray(buffer, 5000), data);

        // A silent writer: a cleared flag ends the read at once.
        std::thread clear([&] {
            QThread::msleep(200);
            running = false;
        });
        t.restart();
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 24, running, 60000), 0u);
        clear.join();
        QVERIFY2(t.elapsed() < 1000, "the read outlived its source");

        // The writer goes halfway.
        running = true;
        clearLog();
        QCOMPARE(::write(writer, data.constData(), 10), ssize_t(10));
        ::close(writer);
        QCOMPARE(veltranobox::ReadPipe(reader, buffer, 24, running, 5000), 10u);
        QVERIFY(logged().contains("pipe read error. want=24,but=10"));
        ::close(reader);
        ::unlink(path.c_str());
    }

private:
    QString folder;
};

QTEST_GUILESS_MAIN(TstObsCommon)
#include "tst_obscommon.moc"
