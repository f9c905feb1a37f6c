// The agent as its requesters see it: a copy of plugwarden beside a stand-in
// capture server, a request folder of the test's own, requests written and
// the semaphore posted.
#include "agentprocess.h"
#include "usbfixture.h"
#include "zdotheruser.h"

#include <QtTest>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace agenttest;

namespace
{

QByteArray semaphore()
{
    return ipcName("sem_zd_vidrelay");
}

// The name the kernel gives a process: its program file's name.
QByteArray commandOf(qint64 pid)
{
    return readAll(QString("/proc/%1/comm").arg(pid)).trimmed();
}

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
        useOwnNames();
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
        for (QProcess* p : {&agent, &second, &foreign}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
        sem_unlink(semaphore());
    }

    void startsItsServerOnRequest()
    {
        startAgent();
        writeRequest(requestFile(), "name=first\n");
        QVERIFY(post(semaphore()));
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().count("first|") == 1; }));
        // A later request: once it has started, the second post has been
        // served, and it found no request.
        writeRequest(requestFile(), "name=second\n");
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().count("second|") == 1; }));
        const QList<QByteArray> lines = started().trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(!QFile::exists(requestFile()));

        // Its arguments, its priority and an environment of nothing but the
        // request folder and the instance tag.
        QList<QByteArray> first =
            lines[0].startsWith("first") ? lines[0].split('|') : lines[1].split('|');
        QCOMPARE(first.size(), 5);
        QCOMPARE(first[1], (requests + "/com.zd.vidrelay.log").toUtf8());
        if (geteuid() == 0)
            QCOMPARE(first[2], QByteArray("-15"));
        QCOMPARE(first[3], "ZD_REQUEST_DIR=" + requests.toUtf8() +
                               ";ZD_INSTANCE_TAG=" + qgetenv("ZD_INSTANCE_TAG"));
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
        QCOMPARE(::stat("/dev/shm/sem." + semaphore(), &st), 0);
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
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return readAll(list).contains("usb:"); }));
        QCOMPARE(readAll(list).split('\n').value(1),
                 QByteArray("usb:0x1234:0x5678:path_0000-02-03-1234-5678-02-ef"));
        QVERIFY(agentOutput().contains("Found usb device: vid = 0x1234 pid = "
                                       "0x5678,path =path_0000-02-03-1234-5678"));
        // The keyword was that request's: one without a path starts the server.
        QFile::remove(list);
        writeRequest(requestFile(), "name=again\n");
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().contains("again|"); }));
        QVERIFY(!QFile::exists(list));
    }

    void eachRequestStartsFromTheDefaults()
    {
        startAgent();
        // One user's request names the server and a log of its own ...
        writeRequest(requestFile(), ("name=alice\nlog=" + requests + "/alice.log\n").toUtf8());
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().contains("alice|"); }));
        // ... the next one names nothing and gets the agent's own values.
        writeRequest(requestFile(), "\n");
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().count('\n') == 2; }));
        const QList<QByteArray> second = started().trimmed().split('\n').value(1).split('|');
        QCOMPARE(second.value(0), QByteArray("12345"));
        QCOMPARE(second.value(1), (requests + "/com.zd.vidrelay.log").toUtf8());
    }

    void usbListTarget_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("written");
        QTest::newRow("new file") << "new" << true;
        QTest::newRow("the agent's earlier list") << "plain" << true;
        QTest::newRow("hard link to a file elsewhere") << "hard link" << false;
        QTest::newRow("symbolic link to a file elsewhere") << "symlink" << false;
    }
    void usbListTarget()
    {
        QFETCH(QString, kind);
        QFETCH(bool, written);
        const QString sys = folder->path() + "/sys";
        addUsbDevice(sys, "3-1.2", captureBox());
        startAgent(sys);
        // Root writes the list: a name in the folder must not lead it to a
        // file outside.
        const QString list = requests + "/usb.txt";
        const QString elsewhere = folder->path() + "/precious.txt";
        writeRequest(elsewhere, "precious\n");
        if (kind == "plain")
            writeRequest(list, "time:1\n");
        else if (kind == "hard link")
            QCOMPARE(::link(elsewhere.toUtf8().constData(), list.toUtf8().constData()), 0);
        else if (kind == "symlink")
            QVERIFY(QFile::link(elsewhere, list));
        writeRequest(requestFile(), ("path=[enum_usb_drive]\nlog=" + list + "\n").toUtf8());
        QVERIFY(post(semaphore()));
        if (written) {
            QVERIFY(waitFor([&] { return readAll(list).contains("usb:0x1234:0x5678"); }));
        } else {
            QVERIFY(waitFor([&] { return agentOutput().contains("USB list " + list.toUtf8()); }));
            QVERIFY(agentOutput().contains("refused"));
        }
        QCOMPARE(readAll(elsewhere), QByteArray("precious\n"));
    }

    void startsNoOtherProgram()
    {
        startAgent();
        // Another program, which would leave its own started.txt beside it.
        const QString otherBin = folder->path() + "/other";
        QDir().mkpath(otherBin);
        QVERIFY(QFile::copy(bin + "/vidrelay", otherBin + "/vidrelay"));
        writeRequest(requestFile(), ("path=" + otherBin + "/vidrelay\nname=named\n").toUtf8());
        QVERIFY(post(semaphore()));
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
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return agentOutput().contains("refused"); }));
        QVERIFY(waitFor([&] {
            return !QFileInfo::exists(requestFile()) && !QFileInfo(requestFile()).isSymLink();
        }));
        writeRequest(requestFile(), "name=after\n");
        QVERIFY(post(semaphore()));
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
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().contains("still|"); }));
    }

    // Only this very program, run by the same user under the same tag, is a
    // second agent: a process that merely bears the name is not.
    void instanceCheckWithOtherProcessesOfTheName_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<bool>("asOtherUser");
        QTest::newRow("another program named plugwarden, another user") << "sleep" << true;
        QTest::newRow("another program named plugwarden, this user") << "sleep" << false;
        QTest::newRow("the agent's program, another user") << "agent" << true;
    }
    void instanceCheckWithOtherProcessesOfTheName()
    {
        QFETCH(QString, program);
        QFETCH(bool, asOtherUser);
        zdtest::OtherUser nobody;
        QString why;
        if (asOtherUser && !zdtest::otherUser(nobody, why))
            QSKIP(qPrintable(why));
        // Another program under the agent's name, or the agent's own file.
        const QString other = folder->path() + "/other";
        QDir().mkpath(other);
        QString name = bin + "/plugwarden";
        QStringList args;
        if (program == "sleep") {
            name = other + "/plugwarden";
            QVERIFY(QFile::copy(QStandardPaths::findExecutable("sleep"), name));
            args = QStringList{"300"};
        }
        if (asOtherUser)
            opened(nobody);
        foreign.setProcessEnvironment(environmentWith(requests));
        if (asOtherUser)
            zdtest::startAs(foreign, nobody, name, args);
        else
            foreign.start(name, args);
        QVERIFY(foreign.waitForStarted(10000));
        QVERIFY(waitFor([&] { return commandOf(foreign.processId()) == "plugwarden"; }));
        if (program == "agent") // it is up once its semaphore is there
            QVERIFY(waitFor([&] { return semaphoreOwner(semaphore()) == qint64(nobody.uid); }));

        startAgent();
        writeRequest(requestFile(), "name=served\n");
        QVERIFY(post(semaphore()));
        QVERIFY(waitFor([&] { return started().contains("served|"); }));
        QCOMPARE(agent.state(), QProcess::Running);
        QVERIFY(!agentOutput().contains("already running"));
    }

    void refusesUntrustedRequestFolders_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("root's, group members write") << "root" << 02770 << true;
        QTest::newRow("root's, others read") << "root" << 0755 << true;
        QTest::newRow("root's, everyone writes") << "root" << 0777 << false;
        QTest::newRow("root's, everyone writes, sticky") << "root" << 01777 << false;
        QTest::newRow("another user's") << "nobody" << 0700 << false;
        QTest::newRow("another user's, group members write") << "nobody" << 02770 << false;
        QTest::newRow("missing") << "missing" << 0 << false;
        QTest::newRow("a file") << "file" << 0644 << false;
    }
    void refusesUntrustedRequestFolders()
    {
        QFETCH(QString, owner);
        QFETCH(int, mode);
        QFETCH(bool, trusted);
        const QByteArray path = requests.toUtf8();
        if (owner == "missing") {
            QVERIFY(QDir(requests).removeRecursively());
        } else if (owner == "file") {
            QVERIFY(QDir(requests).removeRecursively());
            writeRequest(requests, "");
        }
        if (owner != "missing")
            QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
        if (owner == "nobody") {
            zdtest::OtherUser nobody;
            QString why;
            if (!zdtest::otherUser(nobody, why))
                QSKIP(qPrintable(why));
            QCOMPARE(::chown(path.constData(), nobody.uid, nobody.gid), 0);
            QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
        }
        if (trusted)
            writeRequest(requestFile(), "name=served\n");

        for (const QStringList& args : {QStringList{"uvc"}, QStringList{}}) {
            QProcess run;
            run.setProcessEnvironment(environmentWith(requests));
            run.start(bin + "/plugwarden", args);
            QVERIFY(run.waitForStarted(10000));
            if (trusted) {
                if (args.isEmpty()) { // the loop: serving
                    QVERIFY(waitFor([&] { return semaphoreExists(semaphore()); }));
                    run.kill();
                }
                QVERIFY(run.waitForFinished(15000));
                if (!args.isEmpty())
                    QCOMPARE(run.exitCode(), 0);
                continue;
            }
            QVERIFY(run.waitForFinished(15000));
            QCOMPARE(run.exitStatus(), QProcess::NormalExit);
            QCOMPARE(run.exitCode(), 1);
            QVERIFY2(run.readAllStandardError().contains("request folder " + path + " refused"),
                     qPrintable(args.join(' ')));
            QVERIFY(!semaphoreExists(semaphore()));
        }
        // The server starts after "uvc" has ended.
        if (trusted)
            QVERIFY(waitFor([&] { return started().contains("served|"); }));
        else
            QVERIFY(started().isEmpty());
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
        QVERIFY(!semaphoreExists(semaphore()));
    }

    void uninstallRemovesItsTraces()
    {
        startAgent();
        agent.kill();
        agent.waitForFinished(5000);
        QVERIFY(semaphoreExists(semaphore()));
        writeRequest(requestFile(), "name=x\n");
        writeRequest(requests + "/com.zd.vidrelay.log", "time:1\n");
        QProcess uninstall;
        uninstall.setProcessEnvironment(environmentWith(requests));
        uninstall.start(bin + "/plugwarden", {"uninstall"});
        QVERIFY(uninstall.waitForFinished(15000));
        QCOMPARE(uninstall.exitCode(), 0);
        QVERIFY(!semaphoreExists(semaphore()));
        QVERIFY(!QFile::exists(requestFile()));
        QVERIFY(!QFile::exists(requests + "/com.zd.vidrelay.log"));
        QVERIFY(started().isEmpty());
    }

    // The server's lock and pipe list go when they are files of the
    // uninstalling user; a file of another user's under such a name stays.
    void uninstallRemovesOnlyItsOwnServerFiles()
    {
        zdtest::OtherUser user;
        QString why;
        if (!zdtest::otherUser(user, why))
            QSKIP(qPrintable(why));
        const QString lock = requests + "/com.zd.vidrelay.lock";
        const QString pipes = requests + "/com.zd.vidrelay.pipes";
        writeRequest(lock, "");
        writeRequest(pipes, "/tmp/capp_pipe_1\n");
        QCOMPARE(::chown(pipes.toUtf8().constData(), user.uid, user.gid), 0);
        QProcess uninstall;
        uninstall.setProcessEnvironment(environmentWith(requests));
        uninstall.start(bin + "/plugwarden", {"uninstall"});
        QVERIFY(uninstall.waitForFinished(15000));
        QCOMPARE(uninstall.exitCode(), 0);
        QVERIFY(!QFile::exists(lock));
        QVERIFY(QFile::exists(pipes));
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
        QVERIFY2(waitFor([] { return semaphoreOwner(semaphore()) == qint64(geteuid()); }),
                 "the agent made no semaphore");
    }

    // The test's folders opened to the other user: it may enter them and
    // belongs to the request folder's group, as a member of the agent's
    // group does.
    void opened(const zdtest::OtherUser& user)
    {
        QCOMPARE(::chmod(folder->path().toUtf8().constData(), 0711), 0);
        QCOMPARE(::chmod((folder->path() + "/other").toUtf8().constData(), 0755), 0);
        QCOMPARE(::chown(requests.toUtf8().constData(), 0, user.gid), 0);
        QCOMPARE(::chmod(requests.toUtf8().constData(), 02770), 0);
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
    QProcess agent, second, foreign;
};

QTEST_GUILESS_MAIN(TstPlugwarden)
#include "tst_plugwarden.moc"
