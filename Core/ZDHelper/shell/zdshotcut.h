// The main window's hot keys: F1 to F10, Escape and the full-screen key, each
// reported with its id, minus its position in that list (F1 -1 ... F10 -10,
// Escape -11, full screen -12).
#pragma once

#include <QKeySequence>
#include <QList>
#include <QShortcut>

class ZDShotCut : public QShortcut
{
    Q_OBJECT

public:
    explicit ZDShotCut(QWidget* parent);
    ~ZDShotCut() override;

    // The twelve keys in id order.
    static QList<QKeySequence> boundKeys();

signals:
    void activated(int id, const QKeySequence& key);

protected:
    bool event(QEvent* e) override;
};
