// Shared set-up of the scene tests: the program's state on a sandboxed data
// folder, a stand-in main window that records the bus messages it receives,
// message boxes answered by script, layer editors answered by pressing their
// OK (or Cancel), the engine's call trace, and scene-file records and list
// files built as an earlier run of the program left them.
#pragma once

#include <QDialog>
#include <QFile>
#include <QList>
#include <QSize>
#include <QStringList>
#include <QWidget>
#include <QtEndian>
#include <QtTest>

#include <cstring>

#include "globalsettings.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qmylivesensebar.h"
#include "sceneitemdata.h"
#include "scenelistfile.h"
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

// A layer record as a scene file holds it; kind block zero but for a movie
// or picture layer's list path.
inline SceneItemData_Save sceneRecord(int kind, const char* key, const char* name, QList<int> place,
                                      bool keepAspect, QSize source, int z,
                                      const QString& listPath = QString())
{
    SceneItemData_Save r;
    std::memset(&r, 0, sizeof r);
    r.type = qToLittleEndian<int32_t>(kind);
    r.enabled = qToLittleEndian<int32_t>(1);
    r.alpha = qToLittleEndian<int32_t>(100);
    r.volume = qToLittleEndian<int32_t>(100);
    r.zOrder = qToLittleEndian<int32_t>(z);
    r.x = qToLittleEndian<int32_t>(place.value(0));
    r.y = qToLittleEndian<int32_t>(place.value(1));
    r.w = qToLittleEndian<int32_t>(place.value(2));
    r.h = qToLittleEndian<int32_t>(place.value(3));
    r.keepAspect = qToLittleEndian<int32_t>(keepAspect ? 1 : 0);
    r.sourceWidth = qToLittleEndian<int32_t>(source.width());
    r.sourceHeight = qToLittleEndian<int32_t>(source.height());
    std::strncpy(r.uuid, key, sizeof r.uuid - 1);
    std::strncpy(r.name, name, sizeof r.name - 1);
    const QByteArray path = listPath.toLocal8Bit();
    std::memcpy(r.params + 4, path.constData(), size_t(qMin<qsizetype>(path.size(), 255)));
    return r;
}

// A list file of the program's own, in CacheData.
inline QString newListFile(int kind)
{
    const QString path =
        SceneListFile::NewPath(kind == SCENE_KIND_MOVIE ? ".movie-list" : ".picture-list");
    SceneListFile::WriteLines(path, {"/media/a"});
    return path;
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace scenetest
