// "Clear APP Data" through the engine: the agent of the build and the capture
// server it started stop, and what they keep in the request folder goes, when
// the program has root rights; without them (and no one to give them) nothing
// is touched and the engine answers 0.
#include "agentprocess.h"
#include "vazURIdav.h"
#include "zdotheruser.h"
#include "zdrelayprotocol.h"

#include <QtTest>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace agenttest;

namespace
{

constexpr const char* kChildVariable = "ZD_AGENT_REMOVAL_CHILD";

QByteArray agentSemaphore()
{
    return ipcName("sem_zd_vidrelay");
}

QByteArray serverSemaphore()
{
    return QByteArray::fromStdString(zdrelay::serverSemaphoreName());
}

bool runs(pid_t pid)
{
    // A process that ended but was not reaped by its parent counts as gone.
    const QByteArray stat = readAll(QString("/proc/%1/stat").arg(pid));
    const int close = stat.lastIndexOf(')');
    return close > 0 && stat.size() > close + 2 && stat[close + 2] != 'Z' && stat[close + 2] != 'X';
}

} // namespace

class TstAgentRemoval : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The process that another user runs: the engine's answer, and no more.
        if (qEnvironmentVariableIsSet(kChildVariable)) {
            std::printf("removal result %d\n", ZD_RemoveVidrelayAsRoot());
            std::fflush(stdout);
            ::_exit(0);
        }
        useOwnNames();
        QVERIFY(QFile::exists(QString(ZD_TEST_BIN_DIR) + "/plugwarden"));
        QVERIFY(QFile::exists(QString(ZD_TEST_BIN_DIR) + "/vidrelay"));
        // The engine's log stays in the test's folder.
        qputenv("XDG_DATA_HOME", (data.path() + "/share").toUtf8());
    }

    void init()
    {
        folder.reset(new QTemporaryDir);
        QVERIFY(folder->isValid());
        // The engine starts the agent with its own environment.
        qputenv("ZD_REQUEST_DIR", folder->path().toUtf8());
    }

    void cleanup()
    {
        if (server > 0 && runs(server))
            ::kill(server, SIGKILL);
        server = 0;
        if (agent.state() != QProcess::NotRunning) {
            agent.kill();
            agent.waitForFinished(5000);
        }
        sem_unlink(agentSemaphore());
        sem_unlink(serverSemaphore());
        qunsetenv("ZD_REQUEST_DIR");
    }

    void removesTheAgentAndItsServer()
    {
        if (geteuid() != 0)
            QSKIP("without root the engine asks for an administrator through pkexec, which no "
                  "test can answer");
        startAgentAndServer();
        writeRequest(requestFile(), "name=left\n");

        QVERIFY(ZD_RemoveVidrelayAsRoot() != 0);
        // Both have ended by the time the engine answers.
        QVERIFY(!runs(server));
        QVERIFY(agent.waitForFinished(2000));
        QVERIFY(!semaphoreExists(agentSemaphore()));
        QVERIFY(!semaphoreExists(serverSemaphore()));
        QCOMPARE(
            QDir(folder->path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden),
            QStringList());

        // Nothing left to remove: done again.
        QVERIFY(ZD_RemoveVidrelayAsRoot() != 0);
    }

    void refusedWithoutRootRights()
    {
        zdtest::OtherUser user;
        QString why;
        if (!zdtest::otherUser(user, why))
            QSKIP(qPrintable(why));
        startAgentAndServer();

        // This program, the engine and the agent beside it, where the other
        // user can run them (the build folder may be closed to others).
        QTemporaryDir reachable;
        QVERIFY(reachable.isValid());
        QCOMPARE(::chmod(reachable.path().toUtf8().constData(), 0755), 0);
        const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        const QString bin = QString(ZD_TEST_BIN_DIR);
        for (const QString& file : {QCoreApplication::applicationFilePath(),
                                    bin + "/libvazURIdav.so", bin + "/plugwarden"}) {
            const QString copy = reachable.path() + "/" + QFileInfo(file).fileName();
            QVERIFY(QFile::copy(file, copy));
            QCOMPARE(::chmod(copy.toUtf8().constData(), 0755), 0);
        }

        // A user without root rights and without an authentication agent to
        // ask for them: pkexec refuses, and the engine says so.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildVariable, "1");
        env.insert("HOME", "/tmp");
        env.remove("XDG_DATA_HOME");
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        QByteArray output;
        QCOMPARE(zdtest::runAs(user, reachable.path() + "/" + self, {}, &output, env), 0);
        QVERIFY2(output.contains("removal result 0\n"), output.constData());

        QVERIFY(runs(server));
        QCOMPARE(agent.state(), QProcess::Running);
        QVERIFY(semaphoreExists(agentSemaphore()));
        QVERIFY(semaphoreExists(serverSemaphore()));
    }

private:
    // The agent of the build, and the capture server beside it that it starts
    // on a request, as an install runs them.
    void startAgentAndServer()
    {
        agent.setProcessEnvironment(environmentWith(folder->path()));
        agent.start(QString(ZD_TEST_BIN_DIR) + "/plugwarden", {});
        QVERIFY(agent.waitForStarted(10000));
        QVERIFY2(waitFor([] { return semaphoreExists(agentSemaphore()); }),
                 "the agent made no semaphore");
        writeRequest(requestFile(), "name=12345\n");
        QVERIFY(post(agentSemaphore()));
        QVERIFY2(waitFor([] { return semaphoreExists(serverSemaphore()); }),
                 "the agent started no server");
        // The server names its process in its log.
        const QString log = folder->path() + "/com.zd.vidrelay.log";
        QVERIFY2(waitFor([&] { return readAll(log).contains("(process "); }),
                 readAll(log).constData());
        const QByteArray text = readAll(log);
        const int at = text.indexOf("(process ");
        server = pid_t(text.mid(at + 9, text.indexOf(')', at) - at - 9).toInt());
        QVERIFY(server > 0 && runs(server));
    }

    QString requestFile() const { return folder->path() + "/com.zd.vidrelay.conf"; }

    QTemporaryDir data;
    QScopedPointer<QTemporaryDir> folder;
    QProcess agent;
    pid_t server = 0;
};

QTEST_GUILESS_MAIN(TstAgentRemoval)
#include "tst_agentremoval.moc"
