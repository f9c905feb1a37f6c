#include "zdshotcut.h"

#include <QShortcutEvent>

#include "zdhelpergui.h"

ZDShotCut::ZDShotCut(QWidget* parent) : QShortcut(parent)
{
    setKeys(boundKeys());
}

ZDShotCut::~ZDShotCut() = default;

QList<QKeySequence> ZDShotCut::boundKeys()
{
    QList<QKeySequence> keys;
    for (int n = 1; n <= 10; ++n)
        keys << QKeySequence(QStringLiteral("F%1").arg(n));
    keys << QKeySequence(QStringLiteral("Escape"));
    keys << ZDHelperGUI::fullScreenKey();
    return keys;
}

bool ZDShotCut::event(QEvent* e)
{
    // QShortcut's own handling would emit the plain activated(); the object's
    // bookkeeping (deferred deletion, queued calls) still applies.
    if (e->type() != QEvent::Shortcut)
        return QObject::event(e);
    auto* se = static_cast<QShortcutEvent*>(e);
    const QList<QKeySequence> list = keys();
    const int position = int(list.indexOf(se->key()));
    if (position >= 0)
        emit activated(-(position + 1), se->key());
    return true;
}
