// A movie layer gives each picture and each piece of sound at its own time in
// the file, as the canvas's compositor and mixer take them: the pictures as
// the layer shows them, the sound from the layer's time line by the time it
// is mixed for. A decoder hands out a picture some packets after its own
// (pictures reordered, decoding on threads); waited for in that order, every
// picture showed that much late against its sound.
#include "../engine/livecanvassupport.h"
#include "devices/devicemanager.h"
#include "live/movielayer.h"
#include "zdsyncmeter.h"
#include "zdsyncsource.h"
#include "zdtestmain.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

extern "C" {
#include <libavutil/time.h>
}

namespace
{

class Host : public zd::live::LayerHost
{
public:
    void report(unsigned int, unsigned long, long long) override {}
    zd::DeviceManager& devices() override { return m_devices; }
    bool deviceInUse(const std::string&, const zd::live::Layer*) const override { return false; }

private:
    zd::DeviceManager m_devices;
};

double meanLuma(const AVFrame* f)
{
    double sum = 0;
    int64_t n = 0;
    for (int y = 0; y < f->height; y += 4) {
        for (int x = 0; x < f->width; x += 4, ++n)
            sum += f->data[0][ptrdiff_t(y) * f->linesize[0] + x];
    }
    return n ? sum / double(n) : 0;
}

} // namespace

class TstMovieSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            QSKIP("ffmpeg is not installed: no movie of flashes and beeps");
        QVERIFY(dir.isValid());
    }

    // x264's pictures are reordered: its decoder holds two of them back.
    void picturesAndSoundAtTheirTime()
    {
        const QString movie = dir.filePath("flashes.mp4");
        QStringList arguments;
        for (const std::string& a :
             zdtest::flashMovieArguments(movie.toStdString(), 320, 180, 30, 4, 0))
            arguments.append(QString::fromStdString(a));
        QCOMPARE(QProcess::execute("ffmpeg", arguments), 0);
        const QString list = dir.filePath("flashes.movie-list");
        QVERIFY(livetest::writeList(list, {movie}));
        LIVEPIP_PARAMTERS p = livetest::record(0, 0, 320, 180);
        livetest::setMovie(p, list);
        zd::live::Layer::Block block;
        std::memcpy(block.data(), p.kindBlock, block.size());

        Host host;
        zd::live::MovieLayer layer(host, "900", 900, zd::live::KindMovie);
        layer.apply(block, true);
        zdtest::SyncMeter meter;
        using zd::live::AudioInput;
        // Sound is taken as the mixer takes it: a block at a time, a while
        // after its time, so that what the layer hands in early or late is
        // placed by its own time.
        constexpr int kBlock = AudioInput::kSampleRate / 100;
        const int64_t latency = AudioInput::sampleAt(60000);
        int64_t mixed = AudioInput::sampleAt(av_gettime_relative()) - latency;
        std::vector<float> mix(kBlock * 2);
        uint64_t shown = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 3600) {
            uint64_t serial = 0;
            zd::media::AVFramePtr picture = layer.picture(serial);
            if (picture && serial != shown) {
                shown = serial;
                meter.picture(av_gettime_relative() / 1e6, meanLuma(picture.get()));
            }
            zd::live::AudioInput* sound = layer.audio();
            while (sound &&
                   AudioInput::sampleAt(av_gettime_relative()) - latency - mixed >= kBlock) {
                std::fill(mix.begin(), mix.end(), 0.0f);
                sound->mixInto(mix.data(), kBlock, 1.0f, mixed);
                meter.sound(AudioInput::timeOf(mixed) / 1e6, mix.data(), kBlock, 2,
                            AudioInput::kSampleRate);
                mixed += kBlock;
            }
            QThread::msleep(1);
        }
        layer.stop();
        const zdtest::SyncFigures f = meter.figures();
        qInfo("%s", f.text().c_str());
        QVERIFY2(f.pairs() >= 3, f.text().c_str());
        QVERIFY2(std::fabs(f.medianMs) <= 15, f.text().c_str());
    }

private:
    QTemporaryDir dir;
};

ZD_TEST_MAIN(TstMovieSync, QCoreApplication)
#include "tst_moviesync.moc"
