// The server box says how many servers are ticked, and follows the ticks.
#include <QApplication>
#include <QLineEdit>

#include "rtmpservercombobox.h"
#include "zdtestmain.h"

class TestRtmpServerComboBox : public QObject
{
    Q_OBJECT

private slots:
    void closedText_data()
    {
        QTest::addColumn<QList<bool>>("ticks");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty list") << QList<bool>{} << "No selected server";
        QTest::newRow("none ticked") << QList<bool>{false, false} << "No selected server";
        QTest::newRow("one of three") << QList<bool>{false, true, false} << "S1";
        QTest::newRow("three") << QList<bool>{true, true, false, true} << "Selected 3 servers";
    }
    void closedText()
    {
        QFETCH(QList<bool>, ticks);
        QFETCH(QString, text);
        RtmpServerComboBox box(nullptr);
        box.Clear();
        for (int i = 0; i < ticks.size(); ++i)
            box.AddItem(QString("S%1").arg(i), ticks[i], QVariant(i));
        QCOMPARE(box.lineEdit()->text(), text);
        QCOMPARE(box.lineEdit()->toolTip(), text);
    }

    // Ticking in the open list changes the closed text at once.
    void followsTicks()
    {
        RtmpServerComboBox box(nullptr);
        box.AddItem("Alpha", false, QVariant(0));
        box.AddItem("Beta", false, QVariant(1));
        box.sltActivated(1);
        QCOMPARE(box.lineEdit()->text(), QString("Beta"));
        box.sltActivated(0);
        QCOMPARE(box.lineEdit()->text(), QString("Selected 2 servers"));
        box.sltActivated(1);
        box.sltActivated(0);
        QCOMPARE(box.lineEdit()->text(), QString("No selected server"));
        QCOMPARE(box.GetSelItemsInfo().size(), 0);
    }
};

ZD_TEST_MAIN(TestRtmpServerComboBox, QApplication)
#include "tst_rtmpservercombobox.moc"
