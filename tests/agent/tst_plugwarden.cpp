// The agent as its requesters see it: a copy of plugwarden beside a stand-in
// capture server, a request folder of the test's own, requests written and
// the semaphore posted.
#include "agentprocess.h"
#include "usbfixture.h"

#include <QtTest>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace agenttest;

namespace
{

constexpr const char* kSemaphore = "sem_zd_vidrelay";

// Children of pid that still exist, zombies included.
int childrenOf(qint64 pid)
{
    int count = 0;
    DIR* proc = opendir("/proc");
    while (const dirent* e = proc ? readdir(proc) : nullptr) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        const QByteArray stat = readAll(QString("/proc/%1/stat").arg(e->d_name));
        // "pid (comm) state ppid ...": the name may hold spaces, so from its end.
        const int close = stat.lastIndexOf(')');
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid)
            ++count;
    }
    if (proc)
        closedir(proc);
    return count;
}

} // namespace

class TstPlugwarden : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Agents left by a crashed run would make every agent here a second one.
        QVERIFY(QFile::exists(QString(ZD_TEST_BIN_DIR) + "/plugwarden"));
    }

    void init()
    {
        folder.reset(new QTemporaryDir);
        QVERIFY(folder->isValid());
        bin = folder->path() + "/bin";
        requests = folder->path() + "/requests";
        QDir().mkpath(bin);
        QDir().mkpath(requests);
        QVERIFY(QFile::copy(QString(ZD_TEST_BIN_DIR) + "/plugwarden", bin + "/plugwarden"));
        QVERIFY(QFile::copy(QString(ZD_TEST_BIN_DIR) + "/agent_fakevidrelay", bin + "/vidrelay"));
        QVERIFY(QFile::setPermissions(bin + "/vidrelay", QFile::ReadOwner | QFile::ExeOwner));
    }

    void cleanup()
    {
        printed.clear();
        for (QProcess* p : {&agent, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        sem_unlink(kSemaphore);
    }

    void startsItsServerOnRequest()
    {
        startAgent();
        writeRequest(requestFile(), "name=first\n");
        QVERIFY(post(kSemaphore));
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return started().count("first|") == 1; }));
        // A later request: once it has started, the second post has been
        // served, and it found no request.
        writeRequest(requestFile(), "name=second\n");
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return started().count("second|") == 1; }));
        const QList<QByteArray> lines = started().trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(!QFile::exists(requestFile()));

        // Its arguments, its priority and an environment of nothing but the
        // request folder.
        QList<QByteArray> first =
            lines[0].startsWith("first") ? lines[0].split('|') : lines[1].split('|');
        QCOMPARE(first.size(), 5);
        QCOMPARE(first[1], (requests + "/com.zd.vidrelay.log").toUtf8());
        if (geteuid() == 0)
            QCOMPARE(first[2], QByteArray("-15"));
        QCOMPARE(first[3], ("ZD_REQUEST_DIR=" + requests).toUtf8());
        QCOMPARE(first[4], QByteArray("3"));
        const QByteArray out = agentOutput();
        QVERIFY(out.contains(("start vidrelay program at " + bin + "/vidrelay\n").toUtf8()));
        QVERIFY(out.contains("=========timestamp:"));

        // The short-lived launchers are reaped, not left as zombies.
        QVERIFY2(waitFor([&] { return childrenOf(agent.processId()) == 0; }),
                 "the agent keeps children that ended");
    }

    void servesARequestLeftFromBefore()
    {
        writeRequest(requestFile(), "name=early\n");
        startAgent();
        QVERIFY(waitFor([&] { return started().contains("early|"); }));
    }

    void semaphoreForTheRequesters()
    {
        startAgent();
        struct stat st = {};
        QCOMPARE(::stat("/dev/shm/sem.sem_zd_vidrelay", &st), 0);
        QCOMPARE(int(st.st_mode & 07777), 0660);
        struct stat dir = {};
        QCOMPARE(::stat(requests.toUtf8().constData(), &dir), 0);
        QCOMPARE(st.st_gid, dir.st_gid);
    }

    void listsUsbDevices()
    {
        const QString sys = folder->path() + "/sys";
        addUsbDevice(sys, "3-1.2", captureBox());
        startAgent(sys);
        const QString list = requests + "/usb.txt";
        writeRequest(requestFile(), ("path=[enum_usb_drive]\nlog=" + list + "\n").toUtf8());
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return readAll(list).contains("usb:"); }));
        QCOMPARE(readAll(list).split('\n').value(1),
                 QByteArray("usb:0x1234:0x5678:path_0000-02-03-1234-5678-02-ef"));
        // The keyword stays: a request without a path lists again.
        QFile::remove(list);
        writeRequest(requestFile(), "name=again\n");
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return QFile::exists(list); }));
        QVERIFY(started().isEmpty());
        QVERIFY(agentOutput().contains("Found usb device: vid = 0x1234 pid = "
                                       "0x5678,path =path_0000-02-03-1234-5678"));
    }

    void startsNoOtherProgram()
    {
        startAgent();
        // Another program, which would leave its own started.txt beside it.
        const QString otherBin = folder->path() + "/other";
        QDir().mkpath(otherBin);
        QVERIFY(QFile::copy(bin + "/vidrelay", otherBin + "/vidrelay"));
        writeRequest(requestFile(), ("path=" + otherBin + "/vidrelay\nname=named\n").toUtf8());
        QVERIFY(post(kSemaphore));
        // The request's other lines still count: the agent's own server got
        // the name.
        QVERIFY(waitFor([&] { return started().contains("named|"); }));
        QVERIFY(!QFile::exists(otherBin + "/started.txt"));
        QVERIFY(agentOutput().contains("request path= refused"));
    }

    void refusesRequestsThatAreNoPlainFiles_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("link") << 0;
        QTest::newRow("fifo") << 1;
        QTest::newRow("too long") << 2;
    }
    void refusesRequestsThatAreNoPlainFiles()
    {
        QFETCH(int, kind);
        startAgent();
        const QString target = folder->path() + "/elsewhere.conf";
        QFile t(target);
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("name=linked\n");
        t.close();
        if (kind == 0)
            QVERIFY(QFile::link(target, requestFile()));
        else if (kind == 1)
            QCOMPARE(mkfifo(requestFile().toUtf8().constData(), 0600), 0);
        else
            writeRequest(requestFile(), "name=long\n" + QByteArray(2048, '\n'));
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return agentOutput().contains("refused"); }));
        QVERIFY(waitFor([&] {
            return !QFileInfo::exists(requestFile()) && !QFileInfo(requestFile()).isSymLink();
        }));
        writeRequest(requestFile(), "name=after\n");
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return started().contains("after|"); }));
        QCOMPARE(started().count('\n'), 1);
        QVERIFY(QFile::exists(target));
    }

    void secondAgentLeaves()
    {
        startAgent();
        second.setProcessEnvironment(environmentWith(requests));
        second.start(bin + "/plugwarden", {});
        QVERIFY(second.waitForFinished(15000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput(), QByteArray("plugwarden is already running (2)\n"));
        // The first one still serves.
        writeRequest(requestFile(), "name=still\n");
        QVERIFY(post(kSemaphore));
        QVERIFY(waitFor([&] { return started().contains("still|"); }));
    }

    void uvcServesOneRequest()
    {
        QProcess uvc;
        uvc.setProcessEnvironment(environmentWith(requests));
        uvc.start(bin + "/plugwarden", {"uvc"});
        QVERIFY(uvc.waitForFinished(15000));
        QCOMPARE(uvc.exitCode(), 0);
        QVERIFY(started().isEmpty());

        writeRequest(requestFile(), "name=once\n");
        uvc.start(bin + "/plugwarden", {"uvc"});
        QVERIFY(uvc.waitForFinished(15000));
        QCOMPARE(uvc.exitCode(), 0);
        QVERIFY(waitFor([&] { return started().contains("once|"); }));
        QVERIFY(!semaphoreExists(kSemaphore));
    }

    void uninstallRemovesItsTraces()
    {
        startAgent();
        agent.kill();
        agent.waitForFinished(5000);
        QVERIFY(semaphoreExists(kSemaphore));
        writeRequest(requestFile(), "name=x\n");
        writeRequest(requests + "/com.zd.vidrelay.log", "time:1\n");
        QProcess uninstall;
        uninstall.setProcessEnvironment(environmentWith(requests));
        uninstall.start(bin + "/plugwarden", {"uninstall"});
        QVERIFY(uninstall.waitForFinished(15000));
        QCOMPARE(uninstall.exitCode(), 0);
        QVERIFY(!semaphoreExists(kSemaphore));
        QVERIFY(!QFile::exists(requestFile()));
        QVERIFY(!QFile::exists(requests + "/com.zd.vidrelay.log"));
        QVERIFY(started().isEmpty());
    }

private:
    void startAgent(const QString& sysRoot = QString())
    {
        QProcessEnvironment env = environmentWith(requests);
        if (!sysRoot.isEmpty())
            env.insert("PLUGWARDEN_SYS_ROOT", sysRoot);
        agent.setProcessEnvironment(env);
        agent.start(bin + "/plugwarden", {});
        QVERIFY(agent.waitForStarted(10000));
        // Ready once its semaphore exists.
        QVERIFY2(waitFor([] { return semaphoreExists(kSemaphore); }),
                 "the agent made no semaphore");
    }

    // What the agent printed so far.
    QByteArray agentOutput()
    {
        agent.waitForReadyRead(50);
        printed += agent.readAllStandardOutput();
        return printed;
    }

    QString requestFile() const { return requests + "/com.zd.vidrelay.conf"; }
    QByteArray started() const { return readAll(bin + "/started.txt"); }

    std::unique_ptr<QTemporaryDir> folder;
    QString bin, requests;
    QByteArray printed;
    QProcess agent, second;
};

QTEST_GUILESS_MAIN(TstPlugwarden)
#include "tst_plugwarden.moc"
