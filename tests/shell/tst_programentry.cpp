#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <grp.h>
#include <sys/types.h>
#include <unistd.h>

#include "qmytimerhelper.h"
#include "qtimerschedule.h"
#include "scheduleclock.h"
#include "zdtestmain.h"

namespace
{

// The program runs as an ordinary user; when the tests run as root, the
// programs they start run as "nobody", so that file modes mean for them
// what they mean for a user.
constexpr uid_t kOrdinaryId = 65534;

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// A folder outside the sandbox (whose folders only the test's user may
// enter), handed to the user the program runs as.
struct UserFolder {
    QTemporaryDir dir{QStringLiteral("/tmp/zd-entry-XXXXXX")};
    QString path(const QString& name = QString()) const
    {
        return name.isEmpty() ? dir.path() : dir.filePath(name);
    }
    void handOver() const
    {
        if (!runningAsRoot())
            return;
        const QByteArray root = QFile::encodeName(dir.path());
        [[maybe_unused]] int r = ::chown(root.constData(), kOrdinaryId, kOrdinaryId);
        QDirIterator it(dir.path(),
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QByteArray path = QFile::encodeName(it.next());
            r = ::lchown(path.constData(), kOrdinaryId, kOrdinaryId);
        }
    }
};

// Starts a program with HOME, the XDG folders and the temporary folder in
// home; share is its XDG_DATA_HOME (which need not be a folder).
void startAsUser(QProcess& program, const QString& exe, const QString& home, const QString& share)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", share);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("XDG_CACHE_HOME", home + "/.cache");
    env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    env.insert("TMPDIR", home + "/tmp");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const char* folder : {"/.config", "/.cache", "/runtime", "/tmp"}) {
        QDir().mkpath(home + folder);
        if (runningAsRoot()) {
            const QByteArray path = QFile::encodeName(home + folder);
            QVERIFY(::chown(path.constData(), kOrdinaryId, kOrdinaryId) == 0);
        }
    }
    QFile::setPermissions(home + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    program.setProcessEnvironment(env);
    program.setProgram(exe);
    if (runningAsRoot()) {
        program.setChildProcessModifier([] {
            // Between fork and exec: system calls only.
            if (::setgroups(0, nullptr) != 0 || ::setgid(kOrdinaryId) != 0 ||
                ::setuid(kOrdinaryId) != 0)
                ::_exit(127);
        });
    }
    program.start();
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
}

QString builtProgram()
{
    return QStringLiteral(ZD_TEST_BIN_DIR) + "/ZDHelper";
}

// The names in a folder and below it, sorted ("" for a missing folder).
QStringList listing(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

// A data folder whose program records by itself: the test-pattern camera
// at a small size into videos, the thumbnail picture at the first second,
// and a schedule of one-off recordings every three seconds over the next
// five minutes, so that one starts within three seconds of whenever the
// program is up.
void prepareRecordingData(const QString& data, const QString& videos)
{
    QVERIFY(QDir().mkpath(data + "/CacheData"));
    QVERIFY(QDir().mkpath(videos));
    {
        QSettings ini(data + "/setting.ini", QSettings::IniFormat);
        ini.setValue("Record/default-video-device-name", "Test Pattern Camera");
        ini.setValue("Record/default-video-device-path", "VIRTUAL_TEST_PATTERN_CAMERA");
        ini.setValue("RECORD/width", 320);
        ini.setValue("RECORD/height", 240);
        ini.setValue("RECORD/fps", 15);
        ini.setValue("RECORD/saveto", videos);
        ini.setValue("RECORD/autoname", 1);
        ini.setValue("RECORD/bmp-cut-delay", 0);
    }
    QTimerSchedule schedule;
    schedule.name = "Every three seconds";
    schedule.enabled = true;
    const qint64 now = time_now_loca();
    for (quint32 k = 1; k <= 100; ++k) {
        EVTIMER timer{};
        timer.id = k;
        timer.enabled = 1;
        timer.duration = 600;
        timer.repeat = TIMER_REPEAT_ONCE;
        const quint32 at = quint32(now) + 3 * k;
        timer.date = TodayBeginTime(at);
        timer.startTime = at - timer.date;
        schedule.timers << timer;
    }
    QFile file(data + "/CacheData/RecordTimer.dat");
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(QMyTimerHelper::SerializeSchedules({&schedule})) > 0);
}

// A home whose program records by itself (prepareRecordingData), handed to
// the user the program runs as.
struct RecordingHome {
    UserFolder root;
    QString home = root.path("home");
    QString share = home + "/share";
    QString data = share + "/Veltrano Helper";
    QString videos = home + "/Videos";

    bool prepare()
    {
        prepareRecordingData(data, videos);
        if (QTest::currentTestFailed())
            return false;
        root.handOver();
        return true;
    }
    void start(QProcess& program) const
    {
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startAsUser(program, builtProgram(), home, share);
    }
};

// Ends a program the way a session manager does; it must end cleanly.
void endBySignal(QProcess& program)
{
    QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
    QVERIFY2(program.waitForFinished(30000), "the program did not end: a question is up?");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

// The recording under way in videos: its path once it holds data.
QString recordingUnderWay(const QString& videos)
{
    const QFileInfoList files = QDir(videos).entryInfoList({"Vid*"}, QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.size() > 0)
            return file.absoluteFilePath();
    }
    return QString();
}

// The thumbnail picture of the recording under way, once it has been written.
QString pictureUnderWay(const QString& folder)
{
    const QFileInfoList files = QDir(folder).entryInfoList({"*.bmp"}, QDir::Files);
    for (const QFileInfo& file : files) {
        if (file.size() > 54)
            return file.absoluteFilePath();
    }
    return QString();
}

} // namespace

// Runs the real program on an empty data folder and ends it the way a
// session manager or a terminal does.
class TestProgramEntry : public QObject
{
    Q_OBJECT

    // Starts the program offscreen with its data below share.
    static void start(QProcess& program, const QString& home, const QString& share)
    {
        QDir().mkpath(share);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home);
        env.insert("XDG_DATA_HOME", share);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(env);
        program.setProgram(QStringLiteral(ZD_TEST_BIN_DIR) + "/ZDHelper");
        program.start();
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    }

private slots:
    void signalEndsTheProgramCleanly_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void signalEndsTheProgramCleanly()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        const QString share = home.path() + "/share";
        const QString data = share + "/Veltrano Helper";
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        start(program, home.path(), share);
        // The schedule stores are the last files start-up writes.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "/CacheData/LiveRecTimer.dat"), 30000);
        QTest::qWait(200);
        QCOMPARE(::kill(pid_t(program.processId()), signal), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // Every setting of the record; the device the record panel remembers
        // ("Record") is there only when the panel had opened it by then.
        QSettings ini(data + "/setting.ini", QSettings::IniFormat);
        QStringList keys = ini.allKeys();
        keys.removeIf([](const QString& key) { return key.startsWith("Record/"); });
        QCOMPARE(keys.size(), 49);
        QVERIFY(QFile::exists(data + "/files.dat"));
        QCOMPARE(QFileInfo(data + "/rtmpserver").size(), 4);
        QCOMPARE(QFileInfo(data + "/CacheData/RecordTimer.dat").size(), 4);
        QCOMPARE(QFileInfo(data + "/CacheData/LiveRecTimer.dat").size(), 4);
        QFile log(data + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
        QVERIFY(lines.last().endsWith("******************EXIT************************"));
    }

    void signalDuringStartUpStillEndsCleanly()
    {
        QTemporaryDir home;
        const QString share = home.path() + "/share";
        QProcess program;
        start(program, home.path(), share);
        // As soon as the data folder appears, start-up is under way.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(share + "/Veltrano Helper"), 30000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(share + "/Veltrano Helper/files.dat"));
    }

    // The program's first second needs none of the media, web and archive
    // libraries, whose loading took most of its start-up: they are not in the
    // process once the window is up and the record panel has opened its
    // device; they come with their first use.
    void firstSecondLoadsNoMediaLibraries()
    {
        QTemporaryDir home;
        const QString share = home.path() + "/share";
        QProcess program;
        start(program, home.path(), share);
        const QString data = share + "/Veltrano Helper";
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "/CacheData/LiveRecTimer.dat"), 30000);
        // The window follows at once, and the panel opens its device 300 ms
        // later; a longer wait only gives the libraries more time to come.
        QTest::qWait(1500);
        QFile maps(QString("/proc/%1/maps").arg(program.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        // Read while the program runs: /proc files are read in one go.
        const QByteArray mapped = maps.readAll();
        QVERIFY(mapped.contains("libvazURIdav.so"));
        for (const char* library :
             {"libavcodec.so", "libavformat.so", "libavfilter.so", "libcurl.so", "libarchive.so"})
            QVERIFY2(!mapped.contains(library), library);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
    }

    // Packages install the program read-only; it starts all the same.
    void readOnlyProgramStarts()
    {
        UserFolder root;
        const QString bin = root.path("bin");
        QVERIFY(QDir().mkpath(bin));
        // The program beside its libraries and its resources, as installed.
        QVERIFY(QFile::copy(builtProgram(), bin + "/ZDHelper"));
        QVERIFY(QFile::setPermissions(bin + "/ZDHelper",
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther));
        const QFileInfoList libraries =
            QDir(ZD_TEST_BIN_DIR).entryInfoList({"*.so", "*.so.*"}, QDir::Files);
        for (const QFileInfo& library : libraries)
            QVERIFY(QFile::link(library.absoluteFilePath(), bin + "/" + library.fileName()));
        const QString resources = QDir::cleanPath(
            bin + "/" + QDir(ZD_TEST_BIN_DIR).relativeFilePath(ZD_TEST_RESOURCES_DIR));
        QVERIFY(QDir().mkpath(QFileInfo(resources).path()));
        QVERIFY(QFile::link(ZD_TEST_RESOURCES_DIR, resources));
        const QString home = root.path("home");
        const QString data = home + "/share/Veltrano Helper";
        QVERIFY(QDir().mkpath(home + "/share"));
        root.handOver();
        QVERIFY(!QFileInfo(bin + "/ZDHelper").permissions().testFlag(QFileDevice::WriteOwner));

        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startAsUser(program, bin + "/ZDHelper", home, home + "/share");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + "/CacheData/LiveRecTimer.dat"), 30000);
        endBySignal(program);
        QVERIFY(QFile::exists(data + "/setting.ini"));
    }

    void unusableDataFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only folder") << "read-only"
                                          << "Permission denied";
        QTest::newRow("a file in its place") << "file"
                                             << "is not a folder";
        QTest::newRow("a file as its parent") << "parent file"
                                              << "is not a folder";
    }

    // A data folder the program cannot make or write: it says which and
    // why, writes nothing, and ends with 0 once the message is closed.
    void unusableDataFolder()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        UserFolder root;
        const QString home = root.path("home");
        QString share = home + "/share";
        QVERIFY(QDir().mkpath(share));
        const QString data = share + "/Veltrano Helper";
        if (kind == "read-only") {
            QVERIFY(QDir().mkpath(data));
            QFile ini(data + "/setting.ini");
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[CONFIG]\nSKIPVERSION=Ver 9\n");
            ini.close();
        } else if (kind == "file") {
            QFile file(data);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a folder");
        } else {
            share = home + "/share/plain-file";
            QFile file(share);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a folder");
        }
        root.handOver();
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
        });
        if (kind == "read-only")
            QVERIFY(QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QStringList before = listing(home + "/share");
        const QByteArray iniBefore = [&] {
            QFile f(data + "/setting.ini");
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        QProcess program;
        startAsUser(program, builtProgram(), home, share);
        const QString expected = share + "/Veltrano Helper";
        // The message names the folder and, on the same line, the reason.
        QByteArray err;
        const QByteArray quoted = ("\"" + expected + "\"").toLocal8Bit();
        const auto lineWithFolder = [&] {
            err += program.readAllStandardError();
            const qsizetype at = err.indexOf(quoted);
            const qsizetype end = at < 0 ? -1 : err.indexOf('\n', at);
            return end < 0 ? QString() : QString::fromLocal8Bit(err.mid(at, end - at));
        };
        QString line;
        QTRY_VERIFY2_WITH_TIMEOUT(!(line = lineWithFolder()).isEmpty(), err.constData(), 30000);
        QVERIFY2(line.contains(reason), qPrintable(line));
        // The message is up; the session's signal closes it like its button.
        QCOMPARE(program.state(), QProcess::Running);
        endBySignal(program);

        QCOMPARE(listing(home + "/share"), before);
        QFile ini(data + "/setting.ini");
        if (ini.open(QIODevice::ReadOnly))
            QCOMPARE(ini.readAll(), iniBefore);
    }

    // The session ends the program while it records: no question (nobody
    // would answer it), the recording is finished and listed, and the
    // program ends with 0.
    void signalWhileRecordingFinishesIt()
    {
        RecordingHome h;
        QVERIFY(h.prepare());
        QProcess program;
        h.start(program);
        QString video;
        QTRY_VERIFY_WITH_TIMEOUT(!(video = recordingUnderWay(h.videos)).isEmpty(), 60000);
        endBySignal(program);
        if (QTest::currentTestFailed())
            return;

        QFile list(h.data + "/files.dat");
        QVERIFY(list.open(QIODevice::ReadOnly));
        QVERIFY2(list.readAll().contains(video.toUtf8()), qPrintable(video));
        QVERIFY(QFileInfo(video).size() > 1000);
        QFile log(h.data + "/Log.txt");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("Record done"));
    }

    // The picture a recording's thumbnail is made from is megabytes large;
    // when the program is killed before the recording is listed, the next
    // start removes it. Nothing is left in the shared temporary folder.
    void killedRecordingLeavesNoPicture()
    {
        RecordingHome h;
        QVERIFY(h.prepare());
        QProcess first;
        h.start(first);
        QString picture;
        QTRY_VERIFY_WITH_TIMEOUT(!(picture = pictureUnderWay(h.data + "/tmp")).isEmpty(), 60000);
        first.kill();
        QVERIFY(first.waitForFinished(30000));
        QVERIFY(QFileInfo::exists(picture));
        QVERIFY(pictureUnderWay(h.home + "/tmp").isEmpty());

        QProcess second;
        h.start(second);
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(picture), 30000);
        endBySignal(second);
        // The second run's own picture went with its listed recording.
        QCOMPARE(listing(h.data + "/tmp").filter(".bmp"), QStringList());
        QVERIFY(pictureUnderWay(h.home + "/tmp").isEmpty());
    }
};

ZD_TEST_MAIN(TestProgramEntry, QCoreApplication)
#include "tst_programentry.moc"
