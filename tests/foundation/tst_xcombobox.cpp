// The check-list combo box: text and tool tip from the ticked items, the
// getters' bounds, the key filter of its list, and a subclass taking over
// the text.
#include <QKeyEvent>
#include <QListView>
#include <QPushButton>
#include <QWindow>

#include "qmycheckcombobox.h"
#include "zdtestmain.h"

namespace
{
class CountingCombo : public XComboBox
{
public:
    void UpdateText() override
    {
        ++updates;
        edit->setText(QString("%1 chosen").arg(GetSelItemsInfo().size()));
    }
    int updates = 0;
};

// A box of three unticked items near the top of a shown window.
struct BoxInWindow {
    QWidget window;
    XComboBox* box = new XComboBox(&window);
    BoxInWindow()
    {
        window.resize(300, 300);
        box->setGeometry(10, 10, 200, 25);
        box->AddItems(QList<QString>{"a", "b", "c"});
        window.show();
    }
};
} // namespace

class TestXComboBox : public QObject
{
    Q_OBJECT
private slots:
    void textAndToolTipFromTickedItems()
    {
        XComboBox box;
        box.AddItems(QList<QString>{"rtmp-a", "rtmp-b", "rtmp-c"});
        QCOMPARE(box.lineEdit()->text(), QString());
        box.sltActivated(0);
        box.sltActivated(2);
        QCOMPARE(box.lineEdit()->text(), QString("rtmp-a,rtmp-c"));
        QCOMPARE(box.lineEdit()->toolTip(), QString("rtmp-a\nrtmp-c"));
        QCOMPARE(box.GetSelItemsText(), QStringList({"rtmp-a", "rtmp-c"}));
        const QList<ItemInfo> info = box.GetSelItemsInfo();
        QCOMPARE(info.size(), 2);
        QCOMPARE(info.at(1).index, 2);
        QCOMPARE(info.at(1).text, QString("rtmp-c"));
        QVERIFY(info.at(1).checked);

        box.sltActivated(0);
        box.sltActivated(2);
        QCOMPARE(box.lineEdit()->text(), QString());
        QCOMPARE(box.GetSelItemsText(), QStringList());
        box.sltActivated(7); // no such row
        QCOMPARE(box.lineEdit()->text(), QString());
    }

    void addsKeepDataAndOrder()
    {
        XComboBox box;
        box.AddItems(QMap<QString, bool>{{"zeta", true}, {"alpha", false}, {"mid", true}});
        QCOMPARE(box.GetItemText(0), QString("alpha"));
        QCOMPARE(box.GetItemText(2), QString("zeta"));
        QCOMPARE(box.lineEdit()->text(), QString("mid,zeta"));

        XComboBox other;
        ItemInfo a;
        a.text = "server 1";
        a.data = 41;
        a.checked = true;
        ItemInfo b;
        b.text = "server 2";
        b.data = QString("key");
        other.AddItems(QList<ItemInfo>{a, b});
        QCOMPARE(other.GetItemInfo(0).data, QVariant(41));
        QCOMPARE(other.GetItemInfo(1).data, QVariant(QString("key")));
        QVERIFY(!other.GetItemInfo(1).checked);
        QCOMPARE(other.model.item(0)->data(Qt::UserRole + 1), QVariant(41));
        QCOMPARE(other.model.item(0)->data(Qt::CheckStateRole).toInt(), 2);

        other.RemoveItem(0);
        QCOMPARE(other.lineEdit()->text(), QString());
        other.AddItem("x, y", true);
        QCOMPARE(other.GetSelItemsText(), QStringList({"x", " y"}));
        other.Clear();
        QCOMPARE(other.model.rowCount(), 0);
        QCOMPARE(other.lineEdit()->text(), QString());
    }

    void gettersOutOfRange_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("-1") << -1;
        QTest::newRow("rowCount") << 2;
        QTest::newRow("far") << 1000;
    }
    void gettersOutOfRange()
    {
        QFETCH(int, row);
        XComboBox box;
        box.AddItems(QList<QString>{"a", "b"});
        QCOMPARE(box.GetItemText(row), QString());
        const ItemInfo info = box.GetItemInfo(row);
        QCOMPARE(info.index, -1);
        QVERIFY(info.text.isEmpty());
        QVERIFY(!info.data.isValid());
        QVERIFY(!info.checked);
    }

    void subclassOwnsTheText()
    {
        CountingCombo box;
        box.AddItem("a");
        box.AddItem("b", true);
        box.sltActivated(0);
        box.RemoveItem(1);
        box.Clear();
        QCOMPARE(box.updates, 5);
        QCOMPARE(box.lineEdit()->text(), QString("0 chosen"));
    }

    void listKeys()
    {
        QWidget window;
        XComboBox box;
        box.setParent(&window);
        box.AddItems(QList<QString>{"a", "b", "c"});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        box.view->setCurrentIndex(box.model.index(1, 0));

        auto press = [&](int key) {
            QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Space ? " " : "");
            return QApplication::sendEvent(box.view, &e) && e.isAccepted();
        };
        press(Qt::Key_Space);
        QCOMPARE(box.lineEdit()->text(), QString("b"));
        press(Qt::Key_Down);
        QCOMPARE(box.view->currentIndex().row(), 2);
        press(Qt::Key_Space);
        QCOMPARE(box.lineEdit()->text(), QString("b,c"));
        // Letters, Return and Escape are swallowed: no tick, no current change.
        press(Qt::Key_A);
        press(Qt::Key_Return);
        press(Qt::Key_Enter);
        press(Qt::Key_Escape);
        QCOMPARE(box.view->currentIndex().row(), 2);
        QCOMPARE(box.lineEdit()->text(), QString("b,c"));
    }

    void popupStaysOpenWhileCursorIsOverIt()
    {
        BoxInWindow shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
        XComboBox& box = *shown.box;

        box.showPopup();
        QVERIFY(box.popupShown);
        QTRY_VERIFY(box.view->isVisible());
        // Over the list area just below the box: stays open.
        QCursor::setPos(box.mapToGlobal(QPoint(20, box.height() + 5)));
        box.hidePopup();
        QVERIFY(box.popupShown);
        QVERIFY(box.view->isVisible());
        // Escape and Return in the list do not close it, wherever the cursor is.
        QCursor::setPos(box.mapToGlobal(QPoint(20, -50)));
        QTest::keyClick(box.view, Qt::Key_Escape);
        QTest::keyClick(box.view, Qt::Key_Return);
        QVERIFY(box.view->isVisible());
        QVERIFY(box.popupShown);
        QCOMPARE(box.lineEdit()->text(), QString());
        // A click elsewhere (Qt asks to hide with the cursor outside): closes.
        box.hidePopup();
        QVERIFY(!box.popupShown);
        QTRY_VERIFY(!box.view->isVisible());
    }

    // Clicks on the box's text, delivered through the window as the window
    // system does (while the list is open it receives every mouse event):
    // a click opens the list and its release leaves it open, a click on the
    // text closes it, and after a click elsewhere one click opens it again.
    void clicksOnTheTextOpenAndClose()
    {
        BoxInWindow shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.window));
        QWidget& window = shown.window;
        XComboBox& box = *shown.box;
        QWindow* w = window.windowHandle();
        const QPoint onText = box.lineEdit()->mapTo(&window, QPoint(10, 5));
        const QPoint elsewhere(150, 280);
        auto click = [&](const QPoint& at) {
            QCursor::setPos(window.mapToGlobal(at));
            QTest::mousePress(w, Qt::LeftButton, {}, at);
            QTest::mouseRelease(w, Qt::LeftButton, {}, at);
            QCoreApplication::processEvents();
        };

        click(onText);
        QTRY_VERIFY(box.view->isVisible());
        QVERIFY(box.popupShown);

        click(onText);
        QTRY_VERIFY(!box.view->isVisible());
        QVERIFY(!box.popupShown);

        click(onText);
        QTRY_VERIFY(box.view->isVisible());
        click(elsewhere);
        QTRY_VERIFY(!box.view->isVisible());
        click(onText);
        QTRY_VERIFY(box.view->isVisible());
        QVERIFY(box.popupShown);
        QCOMPARE(box.lineEdit()->text(), QString());
    }

    // A button that disables itself while it works hands the focus on; when
    // the box receives it, its text does not turn into a selection.
    void focusFromTheChainSelectsNothing()
    {
        QWidget window;
        auto* button = new QPushButton("Start", &window);
        auto* box = new XComboBox(&window);
        box->move(0, 40);
        box->AddItem("rtmp-a", true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        button->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(button->hasFocus());
        button->setEnabled(false);
        QTRY_VERIFY(box->hasFocus());
        QCOMPARE(box->lineEdit()->text(), QString("rtmp-a"));
        QVERIFY(!box->lineEdit()->hasSelectedText());
    }
};

ZD_TEST_MAIN(TestXComboBox, QApplication)
#include "tst_xcombobox.moc"
