// The device tests every panel shares: which devices are accepted, which box
// models are recognised by their USB ids, and how device and format records
// compare, including records whose text fields are full to the brim.
#include <cstring>

#include "qscenecamerasetup.h"
#include "stdafx.h"
#include "zdtestmain.h"

namespace
{

DEV_NAME device(const QByteArray& name, const QByteArray& path, uint32_t kind = 1)
{
    DEV_NAME d;
    std::memset(&d, 0, sizeof d);
    std::memcpy(d.name, name.constData(), size_t(qMin<qsizetype>(name.size(), sizeof d.name)));
    std::memcpy(d.path, path.constData(), size_t(qMin<qsizetype>(path.size(), sizeof d.path)));
    d.kind = kind;
    return d;
}

DEV_CAPACITY format(int w, int h, int fps, uint32_t fourcc, const char* codec)
{
    DEV_CAPACITY f;
    std::memset(&f, 0, sizeof f);
    f.width = w;
    f.height = h;
    f.fps = fps;
    f.fourcc = fourcc;
    std::strncpy(f.codecName, codec, sizeof f.codecName);
    return f;
}

} // namespace

class TestQSceneCameraSetup : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { g_valid_captures.clear(); }

    void modelByUsbId_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("is4k30");
        QTest::addColumn<bool>("is9910");
        QTest::newRow("4k30 chip vendor, more digits")
            << QByteArray("usb-VID_048D&PID_9310-1.2") << true << false;
        QTest::newRow("4k30 second vendor") << QByteArray("VID_6B4F&PID_3201") << true << false;
        QTest::newRow("lower case prefix") << QByteArray("usb-vid_048d&pid_9310") << false << false;
        QTest::newRow("9910 box") << QByteArray("usb-VID_048D&PID_9910-3") << false << true;
        QTest::newRow("camera") << QByteArray("VIRTUAL_TEST_PATTERN_CAMERA") << false << false;
        QTest::newRow("empty") << QByteArray() << false << false;
    }
    void modelByUsbId()
    {
        QFETCH(QByteArray, path);
        QFETCH(bool, is4k30);
        QFETCH(bool, is9910);
        const DEV_NAME d = device("Box", path);
        QCOMPARE(QSceneCameraSetup::IsIt4k30Dev(&d), is4k30);
        QCOMPARE(QSceneCameraSetup::IsIt9910Dev(&d), is9910);
    }

    void idFoundAfterAFullNameField()
    {
        // A path that fills its whole field has no terminator; the test reads
        // only the field, and still finds an id at its very end.
        QByteArray path(1024 - 15, 'x');
        path += "VID_048D&PID_93";
        DEV_NAME d = device(QByteArray(256, 'n'), path);
        QVERIFY(QSceneCameraSetup::IsIt4k30Dev(&d));
        QVERIFY(!QSceneCameraSetup::IsIt9910Dev(&d));
    }

    void acceptedDevices_data()
    {
        QTest::addColumn<QStringList>("valid");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty list")
            << QStringList() << QByteArray("Any") << QByteArray("p") << true;
        QTest::newRow("empty path")
            << QStringList{"Other"} << QByteArray("Any") << QByteArray() << true;
        QTest::newRow("exact name")
            << QStringList{"Cam A"} << QByteArray("Cam A") << QByteArray("p") << true;
        QTest::newRow("name differs")
            << QStringList{"Cam A"} << QByteArray("Cam AB") << QByteArray("p") << false;
        QTest::newRow("wildcard") << QStringList{"*Capture*"} << QByteArray("USB Capture HDMI")
                                  << QByteArray("p") << true;
        QTest::newRow("id pattern") << QStringList{":VID_048D:*"} << QByteArray("Box")
                                    << QByteArray("usb-VID_048D&PID_9310") << true;
        QTest::newRow("id pattern misses") << QStringList{":VID_1234"} << QByteArray("Box")
                                           << QByteArray("usb-VID_048D&PID_9310") << false;
        QTest::newRow("second entry")
            << QStringList{"Nope", "Box"} << QByteArray("Box") << QByteArray("p") << true;
    }
    void acceptedDevices()
    {
        QFETCH(QStringList, valid);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, path);
        QFETCH(bool, accepted);
        g_valid_captures = valid;
        const DEV_NAME d = device(name, path);
        QCOMPARE(QSceneCameraSetup::IsMyDevice(&d), accepted);
    }

    void compareRecords()
    {
        const DEV_NAME a = device("Box", "usb-1", 3);
        DEV_NAME b = device("Box", "usb-1", 3);
        QVERIFY(QSceneCameraSetup::isEqueDeviceName(&a, &b));
        b = device("Box", "usb-2", 3);
        QVERIFY(!QSceneCameraSetup::isEqueDeviceName(&a, &b));
        b = device("Box", "usb-1", 1);
        QVERIFY(!QSceneCameraSetup::isEqueDeviceName(&a, &b));
        // Bytes after the terminator do not count.
        b = device("Box", "usb-1", 3);
        b.name[200] = 'z';
        QVERIFY(QSceneCameraSetup::isEqueDeviceName(&a, &b));

        const DEV_CAPACITY f30 = format(1920, 1080, 30, 0x32595559, "YUY2");
        const DEV_CAPACITY f60 = format(1920, 1080, 60, 0x32595559, "other name");
        QVERIFY(QSceneCameraSetup::isEqueDeviceFormat(&f30, &f60));
        const DEV_CAPACITY nv12 = format(1920, 1080, 30, 0x3231564E, "NV12");
        QVERIFY(!QSceneCameraSetup::isEqueDeviceFormat(&f30, &nv12));
        const DEV_CAPACITY small = format(1280, 720, 30, 0x32595559, "YUY2");
        QVERIFY(!QSceneCameraSetup::isEqueDeviceFormat(&f30, &small));
    }
};

ZD_TEST_MAIN(TestQSceneCameraSetup, QCoreApplication)
#include "tst_qscenecamerasetup.moc"
