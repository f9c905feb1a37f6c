// The USB listing from sysfs: records, device paths, the list file.
#include "enum_usb_device.h"
#include "usbfixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TstEnumUsbDevice : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(root.isValid());
        sys = root.path() + "/sys";
        QDir(sys).removeRecursively();
        qputenv("PLUGWARDEN_SYS_ROOT", sys.toUtf8());
        g_usbDevices.RemoveAll();
    }

    void devicePath()
    {
        QCOMPARE(UsbDevicePath(2, 3, 0x1234, 0x5678, 2, 0xef).GetPtr(),
                 "path_0000-02-03-1234-5678-02-ef");
        QCOMPARE(UsbDevicePath(0x1ff, 0x102, 0xabcd, 0xef01, 0, 0).GetPtr(),
                 "path_0000-ff-02-abcd-ef01-00-00");
    }

    void snapshot()
    {
        agenttest::addUsbDevice(sys, "3-1.2", agenttest::captureBox());
        // An interface of the device: no ids of its own.
        agenttest::addUsbDevice(sys, "3-1.2:1.0", {{"bInterfaceClass", "0e"}});
        // No path down the hubs: port 00.
        agenttest::addUsbDevice(
            sys, "usb3",
            {{"idVendor", "1d6b"}, {"idProduct", "0002"}, {"busnum", "3"}, {"bDeviceClass", "09"}});
        QCOMPARE(StartWatchUSBDeviceChange(), 0);
        QCOMPARE(g_usbDevices.GetSize(), 2);
        const USBDevAddress& box = g_usbDevices.ElementAt(0);
        QCOMPARE(box.vid, uint16_t(0x1234));
        QCOMPARE(box.pid, uint16_t(0x5678));
        QCOMPARE(box.release, uint16_t(0x0100));
        QCOMPARE(box.path.GetPtr(), "path_0000-02-03-1234-5678-02-ef");
        QCOMPARE(box.serial.GetPtr(), "ABC123");
        QCOMPARE(g_usbDevices.ElementAt(1).path.GetPtr(), "path_0000-00-03-1d6b-0002-00-09");
        const uint32_t service = box.service;

        // A second snapshot lists the same devices once each.
        QCOMPARE(StartWatchUSBDeviceChange(), 0);
        QCOMPARE(g_usbDevices.GetSize(), 2);

        // A removal drops the records of its service.
        usbDeviceRemoveEvent(service);
        QCOMPARE(g_usbDevices.GetSize(), 1);
        QCOMPARE(g_usbDevices.ElementAt(0).vid, uint16_t(0x1d6b));
    }

    void longSerialIsCut()
    {
        auto values = agenttest::captureBox();
        values["serial"] = QByteArray(200, 's');
        agenttest::addUsbDevice(sys, "1-1", values);
        QCOMPARE(StartWatchUSBDeviceChange(), 0);
        QCOMPARE(g_usbDevices.ElementAt(0).serial.GetLength(), 63);
    }

    void unreadableTreeKeepsTheList()
    {
        agenttest::addUsbDevice(sys, "1-1", agenttest::captureBox());
        QCOMPARE(StartWatchUSBDeviceChange(), 0);
        QDir(sys).removeRecursively();
        QCOMPARE(StartWatchUSBDeviceChange(), -2);
        QCOMPARE(g_usbDevices.GetSize(), 1);
    }

    void listFile()
    {
        agenttest::addUsbDevice(sys, "3-1.2", agenttest::captureBox());
        QCOMPARE(StartWatchUSBDeviceChange(), 0);
        const QString path = root.path() + "/usb.log";
        QFile::remove(path);
        {
            QFile old(path);
            old.open(QIODevice::WriteOnly);
            old.write(QByteArray(500, 'o'));
        }
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        dump_all_usb_device(path.toUtf8().constData());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("time:"));
        QVERIFY(lines[0].mid(5).toLongLong() >= before);
        QCOMPARE(lines[1], QByteArray("usb:0x1234:0x5678:path_0000-02-03-1234-5678-02-ef"));
        QCOMPARE(lines[2], QByteArray());
    }

    void noDeviceOnlyTheTimeLine()
    {
        QDir().mkpath(sys + "/bus/usb/devices");
        QCOMPARE(StartWatchUSBDeviceChange(), 0);
        const QString path = root.path() + "/empty.log";
        dump_all_usb_device(path.toUtf8().constData());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.startsWith("time:"));
        QCOMPARE(text.count('\n'), 1);
    }

    void listFileNeverThroughALink()
    {
        const QString target = root.path() + "/precious";
        {
            QFile f(target);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write("keep");
        }
        const QString link = root.path() + "/link.log";
        QFile::remove(link);
        QVERIFY(QFile::link(target, link));
        dump_all_usb_device(link.toUtf8().constData());
        QFile f(target);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep"));
        // Nor into a pipe, where the agent would wait for a reader.
        const QString fifo = root.path() + "/fifo.log";
        QFile::remove(fifo);
        QCOMPARE(mkfifo(fifo.toUtf8().constData(), 0600), 0);
        dump_all_usb_device(fifo.toUtf8().constData());
    }

private:
    QTemporaryDir root;
    QString sys;
};

QTEST_APPLESS_MAIN(TstEnumUsbDevice)
#include "tst_enumusbdevice.moc"
