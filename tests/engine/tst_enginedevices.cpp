// Devices: the engine's own test devices, the device script read at start,
// opening with its result rules and reports, hot plug and device loss.
#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace
{

const char* const kCapturePath = "usb-VID_048D&PID_9310-0001";

QJsonObject format(int w, int h, int fps, const char* fourcc, QJsonArray choices = {},
                   const char* codec = nullptr)
{
    QJsonObject f{{"width", w}, {"height", h}, {"fps", fps}, {"fourcc", fourcc}};
    if (!choices.isEmpty())
        f["fpsChoices"] = choices;
    if (codec)
        f["codec"] = codec;
    return f;
}

QJsonObject captureBox()
{
    QJsonArray amp;
    for (int i = 0; i < 10; ++i)
        amp.append(
            QJsonObject{{"value", 10}, {"min", 0}, {"max", 100}, {"default", 50}, {"auto", false}});
    return QJsonObject{{"name", "USB Capture HDMI 4K"},
                       {"path", kCapturePath},
                       {"kind", 3},
                       {"formats", QJsonArray{format(1920, 1080, 60, "YUY2", {30, 25}),
                                              format(3840, 2160, 30, "NV12", {}, "P010")}},
                       {"amp", amp},
                       {"sourceInfo", QJsonObject{{"signal", 1},
                                                  {"width", 3840},
                                                  {"height", 2160},
                                                  {"bitDepth", 10},
                                                  {"fps", 30},
                                                  {"hdr", 1}}}};
}

QByteArray writeScript(const QByteArray& text)
{
    const QString path = QDir::homePath() + "/devices.json";
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    f.close();
    return path.toUtf8();
}

QByteArray writeScript(const QJsonArray& devices)
{
    return writeScript(QJsonDocument(QJsonObject{{"devices", devices}}).toJson());
}

QStringList listNames(void* h, int ignoreVirtual, int capacity = ZD_MAX_DEVICES)
{
    DEV_NAME devices[ZD_MAX_DEVICES];
    int count = capacity;
    if (ZD_GetCaptureDevices(h, devices, &count, ignoreVirtual) != 1)
        return {"<failed>"};
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << QString::fromUtf8(devices[i].name);
    return names;
}

} // namespace

class TstEngineDevices : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qunsetenv("VAZURIDAV_DEVICES");
        ZDT_ClearScript(nullptr);
        sink.reset();
        ZD_SetMainMessageCallBack(&ReportSink::callback, &sink);
    }
    void cleanup()
    {
        if (h)
            ZD_Release(&h);
        ZD_SetMainMessageCallBack(nullptr, nullptr);
        qunsetenv("VAZURIDAV_DEVICES");
    }

    void ownDevicesAlwaysListed_data()
    {
        QTest::addColumn<int>("ignoreVirtual");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("all") << 0
                             << QStringList{"Loopback Cam", "Test Pattern Camera",
                                            "Test Tone Microphone"};
        QTest::newRow("ignore virtual")
            << 1 << QStringList{"Test Pattern Camera", "Test Tone Microphone"};
    }
    void ownDevicesAlwaysListed()
    {
        QFETCH(int, ignoreVirtual);
        QFETCH(QStringList, names);
        qputenv("VAZURIDAV_DEVICES",
                writeScript(QJsonArray{QJsonObject{{"name", "Loopback Cam"},
                                                   {"path", "platform-v4l2loopback-000"},
                                                   {"virtual", true}}}));
        h = initEngine();
        QCOMPARE(listNames(h, ignoreVirtual), names);
    }

    void virtualCameraFormats()
    {
        h = initEngine();
        DEV_NAME cam = testCamera();
        DEV_CAPACITY caps[ZD_MAX_CAPACITIES];
        int count = ZD_MAX_CAPACITIES;
        QCOMPARE(ZD_GetCaptureDeviceCapacity(h, &cam, caps, &count), 1);
        QVERIFY(count >= 5);
        QCOMPARE(caps[0].width, 1920);
        QCOMPARE(caps[0].height, 1080);
        QCOMPARE(caps[0].fps, 60);
        QCOMPARE(caps[0].fourcc, 0x32595559u); // "YUY2"
        QVERIFY(caps[0].fpsChoices[0] > 0);
        bool nv12 = false, vga = false;
        for (int i = 0; i < count; ++i) {
            nv12 |= caps[i].fourcc == 0x3231564Eu;
            vga |= caps[i].width == 640 && caps[i].height == 480 && caps[i].fps == 30;
        }
        QVERIFY(nv12 && vga);
        // Fewer slots than formats: only that many are written.
        DEV_CAPACITY two[3]{};
        two[2].width = -7;
        count = 2;
        QCOMPARE(ZD_GetCaptureDeviceCapacity(h, &cam, two, &count), 1);
        QCOMPARE(count, 2);
        QCOMPARE(two[2].width, -7);
        // A device that is not there.
        DEV_NAME gone = devName("Gone", "usb-gone", 1);
        count = ZD_MAX_CAPACITIES;
        QCOMPARE(ZD_GetCaptureDeviceCapacity(h, &gone, caps, &count), 0);
    }

    // The round trip the record panel makes with a scripted capture box.
    void scriptRoundTrip()
    {
        qputenv("VAZURIDAV_DEVICES",
                writeScript(QJsonArray{captureBox(), QJsonObject{{"name", "Denied Cam"},
                                                                 {"path", "usb-denied"},
                                                                 {"openResult", -2}}}));
        h = initEngine();
        QCOMPARE(listNames(h, 1), (QStringList{"USB Capture HDMI 4K", "Denied Cam",
                                               "Test Pattern Camera", "Test Tone Microphone"}));

        DEV_NAME box = devName("USB Capture HDMI 4K", kCapturePath, 3);
        DEV_CAPACITY caps[ZD_MAX_CAPACITIES];
        int count = ZD_MAX_CAPACITIES;
        QCOMPARE(ZD_GetCaptureDeviceCapacity(h, &box, caps, &count), 1);
        QCOMPARE(count, 2);
        QCOMPARE(caps[1].width, 3840);
        QCOMPARE(QByteArray(caps[1].codecName), QByteArray("P010"));
        QCOMPARE(caps[0].fpsChoices[0], 30);

        int target = 0;
        DEV_NAME denied = devName("Denied Cam", "usb-denied", 1);
        DEV_NAME autoAudio{};
        autoAudio.kind = ZD_DEVICE_KIND_AUDIO;
        QCOMPARE(ZD_OpenDevice(h, 0, &target, 1, 0, &denied, &autoAudio, nullptr, 10000000),
                 ZD_OPEN_CAMERA_DENIED);
        QVERIFY(ZD_StartUSBDeviceListen(h, &target) == 1);

        ZDT_ClearTrace();
        DEV_CAPACITY asked = caps[0];
        asked.fps = 30; // one of the further rates
        QCOMPARE(ZD_OpenDevice(h, 0, &target, 1, 0, &box, &autoAudio, &asked, 10000000), 1);
        QVERIFY(engineTrace().contains(
            "ZD_OpenDevice(video=USB Capture HDMI 4K,audio=,fmt=1920x1080@30)"));
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 2);
        QCOMPARE(sink.reports[0].msg, 5555u);
        QCOMPARE(sink.reports[1].msg, 6666u);
        QCOMPARE(sink.reports[1].wParam, 0ul);
        QCOMPARE(sink.reports[1].target, static_cast<void*>(&target));

        int open = 0, previewing = 0, recording = 1;
        QCOMPARE(ZD_CheckState(h, &open, &previewing, &recording, nullptr, nullptr), 1);
        QCOMPARE(open, 1);
        QCOMPARE(previewing, 1);
        QCOMPARE(recording, 0);
        DEV_CAPACITY current{};
        char description[ZD_TEXT_BUFFER_BYTES];
        std::memset(description, 'x', sizeof description);
        QCOMPARE(ZD_GetCurrentDeviceCapacity(h, &current, description), 1);
        QCOMPARE(current.width, 1920);
        QCOMPARE(current.fps, 30);
        QCOMPARE(current.fourcc, 0x32595559u);
        QVERIFY(std::memchr(description, 0, sizeof description));
        QVERIFY(QByteArray(description).contains("USB Capture HDMI 4K"));

        // Another device arrives.
        sink.reports.clear();
        QCOMPARE(ZDT_AddDevice(h, R"({"name":"Desk Cam","path":"usb-VID_046D&PID_0825-9"})"), 1);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 1);
        ReceivedReport arrival = sink.reports[0];
        QCOMPARE(arrival.msg, 8965u);
        QCOMPARE(arrival.wParam, 0ul);
        QCOMPARE(arrival.target, static_cast<void*>(&target));
        QCOMPARE(arrival.ptrText, QByteArray("usb-VID_046D&PID_0825-9"));
        int lost = 7;
        QCOMPARE(ZD_QueryDeviceLost(h, nullptr, arrival.ptr, &lost), 1);
        QCOMPARE(lost, 0);
        QVERIFY(listNames(h, 1).contains("Desk Cam"));

        // It goes again: the open device is still there.
        sink.reports.clear();
        QCOMPARE(ZDT_RemoveDevice(h, "usb-VID_046D&PID_0825-9"), 1);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 1);
        QCOMPARE(sink.reports[0].wParam, 1ul);
        QCOMPARE(ZD_QueryDeviceLost(h, "", sink.reports[0].ptr, &lost), 1);
        QCOMPARE(lost, 0);

        // The open device goes.
        sink.reports.clear();
        QCOMPARE(ZDT_RemoveDevice(h, kCapturePath), 1);
        QCOMPARE(ZDT_RemoveDevice(h, kCapturePath), 0);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 1);
        void* removal = sink.reports[0].ptr;
        QCOMPARE(sink.reports[0].wParam, 1ul);
        QCOMPARE(ZD_QueryDeviceLost(h, nullptr, removal, &lost), 1);
        QCOMPARE(lost, 1);
        // Not answered: a layer, a pointer the engine never gave, no output.
        QCOMPARE(ZD_QueryDeviceLost(h, "3", removal, &lost), 0);
        char strange[1024] = "usb-VID_048D&PID_9310-0001";
        QCOMPARE(ZD_QueryDeviceLost(h, nullptr, strange, &lost), 0);
        QCOMPARE(ZD_QueryDeviceLost(h, nullptr, removal, nullptr), 0);
        // The earlier notifications are still readable.
        QCOMPARE(QByteArray(static_cast<const char*>(arrival.ptr)),
                 QByteArray("usb-VID_046D&PID_0825-9"));

        sink.reports.clear();
        QCOMPARE(ZD_CloseDevice(h), 1);
        QCOMPARE(ZD_CloseDevice(h), 0);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 1);
        QCOMPARE(sink.reports[0].msg, 7777u);
        QCOMPARE(ZD_CheckState(h, &open, &previewing, nullptr, nullptr, nullptr), 1);
        QCOMPARE(open + previewing, 0);
        QCOMPARE(ZD_GetCurrentDeviceCapacity(h, &current, description), 0);
    }

    void hotPlugWithoutListenerIsQuiet()
    {
        h = initEngine();
        QCOMPARE(ZDT_AddDevice(h, R"({"name":"Quiet","path":"usb-quiet"})"), 1);
        QCOMPARE(ZDT_AddDevice(h, R"({"name":"Quiet again","path":"usb-quiet"})"), 0);
        QCOMPARE(ZDT_AddDevice(h, R"({"path":"no name"})"), 0);
        QCOMPARE(ZDT_AddDevice(h, "not json"), 0);
        QCOMPARE(ZDT_AddDevice(h, nullptr), 0);
        QCOMPARE(ZDT_RemoveDevice(h, "usb-quiet"), 1);
        sink.drain(h);
        QCOMPARE(sink.reports.size(), 0);
    }

    void openResults_data()
    {
        QTest::addColumn<QByteArray>("video");
        QTest::addColumn<QByteArray>("audio");
        QTest::addColumn<QByteArray>("scripted");
        QTest::addColumn<int>("result");
        QTest::newRow("virtual camera")
            << QByteArray("Test Pattern Camera") << QByteArray() << QByteArray() << 1;
        QTest::newRow("live canvas")
            << QByteArray("NULL") << QByteArray("NULL") << QByteArray() << 1;
        QTest::newRow("no such device")
            << QByteArray("Gone Cam") << QByteArray() << QByteArray() << -1;
        QTest::newRow("microphone as video")
            << QByteArray("Test Tone Microphone") << QByteArray() << QByteArray() << -1;
        QTest::newRow("camera denied")
            << QByteArray("Denied Cam") << QByteArray() << QByteArray() << -2;
        QTest::newRow("preview failed")
            << QByteArray("Broken Cam") << QByteArray() << QByteArray() << -3;
        QTest::newRow("microphone denied")
            << QByteArray("Test Pattern Camera") << QByteArray("Denied Mic") << QByteArray() << -4;
        QTest::newRow("own microphone") << QByteArray("Test Pattern Camera")
                                        << QByteArray("Test Tone Microphone") << QByteArray() << 1;
        // Automatic takes the first microphone listed: here the denied one.
        QTest::newRow("automatic microphone")
            << QByteArray("Test Pattern Camera") << QByteArray("auto") << QByteArray() << -4;
        QTest::newRow("missing microphone: none")
            << QByteArray("Test Pattern Camera") << QByteArray("Gone Mic") << QByteArray() << 1;
        QTest::newRow("scripted wins") << QByteArray("Test Pattern Camera") << QByteArray()
                                       << QByteArray("ZD_OpenDevice") << -3;
    }
    void openResults()
    {
        QFETCH(QByteArray, video);
        QFETCH(QByteArray, audio);
        QFETCH(QByteArray, scripted);
        QFETCH(int, result);
        qputenv("VAZURIDAV_DEVICES",
                writeScript(QJsonArray{
                    QJsonObject{{"name", "Denied Cam"}, {"path", "Denied Cam"}, {"openResult", -2}},
                    QJsonObject{{"name", "Broken Cam"}, {"path", "Broken Cam"}, {"openResult", -3}},
                    QJsonObject{{"name", "Denied Mic"},
                                {"path", "Denied Mic"},
                                {"kind", 2},
                                {"openResult", -4}}}));
        h = initEngine();
        if (!scripted.isEmpty())
            ZDT_ScriptResult(scripted.constData(), result);
        // Devices are named as the list names them.
        DEV_NAME devices[ZD_MAX_DEVICES];
        int count = ZD_MAX_DEVICES;
        ZD_GetCaptureDevices(h, devices, &count, 0);
        auto byName = [&](const QByteArray& name, uint32_t kind) {
            for (int i = 0; i < count; ++i) {
                if (name == devices[i].name)
                    return devices[i];
            }
            return devName(name.constData(), name.constData(), kind);
        };
        DEV_NAME v = byName(video, 1);
        // No audio device at all, or the automatic one (kind 2, no path).
        DEV_NAME a{};
        if (audio == "auto")
            a.kind = ZD_DEVICE_KIND_AUDIO;
        else if (!audio.isEmpty())
            a = byName(audio, 2);
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &v, &a, nullptr, 10000000), result);
        int open = -1;
        ZD_CheckState(h, &open, nullptr, nullptr, nullptr, nullptr);
        QCOMPARE(open, result == 1 ? 1 : 0);
        sink.drain(h);
        QCOMPARE(sink.ofMessage(6666).size(), result == 1 ? 1 : 0);
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, nullptr, nullptr, nullptr, 0),
                 scripted.isEmpty() ? -1 : result);
    }

    void formatInUse_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::addColumn<QList<int>>("asked"); // w, h, fps; empty = none
        QTest::addColumn<QList<int>>("inUse");
        QTest::newRow("virtual: any asked size")
            << QByteArray("Test Pattern Camera") << QList<int>{1024, 768, 25}
            << QList<int>{1024, 768, 25};
        QTest::newRow("virtual: none asked")
            << QByteArray("Test Pattern Camera") << QList<int>{} << QList<int>{1920, 1080, 60};
        QTest::newRow("virtual: insane asked")
            << QByteArray("Test Pattern Camera") << QList<int>{100000, 5, 0}
            << QList<int>{1920, 1080, 60};
        QTest::newRow("canvas default")
            << QByteArray("NULL") << QList<int>{} << QList<int>{1920, 1080, 30};
        QTest::newRow("offered") << QByteArray("USB Capture HDMI 4K") << QList<int>{3840, 2160, 30}
                                 << QList<int>{3840, 2160, 30};
        QTest::newRow("further rate") << QByteArray("USB Capture HDMI 4K")
                                      << QList<int>{1920, 1080, 25} << QList<int>{1920, 1080, 25};
        QTest::newRow("not offered: first")
            << QByteArray("USB Capture HDMI 4K") << QList<int>{1280, 720, 60}
            << QList<int>{1920, 1080, 60};
        QTest::newRow("rate not offered: first")
            << QByteArray("USB Capture HDMI 4K") << QList<int>{3840, 2160, 60}
            << QList<int>{1920, 1080, 60};
    }
    void formatInUse()
    {
        QFETCH(QByteArray, device);
        QFETCH(QList<int>, asked);
        QFETCH(QList<int>, inUse);
        qputenv("VAZURIDAV_DEVICES", writeScript(QJsonArray{captureBox()}));
        h = initEngine();
        DEV_NAME v = devName(device.constData(), "", 1);
        if (device == "NULL")
            v = devName("NULL", "NULL", 0);
        else if (device == "Test Pattern Camera")
            std::strcpy(v.path, "VIRTUAL_TEST_PATTERN_CAMERA");
        else
            std::strcpy(v.path, kCapturePath);
        DEV_CAPACITY f{};
        if (!asked.isEmpty()) {
            f.width = asked[0];
            f.height = asked[1];
            f.fps = asked[2];
        }
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &v, nullptr, asked.isEmpty() ? nullptr : &f, 0),
                 1);
        DEV_CAPACITY current{};
        QCOMPARE(ZD_GetCurrentDeviceCapacity(h, &current, nullptr), 1);
        QCOMPARE((QList<int>{current.width, current.height, current.fps}), inUse);
        QVERIFY(current.fourcc != 0);
    }

    void malformedScript_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("not json") << QByteArray("devices: none");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("devices not a list") << QByteArray(R"({"devices":{"name":"x"}})");
        QTest::newRow("no name") << QByteArray(R"({"devices":[{"path":"x"}]})");
        QTest::newRow("name not text") << QByteArray(R"([{"name":5}])");
        QTest::newRow("negative width") << QByteArray(R"([{"name":"a","formats":[{"width":-1}]}])");
        QTest::newRow("width not a number")
            << QByteArray(R"([{"name":"a","formats":[{"width":"wide"}]}])");
        QTest::newRow("fractional fps")
            << QByteArray(R"([{"name":"a","formats":[{"fps":29.97}]}])");
        QTest::newRow("short fourcc")
            << QByteArray(R"([{"name":"a","formats":[{"fourcc":"YUY"}]}])");
        QTest::newRow("three rates")
            << QByteArray(R"([{"name":"a","formats":[{"fpsChoices":[1,2,3]}]}])");
        QTest::newRow("eleven controls")
            << QByteArray(R"([{"name":"a","amp":[{},{},{},{},{},{},{},{},{},{},{}]}])");
        QTest::newRow("huge number")
            << QByteArray(R"([{"name":"a","openResult":99999999999999999999}])");
        QTest::newRow("deep nesting") << QByteArray(200000, '[');
        QTest::newRow("bad utf-8") << QByteArray("[{\"name\":\"\xff\xfe\"}]");
        // Only a known picture source: no text from the file reaches a graph.
        QTest::newRow("unknown pictures")
            << QByteArray(R"([{"name":"a","pictures":"movie=/etc/passwd"}])");
        QTest::newRow("pictures not text") << QByteArray(R"([{"name":"a","pictures":1}])");
        QTest::newRow("unknown sound") << QByteArray(R"([{"name":"a","kind":2,"sound":"tone"}])");
        QTest::newRow("pulse as long as its period") << QByteArray(
            R"([{"name":"a","pictures":"flash","pulse":{"periodMs":200,"lengthMs":200}}])");
        QTest::newRow("pulse period too short") << QByteArray(
            R"([{"name":"a","pictures":"flash","pulse":{"periodMs":50,"lengthMs":10}}])");
        QTest::newRow("pulse not an object")
            << QByteArray(R"([{"name":"a","sound":"beep","pulse":1000}])");
    }
    void malformedScript()
    {
        QFETCH(QByteArray, script);
        qputenv("VAZURIDAV_DEVICES", writeScript(script));
        h = initEngine("malformed");
        QCOMPARE(listNames(h, 0), (QStringList{"Test Pattern Camera", "Test Tone Microphone"}));
        QFile log(QString::fromUtf8(engineDataDir("malformed")) + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("device script"));
    }

    void missingScriptFile()
    {
        qputenv("VAZURIDAV_DEVICES", QDir::homePath().toUtf8() + "/no-such-file.json");
        h = initEngine();
        QCOMPARE(listNames(h, 0).size(), 2);
    }

    // Counts, texts and lists from the script never go past their bounds.
    void scriptIsBounded()
    {
        QJsonArray devices;
        QJsonArray formats;
        for (int i = 0; i < 150; ++i)
            formats.append(format(100 + i, 100, 30, "YUY2"));
        devices.append(QJsonObject{{"name", QString(300, QChar(0xE9))},
                                   {"path", QString(2000, 'p')},
                                   {"formats", formats}});
        for (int i = 1; i < 60; ++i)
            devices.append(QJsonObject{{"name", QString("Cam %1").arg(i)},
                                       {"path", QString("usb-%1").arg(i)}});
        qputenv("VAZURIDAV_DEVICES", writeScript(devices));
        h = initEngine();

        DEV_NAME list[ZD_MAX_DEVICES];
        int count = ZD_MAX_DEVICES;
        QCOMPARE(ZD_GetCaptureDevices(h, list, &count, 0), 1);
        QCOMPARE(count, ZD_MAX_DEVICES);
        // The engine's own devices keep their places at the end.
        QCOMPARE(QByteArray(list[48].name), QByteArray("Test Pattern Camera"));
        QCOMPARE(QByteArray(list[49].name), QByteArray("Test Tone Microphone"));
        QCOMPARE(QByteArray(list[47].name), QByteArray("Cam 47"));
        // Cut to the field, whole characters only.
        const QByteArray name(list[0].name);
        QCOMPARE(name.size(), 254);
        QCOMPARE(QString::fromUtf8(name), QString(127, QChar(0xE9)));
        QCOMPARE(qstrnlen(list[0].path, sizeof list[0].path), 1023u);

        DEV_CAPACITY caps[ZD_MAX_CAPACITIES + 1];
        caps[ZD_MAX_CAPACITIES].width = -7;
        count = ZD_MAX_CAPACITIES + 1;
        QCOMPARE(ZD_GetCaptureDeviceCapacity(h, &list[0], caps, &count), 1);
        QCOMPARE(count, ZD_MAX_CAPACITIES);
        QCOMPARE(caps[ZD_MAX_CAPACITIES].width, -7);

        // A caller with few slots gets only those filled.
        DEV_NAME few[4]{};
        few[3].kind = 77;
        count = 3;
        QCOMPARE(ZD_GetCaptureDevices(h, few, &count, 0), 1);
        QCOMPARE(count, 3);
        QCOMPARE(few[3].kind, 77u);
    }

    void pictureControls()
    {
        qputenv("VAZURIDAV_DEVICES",
                writeScript(QJsonArray{captureBox(),
                                       QJsonObject{{"name", "Plain Cam"}, {"path", "usb-plain"}}}));
        h = initEngine();
        VIDEOAMPVALUE v{};
        QCOMPARE(ZD_GetCaptureAmpValue(h, "USB Capture HDMI 4K", &v), 1);
        QCOMPARE(v.items[0].value, 10);
        QCOMPARE(v.items[0].maximum, 100);

        // Only value and automatic are taken; the device keeps its ranges.
        VIDEOAMPVALUE wanted{};
        wanted.items[0].value = 500;
        wanted.items[1].value = 42;
        wanted.items[1].automatic = 1;
        QCOMPARE(ZD_SetCaptureAmpValue(h, "USB Capture HDMI 4K", &wanted), 1);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "USB Capture HDMI 4K", &v), 1);
        QCOMPARE(v.items[0].value, 100);
        QCOMPARE(v.items[0].maximum, 100);
        QCOMPARE(v.items[1].value, 42);
        QCOMPARE(v.items[1].automatic, uint8_t{1});
        QCOMPARE(v.items[1].defaultValue, 50);

        QCOMPARE(ZD_GetCaptureAmpValue(h, "Test Pattern Camera", &v), 1);
        QVERIFY(v.items[0].maximum > v.items[0].minimum);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "Plain Cam", &v), 0);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "Test Tone Microphone", &v), 0);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "Nobody", &v), 0);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "Test Pattern Camera", nullptr), 0);
    }

    // The device setup dialog asks with no device name: the open device.
    void pictureControlsOfTheOpenDevice()
    {
        h = initEngine();
        VIDEOAMPVALUE v{};
        QCOMPARE(ZD_GetCaptureAmpValue(h, nullptr, &v), 0);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "", &v), 0);
        DEV_NAME cam = testCamera();
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &cam, nullptr, nullptr, 0), 1);
        QCOMPARE(ZD_GetCaptureAmpValue(h, nullptr, &v), 1);
        VIDEOAMPVALUE wanted = v;
        wanted.items[0].value = v.items[0].maximum;
        QCOMPARE(ZD_SetCaptureAmpValue(h, nullptr, &wanted), 1);
        QCOMPARE(ZD_GetCaptureAmpValue(h, "Test Pattern Camera", &v), 1);
        QCOMPARE(v.items[0].value, wanted.items[0].value);
        ZD_CloseDevice(h);
        QCOMPARE(ZD_GetCaptureAmpValue(h, nullptr, &v), 0);
    }

    void fourKSourceInfo()
    {
        h = initEngine();
        SOURCE_INFO_4K30 info{};
        int flag = 1;
        QCOMPARE(ZD_4k30_hdr_getSourceInfo(h, &info), 0);
        QCOMPARE(ZD_4k30_hdr_getset_hdrflag(h, 0, &flag), 0);
        ZD_Release(&h);

        qputenv("VAZURIDAV_DEVICES", writeScript(QJsonArray{captureBox()}));
        h = initEngine();
        QCOMPARE(ZD_4k30_hdr_getSourceInfo(h, &info), 1);
        QCOMPARE(info.signal, uint16_t{1});
        QCOMPARE(info.width, uint16_t{3840});
        QCOMPARE(info.height, uint16_t{2160});
        QCOMPARE(info.bitDepth, uint8_t{10});
        QCOMPARE(info.fps, uint8_t{30});
        QCOMPARE(info.hdr, uint8_t{1});
        flag = 7;
        QCOMPARE(ZD_4k30_hdr_getset_hdrflag(h, 0, &flag), 1);
        QCOMPARE(flag, 0);
        flag = 1;
        QCOMPARE(ZD_4k30_hdr_getset_hdrflag(h, 1, &flag), 1);
        flag = 0;
        QCOMPARE(ZD_4k30_hdr_getset_hdrflag(h, 0, &flag), 1);
        QCOMPARE(flag, 1);
    }

    void previewSwitch()
    {
        h = initEngine();
        QCOMPARE(ZD_PreviewEnable(h, nullptr), 1);
        int off = 0;
        QCOMPARE(ZD_PreviewEnable(h, &off), 1);
        QCOMPARE(ZD_PreviewEnable(h, nullptr), 0);
        int on = 1;
        QCOMPARE(ZD_PreviewEnable(h, &on), 1);
        QCOMPARE(ZD_PreviewEnable(h, nullptr), 1);
    }

    // A scripted device that draws testsrc2 delivers its pictures at the rate
    // of its format, and they can be recorded: the benchmark's camera.
    void testsrc2DeviceDeliversPictures()
    {
        QJsonObject device{{"name", "testsrc2"},
                           {"path", "BENCH_TESTSRC2"},
                           {"kind", 1},
                           {"pictures", "testsrc2"},
                           {"formats", QJsonArray{format(320, 240, 25, "I420")}}};
        qputenv("VAZURIDAV_DEVICES", writeScript(QJsonArray{device}));
        h = initEngine("testsrc2");
        DEV_NAME cam = devName("testsrc2", "BENCH_TESTSRC2", 1);
        DEV_CAPACITY asked{};
        asked.width = 320;
        asked.height = 240;
        asked.fps = 25;
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &cam, nullptr, &asked, 0), 1);
        // Frames arrive at about the format's rate (measured over a second).
        QTRY_VERIFY_WITH_TIMEOUT(ZD_GetFrameDataFps(h, nullptr) >= 10, 10000);
        const QString file = QDir::homePath() + "/testsrc2.mp4";
        QCOMPARE(
            ZD_StartRecord(h, QFile::encodeName(file).constData(), 0, 0, 0, 320, 240, 25, 500000),
            1);
        QTRY_VERIFY_WITH_TIMEOUT(ZD_GetRecordFileSize(h) > 1000, 10000);
        QCOMPARE(ZD_StopRecord(h), 1);
        QVERIFY(QFileInfo(file).size() > 1000);
        ZD_CloseDevice(h);
    }

    // Opening another device closes the first one, with its report.
    void reopenClosesFirst()
    {
        h = initEngine();
        DEV_NAME cam = testCamera();
        DEV_NAME canvas = devName("NULL", "NULL", 0);
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &cam, nullptr, nullptr, 0), 1);
        QCOMPARE(ZD_OpenDevice(h, 0, nullptr, 1, 0, &canvas, &canvas, nullptr, 0), 1);
        sink.drain(h);
        QList<unsigned int> msgs;
        for (const auto& r : sink.reports)
            msgs << r.msg;
        QCOMPARE(msgs, (QList<unsigned int>{5555, 6666, 7777, 5555, 6666}));
    }

private:
    ReportSink sink;
    void* h = nullptr;
};

ZD_TEST_MAIN(TstEngineDevices, QCoreApplication)
#include "tst_enginedevices.moc"
