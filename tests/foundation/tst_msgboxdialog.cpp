// The application's message box: its layout for short, long and question
// texts, its results (left 1, right or closed 0), keys that must not close
// it, link messages, and the test hook every window test relies on.
#include <QCheckBox>
#include <QLabel>
#include <QTimer>

#include "msgboxdialog.h"
#include "myevent.h"
#include "qmypushbutton.h"
#include "screenscale.h"
#include "zdtestmain.h"

namespace
{
QMyPushButton* okButton(QWidget* box)
{
    return box->findChild<QMyPushButton*>("btn_ok");
}
QMyPushButton* cancelButton(QWidget* box)
{
    return box->findChild<QMyPushButton*>("btn_cancel");
}

// Runs `action` on the modal box once it is up.
void whenBoxShown(std::function<void(MsgBoxDialog*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* box = qobject_cast<MsgBoxDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(box);
    });
    timer->start();
}
} // namespace

class TestMsgBoxDialog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        g_dpi_percent = 1.0;
        MsgBoxDialog::setTestHook({});
    }

    void layout_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("check");
        const QString longText =
            "The recording folder lies on a volume with less than 1000 MB free. Recording may "
            "stop when the disk is full. Do you want to record anyway, or choose another "
            "folder in the settings first?";
        QTest::newRow("short notice") << 1.0 << "Send OK." << 1 << false;
        QTest::newRow("short error") << 1.0 << "Invalid file name" << 0 << false;
        QTest::newRow("long question") << 1.0 << longText << 2 << false;
        QTest::newRow("long notice scaled") << 1.5 << longText << 1 << false;
        QTest::newRow("question with check box") << 1.0 << "Delete this schedule?" << 2 << true;
        QTest::newRow("unbroken path")
            << 1.0 << "/home/" + QString(120, 'x') + "/Vid.mp4" << 0 << false;
    }
    void layout()
    {
        QFETCH(double, scale);
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(bool, check);
        g_dpi_percent = scale;
        const double s = scale;
        MsgBoxDialog box;
        box.InitValues(text, kind, check);

        const int tw = box.textRect.width();
        const int th = box.textRect.height();
        // Long words are broken too: the text never exceeds its 400-pixel column.
        QVERIFY(tw > 0 && tw <= int(400 * s));
        QVERIFY(th > 0);
        const double H = qMax(double(int(150 * s + th)), 180 * s);
        const int W = int(qMax(double(int(120 * s + tw)), 300 * s));
        QCOMPARE(box.size(), QSize(W, int(H)));

        int B = int(int(H) - 60 * s);
        if (check)
            B = int(B + 20 * s);
        const QSize buttonSize(int(80 * s), int(28 * s));
        QCOMPARE(okButton(&box)->geometry(),
                 QRect(QPoint(kind == 2 ? int((W - 200 * s) * 0.5) : int((W - 80 * s) * 0.5), B),
                       buttonSize));
        QCOMPARE(okButton(&box)->text(), kind == 2 ? QString("Yes") : QString("OK"));
        QCOMPARE(cancelButton(&box)->isHidden(), kind != 2);
        if (kind == 2) {
            QCOMPARE(cancelButton(&box)->geometry(),
                     QRect(QPoint(int(120 * s + int((W - 200 * s) * 0.5)), B), buttonSize));
            QCOMPARE(cancelButton(&box)->text(), QString("No"));
        }
        auto* chk = box.findChild<QCheckBox*>("chk");
        QCOMPARE(chk->isHidden(), !check);
        if (check)
            QCOMPARE(chk->geometry(), QRect(int(95 * s), B - 25, int(130 * s), int(16 * s)));
        QCOMPARE(box.icons.size(), 3);
        QCOMPARE(box.icons.at(kind).size(), QSize(int(50 * s), int(50 * s)));
    }

    void shortMessageGivesMinimumBox()
    {
        MsgBoxDialog box;
        box.InitValues("OK", 1, false);
        QCOMPARE(box.height(), 180);
        QCOMPARE(box.width(), 300);
        QCOMPARE(okButton(&box)->geometry(), QRect(110, 120, 80, 28));
    }

    void iconsComeFromTheStrip()
    {
        MsgBoxDialog box;
        box.InitValues("Start live stream failed.", 0, false);
        // Red cross, green exclamation mark, blue question mark: the middle
        // of each icon's top half is dominated by its colour.
        const QColor red = box.icons.at(0).toImage().pixelColor(25, 8);
        const QColor green = box.icons.at(1).toImage().pixelColor(25, 8);
        const QColor blue = box.icons.at(2).toImage().pixelColor(25, 8);
        QVERIFY(red.red() > red.green() && red.red() > red.blue());
        QVERIFY(green.green() > green.red() && green.green() > green.blue());
        QVERIFY(blue.blue() > blue.red() && blue.blue() > blue.green());
    }

    void linkMessageShownByLabelOnly()
    {
        MsgBoxDialog box;
        const QString text = "Visit <a href='https://example.invalid/'>our page</a> for help.";
        box.InitValues(text, 1, false);
        QList<QLabel*> labels = box.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 1);
        QLabel* link = labels.first();
        QVERIFY(!link->isHidden());
        QVERIFY(link->text().endsWith(text));
        QVERIFY(link->openExternalLinks());
        QCOMPARE(link->geometry().topLeft(), QPoint(95, 58));

        MsgBoxDialog plain;
        plain.InitValues("No link in this one", 1, false);
        QVERIFY(plain.findChild<QLabel*>()->isHidden());
        // A text starting with the closing tag is not a link message.
        MsgBoxDialog edge;
        edge.InitValues("</a> at the start", 1, false);
        QVERIFY(edge.findChild<QLabel*>()->isHidden());
    }

    void results_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        QTest::newRow("notice OK") << 1 << "left" << 1;
        QTest::newRow("question yes") << 2 << "left" << 1;
        QTest::newRow("question no") << 2 << "right" << 0;
        QTest::newRow("question closed") << 2 << "close" << 0;
        QTest::newRow("error closed") << 0 << "close" << 0;
    }
    void results()
    {
        QFETCH(int, kind);
        QFETCH(QString, action);
        bool keysKeptOpen = false;
        whenBoxShown([&](MsgBoxDialog* box) {
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Escape);
            keysKeptOpen = box->isVisible();
            if (action == "left")
                QTest::mouseClick(okButton(box), Qt::LeftButton);
            else if (action == "right")
                QTest::mouseClick(cancelButton(box), Qt::LeftButton);
            else
                box->close();
        });
        QTEST(AfxMessageBox(nullptr, "Are you sure?", kind), "result");
        QVERIFY(keysKeptOpen);
    }

    // The keys as a user presses them on a question ("Clear all program
    // data?", "exit while recording?"): Qt hands them to the focused button,
    // here "Yes". Return, the keypad Enter and Escape leave the box open, so
    // the answer is the "No" clicked afterwards; Space presses "Yes".
    void keysAtTheFocusedYes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("keptOpen");
        QTest::addColumn<int>("result");
        QTest::newRow("Return") << int(Qt::Key_Return) << true << 0;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << true << 0;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << true << 0;
        QTest::newRow("Space") << int(Qt::Key_Space) << false << 1;
    }
    void keysAtTheFocusedYes()
    {
        QFETCH(int, key);
        bool keptOpen = false;
        QString focusedName;
        whenBoxShown([&](MsgBoxDialog* box) {
            // No early return in here: the box must close for exec to end.
            box->activateWindow();
            QWidget* focusedAtKey = nullptr;
            if (QTest::qWaitForWindowActive(box)) {
                okButton(box)->setFocus(Qt::TabFocusReason);
                focusedAtKey = QApplication::focusWidget();
            }
            if (focusedAtKey) {
                focusedName = focusedAtKey->objectName();
                const auto modifiers = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
                QTest::keyClick(focusedAtKey, Qt::Key(key), modifiers);
            }
            keptOpen = box->isVisible();
            if (keptOpen)
                QTest::mouseClick(cancelButton(box), Qt::LeftButton);
        });
        const int result = AfxMessageBoxQuestion(nullptr, "Are you sure to clear all program data?",
                                                 "Yes", "No", nullptr);
        QCOMPARE(focusedName, QString("btn_ok"));
        QTEST(keptOpen, "keptOpen");
        QTEST(result, "result");
    }

    // A box as it opens, the keys sent to its window as the window system
    // delivers them: a question starts on the answer that changes nothing,
    // so one stray Space answers "No"; a notice starts on its only button.
    // A box the keys leave open is closed with -1.
    void keysOnAFreshBox_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("focusedAtOpen");
        QTest::addColumn<int>("result");
        const int space = Qt::Key_Space, tab = Qt::Key_Tab;
        QTest::newRow("question, Space") << 2 << QList<int>{space} << "btn_cancel" << 0;
        QTest::newRow("question, Tab and Space")
            << 2 << QList<int>{tab, space} << "btn_cancel" << 1;
        QTest::newRow("question, Tab twice and Space")
            << 2 << QList<int>{tab, tab, space} << "btn_cancel" << 0;
        QTest::newRow("question, Return and Escape leave it open")
            << 2 << QList<int>{int(Qt::Key_Return), int(Qt::Key_Escape)} << "btn_cancel" << -1;
        QTest::newRow("notice, Space") << 1 << QList<int>{space} << "btn_ok" << 1;
        QTest::newRow("error, Return leaves it open")
            << 0 << QList<int>{int(Qt::Key_Return)} << "btn_ok" << -1;
    }
    void keysOnAFreshBox()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, keys);
        QString focusedAtOpen;
        whenBoxShown([&](MsgBoxDialog* box) {
            QWidget* focused = box->focusWidget();
            focusedAtOpen = focused ? focused->objectName() : QString();
            for (int key : keys) {
                if (box->isVisible())
                    QTest::keyClick(box->windowHandle(), Qt::Key(key));
            }
            if (box->isVisible())
                box->done(-1);
        });
        const int result = kind == MSGBOX_QUESTION
                               ? AfxMessageBoxQuestion(nullptr, "Are you sure to clear all "
                                                                "program data?")
                               : AfxMessageBox(nullptr, "Send OK.", kind);
        QTEST(focusedAtOpen, "focusedAtOpen");
        QTEST(result, "result");
    }

    // The focused button looks different from the same button unfocused.
    void focusedButtonIsMarked()
    {
        QImage focused, unfocused;
        whenBoxShown([&](MsgBoxDialog* box) {
            focused = cancelButton(box)->grab().toImage();
            QTest::keyClick(box->windowHandle(), Qt::Key_Tab);
            if (!cancelButton(box)->hasFocus() && box->focusWidget() == okButton(box))
                unfocused = cancelButton(box)->grab().toImage();
            box->done(0);
        });
        AfxMessageBoxQuestion(nullptr, "Delete the recording?");
        QVERIFY(!focused.isNull());
        QVERIFY2(!unfocused.isNull(), "Tab did not move the focus to the other answer");
        QVERIFY(focused != unfocused);
    }

    void nullParentMeansMainWindow()
    {
        QWidget main;
        main.setGeometry(100, 100, 800, 500);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        AfxSetMainWindow(&main);
        QWidget* parent = nullptr;
        QPoint centre;
        whenBoxShown([&](MsgBoxDialog* box) {
            parent = box->parentWidget();
            centre = box->geometry().center();
            QTest::mouseClick(okButton(box), Qt::LeftButton);
        });
        QCOMPARE(AfxMessageBox(nullptr, "Send OK.", 1), 1);
        AfxSetMainWindow(nullptr);
        QCOMPARE(parent, &main);
        QVERIFY((centre - main.frameGeometry().center()).manhattanLength() <= 2);
    }

    void questionCaptions()
    {
        QStringList captions;
        auto grabCaptions = [&](MsgBoxDialog* box) {
            captions = {okButton(box)->text(), cancelButton(box)->text()};
            QTest::mouseClick(cancelButton(box), Qt::LeftButton);
        };
        whenBoxShown(grabCaptions);
        QCOMPARE(AfxMessageBoxQuestion(nullptr, "Clear all data?", "Clear", "Keep", nullptr), 0);
        QCOMPARE(captions, QStringList({"Clear", "Keep"}));

        // Without captions the translations of texts 3 and 4 apply, and the
        // box's own "Yes" / "No" where there are none.
        whenBoxShown(grabCaptions);
        AfxMessageBoxQuestion(nullptr, "Clear all data?", QString(), QString(), nullptr);
        QCOMPARE(captions.size(), 2);
        QVERIFY(!captions.at(0).isEmpty() && !captions.at(1).isEmpty());
        QVERIFY(captions.at(0) != captions.at(1));
    }

    void questionCheckBoxResult()
    {
        bool dontAsk = false;
        whenBoxShown([](MsgBoxDialog* box) {
            auto* chk = box->findChild<QCheckBox*>("chk");
            QVERIFY(chk->isVisible());
            QTest::mouseClick(chk, Qt::LeftButton, {}, QPoint(5, chk->height() / 2));
            QTest::mouseClick(okButton(box), Qt::LeftButton);
        });
        QCOMPARE(AfxMessageBoxQuestion(nullptr, "Record anyway?", QString(), QString(), &dontAsk),
                 1);
        QVERIFY(dontAsk);
    }

    void hookRecordsAndAnswersWithoutShowing()
    {
        QList<QPair<QString, int>> seen;
        bool modalSeen = false;
        MsgBoxDialog::setTestHook([&](const QString& text, int kind) -> int {
            seen.append({text, kind});
            modalSeen = modalSeen || QApplication::activeModalWidget();
            return seen.size() == 1 ? 1 : 0;
        });
        QCOMPARE(AfxMessageBox(nullptr, "Invalid file name", 0), 1);
        bool check = true;
        QCOMPARE(AfxMessageBoxQuestion(nullptr, "Delete?", "Del", "Keep", &check), 0);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), qMakePair(QString("Invalid file name"), 0));
        QCOMPARE(seen.at(1), qMakePair(QString("Delete?"), 2));
        QVERIFY(!check);
        QVERIFY(!modalSeen);
        MsgBoxDialog::setTestHook({});
        QVERIFY(!MsgBoxDialog::testHook());
    }
};

ZD_TEST_MAIN(TestMsgBoxDialog, QApplication)
#include "tst_msgboxdialog.moc"
