// A private Xvfb (XvfbServer) with the test's own connection to it, for tests
// that draw into real X windows and read the pixels back.
#pragma once

#include "zdxvfb.h"

#include <X11/Xlib.h>

namespace zdtest
{

class XvfbDisplay
{
public:
    ~XvfbDisplay() { stop(); }

    // Starts the server, points DISPLAY at it and connects. False with why set
    // when the server did not come up; connection() is null when it came up
    // but cannot be reached.
    bool start(QString* why)
    {
        if (!m_server.start(why))
            return false;
        qputenv("DISPLAY", m_server.display());
        m_connection = XOpenDisplay(m_server.display().constData());
        return true;
    }

    void stop()
    {
        if (m_connection)
            XCloseDisplay(m_connection);
        m_connection = nullptr;
        m_server.stop();
    }

    Display* connection() const { return m_connection; }
    QByteArray display() const { return m_server.display(); }

    // A white 400x300 parent at the screen's top left with a white child of
    // width x height at (20, 10) in it, both shown. White, so that bars a
    // renderer did not draw would show.
    void makeWindows(int width, int height, Window* parent, Window* child)
    {
        const int screen = DefaultScreen(m_connection);
        *parent = XCreateSimpleWindow(m_connection, RootWindow(m_connection, screen), 0, 0, 400,
                                      300, 0, 0, WhitePixel(m_connection, screen));
        *child = XCreateSimpleWindow(m_connection, *parent, 20, 10, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, 0,
                                     WhitePixel(m_connection, screen));
        XMapWindow(m_connection, *child);
        XMapWindow(m_connection, *parent);
        XSync(m_connection, False);
    }

private:
    XvfbServer m_server;
    Display* m_connection = nullptr;
};

} // namespace zdtest
