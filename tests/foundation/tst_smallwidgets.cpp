// Colour button (0x00BBGGRR order, dialog start and cancel), the list view's
// selection counts and the audio level label.
#include <QColorDialog>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTimer>

#include "qdrawaudiolabel.h"
#include "qmycolorpickbutton.h"
#include "qmylistview.h"
#include "zdtestmain.h"

namespace
{
// Answers the colour dialog once it is up: records its starting colour, then
// picks `pick` or, when it is invalid, cancels.
void answerColorDialog(QColor pick, QColor* startColour)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [=] {
        auto* dlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        timer->stop();
        timer->deleteLater();
        *startColour = dlg->currentColor();
        if (pick.isValid()) {
            dlg->setCurrentColor(pick);
            dlg->accept();
        } else {
            dlg->reject();
        }
    });
    timer->start();
}
} // namespace

class TestSmallWidgets : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
private slots:
    void colourNumbers()
    {
        QMyColorPickButton button;
        button.resize(30, 20);
        button.setColor(0xAB123456);
        QCOMPARE(button.Color(), 0x00123456u);
        const QImage img = button.grab().toImage();
        QCOMPARE(img.pixelColor(15, 10), QColor(0x56, 0x34, 0x12));
        QCOMPARE(img.pixelColor(0, 10), QColor(50, 60, 60));
    }

    void pickedColourIsReportedAsBgr_data()
    {
        QTest::addColumn<QColor>("pick");
        QTest::addColumn<unsigned int>("number");
        QTest::newRow("blue") << QColor(0, 0, 255) << 0x00FF0000u;
        QTest::newRow("red") << QColor(255, 0, 0) << 0x000000FFu;
        QTest::newRow("mixed") << QColor(0x12, 0x34, 0x56) << 0x00563412u;
    }
    void pickedColourIsReportedAsBgr()
    {
        QFETCH(QColor, pick);
        QFETCH(unsigned int, number);
        QMyColorPickButton button;
        button.setColor(0x00336699);
        QSignalSpy changed(&button, &QMyColorPickButton::colorChanged);
        QColor start;
        answerColorDialog(pick, &start);
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(start, QColor(0x99, 0x66, 0x33)); // starts at the current colour
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toUInt(), number);
        QCOMPARE(button.Color(), number);
    }

    void cancelledDialogKeepsColour()
    {
        QMyColorPickButton button;
        button.setColor(0x00336699);
        QSignalSpy changed(&button, &QMyColorPickButton::colorChanged);
        QColor start;
        answerColorDialog(QColor(), &start);
        QTest::mousePress(&button, Qt::LeftButton);
        QVERIFY(start.isValid());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(button.Color(), 0x00336699u);
    }

    void listViewSelectionCounts()
    {
        QStringListModel model({"a", "b", "c", "d", "e"});
        QMyListView view;
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        QSignalSpy spy(&view, &QMyListView::selchanged);
        view.selectionModel()->select(model.index(0, 0), QItemSelectionModel::ClearAndSelect);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0), QList<QVariant>({1, 0}));
        view.selectionModel()->select(QItemSelection(model.index(1, 0), model.index(3, 0)),
                                      QItemSelectionModel::ClearAndSelect);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1), QList<QVariant>({3, 1}));
    }

    void audioLevel_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("revealed");
        QTest::newRow("half of 201") << true << 50 << 100;
        QTest::newRow("full") << true << 100 << 201;
        QTest::newRow("silent") << true << 0 << 0;
        QTest::newRow("disabled shows nothing") << false << 80 << 0;
    }
    void audioLevel()
    {
        QFETCH(bool, enabled);
        QFETCH(int, level);
        QFETCH(int, revealed);
        QImage white(10, 10, QImage::Format_RGB32);
        white.fill(Qt::white);
        const QString file = dir.filePath("white.png");
        white.save(file);

        QDrawAudioLabel label;
        label.backFile = file;
        label.fillColor = Qt::black;
        label.setGeometry(0, 0, 201, 20);
        QCOMPARE(label.backPixmap.size(), QSize(201, 20));
        label.level = level;
        label.setEnabled(enabled);
        const QImage img = label.grab().toImage();
        for (int x : {0, revealed - 1, revealed, 200}) {
            if (x < 0 || x > 200)
                continue;
            const int lightness = img.pixelColor(x, 19).lightness();
            if (x < revealed)
                QVERIFY2(lightness > 100 && lightness < 160, qPrintable(QString::number(x)));
            else
                QVERIFY2(lightness < 10, qPrintable(QString::number(x)));
        }
    }

    void audioLabelDefaultsToEmbeddedPicture()
    {
        QDrawAudioLabel label;
        QCOMPARE(label.backFile, QString(":/images/res/live_audio_bk.png"));
        label.setGeometry(0, 0, 120, 16);
        QVERIFY(!label.backPixmap.isNull());
    }
};

ZD_TEST_MAIN(TestSmallWidgets, QApplication)
#include "tst_smallwidgets.moc"
