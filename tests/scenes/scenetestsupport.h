// Shared set-up of the scene tests: the program's state on a sandboxed data
// folder, a stand-in main window that records the bus messages it receives,
// message boxes answered by script, layer editors answered by pressing their
// OK (or Cancel), and the engine's call trace.
#pragma once

#include <QDialog>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QWidget>
#include <QtTest>

#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qmylivesensebar.h"
#include "sceneitemdata.h"
#include "stdafx.h"
#include "vazURIdav_test.h"
#include "zdenginetrace.h"

namespace scenetest
{

struct Seen {
    quint64 msg;
    qint64 wParam;
};

// The main window's part: the target of null-addressed messages.
class MainStandIn : public QWidget
{
public:
    QList<Seen> seen;
    QList<Seen> of(quint64 msg) const
    {
        QList<Seen> list;
        for (const Seen& s : seen) {
            if (s.msg == msg)
                list << s;
        }
        return list;
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MyEvent::EventType) {
            auto* m = static_cast<MyEvent*>(e);
            seen << Seen{m->msg, m->wParam};
            return true;
        }
        return QWidget::event(e);
    }
};

struct Boxes {
    QStringList texts;
    int answer = 1;
    void install()
    {
        MsgBoxDialog::setTestHook([this](const QString& text, int) {
            texts << text;
            return answer;
        });
    }
};

// Presses the editor's OK (accept true) or Cancel, as the user would.
inline QMyLiveSenseBar::EditorRunner pressing(bool accept)
{
    return [accept](QDialog* editor, SceneItemData*) {
        QMetaObject::invokeMethod(editor, accept ? "onOKClick" : "onCancelClick");
        return editor->result();
    };
}

inline void bringUp()
{
    InitGlobalSettings();
    g_Global.liveWidth = 1920;
    g_Global.liveHeight = 1080;
    g_Global.liveFps = 30;
    g_Global.keepAspect = 0;
    ZDT_ScriptResult("ZD_AddOverlayDevice", 1);
}

// A widget of an editor's form, by its object name.
template <class T> T* ui(QObject* dialog, const char* name)
{
    T* w = dialog->findChild<T*>(name);
    if (!w)
        qFatal("no %s in the form", name);
    return w;
}

// The engine calls of one name, in order.
inline QStringList calls(const QString& name)
{
    return zdtest::traceLines(name + "(");
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace scenetest
