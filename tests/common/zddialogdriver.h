// Driving the application's windows from a test: modal dialogs and pop-up
// menus are acted on from a timer once they are up (exec() blocks the test's
// own stack) within a time limit measured on the clock, the engine is made with its call trace, and
// the log is read.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <memory>

#include "cpublic.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"

namespace zdtest
{

// Runs action on the first visible modal widget of type T, from the event
// loop of whatever exec() is running by then. The timer is a child of a
// guard object, so a test that ends without the dialog leaves no timer.
template <typename T> void whenModal(std::function<void(T*)> action, int timeoutMs = 10000)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, action, clock, timeoutMs] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        const bool up = dialog && dialog->isVisible();
        if (!up && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (up)
            action(dialog);
    });
    timer->start();
}

// The same for a pop-up menu (QMenu::exec).
inline void whenPopup(std::function<void(QMenu*)> action, int timeoutMs = 10000)
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, action, clock, timeoutMs] {
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const bool up = menu && menu->isVisible();
        if (!up && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (up)
            action(menu);
    });
    timer->start();
}

// Closes whatever modal dialog comes up and counts them, so that a code
// path that must not open one fails instead of hanging.
class ModalCounter : public QObject
{
public:
    explicit ModalCounter(QObject* parent = nullptr) : QObject(parent)
    {
        auto* timer = new QTimer(this);
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, this, [this] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                if (d->isVisible() && d != last) {
                    last = d;
                    ++count;
                    d->done(0);
                }
            }
        });
        timer->start();
    }
    int count = 0;
    QPointer<QDialog> last;
};


// Trace lines that start with the call's name.
inline QStringList traceCalls(const QString& call)
{
    QStringList out;
    const QStringList lines = engineTrace().split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (line.startsWith(call + "("))
            out << line;
    }
    return out;
}

inline QByteArray engineLog()
{
    QFile log(CPublic::GetAppDatePath() + "/Log.txt");
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

inline bool startEngine()
{
    const QByteArray data = CPublic::GetAppDatePath().toLocal8Bit();
    return ZD_Initalize(&g_Global.hCore, data.constData(), "/nonexistent", "/nonexistent",
                        "ZDHelper", "test") == 1;
}

inline void stopEngine()
{
    ZD_Release(&g_Global.hCore);
}

} // namespace zdtest
