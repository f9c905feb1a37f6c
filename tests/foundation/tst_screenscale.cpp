// The scaling helpers every window is laid out with: truncation rules, the
// bottom-anchored rectangle, centring and the combo-box list width.
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QScreen>

#include "myevent.h"
#include "screenscale.h"
#include "zdtestmain.h"

class TestScreenScale : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { g_dpi_percent = 1.0; }

    void pointSizes_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<int>("scaledPoints");
        QTest::newRow("9pt") << 1.0 << 9 << 12 << 9;
        QTest::newRow("10pt truncates") << 1.0 << 10 << 13 << 9;
        QTest::newRow("11pt") << 1.0 << 11 << 14 << 10;
        QTest::newRow("10pt at 1.5") << 1.5 << 10 << 19 << 14;
        QTest::newRow("12pt at 1.25") << 1.25 << 12 << 20 << 15;
    }
    void pointSizes()
    {
        QFETCH(double, scale);
        QFETCH(int, points);
        g_dpi_percent = scale;
        QTEST(pt2pix_scale(points), "pixels");
        QTEST(scale_pointsize(points), "scaledPoints");
    }

    void rects_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QRect>("in");
        QTest::addColumn<QRect>("scaled");
        QTest::addColumn<QRect>("bottomAnchored");
        QTest::newRow("identity") << 1.0 << QRect(10, 500, 100, 30) << QRect(10, 500, 100, 30)
                                  << QRect(QPoint(10, 500), QPoint(109, 530));
        QTest::newRow("1.5 truncates each side")
            << 1.5 << QRect(10, 20, 101, 51) << QRect(15, 30, 151, 76)
            << QRect(QPoint(15, 71 - 76), QPoint(15 + 151 - 1, 71));
        QTest::newRow("1.5 bottom stays") << 1.5 << QRect(0, 500, 100, 30) << QRect(0, 750, 150, 45)
                                          << QRect(QPoint(0, 485), QPoint(149, 530));
    }
    void rects()
    {
        QFETCH(double, scale);
        QFETCH(QRect, in);
        g_dpi_percent = scale;
        QTEST(scale_rect(in), "scaled");
        QTEST(scale_rect2(in.left(), in.top(), in.width(), in.height()), "scaled");
        QTEST(scale_rect_bottom2(in.left(), in.top(), in.width(), in.height()), "bottomAnchored");
    }

    void adjustRectsScalesChildrenOnceAndSelfOnRequest()
    {
        g_dpi_percent = 2.0;
        QWidget w;
        w.setGeometry(10, 10, 100, 50);
        auto* child = new QWidget(&w);
        child->setGeometry(5, 6, 20, 10);
        auto* grandChild = new QWidget(child);
        grandChild->setGeometry(1, 2, 3, 4);
        AdjustRects(&w, false);
        QCOMPARE(child->geometry(), QRect(10, 12, 40, 20));
        QCOMPARE(grandChild->geometry(), QRect(2, 4, 6, 8));
        QCOMPARE(w.geometry().size(), QSize(100, 50));
        AdjustRects(&w, true);
        QCOMPARE(w.geometry().size(), QSize(200, 100));
    }

    void adjustFontsTurnsPointsIntoPixels()
    {
        g_dpi_percent = 1.5;
        QWidget w;
        auto* label = new QLabel(&w);
        QFont f = label->font();
        f.setPointSize(10);
        label->setFont(f);
        AdjustFonts(&w);
        QCOMPARE(label->font().pixelSize(), 19);
        // Applied again, a font given in pixels keeps its size.
        AdjustFonts(&w);
        QCOMPARE(label->font().pixelSize(), 19);
    }

    void centerWindowOnReference()
    {
        QWidget reference;
        reference.setGeometry(100, 100, 400, 300);
        reference.show();
        QVERIFY(QTest::qWaitForWindowExposed(&reference));
        QDialog dialog(&reference);
        dialog.resize(200, 100);
        CenterWindow(&dialog, &reference);
        QCOMPARE(dialog.geometry().center(), reference.frameGeometry().center());
        // The dialog itself as reference means its parent's window.
        dialog.move(0, 0);
        CenterWindow(&dialog, &dialog);
        QCOMPARE(dialog.geometry().center(), reference.frameGeometry().center());
    }

    void centerWindowOnMainWindowByDefault()
    {
        QWidget main;
        main.setGeometry(150, 120, 600, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        AfxSetMainWindow(&main);
        QDialog dialog;
        dialog.resize(200, 100);
        CenterWindow(&dialog, nullptr);
        QCOMPARE(dialog.geometry().center(), main.frameGeometry().center());
        // The main window itself is centred on its screen.
        CenterWindow(&main, nullptr);
        QCOMPARE(main.geometry().center(), main.screen()->availableGeometry().center());
        AfxSetMainWindow(nullptr);
    }

    void comboListWidth_data()
    {
        QTest::addColumn<int>("extra");
        QTest::addColumn<bool>("widened");
        QTest::newRow("fits") << -40 << false;
        QTest::newRow("just inside the margin") << -30 << false;
        QTest::newRow("too long") << -20 << true;
    }
    void comboListWidth()
    {
        QFETCH(int, extra);
        QFETCH(bool, widened);
        QComboBox combo;
        combo.resize(200, 25);
        // Grow one entry until it measures the wanted width relative to the box.
        const QFontMetrics fm(combo.font());
        QString text;
        while (fm.boundingRect(QRect(0, 0, 2000, 100), Qt::TextSingleLine, text + "x").width() <=
               200 + extra)
            text += "x";
        const int measured =
            fm.boundingRect(QRect(0, 0, 2000, 100), Qt::TextSingleLine, text).width();
        combo.addItems({"a", text, "b"});
        const int before = combo.view()->minimumWidth();
        AdjustComboBoxViewWidth(&combo);
        QCOMPARE(measured > 170, widened); // the row really is on its side of the margin
        if (widened) {
            QCOMPARE(combo.view()->minimumWidth(), measured + 30);
            QCOMPARE(combo.view()->maximumWidth(), measured + 30);
        } else {
            QCOMPARE(combo.view()->minimumWidth(), before);
        }
    }
};

ZD_TEST_MAIN(TestScreenScale, QApplication)
#include "tst_screenscale.moc"
