#include "enginetestsupport.h"
#include "zdtestmain.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// A socket listening on a free loopback port; the port stays taken while it
// lives.
struct PortHolder {
    int fd = -1;
    int port = 0;
    PortHolder()
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        socklen_t len = sizeof(a);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 && ::listen(fd, 1) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~PortHolder() { release(); }
    void release()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

bool canConnect(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
    ::close(fd);
    return ok;
}

int running(void* handle)
{
    int flag = -1;
    if (ZD_IsDUDRunning(handle, &flag) <= 0)
        return -1;
    return flag;
}

} // namespace

class TestEngineShare : public QObject
{
    Q_OBJECT
    void* m_handle = nullptr;

private slots:
    void init()
    {
        m_handle = initEngine("share");
        QVERIFY(m_handle);
    }
    void cleanup() { ZD_Release(&m_handle); }

    void takenPortFails()
    {
        PortHolder holder;
        QVERIFY(holder.port > 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, holder.port), 0);
        QCOMPARE(running(m_handle), 0);
    }

    void freePortIsListenedOnUntilStopped()
    {
        PortHolder holder;
        const int port = holder.port;
        holder.release();
        QCOMPARE(ZD_StartDUD_Server(m_handle, port), 1);
        QCOMPARE(running(m_handle), 1);
        QVERIFY(canConnect(port));
        QCOMPARE(ZD_StartDUD_Server(m_handle, port), 1); // already listening there
        QCOMPARE(ZD_StopDUD_Server(m_handle), 1);
        QCOMPARE(running(m_handle), 0);
        QVERIFY(!canConnect(port));
        // The port can be taken again at once.
        QCOMPARE(ZD_StartDUD_Server(m_handle, port), 1);
        QCOMPARE(running(m_handle), 1);
    }

    void releaseEndsTheServer()
    {
        PortHolder holder;
        const int port = holder.port;
        holder.release();
        void* handle = initEngine("share-release");
        QCOMPARE(ZD_StartDUD_Server(handle, port), 1);
        ZD_Release(&handle);
        QVERIFY(!canConnect(port));
    }

    void badPortsAndHandles()
    {
        QCOMPARE(ZD_StartDUD_Server(m_handle, 0), 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, 65536), 0);
        QCOMPARE(ZD_StartDUD_Server(m_handle, -1), 0);
        QCOMPARE(ZD_StartDUD_Server(nullptr, 9875), 0);
        int flag = 7;
        QCOMPARE(ZD_IsDUDRunning(nullptr, &flag), 0);
        QCOMPARE(flag, 0);
        QCOMPARE(ZD_IsDUDRunning(m_handle, nullptr), 0);
    }
};

ZD_TEST_MAIN(TestEngineShare, QCoreApplication)
#include "tst_engineshare.moc"
