// The machine's own devices through the C surface, on a device folder and a
// sysfs tree of the test's own: a camera node the user may not open is
// listed under its sysfs name and USB path, opening it answers -2, and its
// arrival and removal are told with 8965 as the device folder changes.
// Permission bits do not hold back root, so root gives up its power to
// override them first.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <QFile>

#include <cstring>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{

const char* const kPath = "USB#VID_046D&PID_0825#8A9F3C21#video-if00-0";

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// sysfs of a USB camera whose video node is video0.
void fakeSysfs()
{
    const QString sys = QString::fromLocal8Bit(qgetenv("VAZURIDAV_SYS_ROOT"));
    const QString usb = sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-4";
    writeFile(usb + "/idVendor", "046d\n");
    writeFile(usb + "/idProduct", "0825\n");
    writeFile(usb + "/serial", "8A9F3C21\n");
    writeFile(usb + "/1-4:1.0/bInterfaceNumber", "00\n");
    const QString node = sys + "/class/video4linux/video0";
    writeFile(node + "/name", "HD Pro Webcam C920\n");
    writeFile(node + "/index", "0\n");
    QVERIFY(::symlink((usb + "/1-4:1.0").toLocal8Bit().constData(),
                      (node + "/device").toLocal8Bit().constData()) == 0);
}

// sysfs of the sound card of a USB camera, card 29 (a number no real card
// of the machine has, since ALSA itself is asked about the real ones).
void fakeSoundCard()
{
    const QString sys = QString::fromLocal8Bit(qgetenv("VAZURIDAV_SYS_ROOT"));
    const QString usb = sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-5";
    writeFile(usb + "/idVendor", "046d\n");
    writeFile(usb + "/idProduct", "0826\n");
    writeFile(usb + "/product", "HD Webcam C525\n");
    writeFile(usb + "/1-5:1.2/bInterfaceNumber", "02\n");
    const QString card = sys + "/class/sound/card29";
    writeFile(card + "/id", "C525\n");
    QVERIFY(::symlink((usb + "/1-5:1.2").toLocal8Bit().constData(),
                      (card + "/device").toLocal8Bit().constData()) == 0);
}

// A node nobody may open.
QString lockedNode()
{
    const QString path = QString::fromLocal8Bit(qgetenv("VAZURIDAV_DEV_ROOT")) + "/video0";
    writeFile(path, QByteArray());
    ::chmod(path.toLocal8Bit().constData(), 0);
    return path;
}

QList<DEV_NAME> devices(void* h)
{
    DEV_NAME list[ZD_MAX_DEVICES];
    int count = ZD_MAX_DEVICES;
    if (ZD_GetCaptureDevices(h, list, &count, 1) != 1)
        return {};
    return QList<DEV_NAME>(list, list + count);
}

// Makes root subject to file modes, as any user is: drops the capabilities
// that override them from the effective set.
bool obeyFileModes()
{
    if (::geteuid() != 0)
        return true;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
        data[cap / 32].effective &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

class TstEngineMachineDevices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!obeyFileModes())
            QSKIP("Root could not give up overriding file modes, so every node would open.");
        fakeSysfs();
        fakeSoundCard();
    }
    void init()
    {
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
    }
    void cleanup()
    {
        if (h)
            ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        const QString dev = QString::fromLocal8Bit(qgetenv("VAZURIDAV_DEV_ROOT"));
        QFile::remove(dev + "/video0");
        QDir(dev + "/snd").removeRecursively();
    }

    void lockedCameraIsListedAndDenied()
    {
        lockedNode();
        h = initEngine();
        const QList<DEV_NAME> list = devices(h);
        QVERIFY(list.size() >= 3);
        QCOMPARE(QString::fromUtf8(list[0].name), QString("HD Pro Webcam C920"));
        QCOMPARE(QString::fromUtf8(list[0].path), QString(kPath));
        QCOMPARE(list[0].kind, uint32_t(ZD_DEVICE_KIND_VIDEO));
        QCOMPARE(QString::fromUtf8(list.last().name), QString("Test Tone Microphone"));

        DEV_NAME audio{};
        audio.kind = ZD_DEVICE_KIND_AUDIO;
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &list[0], &audio, nullptr, 10000000),
                 ZD_OPEN_CAMERA_DENIED);
        int open = 1;
        ZD_CheckState(h, &open, nullptr, nullptr, nullptr, nullptr);
        QCOMPARE(open, 0);
        VIDEOAMPVALUE amp{};
        QCOMPARE(ZD_GetCaptureAmpValue(h, "HD Pro Webcam C920", &amp), 0);
    }

    // A microphone the user may not open: listed all the same, and opening
    // the camera with it answers -4.
    void lockedMicrophone()
    {
        const QString node =
            QString::fromLocal8Bit(qgetenv("VAZURIDAV_DEV_ROOT")) + "/snd/pcmC29D0c";
        writeFile(node, QByteArray());
        ::chmod(node.toLocal8Bit().constData(), 0);
        h = initEngine();
        DEV_NAME mic{};
        bool found = false;
        for (const DEV_NAME& d : devices(h)) {
            if (QString::fromUtf8(d.name) == "HD Webcam C525") {
                mic = d;
                found = true;
            }
        }
        QVERIFY(found);
        QCOMPARE(mic.kind, uint32_t(ZD_DEVICE_KIND_AUDIO));
        QCOMPARE(QString::fromUtf8(mic.path), QString("USB#VID_046D&PID_0826#1-5#audio-if02-0"));
        const DEV_NAME cam = testCamera();
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &cam, &mic, nullptr, 10000000),
                 ZD_OPEN_MICROPHONE_DENIED);
        int open = 1;
        ZD_CheckState(h, &open, nullptr, nullptr, nullptr, nullptr);
        QCOMPARE(open, 0);
    }

    void arrivalAndRemoval()
    {
        h = initEngine();
        QCOMPARE(ZD_StartUSBDeviceListen(h, &sink), 1);
        const QString node = lockedNode();
        QTRY_COMPARE_WITH_TIMEOUT((sink.drain(h), sink.ofMessage(8965).size()), 1, 5000);
        const ReceivedReport arrival = sink.ofMessage(8965).first();
        QCOMPARE(arrival.wParam, 0ul);
        QCOMPARE(arrival.target, static_cast<void*>(&sink));
        QCOMPARE(QString::fromUtf8(static_cast<const char*>(arrival.ptr)), QString(kPath));
        QCOMPARE(devices(h).size(), 3);

        QVERIFY(QFile::remove(node));
        QTRY_COMPARE_WITH_TIMEOUT((sink.drain(h), sink.ofMessage(8965).size()), 2, 5000);
        const ReceivedReport removal = sink.ofMessage(8965).last();
        QVERIFY(removal.wParam != 0);
        QCOMPARE(QString::fromUtf8(static_cast<const char*>(removal.ptr)), QString(kPath));
        int lost = 7;
        // Not the open device: answered, and not lost.
        QCOMPARE(ZD_QueryDeviceLost(h, nullptr, removal.ptr, &lost), 1);
        QCOMPARE(lost, 0);
        QCOMPARE(devices(h).size(), 2);

        // The watch is a thread of the engine, and ends with it.
        QVERIFY(ZDT_EngineThreadCount() >= 2);
        ZD_Release(&h);
        QCOMPARE(ZDT_EngineThreadCount(), 0);
    }

private:
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEngineMachineDevices, QCoreApplication)
#include "tst_enginemachinedevices.moc"
