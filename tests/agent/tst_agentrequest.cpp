// The agent's request lines and its settings at start.
#include "launch.h"

#include <QtTest>

namespace
{

AgentSettings started()
{
    AgentSettings s;
    InitAgentSettings(s, "/opt/zd/bin/plugwarden", "/var/cache/veltrano");
    return s;
}

} // namespace

class TstAgentRequest : public QObject
{
    Q_OBJECT

private slots:
    void settingsAtStart_data()
    {
        QTest::addColumn<QByteArray>("argv0");
        QTest::addColumn<QByteArray>("server");
        QTest::newRow("full path")
            << QByteArray("/opt/zd/bin/plugwarden") << QByteArray("/opt/zd/bin/vidrelay");
        QTest::newRow("bare name") << QByteArray("plugwarden") << QByteArray("/vidrelay");
        QTest::newRow("relative") << QByteArray("./plugwarden") << QByteArray("./vidrelay");
    }
    void settingsAtStart()
    {
        QFETCH(QByteArray, argv0);
        QFETCH(QByteArray, server);
        AgentSettings s;
        QVERIFY(InitAgentSettings(s, argv0.constData(), "/var/cache/veltrano"));
        QCOMPARE(QByteArray(s.exepath), server);
        QCOMPARE(QByteArray(s.ownServer), server);
        QCOMPARE(QByteArray(s.srvname), QByteArray("12345"));
        QCOMPARE(QByteArray(s.srvlog), QByteArray("/var/cache/veltrano/com.zd.vidrelay.log"));
    }

    void agentPathTooLong()
    {
        AgentSettings s;
        const QByteArray deep = "/" + QByteArray(260, 'd') + "/plugwarden";
        QVERIFY(!InitAgentSettings(s, deep.constData(), "/var/cache/veltrano"));
    }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("exepath");
        QTest::addColumn<QByteArray>("srvname");
        QTest::addColumn<QByteArray>("srvlog");
        const QByteArray own = "/opt/zd/bin/vidrelay";
        const QByteArray log = "/var/cache/veltrano/com.zd.vidrelay.log";
        QTest::newRow("only the name")
            << QByteArray("name=abc\n") << own << QByteArray("abc") << log;
        QTest::newRow("no line end") << QByteArray("name=abc") << own << QByteArray("abc") << log;
        QTest::newRow("all three")
            << QByteArray("log=/var/cache/veltrano/other.log\nname=n\n"
                          "path=/opt/zd/bin/vidrelay\n")
            << own << QByteArray("n") << QByteArray("/var/cache/veltrano/other.log");
        QTest::newRow("CR stays in the value")
            << QByteArray("name=abc\r\n") << own << QByteArray("abc\r") << log;
        QTest::newRow("later line wins")
            << QByteArray("name=first\nname=second\n") << own << QByteArray("second") << log;
        QTest::newRow("empty and other lines")
            << QByteArray("\n\nhello\nname=x\n\n") << own << QByteArray("x") << log;
        QTest::newRow("empty value") << QByteArray("name=\n") << own << QByteArray("") << log;
        QTest::newRow("USB keyword")
            << QByteArray("path=[enum_usb_drive]\n") << QByteArray("[enum_usb_drive]")
            << QByteArray("12345") << log;
        // The key anywhere, the value after the key's length from the line's start.
        QTest::newRow("key inside the line")
            << QByteArray("my name=abc\n") << own << QByteArray("me=abc") << log;
        QTest::newRow("path tried before name")
            << QByteArray("name=path=x\n") << own << QByteArray("12345") << log;
        QTest::newRow("text ends at NUL")
            << QByteArray("name=ab\0name=cd\n", 16) << own << QByteArray("ab") << log;
        QTest::newRow("255 bytes fit")
            << "name=" + QByteArray(255, 'v') << own << QByteArray(255, 'v') << log;
        QTest::newRow("256 bytes refused")
            << "name=" + QByteArray(256, 'v') << own << QByteArray("12345") << log;
        QTest::newRow("another program refused")
            << QByteArray("path=/bin/sh\nname=x\n") << own << QByteArray("x") << log;
        QTest::newRow("own server with CR refused")
            << QByteArray("path=/opt/zd/bin/vidrelay\r\n") << own << QByteArray("12345") << log;
        QTest::newRow("log outside the folder refused")
            << QByteArray("log=/etc/passwd\n") << own << QByteArray("12345") << log;
        QTest::newRow("log below a subfolder refused")
            << QByteArray("log=/var/cache/veltrano/a/b\n") << own << QByteArray("12345") << log;
        QTest::newRow("log leaving the folder refused")
            << QByteArray("log=/var/cache/veltrano/..\n") << own << QByteArray("12345") << log;
        QTest::newRow("log in a look-alike folder refused")
            << QByteArray("log=/var/cache/veltrano2/x\n") << own << QByteArray("12345") << log;
    }
    void lines()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, exepath);
        QFETCH(QByteArray, srvname);
        QFETCH(QByteArray, srvlog);
        AgentSettings s = started();
        ApplyRequestLines(s, request.constData(), size_t(request.size()));
        QCOMPARE(QByteArray(s.exepath), exepath);
        QCOMPARE(QByteArray(s.srvname), srvname);
        QCOMPARE(QByteArray(s.srvlog), srvlog);
    }

    void eachRequestStartsFromTheDefaults()
    {
        // What one requester named does not carry over to the next request.
        AgentSettings s = started();
        const QByteArray first =
            "path=[enum_usb_drive]\nname=abc\nlog=/var/cache/veltrano/usb.txt\n";
        ApplyRequestLines(s, first.constData(), size_t(first.size()));
        QCOMPARE(QByteArray(s.exepath), QByteArray("[enum_usb_drive]"));
        const QByteArray second = "hello\n";
        ApplyRequestLines(s, second.constData(), size_t(second.size()));
        const AgentSettings fresh = started();
        QCOMPARE(QByteArray(s.exepath), QByteArray(fresh.exepath));
        QCOMPARE(QByteArray(s.srvname), QByteArray("12345"));
        QCOMPARE(QByteArray(s.srvlog), QByteArray(fresh.srvlog));
        // A refused value leaves the default, not the previous request's.
        ApplyRequestLines(s, first.constData(), size_t(first.size()));
        const QByteArray refused = "name=" + QByteArray(300, 'v') + "\nlog=/etc/passwd\n";
        ApplyRequestLines(s, refused.constData(), size_t(refused.size()));
        QCOMPARE(QByteArray(s.srvname), QByteArray("12345"));
        QCOMPARE(QByteArray(s.srvlog), QByteArray(fresh.srvlog));
    }
};

QTEST_APPLESS_MAIN(TstAgentRequest)
#include "tst_agentrequest.moc"
