// What the settings-window tests share: the engine handle and setting.ini
// the window works on, the message boxes it shows (through the test hook),
// and a main window that records the messages posted to it.
#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QMutexLocker>
#include <QPair>
#include <QSettings>
#include <QWidget>
#include <QtTest>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"

namespace settingstest
{

struct Box {
    QString text;
    int kind = -1;
};

// Records every message box instead of showing it; answers with `answer`.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            boxes.append({text, kind});
            return answer;
        });
    }
    ~BoxRecorder() { MsgBoxDialog::setTestHook(MsgBoxDialog::TestHook()); }

    QList<Box> boxes;
    int answer = 1;
};

// Stands in for the main window: keeps each bus message posted to it.
class FakeMainWindow : public QWidget
{
public:
    FakeMainWindow() { AfxSetMainWindow(this); }
    ~FakeMainWindow() override { AfxSetMainWindow(nullptr); }

    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            auto* m = static_cast<MyEvent*>(e);
            messages.append({m->msg, m->wParam});
            return true;
        }
        return QWidget::event(e);
    }

    // The posted messages, once the event loop has delivered them.
    QList<QPair<uint64_t, int64_t>> delivered()
    {
        QCoreApplication::sendPostedEvents(this, MyEvent::EventType);
        return messages;
    }

    QList<QPair<uint64_t, int64_t>> messages;
};

inline QString iniPath()
{
    return CPublic::GetAppDatePath() + "/setting.ini";
}

// An engine handle and an empty setting.ini, read as start-up reads it, so
// every setting holds its default.
inline void startUp()
{
    void* core = g_Global.hCore;
    if (!core) {
        const QByteArray data = CPublic::GetAppDatePath().toLocal8Bit();
        QVERIFY(ZD_Initalize(&core, data.constData(),
                             CPublic::GetExePath().toLocal8Bit().constData(),
                             CPublic::GetResourcePath().toLocal8Bit().constData(), "ZDHelper",
                             "1.1.0") == 1);
    }
    {
        QMutexLocker lock(&g_iniLock);
        delete g_pIni;
        QFile::remove(iniPath());
        g_pIni = new QSettings(iniPath(), QSettings::IniFormat);
    }
    g_Global = GLOBAL_PARAMS();
    g_Global.hCore = core;
    ReadSetupConfig();
}

// setting.ini as it is on disk now.
inline QByteArray iniBytes()
{
    QMutexLocker lock(&g_iniLock);
    if (g_pIni)
        g_pIni->sync();
    QFile f(iniPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QVariant iniValue(const QString& key)
{
    QSettings s(iniPath(), QSettings::IniFormat);
    return s.value(key);
}

using zdtest::engineTrace;

} // namespace settingstest
