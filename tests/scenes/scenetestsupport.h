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
#include "zdformchild.h"
#include "zdmessagespy.h"

namespace scenetest
{

using zdtest::child;

// The main window's part: the target of null-addressed messages, which it
// keeps.
class MainStandIn : public QWidget
{
public:
    zdtest::MessageSpy spy{this};
    QList<zdtest::SeenMessage> of(quint64 msg) const { return spy.of(msg); }
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
