// The scaling helpers every window is laid out with: truncation rules, the
// bottom-anchored rectangle, centring, the combo-box list width, and the
// fitting of controls to their texts as this machine's fonts draw them.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <functional>

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
        // A widget inside the window (a list at its right edge, say) means
        // that window, not the spot its parent-relative place would give.
        auto* inside = new QWidget(&reference);
        inside->setGeometry(300, 20, 80, 60);
        dialog.move(0, 0);
        CenterWindow(&dialog, inside);
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

    void shortfall_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("label") << "label";
        QTest::newRow("check box") << "check";
        QTest::newRow("radio button") << "radio";
        QTest::newRow("combo box, widest entry") << "combo";
        QTest::newRow("number field, widest number") << "number";
        QTest::newRow("wrapped label, widest word") << "wrapped";
    }

    // Too narrow, a control lacks pixels; widened by them, its text is whole
    // by the font's own measure.
    void shortfall()
    {
        QFETCH(QString, kind);
        QWidget window;
        window.resize(600, 200);
        QWidget* w = nullptr;
        // Width the text takes, and the width w gives it.
        std::function<int()> textWidth;
        std::function<int()> room;
        if (kind == "label" || kind == "wrapped") {
            auto* label = new QLabel(
                kind == "label" ? "Video capture device:" : "Backlight Compensation:", &window);
            label->setWordWrap(kind == "wrapped");
            textWidth = [label] {
                return QFontMetrics(label->font())
                    .horizontalAdvance(label->wordWrap() ? "Compensation:" : label->text());
            };
            room = [label] { return label->contentsRect().width(); };
            w = label;
        } else if (kind == "check" || kind == "radio") {
            QAbstractButton* button = kind == "check"
                                          ? static_cast<QAbstractButton*>(new QCheckBox(&window))
                                          : new QRadioButton(&window);
            button->setText("Every month");
            textWidth = [button] {
                return QFontMetrics(button->font()).horizontalAdvance(button->text());
            };
            room = [button] {
                QStyleOptionButton opt;
                opt.initFrom(button);
                opt.text = button->text();
                const auto element = qobject_cast<QCheckBox*>(button)
                                         ? QStyle::SE_CheckBoxContents
                                         : QStyle::SE_RadioButtonContents;
                return button->style()->subElementRect(element, &opt, button).width();
            };
            w = button;
        } else if (kind == "combo") {
            auto* combo = new QComboBox(&window);
            combo->addItems({"TS", "MP4(H264+AAC) Constant FPS", "MP4"});
            textWidth = [combo] {
                return QFontMetrics(combo->font()).horizontalAdvance(combo->itemText(1));
            };
            room = [combo] {
                QStyleOptionComboBox opt;
                opt.initFrom(combo);
                return combo->style()
                    ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo)
                    .width();
            };
            w = combo;
        } else {
            auto* edit = new QLineEdit(&window);
            edit->setValidator(new QIntValidator(0, 24, edit));
            textWidth = [edit] { return QFontMetrics(edit->font()).horizontalAdvance("24"); };
            room = [edit] {
                QStyleOptionFrame opt;
                opt.initFrom(edit);
                opt.lineWidth =
                    edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
                return edit->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                           .width() -
                       4;
            };
            w = edit;
        }
        w->setGeometry(10, 10, 12, 40);
        const int missing = TextWidthShortfall(w);
        QVERIFY(missing > 0);
        QVERIFY(room() < textWidth());
        w->resize(w->width() + missing, w->height());
        QCOMPARE(TextWidthShortfall(w), 0);
        QVERIFY2(room() >= textWidth(),
                 qPrintable(QString("%1 < %2").arg(room()).arg(textWidth())));
        w->resize(w->width() + 50, w->height());
        QCOMPARE(TextWidthShortfall(w), 0);
    }

    // Each control of a row gets its text's width; the next one moves only
    // as far as it must, and the window grows when the row reaches past it.
    void fitRowKeepsOrderAndPlaces()
    {
        QWidget window;
        window.resize(300, 100);
        auto* once = new QRadioButton("Once", &window);
        auto* week = new QRadioButton("Every week", &window);
        auto* month = new QRadioButton("Every month", &window);
        auto* far = new QLabel("far", &window);
        once->setGeometry(10, 10, 200, 16);  // roomy: stays as it is
        week->setGeometry(220, 10, 30, 16);  // too narrow
        month->setGeometry(260, 10, 30, 16); // too narrow, right behind
        far->setGeometry(10, 60, 20, 16);    // another row
        const QRect farBefore = far->geometry();
        FitRowToText({once, week, month});
        QCOMPARE(once->geometry(), QRect(10, 10, 200, 16));
        QCOMPARE(week->x(), 220);
        QCOMPARE(TextWidthShortfall(week), 0);
        QCOMPARE(TextWidthShortfall(month), 0);
        // The gap of 10 shrinks to the small one, never to nothing.
        QCOMPARE(month->x(), week->geometry().right() + 1 + 6);
        QCOMPARE(far->geometry(), farBefore);
        QCOMPARE(window.width(), month->geometry().right() + 1 + 8);
    }

    // Captions aligned right take the room on their left first; a caption
    // whose text reaches the window's edge pushes the fields of its rows
    // right, and nothing else moves.
    void fitColumnKeepsTextsOffTheEdge()
    {
        QWidget window;
        window.resize(400, 200);
        auto* roomy = new QLabel("Name:", &window);
        auto* tight = new QLabel("Video capture device:", &window);
        for (QLabel* l : {roomy, tight})
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* field1 = new QLineEdit(&window);
        auto* field2 = new QLineEdit(&window);
        auto* below = new QLabel("OK", &window);
        roomy->setGeometry(0, 10, 131, 20);
        field1->setGeometry(140, 10, 191, 20);
        // Wide enough for its text, which then starts at the window's edge.
        tight->setGeometry(0, 40, 131, 20);
        field2->setGeometry(140, 40, 191, 20);
        below->setGeometry(150, 100, 40, 20);
        QCOMPARE(TextWidthShortfall(tight), 0);

        FitColumnToText({roomy, tight});
        const int textLeft = tight->geometry().right() + 1 - tight->sizeHint().width();
        QVERIFY2(textLeft >= 8, qPrintable(QString::number(textLeft)));
        // Both captions keep one right edge, and the fields keep clear of it.
        QCOMPARE(roomy->geometry().right(), tight->geometry().right());
        QVERIFY(field1->x() >= roomy->geometry().right() + 1 + 6);
        QCOMPARE(field1->x(), field2->x());
        QCOMPARE(below->geometry(), QRect(150, 100, 40, 20));
        QVERIFY(window.width() >= field1->geometry().right() + 1 + 8);

        // A right-aligned caption with room on its left grows to the left only.
        QWidget other;
        other.resize(400, 100);
        auto* caption = new QLabel("Record duration:", &other);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        caption->setGeometry(160, 10, 40, 20);
        auto* field = new QLineEdit(&other);
        field->setGeometry(210, 10, 100, 20);
        FitColumnToText({caption});
        QCOMPARE(caption->geometry().right(), 199);
        QCOMPARE(TextWidthShortfall(caption), 0);
        QCOMPARE(field->geometry(), QRect(210, 10, 100, 20));
    }

    void fitHeightGrowsWrappedLabels()
    {
        QWidget window;
        auto* label = new QLabel(
            "Next start time:\n\t2026-12-16 20:30:00\nRecord duration:\n\t01:00:00", &window);
        label->setWordWrap(true);
        label->setGeometry(0, 0, 120, 20);
        const int height = FitHeightToText(label);
        QCOMPARE(label->height(), height);
        QVERIFY(height >= 4 * QFontMetrics(label->font()).lineSpacing());
        QVERIFY(label->heightForWidth(120) <= height);
        // Tall enough already: left as it is.
        label->resize(120, 400);
        QCOMPARE(FitHeightToText(label), 400);
    }
};

ZD_TEST_MAIN(TestScreenScale, QApplication)
#include "tst_screenscale.moc"
