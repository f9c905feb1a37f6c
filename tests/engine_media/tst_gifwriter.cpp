// Animated GIFs of the test-pattern camera, read back with FFmpeg's decoder.
#include "mediaprobe.h"
#include "virtualrig.h"
#include "zdtestmain.h"

#include "media/gifwriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <mutex>

using namespace zd::media;

class TestGifWriter : public QObject
{
    Q_OBJECT
private slots:
    void gifHasManyFramesAtAskedSize_data();
    void gifHasManyFramesAtAskedSize();
    void refusesUnusableArguments();

private:
    QTemporaryDir m_dir;
};

void TestGifWriter::gifHasManyFramesAtAskedSize_data()
{
    QTest::addColumn<int>("sourceWidth");
    QTest::addColumn<int>("sourceHeight");
    QTest::addColumn<bool>("keepAspect");
    QTest::addColumn<int>("gifWidth");
    QTest::addColumn<int>("gifHeight");
    QTest::newRow("4:3 into 320x240") << 640 << 480 << true << 320 << 240;
    QTest::newRow("16:9 kept inside 320x240") << 640 << 360 << true << 320 << 180;
    QTest::newRow("16:9 stretched") << 640 << 360 << false << 320 << 240;
}

void TestGifWriter::gifHasManyFramesAtAskedSize()
{
    QFETCH(int, sourceWidth);
    QFETCH(int, sourceHeight);
    QFETCH(bool, keepAspect);
    QFETCH(int, gifWidth);
    QFETCH(int, gifHeight);
    const QString path = m_dir.filePath(QString("g%1%2.gif").arg(sourceHeight).arg(keepAspect));
    std::mutex mutex;
    std::vector<std::pair<int, int64_t>> states;
    auto gif = std::make_shared<GifWriter>([&](int state, int64_t ms) {
        std::lock_guard<std::mutex> lock(mutex);
        states.emplace_back(state, ms);
    });
    {
        VirtualRig rig(sourceWidth, sourceHeight, 30, false);
        QVERIFY(gif->start(path.toStdString(), 320, 240, keepAspect, 10));
        QVERIFY(gif->running());
        rig.pipeline.attach(gif);
        QThread::msleep(1300);
        gif->stop();
        rig.pipeline.detach(gif.get());
    }
    QVERIFY(!gif->running());
    QVERIFY(!QFile::exists(path + ".part"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(6), QByteArray("GIF89a"));

    const mediaprobe::Info info = mediaprobe::probe(path, false);
    QVERIFY(info.opened);
    QCOMPARE(info.width, gifWidth);
    QCOMPARE(info.height, gifHeight);
    // About 13 pictures at 10 a second.
    QVERIFY2(info.videoFrames >= 10 && info.videoFrames <= 15,
             qPrintable(QString::number(info.videoFrames)));

    std::lock_guard<std::mutex> lock(mutex);
    QVERIFY(states.size() >= 3);
    QCOMPARE(states.front().first, int(GifWriter::Started));
    QCOMPARE(states.back().first, int(GifWriter::Ended));
    // The time reports count up in whole seconds: 0 s, then 1 s.
    std::vector<int64_t> progress;
    for (const auto& s : states)
        if (s.first == GifWriter::Progress)
            progress.push_back(s.second / 1000);
    QCOMPARE(progress, (std::vector<int64_t>{0, 1}));
}

void TestGifWriter::refusesUnusableArguments()
{
    GifWriter gif(nullptr);
    QVERIFY(!gif.start("", 320, 240, true, 10));
    QVERIFY(!gif.start(m_dir.filePath("x.gif").toStdString(), 0, 240, true, 10));
    QVERIFY(!gif.start(m_dir.filePath("x.gif").toStdString(), 320, 240, true, 0));
    QVERIFY(!gif.running());
}

ZD_TEST_MAIN(TestGifWriter, QCoreApplication)
#include "tst_gifwriter.moc"
