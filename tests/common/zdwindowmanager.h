// A private Xvfb with a real window manager (openbox) on it, for tests that
// depend on what a window manager does: frames around windows, placing
// windows where they ask. Started before the application object, so that Qt
// connects to a display whose manager is already running. Tests skip when
// Xvfb or openbox is missing.
#pragma once

#include "zdxvfb.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace zdtest
{

class ManagedDisplay
{
public:
    ~ManagedDisplay() { stop(); }

    static bool available()
    {
        return XvfbServer::available() && !QStandardPaths::findExecutable("openbox").isEmpty();
    }

    // Starts the server and the manager and points DISPLAY at them; false
    // with why set when either did not come up.
    bool start(QString* why, const QString& screen = "1920x1080x24")
    {
        if (QStandardPaths::findExecutable("openbox").isEmpty()) {
            *why = "openbox is not installed";
            return false;
        }
        if (!m_server.start(why, screen))
            return false;
        qputenv("DISPLAY", m_server.display());
        m_manager.start("openbox", {"--sm-disable"});
        if (!m_manager.waitForStarted(5000)) {
            *why = "openbox did not start";
            return false;
        }
        if (!waitForManager()) {
            *why = "openbox did not take the display";
            return false;
        }
        return true;
    }

    void stop()
    {
        if (m_manager.state() != QProcess::NotRunning) {
            m_manager.terminate();
            if (!m_manager.waitForFinished(5000)) {
                m_manager.kill();
                m_manager.waitForFinished(2000);
            }
        }
        m_server.stop();
    }

private:
    // A running manager names its check window on the root window.
    bool waitForManager()
    {
        Display* display = XOpenDisplay(m_server.display().constData());
        if (!display)
            return false;
        const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
        bool ready = false;
        QElapsedTimer clock;
        clock.start();
        while (!ready && clock.elapsed() < 20000 && m_manager.state() == QProcess::Running) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                   XA_WINDOW, &type, &format, &count, &after, &data) == Success) {
                ready = type == XA_WINDOW && count == 1;
                XFree(data);
            }
            if (!ready)
                QThread::msleep(50);
        }
        XCloseDisplay(display);
        return ready;
    }

    XvfbServer m_server;
    QProcess m_manager;
};

} // namespace zdtest
