// A combo box whose drop-down list holds check boxes: any number of items can
// be ticked, the list stays open while ticking, and the closed box shows the
// ticked texts joined by commas. XEditLine opens and closes the list,
// KeyPressEater filters its keys, ItemInfo carries items in and out.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QMap>
#include <QStandardItemModel>
#include <QString>
#include <QVariant>

class QListView;
class XComboBox;

struct ItemInfo {
    int index = -1;
    QString text;
    QVariant data;
    bool checked = false;
};

class XEditLine : public QLineEdit
{
    Q_OBJECT
public:
    explicit XEditLine(XComboBox* owner, QWidget* parent = nullptr);

    XComboBox* combo;
    bool popupOpen = false;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    // The text says what is ticked; focus reaching it by the focus chain
    // does not select it as if for editing.
    void focusInEvent(QFocusEvent* e) override;
};

class KeyPressEater : public QObject
{
    Q_OBJECT
public:
    explicit KeyPressEater(QObject* parent = nullptr) : QObject(parent) {}

signals:
    void sigActivated(int row);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
};

class XComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit XComboBox(QWidget* parent = nullptr);
    ~XComboBox() override;

    void AddItem(const QString& text, bool checked = false, const QVariant& data = QVariant());
    void AddItems(const QList<ItemInfo>& items);
    void AddItems(const QMap<QString, bool>& items);
    void AddItems(const QList<QString>& items);
    void RemoveItem(int row);
    void Clear();

    QStringList GetSelItemsText();
    QList<ItemInfo> GetSelItemsInfo();
    QString GetItemText(int row);
    ItemInfo GetItemInfo(int row);

    void showPopup() override;
    void hidePopup() override;
    // Opens the list from a press on the text field; the release of that
    // same press does not close it again.
    void showPopupFromPress();
    // Subclasses replace it to show their own text for the ticked items.
    virtual void UpdateText();

    bool popupShown = false;
    XEditLine* edit = nullptr;
    QListView* view = nullptr;
    QStandardItemModel model;

signals:
    void showingPopup();
    void hidingPopup();

public slots:
    void sltActivated(int row);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The frame Qt shows the list in; it receives every mouse event while
    // the list is open.
    QWidget* popupFrame = nullptr;
    bool openingPress = false;
};
