// The live encode's failure path: a picture the encoder cannot take ends the
// encode and is reported once with its code (the application then stops the
// stream and tells the user); nothing after it is encoded or reported again.
#include "patternframes.h"
#include "zdtestmain.h"

#include "live/liveencoder.h"
#include "media/recordsettings.h"

#include <QtTest>

#include <atomic>

using namespace zd::media;

class TstLiveEncoder : public QObject
{
    Q_OBJECT

private slots:
    void aPictureTheEncoderCannotTakeIsReportedOnce()
    {
        std::atomic<int> reports{0};
        std::atomic<int> code{0};
        zd::live::LiveEncoder encoder([&](int c) {
            code = c;
            ++reports;
        });
        encoder.start(320, 180, 25, 400000, {});
        FramePool pool;
        for (int i = 0; i < 5; ++i) {
            AVFramePtr f = patternframes::make(pool, 320, 180, i);
            f->pts = int64_t(i) * 40000;
            encoder.pushVideo(f.get());
        }
        // A picture in a layout the scaler cannot read.
        AVFramePtr broken = makeFrame();
        broken->width = 64;
        broken->height = 64;
        broken->format = AV_PIX_FMT_UYYVYY411;
        QCOMPARE(av_frame_get_buffer(broken.get(), 0), 0);
        broken->pts = 5 * 40000;
        encoder.pushVideo(broken.get());
        QTRY_COMPARE_WITH_TIMEOUT(reports.load(), 1, 20000);
        QCOMPARE(code.load(), int(RecordCopyFrameError));
        for (int i = 6; i < 12; ++i) {
            broken->pts = int64_t(i) * 40000;
            encoder.pushVideo(broken.get());
        }
        encoder.stop();
        QCOMPARE(reports.load(), 1);
    }
};

ZD_TEST_MAIN(TstLiveEncoder, QCoreApplication)
#include "tst_liveencoder.moc"
