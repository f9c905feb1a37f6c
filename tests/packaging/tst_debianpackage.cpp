// The install as a Debian system and desktop see it: `cmake --install` to a
// prefix and the .deb that cpack makes from this build, unpacked into a
// folder of its own, whose program must run from there alone.
#include "zdtestmain.h"
#include "zdwaitfor.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>

namespace
{

const QString kAppId = QStringLiteral(ZD_TEST_APP_ID);
const QString kLibexec = QStringLiteral(ZD_TEST_INSTALL_LIBEXECDIR);
const QString kResources = QStringLiteral(ZD_TEST_INSTALL_RESOURCESDIR);
const QString kData = QStringLiteral(ZD_TEST_INSTALL_DATADIR);

struct Run {
    int exitCode = -1;
    QByteArray output;
};

// A tool of the packaging chain, its output kept for the failure message.
Run run(const QString& program, const QStringList& arguments)
{
    Run result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        result.output = process.errorString().toUtf8();
        return result;
    }
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        result.output = "timed out";
        return result;
    }
    result.output = process.readAll();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

#define ZD_VERIFY_RUN(r) QVERIFY2((r).exitCode == 0, (r).output.constData())

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestDebianPackage : public QObject
{
    Q_OBJECT

    QString m_prefix;   // cmake --install --prefix
    QString m_deb;      // the package file
    QString m_unpacked; // dpkg-deb -x, its files under usr/

private slots:
    void initTestCase()
    {
        const QString root = zdtest::sandbox().path();
        m_prefix = root + "/prefix";
        ZD_VERIFY_RUN(run(ZD_TEST_CMAKE, {"--install", ZD_TEST_BUILD_DIR, "--prefix", m_prefix}));

        const QString packages = root + "/packages";
        ZD_VERIFY_RUN(run(ZD_TEST_CPACK, {"-G", "DEB", "--config",
                                          ZD_TEST_BUILD_DIR "/CPackConfig.cmake", "-B", packages}));
        const QStringList debs = QDir(packages).entryList({"*.deb"}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        m_deb = packages + "/" + debs.first();

        m_unpacked = root + "/unpacked";
        ZD_VERIFY_RUN(run("dpkg-deb", {"-x", m_deb, m_unpacked}));
    }

    void installLayout_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        const auto row = [](const QString& path, bool executable = false) {
            QTest::newRow(qPrintable(path)) << path << executable;
        };
        row(ZD_TEST_INSTALL_BINDIR "/ZDHelper", true);
        row(kLibexec + "/plugwarden", true);
        row(kLibexec + "/vidrelay", true);
        row(ZD_TEST_INSTALL_PRIVATE_LIBDIR "/libvazURIdav.so");
        for (const char* resource :
             {"lang/English.txt", "qss/popupwnd.qss", "services.xconfig", "veltranobox.plugin.zip"})
            row(kResources + "/" + resource);
        row(kData + "/applications/" + kAppId + ".desktop");
        row(kData + "/metainfo/" + kAppId + ".metainfo.xml");
        row("lib/systemd/system/plugwarden.service");
        row("lib/sysusers.d/veltrano.conf");
        row("lib/tmpfiles.d/veltrano.conf");
        row(ZD_TEST_INSTALL_OBS_PLUGINDIR "/veltranobox.so");
        row(kData + "/obs/obs-plugins/veltranobox/vm_bk.bmp");
        row(kData + "/obs/obs-plugins/veltranobox/locale/en-US.ini");
    }

    void installLayout()
    {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        for (const QString& root : {m_prefix, m_unpacked + "/usr"}) {
            const QFileInfo file(root + "/" + path);
            QVERIFY2(file.isFile(), qPrintable(file.filePath()));
            QCOMPARE(file.isExecutable(), executable);
        }
    }

    // Nothing lands beside the program or at the prefix's top as before
    // (the engine in bin/, a Resources/ folder).
    void nothingOutsideTheLayout()
    {
        QCOMPARE(QDir(m_prefix + "/" ZD_TEST_INSTALL_BINDIR)
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"ZDHelper"});
        QStringList top = {ZD_TEST_INSTALL_BINDIR, "lib", "libexec", kData};
        top.sort();
        QCOMPARE(QDir(m_prefix).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
                 top);
    }

    void hicolorIcons_data()
    {
        QTest::addColumn<int>("side");
        for (const int side : {16, 22, 24, 32, 48, 64, 128, 256, 512})
            QTest::newRow(qPrintable(QString::number(side))) << side;
    }

    void hicolorIcons()
    {
        QFETCH(int, side);
        const QString path = QStringLiteral("%1/%2/icons/hicolor/%3x%3/apps/%4.png")
                                 .arg(m_unpacked + "/usr", kData)
                                 .arg(side)
                                 .arg(kAppId);
        const QImage icon(path);
        QVERIFY2(!icon.isNull(), qPrintable(path));
        QCOMPARE(icon.size(), QSize(side, side));
        QVERIFY(icon.hasAlphaChannel());
    }

    void shippedFilesValidate_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("arguments");
        const QString share = m_unpacked + "/usr/" + kData;
        QTest::newRow("desktop entry")
            << "desktop-file-validate"
            << QStringList{share + "/applications/" + kAppId + ".desktop"};
        // --no-net: the tests never reach the network.
        QTest::newRow("AppStream metainfo")
            << "appstreamcli"
            << QStringList{"validate", "--no-net", share + "/metainfo/" + kAppId + ".metainfo.xml"};
    }

    void shippedFilesValidate()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, arguments);
        QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(),
                 qPrintable(tool + " is missing: tools/zd.sh installs it"));
        const Run result = run(tool, arguments);
        ZD_VERIFY_RUN(result);
        // desktop-file-validate passes hints with status 0; a shipped entry
        // has none.
        if (tool == "desktop-file-validate")
            QVERIFY2(result.output.trimmed().isEmpty(), result.output.constData());
    }

    // The service and the polkit action name the agent where it lies, with
    // the prefix the files were installed for.
    void systemFilesNameTheInstalledAgent_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        const QString unit = "/lib/systemd/system/plugwarden.service";
        const QString policy = "/" + kData + "/polkit-1/actions/com.veltrano.plugwarden.policy";
        const QString installed = m_prefix + "/" + kLibexec + "/plugwarden";
        const QString packaged = "/usr/" + kLibexec + "/plugwarden";
        QTest::newRow("install, unit") << m_prefix + unit << "\nExecStart=" + installed + "\n";
        QTest::newRow("install, policy") << m_prefix + policy << ">" + installed + "</annotate>";
        QTest::newRow("package, unit")
            << m_unpacked + "/usr" + unit << "\nExecStart=" + packaged + "\n";
        QTest::newRow("package, policy")
            << m_unpacked + "/usr" + policy << ">" + packaged + "</annotate>";
    }

    void systemFilesNameTheInstalledAgent()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const QString text = readText(file);
        QVERIFY2(text.contains(expected), qPrintable(file + ":\n" + text));
    }

    // "Clear APP Data": the installed engine runs the agent of its package
    // (directly as root, else through pkexec). Stand-ins for the agent and
    // pkexec write down how they were called, so that nothing on this machine
    // is stopped.
    void installedEngineRunsItsOwnAgent()
    {
        const QString root = zdtest::sandbox().path() + "/removal/usr";
        const QString engine = root + "/" ZD_TEST_INSTALL_PRIVATE_LIBDIR "/libvazURIdav.so";
        const QString agent = root + "/" + kLibexec + "/plugwarden";
        const QString tools = zdtest::sandbox().path() + "/removal/tools";
        const QString calls = zdtest::sandbox().path() + "/removal/calls";
        for (const QString& folder : {QFileInfo(engine).path(), QFileInfo(agent).path(), tools})
            QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(m_unpacked + "/usr/" ZD_TEST_INSTALL_PRIVATE_LIBDIR "/libvazURIdav.so",
                            engine));
        for (const QString& standIn : {agent, tools + "/pkexec"}) {
            QFile script(standIn);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho \"$0 $*\" >> '" + QFile::encodeName(calls) + "'\n");
            script.close();
            QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }

        QProcess python;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", tools + ":" + env.value("PATH"));
        python.setProcessEnvironment(env);
        python.setProcessChannelMode(QProcess::ForwardedChannels);
        python.start("python3",
                     {"-c",
                      "import ctypes, sys\n"
                      "sys.exit(ctypes.CDLL(sys.argv[1]).ZD_RemoveVidrelayAsRoot() != 1)",
                      engine});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        const QString called = readText(calls);
        // pkexec is given the path without links or "..", as its action names it.
        const QString resolved = QFileInfo(agent).canonicalFilePath();
        QVERIFY2(called.endsWith(resolved + " uninstall\n"), qPrintable(called));
    }

    // Its control file names the libraries the programs need, including those
    // the engine loads only when first used.
    void packageDependsOnItsLibraries_data()
    {
        QTest::addColumn<QString>("package");
        for (const char* package :
             {"libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libobs0", "libavutil[0-9]+",
              "libavformat[0-9]+", "libavcodec[0-9]+", "libavfilter[0-9]+", "libcurl4",
              "libarchive[0-9]+", "libmicrohttpd[0-9]+", "libavahi-client[0-9]+"})
            QTest::newRow(package) << package;
    }

    void packageDependsOnItsLibraries()
    {
        QFETCH(QString, package);
        const Run depends = run("dpkg-deb", {"-f", m_deb, "Depends"});
        ZD_VERIFY_RUN(depends);
        const QRegularExpression entry("(^|, )" + package + "( \\(>= [^)]+\\))?(,|$)");
        QVERIFY2(entry.match(QString::fromUtf8(depends.output.trimmed())).hasMatch(),
                 depends.output.constData());
    }

    // The unpacked program runs from its folder alone: it loads the engine and
    // takes its resources from the package, not from this build.
    void packagedProgramRunsFromItsFolder()
    {
        const QString usr = m_unpacked + "/usr";
        QProcess program;
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(usr + "/" ZD_TEST_INSTALL_BINDIR "/ZDHelper", {});
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));

        const QString data = qEnvironmentVariable("XDG_DATA_HOME") + "/Veltrano Helper";
        QVERIFY(zdtest::waitFor([&] { return QFile::exists(data + "/CacheData/LiveRecTimer.dat"); },
                                30000));
        QFile maps(QStringLiteral("/proc/%1/maps").arg(program.processId()));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY2(mapped.contains(QFile::encodeName(usr + "/" ZD_TEST_INSTALL_PRIVATE_LIBDIR
                                                         "/libvazURIdav.so")),
                 mapped.constData());

        const QString started = QStringLiteral("(program %1/%2, resources %1/%3)")
                                    .arg(usr, ZD_TEST_INSTALL_BINDIR, kResources);
        QVERIFY2(readText(data + "/Log.txt").contains(started), qPrintable(started));

        QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

ZD_TEST_MAIN(TestDebianPackage, QGuiApplication)
#include "tst_debianpackage.moc"
