// What the tests of the title bar, its threads and its dialogs share: a
// recorder of message boxes (through the message-box hook), a way to act on a modal dialog once it
// is up, the settings object over the sandbox's setting.ini, and the engine's trace and log.
#pragma once

#include "cpublic.h"
#include "msgboxdialog.h"
#include "stdafx.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMutexLocker>
#include <QPointer>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>

namespace titlebartest
{

struct Box {
    QString text;
    int kind = -1;
};

// Records every box and answers with the next scripted answer (1 when the
// script has run out).
class BoxRecorder
{
public:
    BoxRecorder()
    {
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            boxes.append({text, kind});
            return answers.isEmpty() ? 1 : answers.takeFirst();
        });
    }
    ~BoxRecorder() { MsgBoxDialog::setTestHook({}); }
    QStringList texts() const
    {
        QStringList t;
        for (const Box& b : boxes)
            t << b.text;
        return t;
    }
    QList<Box> boxes;
    QList<int> answers;
};

// Runs action on the first visible modal widget, from the event loop of its
// exec(); gives up (and fails the test) after timeoutMs.
inline void whenModal(std::function<void(QWidget*)> action, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto* started = new QElapsedTimer;
    started->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, started, action, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete started;
            action(modal);
            return;
        }
        if (started->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete started;
            qWarning("no modal window appeared");
        }
    });
    timer->start();
}

// Closes every modal window that comes up while it lives, recording each
// one's class name.
class ModalCloser : public QObject
{
public:
    ModalCloser()
    {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) {
                seen << QString::fromLatin1(modal->metaObject()->className());
                parents << modal->parentWidget();
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->done(0);
                else
                    modal->close();
            }
        });
        timer.start();
    }
    QStringList seen;
    QList<QPointer<QWidget>> parents;
    QTimer timer;
};

// The settings object over the sandbox's setting.ini.
inline void openSettings()
{
    QMutexLocker lock(&g_iniLock);
    if (!g_pIni)
        g_pIni = new QSettings(CPublic::GetAppDatePath() + "/setting.ini", QSettings::IniFormat);
}

inline void closeSettings()
{
    QMutexLocker lock(&g_iniLock);
    delete g_pIni;
    g_pIni = nullptr;
}

using zdtest::engineTrace;

inline QString logText()
{
    QFile log(CPublic::GetAppDatePath() + "/Log.txt");
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

inline void clearProxies()
{
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

} // namespace titlebartest
