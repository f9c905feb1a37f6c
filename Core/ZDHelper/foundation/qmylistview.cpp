#include "qmylistview.h"

void QMyListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    emit selchanged(int(selected.indexes().size()), int(deselected.indexes().size()));
    QListView::selectionChanged(selected, deselected);
}

void QMyListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
}
