// Still pictures of test-pattern frames, read back with FFmpeg's decoders.
#include "mediaprobe.h"
#include "patternframes.h"
#include "zdtestmain.h"

#include "media/picturewriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <mutex>
#include <unistd.h>

using namespace zd::media;

class TestPictureWriter : public QObject
{
    Q_OBJECT
private slots:
    void writesFormatByExtension_data();
    void writesFormatByExtension();
    void failedWriteLeavesNothing();
    void writesLaterAndTellsWhenDone();

private:
    QTemporaryDir m_dir;
};

void TestPictureWriter::writesFormatByExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("bmp") << "p.bmp"
                         << "bmp" << QByteArray("BM");
    QTest::newRow("png") << "p.png"
                         << "png" << QByteArray("\x89PNG");
    QTest::newRow("jpg") << "p.jpg"
                         << "mjpeg" << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("JPEG upper case") << "p2.JPEG"
                                     << "mjpeg" << QByteArray("\xFF\xD8\xFF");
    QTest::newRow("other extension: bitmap") << "p.tmp"
                                             << "bmp" << QByteArray("BM");
}

void TestPictureWriter::writesFormatByExtension()
{
    QFETCH(QString, name);
    QFETCH(QString, codec);
    QFETCH(QByteArray, magic);
    FramePool pool;
    AVFramePtr frame = patternframes::make(pool, 352, 288);
    const QString path = m_dir.filePath(name);
    QVERIFY(PictureWriter::write(frame.get(), path.toStdString()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.read(magic.size()) == magic);

    const mediaprobe::Info info = mediaprobe::probe(path, false);
    QVERIFY(info.opened);
    QCOMPARE(info.videoCodec, codec);
    QCOMPARE(info.width, 352);
    QCOMPARE(info.height, 288);
    QCOMPARE(info.videoFrames, 1);
}

void TestPictureWriter::failedWriteLeavesNothing()
{
    FramePool pool;
    AVFramePtr frame = patternframes::make(pool, 64, 48);
    QVERIFY(!PictureWriter::write(frame.get(), m_dir.filePath("missing/p.png").toStdString()));
    QVERIFY(!PictureWriter::write(nullptr, m_dir.filePath("none.png").toStdString()));
    QVERIFY(!QFile::exists(m_dir.filePath("none.png")));
    // A folder that cannot be written: no picture and no half-written temporary.
    const QString locked = m_dir.filePath("locked");
    QVERIFY(QDir().mkpath(locked));
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::access(locked.toLocal8Bit().constData(), W_OK) == 0)
        QSKIP("running with permission to write anywhere");
    QVERIFY(!PictureWriter::write(frame.get(), (locked + "/p.png").toStdString()));
    QVERIFY(QDir(locked).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestPictureWriter::writesLaterAndTellsWhenDone()
{
    FramePool pool;
    std::mutex mutex;
    std::vector<std::pair<std::string, bool>> done;
    const QString path = m_dir.filePath("later.png");
    {
        PictureWriter writer;
        QVERIFY(writer.writeLater(patternframes::make(pool, 160, 120), path.toStdString(),
                                  [&](const std::string& p, bool ok) {
                                      std::lock_guard<std::mutex> lock(mutex);
                                      // The file is complete when this runs.
                                      done.emplace_back(
                                          p, ok && QFile(QString::fromStdString(p)).size() > 100);
                                  }));
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard<std::mutex> lock(mutex);
                return !done.empty();
            }(),
            5000);
    }
    QCOMPARE(done.size(), size_t(1));
    QCOMPARE(QString::fromStdString(done[0].first), path);
    QVERIFY(done[0].second);
}

ZD_TEST_MAIN(TestPictureWriter, QCoreApplication)
#include "tst_picturewriter.moc"
