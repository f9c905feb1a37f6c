// The feed between a device's capture threads and its source pipeline:
// pictures reach the pipeline's newest frame, and each kind of capture
// trouble is told once however often the threads meet it.
#include "devices/capturefeed.h"
#include "media/sourcepipeline.h"
#include "zdtestmain.h"

#include <vector>

using namespace zd;

class TstCaptureFeed : public QObject
{
    Q_OBJECT

private slots:
    void picturesAndTroubles()
    {
        auto pipeline = std::make_shared<media::SourcePipeline>();
        std::vector<int> told;
        CaptureFeed feed(pipeline, [&](int code) { told.push_back(code); });

        media::AVFramePtr frame = media::makeFrame();
        frame->format = AV_PIX_FMT_YUYV422;
        frame->width = 64;
        frame->height = 48;
        QVERIFY(av_frame_get_buffer(frame.get(), 0) >= 0);
        frame->pts = 1000;
        feed.videoFrame(frame.get());
        feed.videoFrame(frame.get());
        QCOMPARE(pipeline->latest().serial(), uint64_t(2));
        media::AVFramePtr newest = pipeline->latest().get();
        QVERIFY(newest);
        QCOMPARE(newest->width, 64);

        feed.captureFailed(4);
        feed.captureFailed(4);
        feed.captureFailed(8);
        feed.captureFailed(4);
        QCOMPARE(told, (std::vector<int>{4, 8}));
    }
};

ZD_TEST_MAIN(TstCaptureFeed, QCoreApplication)
#include "tst_capturefeed.moc"
