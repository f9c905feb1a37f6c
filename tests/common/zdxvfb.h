// A private X server for tests that need real pixels: Xvfb on a display it
// picks itself, stopped with the object. Tests skip when Xvfb is missing.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace zdtest
{

class XvfbServer
{
public:
    ~XvfbServer() { stop(); }

    static bool available() { return !QStandardPaths::findExecutable("Xvfb").isEmpty(); }

    // Starts the server; false with why set when it did not come up.
    bool start(QString* why, const QString& screen = "800x600x24")
    {
        if (!available()) {
            *why = "Xvfb is not installed";
            return false;
        }
        // -displayfd: the server takes a free display and writes its number.
        m_process.start("Xvfb",
                        {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-ac"});
        if (!m_process.waitForStarted(5000)) {
            *why = "Xvfb did not start";
            return false;
        }
        QByteArray out;
        QElapsedTimer t;
        t.start();
        while (!out.contains('\n') && t.elapsed() < 15000) {
            m_process.waitForReadyRead(200);
            out += m_process.readAllStandardOutput();
            if (m_process.state() != QProcess::Running)
                break;
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (!ok) {
            *why =
                "Xvfb gave no display: " + QString::fromLocal8Bit(m_process.readAllStandardError());
            stop();
            return false;
        }
        m_display = ":" + QByteArray::number(number);
        return true;
    }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(2000);
            }
        }
    }

    QByteArray display() const { return m_display; }

private:
    QProcess m_process;
    QByteArray m_display;
};

} // namespace zdtest
