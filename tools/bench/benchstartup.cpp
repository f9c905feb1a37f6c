// Start-up time of ZDHelper against OBS Studio's on the same machine, taken
// alternately in one run: each round starts ZDHelper, then OBS Studio, on a
// private X server (or the one named by --display), each with a home folder
// of its own that one unmeasured start has already filled, and times each
// from the start of its process to the mapping of its main window (the
// moment the window is on the screen). Each program is stopped before the
// next starts. Prints every sample, the medians of the wall-clock time and
// of the processor time the program had used by then, their ratio, and the
// load average of the machine before and after.
//
// Usage: zd_bench_startup [--rounds N] [--zdhelper PROGRAM] [--obs PROGRAM]
//                         [--display :N]
#include "zdxvfb.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kShowTimeoutMs = 60000;

struct Program {
    QString label;
    QString path;
    QStringList arguments;
    // The main window's title starts with this.
    QByteArray title;
    QString home;
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
};

QString loadAverage()
{
    QFile f("/proc/loadavg");
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    return QString::fromLatin1(f.readAll()).section(' ', 0, 2);
}

// Processor time the process has used so far, in milliseconds.
double processCpuMs(qint64 pid)
{
    QFile f(QString("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = f.readAll();
    const qsizetype close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    // Fields 14 and 15 of the line: user and system ticks.
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

QByteArray windowTitle(Display* x, Window w)
{
    Atom utf8 = XInternAtom(x, "UTF8_STRING", False);
    Atom netName = XInternAtom(x, "_NET_WM_NAME", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    QByteArray title;
    if (XGetWindowProperty(x, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        title = QByteArray(reinterpret_cast<const char*>(data), int(count));
        XFree(data);
    }
    if (title.isEmpty()) {
        char* name = nullptr;
        if (XFetchName(x, w, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

// Waits for a top-level window whose title starts with title to be mapped;
// the milliseconds since clock started, or -1.
double waitForWindow(Display* x, const QByteArray& title, const QElapsedTimer& clock,
                     const QProcess& process)
{
    const int fd = ConnectionNumber(x);
    while (clock.elapsed() < kShowTimeoutMs && process.state() != QProcess::NotRunning) {
        while (XPending(x)) {
            XEvent e;
            XNextEvent(x, &e);
            if (e.type != MapNotify)
                continue;
            const double at = clock.nsecsElapsed() / 1e6;
            if (windowTitle(x, e.xmap.window).startsWith(title))
                return at;
        }
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 50);
    }
    return -1;
}

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QProcessEnvironment environmentFor(const Program& p, const QByteArray& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromLatin1(display));
    env.insert("HOME", p.home);
    env.insert("XDG_CONFIG_HOME", p.home + "/.config");
    env.insert("XDG_DATA_HOME", p.home + "/.local/share");
    env.insert("XDG_CACHE_HOME", p.home + "/.cache");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("WAYLAND_DISPLAY");
    return env;
}

// One start; false when the window did not come.
bool startOnce(Display* x, Program& p, const QByteArray& display, bool measured)
{
    XSync(x, True); // nothing left over from the previous program
    QProcess process;
    process.setProcessEnvironment(environmentFor(p, display));
    process.setProgram(p.path);
    process.setArguments(p.arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(p.home + "/stderr.txt");
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(10000)) {
        std::fprintf(stderr, "%s does not start\n", qPrintable(p.path));
        return false;
    }
    const double shownMs = waitForWindow(x, p.title, clock, process);
    const double cpuMs = processCpuMs(process.processId());
    stop(process);
    if (shownMs < 0) {
        std::fprintf(stderr, "%s showed no window titled \"%s...\" (see %s/stderr.txt)\n",
                     qPrintable(p.label), p.title.constData(), qPrintable(p.home));
        return false;
    }
    if (measured) {
        p.wallMs.push_back(shownMs);
        p.cpuMs.push_back(cpuMs);
        std::printf("%-10s %8.1f ms to the window, %8.1f ms of processor time\n",
                    qPrintable(p.label), shownMs, cpuMs);
        std::fflush(stdout);
    }
    return true;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 10;
    QString display;
    Program zd{"ZDHelper", QCoreApplication::applicationDirPath() + "/ZDHelper",
               {},         "Veltrano Helper",
               {},         {},
               {}};
    Program obs{"OBS Studio", "obs", {}, "OBS ", {}, {}, {}};
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = i + 1 < args.size() ? args.at(i + 1) : QString();
        if (args.at(i) == "--rounds" && !next.isEmpty())
            rounds = next.toInt(), ++i;
        else if (args.at(i) == "--zdhelper" && !next.isEmpty())
            zd.path = next, ++i;
        else if (args.at(i) == "--obs" && !next.isEmpty())
            obs.path = next, ++i;
        else if (args.at(i) == "--display" && !next.isEmpty())
            display = next, ++i;
        else {
            std::fprintf(stderr,
                         "usage: %s [--rounds N] [--zdhelper PROGRAM] [--obs PROGRAM] "
                         "[--display :N]\n",
                         argv[0]);
            return 2;
        }
    }
    if (rounds < 1)
        return 2;

    zdtest::XvfbServer xvfb;
    QByteArray displayName = display.toLocal8Bit();
    if (displayName.isEmpty()) {
        QString why;
        if (!xvfb.start(&why, "1920x1080x24")) {
            std::fprintf(stderr, "no X server: %s\n", qPrintable(why));
            return 1;
        }
        displayName = xvfb.display();
    }
    Display* x = XOpenDisplay(displayName.constData());
    if (!x) {
        std::fprintf(stderr, "cannot open display %s\n", displayName.constData());
        return 1;
    }
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);

    QTemporaryDir homes;
    for (Program* p : {&zd, &obs}) {
        p->home = homes.path() + "/" + p->label.section(' ', 0, 0);
        for (const char* sub : {"", "/.config", "/.local/share", "/.cache"})
            QDir().mkpath(p->home + sub);
        // The first start of each makes its settings and caches; it is the
        // ordinary start of every later day that counts.
        if (!startOnce(x, *p, displayName, false))
            return 1;
    }

    const QString loadBefore = loadAverage();
    std::printf("%d rounds on display %s, %ld processors, load average %s\n", rounds,
                displayName.constData(), sysconf(_SC_NPROCESSORS_ONLN), qPrintable(loadBefore));
    for (int round = 0; round < rounds; ++round) {
        for (Program* p : {&zd, &obs}) {
            if (!startOnce(x, *p, displayName, true))
                return 1;
            QThread::msleep(500);
        }
    }
    const QString loadAfter = loadAverage();

    const double zdWall = median(zd.wallMs), obsWall = median(obs.wallMs);
    const double zdCpu = median(zd.cpuMs), obsCpu = median(obs.cpuMs);
    std::printf("\n%-10s %14s %14s\n", "median", "to window ms", "processor ms");
    std::printf("%-10s %14.1f %14.1f\n", "ZDHelper", zdWall, zdCpu);
    std::printf("%-10s %14.1f %14.1f\n", "OBS Studio", obsWall, obsCpu);
    std::printf("ratio ZDHelper / OBS Studio: %.2f (to window), %.2f (processor time)\n",
                zdWall / obsWall, zdCpu / obsCpu);
    std::printf("load average before %s, after %s\n", qPrintable(loadBefore),
                qPrintable(loadAfter));
    XCloseDisplay(x);
    return 0;
}
