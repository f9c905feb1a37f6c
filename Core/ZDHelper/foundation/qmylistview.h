// A list view that reports every change of selection with two counts: the
// indexes selected and the indexes deselected.
#pragma once

#include <QListView>

class QMyListView : public QListView
{
    Q_OBJECT
public:
    explicit QMyListView(QWidget* parent = nullptr) : QListView(parent) {}

signals:
    void selchanged(int selectedCount, int deselectedCount);

protected:
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};
