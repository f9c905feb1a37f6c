// Hot plug: the watch of the device folders (as where udev sends nothing)
// tells once per burst of device nodes coming or going and ignores other
// files; the change between two listings names removals and arrivals.
#include "devices/devicechanges.h"
#include "devices/hotplugmonitor.h"
#include "zdtestmain.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cstring>

using namespace zd;

namespace
{

void touch(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

DEV_NAME dev(const char* name, const char* path, uint32_t kind = ZD_DEVICE_KIND_VIDEO)
{
    DEV_NAME d{};
    std::strncpy(d.name, name, sizeof d.name - 1);
    std::strncpy(d.path, path, sizeof d.path - 1);
    d.kind = kind;
    return d;
}

QStringList describe(const std::vector<DeviceChange>& changes)
{
    QStringList out;
    for (const DeviceChange& c : changes)
        out << QString("%1 %2").arg(c.removal ? "-" : "+", QString::fromUtf8(c.device.name));
    return out;
}

} // namespace

class TstHotplug : public QObject
{
    Q_OBJECT

private slots:
    void nodeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("node");
        QTest::newRow("video0") << "video0" << false << true;
        QTest::newRow("video12") << "video12" << false << true;
        QTest::newRow("snd folder") << "snd" << false << true;
        QTest::newRow("videox") << "videox" << false << false;
        QTest::newRow("video") << "video" << false << false;
        QTest::newRow("tty5") << "tty5" << false << false;
        QTest::newRow("media0") << "media0" << false << false;
        QTest::newRow("capture pcm") << "pcmC1D0c" << true << true;
        QTest::newRow("playback pcm") << "pcmC1D0p" << true << false;
        QTest::newRow("control") << "controlC1" << true << true;
        QTest::newRow("timer") << "timer" << true << false;
    }
    void nodeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, sound);
        QFETCH(bool, node);
        QCOMPARE(HotplugMonitor::isDeviceNodeName(name.toStdString(), sound), node);
    }

    // A camera brings several nodes at once: one call when things are quiet.
    void watchesTheDeviceFolders()
    {
        QTemporaryDir dev;
        std::atomic<int> calls{0};
        HotplugMonitor monitor(dev.path().toStdString(), false, [&] { calls++; });
        QVERIFY(monitor.start());

        touch(dev.path() + "/tty7");
        QTest::qWait(HotplugMonitor::kQuietMs * 3);
        QCOMPARE(calls.load(), 0);

        touch(dev.path() + "/video0");
        touch(dev.path() + "/video1");
        QTRY_COMPARE_WITH_TIMEOUT(calls.load(), 1, 3000);
        QTest::qWait(HotplugMonitor::kQuietMs * 2);
        QCOMPARE(calls.load(), 1);

        QVERIFY(QFile::remove(dev.path() + "/video1"));
        QTRY_COMPARE_WITH_TIMEOUT(calls.load(), 2, 3000);

        // The sound folder appears with the first sound card and is watched.
        QVERIFY(QDir().mkdir(dev.path() + "/snd"));
        QTRY_COMPARE_WITH_TIMEOUT(calls.load(), 3, 3000);
        touch(dev.path() + "/snd/pcmC2D0c");
        QTRY_COMPARE_WITH_TIMEOUT(calls.load(), 4, 3000);
        touch(dev.path() + "/snd/pcmC2D0p");
        QTest::qWait(HotplugMonitor::kQuietMs * 3);
        QCOMPARE(calls.load(), 4);

        monitor.stop();
        QVERIFY(!monitor.running());
        touch(dev.path() + "/video5");
        QTest::qWait(HotplugMonitor::kQuietMs * 2);
        QCOMPARE(calls.load(), 4);
    }

    void missingFolder()
    {
        HotplugMonitor monitor("/nonexistent/dev", false, [] {});
        QVERIFY(!monitor.start());
    }

    void changes()
    {
        const std::vector<DEV_NAME> before = {dev("Cam A", "USB#VID_1#a#video-if00-0"),
                                              dev("Cam B", "USB#VID_2#b#video-if00-0"),
                                              dev("Mic B", "USB#VID_2#b#audio-if02-0", 2)};
        // Cam B is replugged elsewhere (new path); a name change alone is no change.
        const std::vector<DEV_NAME> after = {dev("Cam A renamed", "USB#VID_1#a#video-if00-0"),
                                             dev("Cam C", "V4L2#PCI#video-0"),
                                             dev("Cam B", "USB#VID_2#c#video-if00-0")};
        QCOMPARE(describe(DeviceChanges::between(before, after)),
                 (QStringList{"- Cam B", "- Mic B", "+ Cam C", "+ Cam B"}));
        QVERIFY(DeviceChanges::between(before, before).empty());
        QCOMPARE(describe(DeviceChanges::between({}, before)),
                 (QStringList{"+ Cam A", "+ Cam B", "+ Mic B"}));
    }
};

ZD_TEST_MAIN(TstHotplug, QCoreApplication)
#include "tst_hotplug.moc"
