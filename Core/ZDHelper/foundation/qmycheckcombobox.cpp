#include "qmycheckcombobox.h"

#include <QCursor>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>

static constexpr int kDataRole = Qt::UserRole + 1;

XEditLine::XEditLine(XComboBox* owner, QWidget* parent) : QLineEdit(parent), combo(owner) {}

void XEditLine::mousePressEvent(QMouseEvent* e)
{
    Q_UNUSED(e);
    // The list may have been closed by a click elsewhere since this field
    // last opened it; the box knows.
    popupOpen = combo->popupShown;
    if (popupOpen) {
        combo->hidePopup();
        popupOpen = false;
    } else {
        combo->showPopupFromPress();
        popupOpen = true;
    }
}

void XEditLine::mouseMoveEvent(QMouseEvent* e)
{
    QLineEdit::mouseMoveEvent(e);
    popupOpen = combo->popupShown;
}

void XEditLine::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    deselect();
}

bool KeyPressEater::eventFilter(QObject* o, QEvent* e)
{
    // The popup container acts on Return, Enter and Escape already in their
    // shortcut-override step (ticking the current item and closing the
    // list), so that step is taken here too for every key but Up and Down.
    if (e->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            return QObject::eventFilter(o, e);
        e->accept();
        return true;
    }
    if (e->type() != QEvent::KeyPress)
        return QObject::eventFilter(o, e);
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        return false;
    if (key == Qt::Key_Space) {
        auto* list = qobject_cast<QListView*>(o);
        if (list && list->currentIndex().isValid())
            emit sigActivated(list->currentIndex().row());
    }
    // Every other key, Return and Escape included, is swallowed: the list is
    // driven by the mouse and Space, and stays open while items are ticked.
    return true;
}

XComboBox::XComboBox(QWidget* parent) : QComboBox(parent)
{
    edit = new XEditLine(this, this);
    edit->setReadOnly(true);
    setLineEdit(edit);
    edit->disconnect();
    auto* eater = new KeyPressEater(this);
    view = new QListView(this);
    setView(view);
    setModel(&model);
    // Installed after setView: the popup container filters the list's keys
    // too, and the filter installed last runs first.
    view->installEventFilter(eater);
    popupFrame = view->parentWidget();
    if (popupFrame)
        popupFrame->installEventFilter(this);
    connect(this, QOverload<int>::of(&QComboBox::activated), this, &XComboBox::sltActivated);
    connect(eater, &KeyPressEater::sigActivated, this, &XComboBox::sltActivated);
    popupShown = false;
}

XComboBox::~XComboBox()
{
    // The model is a member and dies before QComboBox; detach it first so the
    // base never reaches a destroyed model.
    view->setModel(nullptr);
}

void XComboBox::AddItem(const QString& text, bool checked, const QVariant& data)
{
    auto* item = new QStandardItem(text);
    item->setCheckable(true);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    item->setData(data, kDataRole);
    model.appendRow(item);
    UpdateText();
}

void XComboBox::AddItems(const QList<ItemInfo>& items)
{
    for (const ItemInfo& i : items)
        AddItem(i.text, i.checked, i.data);
}

void XComboBox::AddItems(const QMap<QString, bool>& items)
{
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        AddItem(it.key(), it.value(), QVariant());
}

void XComboBox::AddItems(const QList<QString>& items)
{
    for (const QString& t : items)
        AddItem(t, false, QVariant());
}

void XComboBox::RemoveItem(int row)
{
    model.removeRow(row);
    UpdateText();
}

void XComboBox::Clear()
{
    model.clear();
    UpdateText();
}

QStringList XComboBox::GetSelItemsText()
{
    const QString text = edit->text();
    if (text.isEmpty())
        return QStringList();
    return text.split(",", Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QList<ItemInfo> XComboBox::GetSelItemsInfo()
{
    QList<ItemInfo> list;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStandardItem* item = model.item(row);
        if (item->checkState() == Qt::Unchecked)
            continue;
        ItemInfo info;
        info.index = row;
        info.text = item->text();
        info.data = item->data(kDataRole);
        info.checked = true;
        list.append(info);
    }
    return list;
}

QString XComboBox::GetItemText(int row)
{
    if (row < 0 || row >= model.rowCount())
        return QString();
    return model.item(row)->text();
}

ItemInfo XComboBox::GetItemInfo(int row)
{
    ItemInfo info;
    if (row < 0 || row >= model.rowCount())
        return info;
    QStandardItem* item = model.item(row);
    info.index = row;
    info.text = item->text();
    info.checked = item->checkState() == Qt::Checked;
    info.data = item->data(kDataRole);
    return info;
}

void XComboBox::UpdateText()
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStandardItem* item = model.item(row);
        if (item->checkState() != Qt::Unchecked)
            texts.append(item->text());
    }
    edit->setText(texts.join(","));
    edit->setToolTip(texts.join("\n"));
}

void XComboBox::sltActivated(int row)
{
    QStandardItem* item = model.item(row);
    if (!item)
        return;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    UpdateText();
}

void XComboBox::showPopup()
{
    emit showingPopup();
    QComboBox::showPopup();
    popupShown = true;
}

void XComboBox::showPopupFromPress()
{
    openingPress = true;
    showPopup();
}

void XComboBox::hidePopup()
{
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    const QRect listArea(0, height(), view->width(), view->height());
    if (listArea.contains(cursor))
        return;
    openingPress = false;
    emit hidingPopup();
    QComboBox::hidePopup();
    popupShown = false;
}

void XComboBox::mousePressEvent(QMouseEvent* e)
{
    QComboBox::mousePressEvent(e);
    e->accept();
}

void XComboBox::mouseReleaseEvent(QMouseEvent* e)
{
    QComboBox::mouseReleaseEvent(e);
    e->accept();
}

void XComboBox::mouseMoveEvent(QMouseEvent* e)
{
    QWidget::mouseMoveEvent(e);
    e->accept();
}

bool XComboBox::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != popupFrame)
        return QComboBox::eventFilter(watched, e);
    if (e->type() == QEvent::MouseButtonPress) {
        openingPress = false;
        // A press on the box while the list is open only closes the list:
        // handed on to the text field afterwards it would open it again.
        const QPoint at = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
        popupFrame->setAttribute(Qt::WA_NoMouseReplay, rect().contains(mapFromGlobal(at)));
    } else if (e->type() == QEvent::MouseButtonRelease && openingPress) {
        // With the list open, the window system hands the release of the
        // press that opened it to the list's frame, which would close it.
        openingPress = false;
        return true;
    }
    return QComboBox::eventFilter(watched, e);
}
