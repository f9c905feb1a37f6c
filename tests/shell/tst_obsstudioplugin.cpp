// The OBS plug-in end to end, as a user has it: "Install OBS plugin" from the
// application's menu unpacks the built zip into the sandbox's OBS folder; the
// real OBS Studio, under a private X server with software OpenGL, is driven
// through its websocket server (a test-written configuration, a random
// password) by a small Python client. OBS lists both sources; a video source
// shows the idle picture while no capture server runs, and the test-pattern
// camera, moving, once vidrelay serves it.
#include "zdloopbackport.h"
#include "zdpatterncode.h"
#include "zdtestmain.h"
#include "zdxvfb.h"

#include "titlebartestsupport.h"

#include "cpublic.h"
#include "globalsettings.h"
#include "myevent.h"
#include "qmytitlebar.h"

#include <QAction>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <semaphore.h>

using titlebartest::BoxRecorder;

namespace
{

const QString kPython = QStringLiteral("/usr/bin/python3");

// The idle picture as the source shows it: the file's first row on top.
QImage idlePicture()
{
    QImage file(QStringLiteral(ZD_TEST_BIN_DIR "/../Core/obs_plug/obs_plug_veziv/vm_bk.bmp"));
    return file.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

// Mean difference per colour channel of two pictures of one size.
double difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum +=
                qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

bool semaphoreExists(const char* name)
{
    sem_t* s = sem_open(name, 0);
    if (s == SEM_FAILED)
        return false;
    sem_close(s);
    return true;
}

} // namespace

class TestObsStudioPlugin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("obs").isEmpty())
            QSKIP("OBS Studio (obs) is not installed");
        QProcess probe;
        probe.start(kPython, {"-c", "import websocket"});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
            QSKIP("python3-websocket is not installed");
        QString why;
        if (!xvfb.start(&why, "1280x720x24"))
            QSKIP(qPrintable("no private X server: " + why));
        titlebartest::openSettings();
        g_Global.langFile = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
        QVERIFY(requests.isValid());
        sem_unlink("sem_cm_server_started");
    }

    void cleanupTestCase()
    {
        for (QProcess* p : {&relay, &obs}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(15000)) {
                    p->kill();
                    p->waitForFinished(5000);
                }
            }
        }
        xvfb.stop();
        titlebartest::closeSettings();
        sem_unlink("sem_cm_server_started");
    }

    void installFromTheMenu()
    {
        QWidget mainWindow;
        AfxSetMainWindow(&mainWindow);
        QMyTitleBar bar(&mainWindow);
        QMenu first, second;
        bar.CreateTopMenu(&first, &second);
        QAction* install = nullptr;
        for (QAction* a : second.actions())
            if (a->data().toInt() == QMyTitleBar::MENU_INSTALL_OBS_PLUGIN)
                install = a;
        QVERIFY(install);
        QCOMPARE(install->text(), QString("Install OBS plugin"));
        BoxRecorder recorder;
        recorder.answers = {1, 1};
        install->trigger();
        AfxSetMainWindow(nullptr);
        QCOMPARE(recorder.texts().value(1).left(13), QString("install done."));
        const QString plugin = CPublic::GetOBSPluginPath() + "/veltranobox";
        QVERIFY(QFileInfo(plugin + "/bin/64bit/veltranobox.so").isFile());
        QVERIFY(QFileInfo(plugin + "/data/vm_bk.bmp").isFile());
        QVERIFY(QFileInfo(plugin + "/data/locale/en-US.ini").isFile());
    }

    void obsListsTheSources()
    {
        startObs();
        const QList<QJsonObject> replies =
            ask({request("GetInputKindList", {{"unversioned", true}})}, 120);
        QCOMPARE(replies.size(), 1);
        const QJsonArray kinds = replies[0]["data"].toObject()["inputKinds"].toArray();
        QVERIFY2(kinds.contains("obs_veziv_source") && kinds.contains("obs_veziv_source_audio"),
                 qPrintable(QJsonDocument(kinds).toJson(QJsonDocument::Compact)));
    }

    void idlePictureWithoutServer()
    {
        const QList<QJsonObject> scenes = ask({request("GetSceneList")});
        QCOMPARE(scenes.size(), 1);
        scene = scenes[0]["data"].toObject()["currentProgramSceneName"].toString();
        QVERIFY(!scene.isEmpty());
        QCOMPARE(ask({request("CreateInput", {{"sceneName", scene},
                                              {"inputName", "Veltrano Box Video"},
                                              {"inputKind", "obs_veziv_source"},
                                              {"inputSettings", QJsonObject()}})})
                     .value(0)["ok"]
                     .toBool(),
                 true);
        const QImage expected =
            idlePicture().scaled(640, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(!expected.isNull());
        QImage shot;
        QVERIFY2(waitForShot([&](const QImage& s) { return difference(s, expected) < 8; }, &shot),
                 qPrintable(QString("the source does not show the idle picture (difference %1)")
                                .arg(difference(shot, expected))));
    }

    void capturePictureWithServer()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZD_REQUEST_DIR", requests.path());
        relay.setProcessEnvironment(env);
        relay.start(QStringLiteral(ZD_TEST_BIN_DIR "/vidrelay"),
                    {"12345", requests.path() + "/vidrelay.log"});
        QVERIFY(relay.waitForStarted(10000));
        const QImage idle = idlePicture().scaled(640, 360);
        QImage first;
        QVERIFY2(waitForShot(
                     [&](const QImage& s) {
                         return difference(s, idle) > 30 &&
                                zdtest::patternFrameCode(s.constBits(), s.width(), s.height(),
                                                         int(s.bytesPerLine())) >= 0;
                     },
                     &first),
                 "the source does not show the capture server's picture");
        const int64_t code = zdtest::patternFrameCode(first.constBits(), first.width(),
                                                      first.height(), int(first.bytesPerLine()));
        // The pattern moves: a later shot is another frame.
        QImage later;
        QVERIFY(waitForShot(
            [&](const QImage& s) {
                return zdtest::patternFrameCode(s.constBits(), s.width(), s.height(),
                                                int(s.bytesPerLine())) > code;
            },
            &later));
        QVERIFY(difference(first, later) > 0.5);

        // The server goes: back to the idle picture.
        relay.terminate();
        QVERIFY(relay.waitForFinished(15000));
        QVERIFY(!semaphoreExists("sem_cm_server_started"));
        QVERIFY(waitForShot([&](const QImage& s) { return difference(s, idle) < 8; }));
    }

private:
    static QJsonObject request(const QString& type, const QJsonObject& data = {})
    {
        return QJsonObject{{"requestType", type}, {"requestData", data}};
    }

    void startObs()
    {
        port = zdtest::freeLoopbackPort();
        QVERIFY(port > 0);
        password = QString::number(QRandomGenerator::system()->generate64(), 36);
        // OBS's websocket server listens on every interface: a password keeps
        // others out while it runs.
        const QString config = QDir::homePath() + "/.config/obs-studio";
        QDir().mkpath(config);
        QFile ini(config + "/global.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QString("[General]\nFirstRun=true\nEnableAutoUpdates=false\n\n"
                          "[OBSWebSocket]\nFirstLoad=false\nServerEnabled=true\nServerPort=%1\n"
                          "AlertsEnabled=false\nAuthRequired=true\nServerPassword=%2\n")
                      .arg(port)
                      .arg(password)
                      .toUtf8());
        ini.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", xvfb.display());
        env.insert("LIBGL_ALWAYS_SOFTWARE", "1");
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("ZD_REQUEST_DIR", requests.path());
        obs.setProcessEnvironment(env);
        obs.setProcessChannelMode(QProcess::MergedChannels);
        obs.setStandardOutputFile(QDir::homePath() + "/obs-output.txt");
        obs.start("obs", {"--multi", "--disable-shutdown-check"});
        QVERIFY(obs.waitForStarted(30000));
    }

    // Sends the requests in one connection; OBS may take up to waitSeconds
    // to answer at all.
    QList<QJsonObject> ask(const QList<QJsonObject>& list, int waitSeconds = 60)
    {
        QJsonArray array;
        for (const QJsonObject& r : list)
            array.append(r);
        QProcess client;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("OBS_WS_PASSWORD", password);
        client.setProcessEnvironment(env);
        client.start(kPython, {QStringLiteral(ZD_TEST_SOURCE_DIR "/tests/common/obsclient.py"),
                               QString::number(port), QString::number(waitSeconds)});
        client.write(QJsonDocument(array).toJson());
        client.closeWriteChannel();
        if (!client.waitForFinished((waitSeconds + 60) * 1000))
            client.kill();
        QList<QJsonObject> replies;
        for (const QByteArray& line : client.readAllStandardOutput().split('\n'))
            if (!line.trimmed().isEmpty())
                replies << QJsonDocument::fromJson(line).object();
        if (replies.size() != list.size())
            qWarning("%s\nOBS: %s", client.readAllStandardError().constData(),
                     qPrintable(obsOutput()));
        return replies;
    }

    QString obsOutput() const
    {
        QFile f(QDir::homePath() + "/obs-output.txt");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(4000)) : QString();
    }

    QImage screenshot()
    {
        const QList<QJsonObject> r =
            ask({request("GetSourceScreenshot", {{"sourceName", "Veltrano Box Video"},
                                                 {"imageFormat", "png"},
                                                 {"imageWidth", 640},
                                                 {"imageHeight", 360}})});
        const QString data = r.value(0)["data"].toObject()["imageData"].toString();
        const QByteArray png = QByteArray::fromBase64(data.section(',', 1).toLatin1());
        return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    }

    // Takes screenshots until one passes; the source and OBS are given time.
    template <typename Check> bool waitForShot(Check check, QImage* last = nullptr)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 60000) {
            const QImage shot = screenshot();
            if (last)
                *last = shot;
            if (!shot.isNull() && check(shot))
                return true;
            QThread::msleep(200);
        }
        return false;
    }

    zdtest::XvfbServer xvfb;
    QTemporaryDir requests;
    QProcess obs, relay;
    int port = 0;
    QString password;
    QString scene;
};

ZD_TEST_MAIN(TestObsStudioPlugin, QApplication)
#include "tst_obsstudioplugin.moc"
