// The frameless dialog base: Return and Escape reach OnOK / OnCancel and do
// not close the dialog, message-bus events reach OnMyEventMsg, the title-bar
// buttons are handed to the engine once, and the top strip drags the window.
#include <QMouseEvent>
#include <QPushButton>

#include "mydialog.h"
#include "myevent.h"
#include "screenscale.h"
#include "vazURIdav_test.h"
#include "zdtestmain.h"

namespace
{
// Calls of one engine function in the engine's call trace.
int tracedCalls(const char* function)
{
    const int size = ZDT_ReadTrace(nullptr, 0) + 1;
    QByteArray trace(size, '\0');
    ZDT_ReadTrace(trace.data(), size);
    return int(trace.count(QByteArray(function) + "("));
}
} // namespace

namespace
{
class ProbeDialog : public MyDialog
{
public:
    ProbeDialog() : MyDialog(nullptr, true) {}
    void OnOK() override { ++ok; }
    void OnCancel() override { ++cancel; }
    void OnMyEventMsg(unsigned long m, long w, long long l, void* p) override
    {
        msg = m;
        wParam = w;
        lParam = l;
        ptr = p;
    }
    int ok = 0;
    int cancel = 0;
    unsigned long msg = 0;
    long wParam = 0;
    long long lParam = 0;
    void* ptr = nullptr;
};

void sendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, QPoint global)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(target->mapFromGlobal(global)), QPointF(global),
                  type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}
} // namespace

class TestMyDialog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { g_dpi_percent = 1.0; }

    void returnAndEscapeCallHooksAndKeepDialogOpen()
    {
        ProbeDialog dialog;
        // A default button would take Return in a plain dialog.
        auto* button = new QPushButton("default", &dialog);
        button->setDefault(true);
        int clicked = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicked; });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTest::keyClick(&dialog, Qt::Key_Return);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.ok, 1);
        QCOMPARE(dialog.cancel, 1);
        QCOMPARE(clicked, 0);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);

        // The keypad Enter key is an ordinary key for the base.
        QTest::keyClick(&dialog, Qt::Key_Enter);
        QCOMPARE(dialog.ok, 1);
    }

    // Keys go where Qt sends them: to the focused child of the active
    // dialog, here a push button, which Qt makes auto-default in a dialog.
    // Return and Escape still reach OnOK / OnCancel, the keypad Enter does
    // nothing, and only Space presses the button.
    void keysAtTheFocusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("addedWhileShown");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("ok");
        QTest::addColumn<int>("cancel");
        QTest::newRow("Return") << int(Qt::Key_Return) << false << 0 << 1 << 0;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << false << 0 << 0 << 0;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << false << 0 << 0 << 1;
        QTest::newRow("Space") << int(Qt::Key_Space) << false << 1 << 0 << 0;
        QTest::newRow("Return, button added while shown")
            << int(Qt::Key_Return) << true << 0 << 1 << 0;
        QTest::newRow("Enter, button added while shown")
            << int(Qt::Key_Enter) << true << 0 << 0 << 0;
    }
    void keysAtTheFocusedButton()
    {
        QFETCH(int, key);
        QFETCH(bool, addedWhileShown);
        ProbeDialog dialog;
        dialog.resize(300, 200);
        auto* yes = new QPushButton("Yes", &dialog);
        yes->setGeometry(40, 150, 80, 28);
        int clicks = 0;
        connect(yes, &QPushButton::clicked, [&] { ++clicks; });
        auto* no = new QPushButton("No", &dialog);
        no->setGeometry(160, 150, 80, 28);
        connect(no, &QPushButton::clicked, [&] { ++clicks; });
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QPushButton* focused = yes;
        if (addedWhileShown) {
            focused = new QPushButton("Later", &dialog);
            focused->setGeometry(100, 100, 80, 28);
            connect(focused, &QPushButton::clicked, [&] { ++clicks; });
            focused->show();
        }
        focused->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(focused));

        const auto modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        QTEST(clicks, "clicks");
        QTEST(dialog.ok, "ok");
        QTEST(dialog.cancel, "cancel");
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
    }

    void baseDialogIgnoresKeys()
    {
        MyDialog dialog(nullptr, true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(&dialog, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
    }

    void messageBusEventReachesOnMyEventMsg()
    {
        ProbeDialog dialog;
        int payload = 7;
        MyEvent e(63754, -3, 0x123456789LL, &payload);
        QApplication::sendEvent(&dialog, &e);
        QCOMPARE(dialog.msg, 63754UL);
        QCOMPARE(dialog.wParam, -3L);
        QCOMPARE(dialog.lParam, 0x123456789LL);
        QCOMPARE(dialog.ptr, static_cast<void*>(&payload));
    }

    void titleBarHandedToEngineOnce()
    {
        ZDT_ClearTrace();
        MyDialog dialog(nullptr, true);
        QCOMPARE(tracedCalls("ZD_HideWindowTitleBar"), 1);
        QCOMPARE(tracedCalls("ZD_HideWindowTitleBarButton"), 0);
        dialog.resize(300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (int i = 0; i < 3; ++i) {
            dialog.setWindowTitle(QString("Title %1").arg(i));
            dialog.grab();
            dialog.repaint();
        }
        QCOMPARE(tracedCalls("ZD_HideWindowTitleBarButton"), 1);
        QCOMPARE(dialog.titleButtonsHidden, 1);
    }

    void paintsDarkFaceAndTitle()
    {
        MyDialog dialog(nullptr, true);
        dialog.resize(300, 120);
        dialog.setWindowTitle("Device setup");
        const QImage img = dialog.grab().toImage();
        QCOMPARE(img.pixelColor(150, 100), QColor(46, 49, 54));
        QCOMPARE(img.pixelColor(0, 60), QColor(50, 60, 60));
        QCOMPARE(img.pixelColor(299, 60), QColor(50, 60, 60));
        // Some light title text in the top strip, centred.
        bool titleDrawn = false;
        for (int x = 100; x < 200 && !titleDrawn; ++x)
            for (int y = 2; y < 24 && !titleDrawn; ++y)
                titleDrawn = img.pixelColor(x, y).lightness() > 150;
        QVERIFY(titleDrawn);
    }

    void dragByTopStrip_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("pressY");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("drags");
        QTest::newRow("in strip") << 1.0 << 20 << int(Qt::LeftButton) << true;
        QTest::newRow("last row of strip") << 1.0 << 50 << int(Qt::LeftButton) << true;
        QTest::newRow("one below") << 1.0 << 51 << int(Qt::LeftButton) << false;
        QTest::newRow("scaled strip") << 2.0 << 100 << int(Qt::LeftButton) << true;
        QTest::newRow("right button") << 1.0 << 20 << int(Qt::RightButton) << false;
    }
    void dragByTopStrip()
    {
        QFETCH(double, scale);
        QFETCH(int, pressY);
        QFETCH(int, button);
        QFETCH(bool, drags);
        g_dpi_percent = scale;
        MyDialog dialog(nullptr, true);
        dialog.setGeometry(300, 200, 400, 300);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.frameGeometry().topLeft();
        const QPoint press(dialog.pos().x() + 40, dialog.pos().y() + pressY);
        const auto b = Qt::MouseButton(button);
        sendMouse(&dialog, QEvent::MouseButtonPress, b, press);
        QCOMPARE(dialog.dragging, drags);
        sendMouse(&dialog, QEvent::MouseMove, b, press + QPoint(30, 15));
        QCOMPARE(dialog.frameGeometry().topLeft(), drags ? start + QPoint(30, 15) : start);
        sendMouse(&dialog, QEvent::MouseButtonRelease, b, press + QPoint(30, 15));
        QVERIFY(!dialog.dragging || b != Qt::LeftButton);
    }
};

ZD_TEST_MAIN(TestMyDialog, QApplication)
#include "tst_mydialog.moc"
