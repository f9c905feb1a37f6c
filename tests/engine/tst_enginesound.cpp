// What the preview sounds like, heard where a listener hears it: on a sound
// server of the test's own (PulseAudio with a null sink on a private socket),
// whose sink is recorded while the engine plays. The tone microphone in
// record mode, a movie's tone in live mode, the volume and mute, the output
// chosen by name, the hot-key sounds, and a device that opens and records
// without any sound server.
#include "enginetestsupport.h"
#include "livecanvassupport.h"
#include "zdpulseserver.h"
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace livetest;

namespace
{
// The tone microphone's 440 Hz at about -18 dBFS.
constexpr double kToneRms = 0.12 / 1.41421356;

// Zero crossings per second of the left channel: twice the tone's pitch.
double crossingsPerSecond(const std::vector<float>& stereo, double fromS, double toS)
{
    const size_t from = size_t(fromS * zdtest::kPulseRate) * 2;
    const size_t to = std::min(stereo.size(), size_t(toS * zdtest::kPulseRate) * 2);
    int crossings = 0;
    for (size_t i = from + 2; i < to; i += 2)
        if ((stereo[i - 2] < 0.0f) != (stereo[i] < 0.0f))
            ++crossings;
    return to > from ? crossings / (double(to - from) / 2 / zdtest::kPulseRate) : 0.0;
}

// The sound of a recording, decoded by the ffmpeg program to mono floats.
double recordingRms(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-vn", "-ac", "1", "-ar", "48000", "-f",
                            "f32le", "-"});
    if (!ffmpeg.waitForFinished(20000))
        return -1.0;
    const QByteArray bytes = ffmpeg.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const float*>(bytes.constData());
    const qsizetype n = bytes.size() / qsizetype(sizeof(float));
    double sum = 0.0;
    for (qsizetype i = 0; i < n; ++i)
        sum += double(samples[i]) * samples[i];
    return n > 0 ? std::sqrt(sum / double(n)) : -1.0;
}
} // namespace

class TstEngineSound : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const char* why = zdtest::pulseToolsMissing())
            QSKIP(why);
        QVERIFY(m_dir.isValid());
        QVERIFY(m_server.start(m_dir.filePath("pulse").toStdString()));
    }

    void init()
    {
        m_sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &m_sink);
        m_handle = initEngine("sound");
        QVERIFY(m_handle);
        QVERIFY(m_recording.start(m_dir.filePath(QTest::currentTestFunction()).toStdString()));
    }

    void cleanup()
    {
        m_recording.stop();
        ZD_Release(&m_handle);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        QCOMPARE(ZDT_EngineThreadCount(), 0);
    }

    void toneMicrophoneIsHeardInRecordMode()
    {
        QCOMPARE(openTestCamera(m_handle, &m_sink, 320, 240, 30), 1);
        QVERIFY2(waitForLevel([](double rms) { return rms > kToneRms * 0.8; }),
                 qPrintable(QString::number(m_recording.lastRms())));
        // Once the monitor has settled (a stream's first seconds are the
        // server's), a second of steady tone at its level: a buffer that
        // runs dry again and again (gaps of 10 ms every few blocks) takes a
        // tenth of it, one hiccup of a loaded machine a hundredth.
        long long serverUs = 0, sampleUs = 0;
        QVERIFY(zdtest::waitFor([&] { return ZDT_MonitorLatency(m_handle, &serverUs, &sampleUs); },
                                8000));
        const size_t settled = m_recording.samples().size();
        QVERIFY(zdtest::waitFor(
            [&] { return m_recording.samples().size() >= settled + 2 * zdtest::kPulseRate; },
            8000));
        const std::vector<float> heard = m_recording.samples();
        const double end = double(heard.size()) / 2 / zdtest::kPulseRate;
        const double level = zdtest::rmsBetween(heard, end - 1.0, end);
        QVERIFY2(qAbs(level - kToneRms) < kToneRms * 0.03, qPrintable(QString::number(level)));
        const double crossings = crossingsPerSecond(heard, end - 1.0, end);
        QVERIFY2(qAbs(crossings - 880.0) < 20.0, qPrintable(QString::number(crossings)));
        // The server's buffer is kept small (on a loaded machine a late block
        // may leave it fuller for a few seconds).
        QVERIFY2(zdtest::waitFor(
                     [&] {
                         return ZDT_MonitorLatency(m_handle, &serverUs, &sampleUs) &&
                                serverUs > 0 && serverUs <= 60000;
                     },
                     10000, 200),
                 qPrintable(QString::number(serverUs)));
        QVERIFY2(sampleUs >= serverUs && sampleUs < 150000, qPrintable(QString::number(sampleUs)));
    }

    // The volume acts on what is heard only: a recording made while muted
    // keeps the tone at full level.
    void volumeAndMuteChangeWhatIsHeardOnly()
    {
        QCOMPARE(openTestCamera(m_handle, &m_sink, 320, 240, 30), 1);
        QVERIFY(waitForLevel([](double rms) { return rms > kToneRms * 0.8; }));

        QCOMPARE(ZD_AdjustVolume(m_handle, 30), 1);
        QVERIFY2(waitForLevel([](double rms) { return rms > 0 && rms < kToneRms * 0.1; }),
                 qPrintable(QString::number(m_recording.lastRms())));
        // Not silence: a listener still hears it, softly.
        QVERIFY(m_recording.lastRms() > kToneRms * 0.01);

        QCOMPARE(ZD_AdjustVolume(m_handle, -255), 1);
        QVERIFY2(waitForLevel([](double rms) { return rms >= 0 && rms < 1e-4; }),
                 qPrintable(QString::number(m_recording.lastRms())));
        const QString path = m_dir.filePath("muted.mp4");
        QCOMPARE(
            ZD_StartRecord(m_handle, path.toUtf8().constData(), 0, 0, 2, 320, 240, 30, 1000000), 1);
        QTest::qWait(1500);
        QVERIFY(m_recording.lastRms() >= 0 && m_recording.lastRms() < 1e-4);
        QCOMPARE(ZD_StopRecord(m_handle), 1);
        QVERIFY(zdtest::waitFor([&] { return QFile(path).size() > 0; }));

        // Unmuted: back to the volume before the mute (30), then to full.
        QCOMPARE(ZD_AdjustVolume(m_handle, 255), 1);
        QVERIFY(
            waitForLevel([](double rms) { return rms > kToneRms * 0.01 && rms < kToneRms * 0.1; }));
        QCOMPARE(ZD_AdjustVolume(m_handle, 100), 1);
        QVERIFY(waitForLevel([](double rms) { return rms > kToneRms * 0.8; }));
        QCOMPARE(ZD_AdjustVolume(m_handle, 101), 0);

        const double recorded = recordingRms(path);
        QVERIFY2(recorded > kToneRms * 0.7, qPrintable(QString::number(recorded)));
    }

    void movieToneIsHeardInLiveMode()
    {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            QSKIP("ffmpeg is not installed: no movie to play");
        const QString movie = m_dir.filePath("tone.mp4");
        QCOMPARE(QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                              "testsrc=size=160x120:rate=25", "-f", "lavfi", "-i",
                                              "sine=frequency=440:sample_rate=48000", "-t", "4",
                                              "-c:v", "mpeg4", "-c:a", "aac", "-shortest", movie}),
                 0);
        const QString list = m_dir.filePath("tone.movie-list");
        QVERIFY(writeList(list, {movie}));
        QCOMPARE(openCanvas(m_handle, &m_sink, 320, 180, 30), 1);
        LIVEPIP_PARAMTERS p = record(0, 0, 160, 120);
        setMovie(p, list, 0, 1);
        QCOMPARE(ZD_AddOverlayDevice(m_handle, "700", 2, &p), 1);
        // ffmpeg's sine is at 1/8 of full scale.
        QVERIFY2(waitForLevel([](double rms) { return rms > 0.125 / 1.41421356 * 0.7; }),
                 qPrintable(QString::number(m_recording.lastRms())));
        const std::vector<float> heard = m_recording.samples();
        const double end = double(heard.size()) / 2 / zdtest::kPulseRate;
        QVERIFY(qAbs(crossingsPerSecond(heard, end - 0.4, end) - 880.0) < 30.0);
    }

    void outputChosenByNameOrDefault_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("the null sink by name") << QByteArray(zdtest::kPulseSink);
        QTest::newRow("system default") << QByteArray();
        QTest::newRow("unknown falls back to the default") << QByteArray("no-such-output");
    }

    void outputChosenByNameOrDefault()
    {
        QFETCH(QByteArray, name);
        QCOMPARE(ZD_SetAudioRenderDevices(m_handle, name.constData()), 1);
        QCOMPARE(openTestCamera(m_handle, &m_sink, 320, 240, 30), 1);
        QVERIFY2(waitForLevel([](double rms) { return rms > kToneRms * 0.8; }),
                 qPrintable(QString::number(m_recording.lastRms())));
    }

    void hotKeySoundsArrive_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("record") << 0;
        QTest::newRow("pause") << 1;
        QTest::newRow("picture") << 2;
    }

    void hotKeySoundsArrive()
    {
        QFETCH(int, kind);
        // Silence first (the sound of the row before has ended).
        QVERIFY(zdtest::waitFor(
            [&] { return m_recording.lastRms(0.25) >= 0 && m_recording.lastRms(0.25) < 1e-4; },
            5000));
        QElapsedTimer held;
        held.start();
        QCOMPARE(ZD_play_system_sound(kind), 1);
        QVERIFY(held.elapsed() < 100);
        QVERIFY(zdtest::waitFor([&] { return peakOfLast(0.5) > 0.1; }, 5000));
        QCOMPARE(ZD_play_system_sound(3), 0);
        QCOMPARE(ZD_play_system_sound(-1), 0);
    }

    void withoutServerTheDeviceOpensAndRecords()
    {
        m_recording.stop();
        const QByteArray kept = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:" + m_dir.filePath("no-server").toUtf8());
        QElapsedTimer opening;
        opening.start();
        QCOMPARE(openTestCamera(m_handle, &m_sink, 320, 240, 30), 1);
        QVERIFY(opening.elapsed() < 2000);
        QCOMPARE(ZD_AdjustVolume(m_handle, 50), 1);
        QCOMPARE(ZD_play_system_sound(0), 1);
        const QString path = m_dir.filePath("silent.mp4");
        QCOMPARE(
            ZD_StartRecord(m_handle, path.toUtf8().constData(), 0, 0, 2, 320, 240, 30, 1000000), 1);
        QTest::qWait(1500);
        QCOMPARE(ZD_StopRecord(m_handle), 1);
        QVERIFY(zdtest::waitFor([&] { return QFile(path).size() > 0; }));
        QVERIFY(recordingRms(path) > kToneRms * 0.7);
        QCOMPARE(ZDT_MonitorLatency(m_handle, nullptr, nullptr), 0);
        // Told once in the log, never as a report.
        QFile log(QString::fromUtf8(engineDataDir("sound")) + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count("no sound server (Connection refused)"), 1);
        m_sink.drain(m_handle);
        QVERIFY(m_sink.ofMessage(ZD_MSG_PREVIEW_ERROR_CODE).isEmpty());

        // A server that comes later is heard from the next opening on.
        qputenv("PULSE_SERVER", kept);
        QCOMPARE(ZD_AdjustVolume(m_handle, 100), 1);
        QVERIFY(m_recording.start(m_dir.filePath("later.raw").toStdString()));
        QCOMPARE(openTestCamera(m_handle, &m_sink, 320, 240, 30), 1);
        QVERIFY2(waitForLevel([](double rms) { return rms > kToneRms * 0.8; }),
                 qPrintable(QString::number(m_recording.lastRms())));
    }

private:
    double peakOfLast(double seconds) const
    {
        const std::vector<float> heard = m_recording.samples();
        const size_t n = std::min(heard.size(), size_t(seconds * zdtest::kPulseRate) * 2);
        float peak = 0.0f;
        for (size_t i = heard.size() - n; i < heard.size(); ++i)
            peak = std::max(peak, std::fabs(heard[i]));
        return peak;
    }

    // Holds once the last 0.4 s heard pass, within a few seconds.
    template <typename Cond> bool waitForLevel(Cond cond)
    {
        return zdtest::waitFor([&] { return cond(m_recording.lastRms()); }, 5000, 50);
    }

    QTemporaryDir m_dir;
    zdtest::PulseServer m_server;
    zdtest::PulseRecording m_recording;
    ReportSink m_sink;
    void* m_handle = nullptr;
};

ZD_TEST_MAIN(TstEngineSound, QCoreApplication)
#include "tst_enginesound.moc"
