#include "quitsignalwatcher.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// The handler may only write to the pipe; everything else happens on the GUI
// thread when the notifier sees the byte.
int g_signalFds[2] = {-1, -1};

void onQuitSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalFds[0], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignalWatcher::QuitSignalWatcher(QObject* parent) : QObject(parent)
{
    if (g_signalFds[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) != 0)
        return;
    m_notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignalWatcher::onSignal);

    struct sigaction action {
    };
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

QuitSignalWatcher::~QuitSignalWatcher()
{
    if (!m_notifier)
        return;
    struct sigaction action {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void QuitSignalWatcher::onSignal()
{
    char buffer[16];
    while (::read(g_signalFds[1], buffer, sizeof(buffer)) > 0) {
    }
    emit quitRequested();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}
