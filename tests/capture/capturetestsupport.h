// Helpers of the capture and recording tests: the program's shared state
// brought up on a sandboxed data folder, a stand-in main window that forwards
// every bus message to the panel the way the real one does, message boxes and
// file dialogs answered by script, and the engine's call trace.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QtTest>
#include <memory>

#include <functional>

#include "cpublic.h"
#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qglobalapplication.h"
#include "stdafx.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"
#include "zdhelpergui.h"
#include "zdmessagespy.h"

namespace capturetest
{

struct Box {
    QString text;
    int kind;
};

// Every message box the code under test shows, answered with `answer`.
struct MessageBoxes {
    QList<Box> shown;
    int answer = 1;
    void install()
    {
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            shown << Box{text, kind};
            return answer;
        });
    }
    void clear() { shown.clear(); }
    QStringList texts() const
    {
        QStringList list;
        for (const Box& b : shown)
            list << b.text;
        return list;
    }
};

// Sees the bus messages that reach a widget (the main window), in order.
using Seen = zdtest::SeenMessage;
using zdtest::MessageSpy;

using zdtest::engineTrace;

using zdtest::traceLines;

// Lets queued engine reports arrive and be handled.
inline void deliverReports(int waitMs = 50)
{
    ZDT_WaitReportsDelivered(g_Global.hCore, 2000);
    QTest::qWait(waitMs);
    QCoreApplication::processEvents();
}

// Closes the device and lets every report the engine still holds reach its
// target, so that a window can go without a report left addressed to it.
inline void quietEngine()
{
    ZD_CloseDevice(g_Global.hCore);
    ZDT_WaitReportsDelivered(g_Global.hCore, 2000);
    QCoreApplication::processEvents();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

inline QString logText()
{
    QFile f(CPublic::GetAppDatePath() + "/Log.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

} // namespace capturetest
