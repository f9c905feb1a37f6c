#include "itemdelegate.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QTimeZone>

#include "msgboxdialog.h"
#include "qfilesmanagerdlg.h"
#include "qmyfileshelper.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{

const QColor kSelected(57, 121, 193);
const QColor kUnselected(34, 34, 34);
const QColor kListName(220, 220, 220);
const QColor kListDate(150, 150, 150);
const QColor kIconName(200, 200, 200);

FILE_ITEM* entryOf(const QModelIndex& index)
{
    return static_cast<FILE_ITEM*>(index.data(FILES_ROLE_ITEM).value<void*>());
}

int px(double v)
{
    return qRound(v * g_dpi_percent);
}

QPixmap thumbnailOf(const FILE_ITEM* item)
{
    QString path = getFileItemThumbPicture(item);
    if (!QFileInfo::exists(path))
        path = ":/images/res/def-picture.png";
    QPixmap pic;
    if (!QPixmapCache::find(path, &pic)) {
        pic.load(path);
        QPixmapCache::insert(path, pic);
    }
    return pic;
}

} // namespace

ItemDelegate::ItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void ItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const
{
    if (!index.isValid() || !index.model())
        return;
    const FILE_ITEM* item = entryOf(index);
    if (!item)
        return;
    const QRect r = option.rect;
    const int l = r.left(), t = r.top(), right = r.right(), b = r.bottom();
    const bool selected = option.state & QStyle::State_Selected;
    const QString name = FileItemText(item->name, sizeof(item->name));

    painter->save();
    if (_view_mode) {
        const QColor bg = selected ? kSelected : kUnselected;
        painter->setPen(bg);
        painter->setBrush(bg);
        painter->drawRect(r);
        painter->setPen(kListName);
        painter->drawText(QRect(QPoint(l + px(2), t + px(2)), QPoint(right - px(200), b - px(2))),
                          Qt::AlignLeft | Qt::AlignVCenter, name);
        // The stored time is the low 32 bits of the seconds since 1970.
        const QString date =
            QDateTime::fromSecsSinceEpoch(qint64(quint32(item->addedTime)), QTimeZone::utc())
                .toString("yyyy-MM-dd HH:mm:ss");
        QFont f = painter->font();
        if (!g_Global.fontName.isEmpty())
            f.setFamily(g_Global.fontName);
        if (f.pointSizeF() > 0)
            f.setPointSizeF(qMax(1.0, f.pointSizeF() - 2));
        else if (f.pixelSize() > 0)
            f.setPixelSize(qMax(1, f.pixelSize() - px(2 * 96 / 72.0)));
        f.setWeight(QFont::Normal);
        painter->setFont(f);
        painter->setPen(kListDate);
        painter->drawText(
            QRect(QPoint(l + r.width() - px(300), t + px(2)), QPoint(right - px(2), b - px(2))),
            Qt::AlignRight | Qt::AlignVCenter, date);
    } else {
        if (selected) {
            painter->fillRect(QRect(QPoint(l, t), QPoint(right - px(1), b - px(29))), kSelected);
            painter->setPen(kSelected);
        } else {
            painter->fillRect(r, kUnselected);
            painter->setPen(kIconName);
        }
        painter->drawText(QRect(QPoint(l + px(2), b - px(20)), QPoint(right - px(2), b)),
                          Qt::AlignCenter, name);
        painter->drawPixmap(QRect(QPoint(l + px(2), t + px(2)), QPoint(right - px(2), b - px(30))),
                            thumbnailOf(item));
    }
    painter->restore();
}

QSize ItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    return _view_mode ? QSize(px(1), px(30)) : QSize(px(160), px(118));
}

QWidget* ItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    Q_UNUSED(option);
    Q_UNUSED(index);
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    return editor;
}

void ItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* edit = qobject_cast<QLineEdit*>(editor);
    const FILE_ITEM* item = entryOf(index);
    if (edit && item)
        edit->setText(FileItemText(item->name, sizeof(item->name)));
}

void ItemDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    Q_UNUSED(index);
    const QRect r = option.rect;
    editor->setGeometry(QRect(QPoint(r.left() + px(2), r.bottom() - px(21)),
                              QPoint(r.right() - px(3), r.bottom() - px(1))));
}

QString ItemDelegate::newFileName(const QString& oldName, const QString& typed)
{
    const QString oldEnd = oldName.right(4);
    if (typed.right(4).compare(oldEnd, Qt::CaseInsensitive) != 0)
        return typed + oldEnd;
    return typed;
}

bool ItemDelegate::renameItem(FILE_ITEM* item, const QString& typed, QWidget* messageParent)
{
    if (!item || typed.isEmpty())
        return false;
    const QString oldName = FileItemText(item->name, sizeof(item->name));
    if (typed == oldName)
        return false;
    const QString newName = newFileName(oldName, typed);
    if (newName.contains('/') || newName.contains('\\') || newName.contains(QChar(0)) ||
        newName == "." || newName == "..") {
        AfxMessageBox(messageParent, getLang(19015, "Invalid file name"), MSGBOX_ERROR);
        return false;
    }
    const QString oldPath = FileItemPath(item);
    const int slash = oldPath.lastIndexOf('/');
    const QString newPath = slash >= 0 ? oldPath.left(slash) + "/" + newName : newName;
    const QByteArray nameBytes = newName.toUtf8();
    const QByteArray pathBytes = newPath.toUtf8();
    // The record keeps both with their terminators; a name that does not fit
    // would leave the entry without a name or a path after the move.
    if (nameBytes.size() >= qsizetype(sizeof(item->name)) ||
        pathBytes.size() >= qsizetype(sizeof(item->path))) {
        AfxMessageBox(messageParent, getLang(-1, "The new name is too long."), MSGBOX_ERROR);
        return false;
    }
    if (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink()) {
        AfxMessageBox(messageParent,
                      getLang(-1, "A file named \"#v1#\" already exists in this folder.", newName),
                      MSGBOX_ERROR);
        return false;
    }
    if (!MoveFile(oldPath, newPath)) {
        AfxMessageBox(messageParent,
                      getLang(-1, "The file could not be renamed to \"#v1#\".", newName),
                      MSGBOX_ERROR);
        return false;
    }
    strcpy_s(item->name, sizeof(item->name), nameBytes.constData());
    strcpy_s(item->path, sizeof(item->path), pathBytes.constData());
    if (g_Global.pFilesCatalog)
        g_Global.pFilesCatalog->SaveAllFiles();
    ZD_DUDFilesChanged(g_Global.hCore);
    return true;
}

void ItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const
{
    Q_UNUSED(model);
    auto* edit = qobject_cast<QLineEdit*>(editor);
    FILE_ITEM* item = entryOf(index);
    if (!edit || !item)
        return;
    const QString typed = edit->text();
    if (typed.isEmpty() || typed == FileItemText(item->name, sizeof(item->name)))
        return;
    auto* window = qobject_cast<QFilesManagerDlg*>(parent());
    renameItem(item, typed, window);
    if (window)
        window->onListViewClick(index);
}
