// Draws the entries of the files window (thumbnail and name, or name and
// date) and renames an entry in place.
#pragma once

#include <QStyledItemDelegate>

struct FILE_ITEM;

class ItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ItemDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The name a typed text gives: the old name's last four characters are
    // added unless the text already ends with them (case ignored).
    static QString newFileName(const QString& oldName, const QString& typed);
    // Moves the entry's file to name in its folder and updates the record.
    // Empty or unchanged names change nothing; names with "/", "\", NUL,
    // "." and "..", and names or paths too long for the record's fields are
    // refused with a message before anything moves. True when renamed.
    static bool renameItem(FILE_ITEM* item, const QString& typed, QWidget* messageParent);
};
