// Device paths and names of the machine's devices, built from a fake sysfs
// tree: USB ids and serial number (or port) for USB devices, the bus for
// others, names made distinct; sysfs text read with care.
#include "devices/alsadeviceprovider.h"
#include "devices/sysfsusb.h"
#include "devices/v4l2deviceprovider.h"
#include "zdtestmain.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <unistd.h>

using namespace zd;

namespace
{

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

void link(const QString& target, const QString& linkPath)
{
    QDir().mkpath(QFileInfo(linkPath).path());
    QVERIFY(::symlink(target.toLocal8Bit().constData(), linkPath.toLocal8Bit().constData()) == 0);
}

// A USB device at port 1-1.4 with an interface; returns the interface folder.
QString usbDevice(const QString& sys, const QString& port, const QByteArray& vid,
                  const QByteArray& pid, const QByteArray& serial, int interfaceNumber)
{
    const QString dev = sys + "/devices/pci0000:00/0000:00:14.0/usb1/" + port;
    writeFile(dev + "/idVendor", vid + "\n");
    writeFile(dev + "/idProduct", pid + "\n");
    if (!serial.isNull())
        writeFile(dev + "/serial", serial + "\n");
    const QString iface = dev + "/" + port + ":1." + QString::number(interfaceNumber);
    writeFile(iface + "/bInterfaceNumber",
              QByteArray::number(interfaceNumber, 16).rightJustified(2, '0') + "\n");
    return iface;
}

void videoNode(const QString& sys, const QString& node, const QString& deviceFolder, int index)
{
    const QString entry = sys + "/class/video4linux/" + node;
    writeFile(entry + "/index", QByteArray::number(index) + "\n");
    link(deviceFolder, entry + "/device");
}

AlsaPcmEntry pcm(int card, const char* id, const char* name, int device, const char* pcmName)
{
    AlsaPcmEntry e;
    e.card = card;
    e.cardId = id;
    e.cardName = name;
    e.device = device;
    e.pcmName = pcmName;
    return e;
}

QString text(const char* field, size_t size)
{
    return QString::fromUtf8(field, static_cast<int>(strnlen(field, size)));
}

} // namespace

class TstDevicePaths : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(tmp.isValid());
        base = tmp.path() + "/" + QTest::currentTestFunction();
        sys = base + "/sys";
    }

    void videoPaths()
    {
        videoNode(sys, "video0", usbDevice(sys, "1-1.4", "046d", "0825", "8A9F3C21", 0), 0);
        videoNode(sys, "video1", sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-1.4/1-1.4:1.0", 1);
        videoNode(sys, "video2", usbDevice(sys, "2-3", "048D", "9310", QByteArray(), 2), 0);
        videoNode(sys, "video3", usbDevice(sys, "2-4", "1b3f", "2247", "  #0001\x01 ", 1), 0);
        videoNode(sys, "video4", sys + "/devices/pci0000:00/0000:03:00.0", 0);
        videoNode(sys, "video6", usbDevice(sys, "2-5", "0fd9", "0066", "X", 10), 0);
        QDir().mkpath(sys + "/devices/pci0000:00/0000:03:00.0");
        QDir().mkpath(sys + "/devices/platform/v4l2loopback.0");
        videoNode(sys, "video5", sys + "/devices/platform/v4l2loopback.0", 0);
        const std::string root = sys.toStdString();

        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video0", "usb-0000:00:14.0-1.4"),
                 std::string("USB#VID_046D&PID_0825#8A9F3C21#video-if00-0"));
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video1", "usb-0000:00:14.0-1.4"),
                 std::string("USB#VID_046D&PID_0825#8A9F3C21#video-if00-1"));
        // No serial number: the port stands in.
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video2", "usb-x"),
                 std::string("USB#VID_048D&PID_9310#2-3#video-if02-0"));
        // A serial number cannot break the path apart.
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video3", "usb-x"),
                 std::string("USB#VID_1B3F&PID_2247#_0001_#video-if01-0"));
        // sysfs gives interface numbers in hex.
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video6", "usb-x"),
                 std::string("USB#VID_0FD9&PID_0066#X#video-if10-0"));
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video4", "PCI:0000:03:00.0"),
                 std::string("V4L2#PCI:0000:03:00.0#video-0"));
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video5", "platform:v4l2loopback-000"),
                 std::string("V4L2#platform:v4l2loopback-000#video-0"));
        // Not even a sysfs entry: the bus still names it, never "/dev/video9".
        QCOMPARE(V4l2DeviceProvider::devicePath(root, "video9", ""),
                 std::string("V4L2#video9#video-0"));
    }

    // Broken or hostile trees give no USB identity, and never a hang.
    void brokenTrees()
    {
        usbDevice(sys, "1-2", "zzzz", "0825", "x", 0);
        videoNode(sys, "video0", sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0", 0);
        usbDevice(sys, "1-3", "12345", "0825", "x", 0);
        videoNode(sys, "video1", sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0", 0);
        // A link out of the tree, to a folder that looks like a USB device.
        writeFile(base + "/outside/idVendor", "046d\n");
        writeFile(base + "/outside/idProduct", "0825\n");
        videoNode(sys, "video2", base + "/outside", 0);
        // A link to itself.
        QDir().mkpath(sys + "/class/video4linux/video3");
        link(sys + "/class/video4linux/video3/device", sys + "/class/video4linux/video3/device");
        // An attribute far longer than any sysfs text.
        usbDevice(sys, "1-5", "046d", "0825", QByteArray(100000, 'A'), 0);
        videoNode(sys, "video4", sys + "/devices/pci0000:00/0000:00:14.0/usb1/1-5/1-5:1.0", 0);

        const std::string root = sys.toStdString();
        for (const char* node : {"video0", "video1", "video2", "video3", "video8"})
            QVERIFY2(!SysfsUsb::lookup(root, std::string("class/video4linux/") + node).usb, node);
        const UsbIdentity id = SysfsUsb::lookup(root, "class/video4linux/video4");
        QVERIFY(id.usb);
        QCOMPARE(id.serial.size(), SysfsUsb::kMaxFieldBytes);
    }

    void sysfsText_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<bool>("hexOk");
        QTest::addColumn<int>("hex");
        QTest::addColumn<QByteArray>("clean");
        QTest::newRow("plain") << QByteArray("046d\n") << true << 0x046d << QByteArray("046d");
        QTest::newRow("upper") << QByteArray("FFFF") << true << 0xffff << QByteArray("FFFF");
        QTest::newRow("too long") << QByteArray("10000") << false << 0 << QByteArray("10000");
        QTest::newRow("empty") << QByteArray("\n") << false << 0 << QByteArray("");
        QTest::newRow("sign") << QByteArray("-1") << false << 0 << QByteArray("-1");
        QTest::newRow("hash and blanks")
            << QByteArray(" a#b c ") << false << 0 << QByteArray("a_b_c");
        QTest::newRow("utf-8") << QByteArray("Kamera\xc3\xa9") << false << 0
                               << QByteArray("Kamera__");
    }
    void sysfsText()
    {
        QFETCH(QByteArray, input);
        QFETCH(bool, hexOk);
        QFETCH(int, hex);
        QFETCH(QByteArray, clean);
        uint16_t id = 0;
        QCOMPARE(SysfsUsb::parseHexId(input.toStdString(), id), hexOk);
        if (hexOk)
            QCOMPARE(int(id), hex);
        QCOMPARE(QByteArray::fromStdString(SysfsUsb::cleanField(input.toStdString())), clean);
    }

    // Two cameras of one model get distinct names and paths, in list order.
    void distinctVideoDevices()
    {
        std::vector<V4l2NodeInfo> nodes(3);
        for (auto& n : nodes) {
            std::strcpy(n.name.name, "HD Pro Webcam C920");
            std::strcpy(n.name.path, "USB#VID_046D&PID_082D#2-1#video-if00-0");
        }
        std::strcpy(nodes[1].name.path, "USB#VID_046D&PID_082D#2-2#video-if00-0");
        V4l2DeviceProvider::makeDistinct(nodes);
        QCOMPARE(text(nodes[0].name.name, 256), QString("HD Pro Webcam C920"));
        QCOMPARE(text(nodes[1].name.name, 256), QString("HD Pro Webcam C920 (2)"));
        QCOMPARE(text(nodes[2].name.name, 256), QString("HD Pro Webcam C920 (3)"));
        QCOMPARE(text(nodes[1].name.path, 1024), QString("USB#VID_046D&PID_082D#2-2#video-if00-0"));
        QCOMPARE(text(nodes[2].name.path, 1024),
                 QString("USB#VID_046D&PID_082D#2-1#video-if00-0#2"));
    }

    void soundDevices()
    {
        const QString iface = usbDevice(sys, "3-1", "046d", "0825", "8A9F3C21", 2);
        link(iface, sys + "/class/sound/card1/device");
        QDir().mkpath(sys + "/devices/pci0000:00/0000:00:1f.3/sound/card0");
        link(sys + "/devices/pci0000:00/0000:00:1f.3", sys + "/class/sound/card0/device");

        std::vector<AlsaPcmEntry> entries = {
            pcm(0, "PCH", "HDA Intel PCH", 0, "ALC3246 Analog"),
            pcm(0, "PCH", "HDA Intel PCH", 2, "ALC3246 Alt Analog"),
            pcm(1, "U0x46d0x825", "USB Device 0x46d:0x825", 0, "USB Audio"),
            pcm(2, "Loop,back", "Loopback", 0, "Loopback PCM"),
            pcm(3, "C920", "USB Device 0x46d:0x825", 0, "USB Audio"),
        };
        const std::vector<AlsaPcmInfo> infos =
            AlsaDeviceProvider::describe(entries, sys.toStdString());
        QCOMPARE(infos.size(), size_t(5));
        QCOMPARE(text(infos[0].name.name, 256), QString("HDA Intel PCH: ALC3246 Analog"));
        QCOMPARE(text(infos[0].name.path, 1024), QString("ALSA#PCH#0"));
        QCOMPARE(text(infos[1].name.name, 256), QString("HDA Intel PCH: ALC3246 Alt Analog"));
        QCOMPARE(text(infos[1].name.path, 1024), QString("ALSA#PCH#2"));
        QCOMPARE(text(infos[2].name.name, 256), QString("USB Device 0x46d:0x825"));
        QCOMPARE(text(infos[2].name.path, 1024),
                 QString("USB#VID_046D&PID_0825#8A9F3C21#audio-if02-0"));
        QCOMPARE(infos[2].name.kind, uint32_t(ZD_DEVICE_KIND_AUDIO));
        // A card id that could break the PCM name is replaced by the number.
        QCOMPARE(infos[3].cardId, std::string("2"));
        QCOMPARE(AlsaDevice::pcmName(infos[3].cardId, infos[3].device),
                 std::string("plughw:CARD=2,DEV=0"));
        QCOMPARE(text(infos[4].name.name, 256), QString("USB Device 0x46d:0x825 (2)"));
        QCOMPARE(AlsaDevice::pcmName(infos[4].cardId, 0), std::string("plughw:CARD=C920,DEV=0"));
    }

    // Cards the user may not open are found from their nodes and sysfs.
    void deniedSoundCards()
    {
        const QString iface = usbDevice(sys, "3-2", "046d", "0825", "8A9F3C21", 2);
        writeFile(QFileInfo(iface).path() + "/product", "HD Webcam C525\n");
        link(iface, sys + "/class/sound/card1/device");
        writeFile(sys + "/class/sound/card1/id", "C525\n");
        writeFile(sys + "/class/sound/card4/id", "PCH\n");
        const std::vector<std::string> nodes = {"pcmC0D0c:1:2", "pcmC1D0c:1:2", "pcmC4D3c:1:2",
                                                "pcmC9D0cx:1:2", "pcmC-1D0c:1:2"};
        const std::vector<AlsaPcmEntry> known = {pcm(0, "Intel", "HDA Intel", 0, "Analog")};
        const std::vector<AlsaPcmEntry> denied =
            AlsaDeviceProvider::deniedEntries(nodes, known, "/dev", sys.toStdString());
        QCOMPARE(denied.size(), size_t(2));
        QVERIFY(denied[0].denied);
        QCOMPARE(denied[0].node, std::string("/dev/snd/pcmC1D0c"));
        QCOMPARE(denied[0].cardId, std::string("C525"));
        QCOMPARE(denied[0].cardName, std::string("HD Webcam C525"));
        QCOMPARE(denied[1].card, 4);
        QCOMPARE(denied[1].device, 3);
        QCOMPARE(denied[1].cardName, std::string());

        const std::vector<AlsaPcmInfo> infos =
            AlsaDeviceProvider::describe(denied, sys.toStdString());
        QCOMPARE(text(infos[0].name.name, 256), QString("HD Webcam C525"));
        QCOMPARE(text(infos[0].name.path, 1024),
                 QString("USB#VID_046D&PID_0825#8A9F3C21#audio-if02-0"));
        QCOMPARE(text(infos[1].name.name, 256), QString("PCH"));
        QCOMPARE(text(infos[1].name.path, 1024), QString("ALSA#PCH#3"));
        QVERIFY(infos[1].denied);
    }

private:
    QTemporaryDir tmp;
    QString base;
    QString sys;
};

ZD_TEST_MAIN(TstDevicePaths, QCoreApplication)
#include "tst_devicepaths.moc"
