// Picture buttons: sprite cells cut left to right, the state each mouse
// event and the disabled state show, toggles; link buttons: fitting to their
// text and the static-label mode.
#include <QEnterEvent>
#include <QSignalSpy>

#include "qhyperlink.h"
#include "qmypushbutton.h"
#include "zdtestmain.h"

namespace
{
const QColor kCells[] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255),
                         QColor(255, 255, 0), QColor(0, 255, 255)};

// A sprite of `cells` solid cells, `cellWidth` wide each, plus `extraColumns`
// magenta columns on the right that no cell may show.
QString makeSprite(QTemporaryDir& dir, const QString& name, int cells, int cellWidth,
                   int extraColumns = 0)
{
    QImage img(cells * cellWidth + extraColumns, 20, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    for (int i = 0; i < cells; ++i)
        for (int x = 0; x < cellWidth; ++x)
            for (int y = 0; y < 20; ++y)
                img.setPixelColor(i * cellWidth + x, y, kCells[i]);
    const QString path = dir.filePath(name);
    img.save(path);
    return path;
}

QColor shown(QWidget& w)
{
    return w.grab().toImage().pixelColor(w.width() / 2, w.height() / 2);
}

bool uniform(const QPixmap& pm, const QColor& c)
{
    const QImage img = pm.toImage();
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixelColor(x, y) != c)
                return false;
    return true;
}

void enter(QWidget& w)
{
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&w, &e);
}

void leave(QWidget& w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(&w, &e);
}
} // namespace

class TestQMyPushButton : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
private slots:
    void spriteCells_data()
    {
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("extraColumns");
        QTest::newRow("300 wide, 4 cells") << 4 << 0;
        QTest::newRow("301 wide ignores last column") << 4 << 1;
        QTest::newRow("303 wide ignores last columns") << 4 << 3;
        QTest::newRow("two cells") << 2 << 0;
    }
    void spriteCells()
    {
        QFETCH(int, cells);
        QFETCH(int, extraColumns);
        const QString sprite = makeSprite(dir, QString("s%1_%2.png").arg(cells).arg(extraColumns),
                                          cells, 300 / cells, extraColumns);
        QMyPushButton button;
        button.resize(30, 12);
        button.SetPicture(sprite, cells);
        QCOMPARE(button.stateCount(), cells);
        QCOMPARE(button.frameCount, cells);
        for (int i = 0; i < cells; ++i) {
            QCOMPARE(button.stateImage(i).size(), QSize(30, 12));
            QVERIFY2(uniform(button.stateImage(i), kCells[i]), qPrintable(QString::number(i)));
        }
        QCOMPARE(button.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    }

    void mouseAndDisabledStates()
    {
        const QString sprite = makeSprite(dir, "four.png", 4, 40);
        QWidget window;
        window.setGeometry(300, 300, 100, 100);
        QCursor::setPos(0, 0); // not over the button when it appears
        QMyPushButton button(&window);
        button.resize(40, 40);
        button.SetPicture(sprite, 4);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(&button, &QPushButton::clicked);

        QCOMPARE(shown(button), kCells[0]);
        enter(button);
        QCOMPARE(shown(button), kCells[1]);
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(shown(button), kCells[2]);
        QCOMPARE(clicked.count(), 0);
        QTest::mouseRelease(&button, Qt::LeftButton);
        QCOMPARE(shown(button), kCells[1]);
        QCOMPARE(clicked.count(), 1);
        // A release of the right button still clicks.
        QTest::mouseRelease(&button, Qt::RightButton);
        QCOMPARE(clicked.count(), 2);
        leave(button);
        QCOMPARE(shown(button), kCells[0]);

        button.setEnabled(false);
        QCOMPARE(shown(button), kCells[3]);
        // Enabled again it looks normal at once, not disabled until hovered.
        button.setEnabled(true);
        QCOMPARE(shown(button), kCells[0]);
    }

    void fewerCellsMeanFewerLooks()
    {
        const QString two = makeSprite(dir, "two.png", 2, 40);
        QWidget window;
        QMyPushButton button(&window);
        button.resize(40, 40);
        button.SetPicture(two, 2);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        enter(button);
        QCOMPARE(shown(button), kCells[1]);
        QTest::mousePress(&button, Qt::LeftButton);
        QCOMPARE(shown(button), kCells[1]); // no pressed look
        button.setEnabled(false);
        QCOMPARE(shown(button), kCells[1]); // no disabled look either

        // One picture: painted as a standard push button.
        const QString one = makeSprite(dir, "one.png", 1, 40);
        QMyPushButton plain(&window);
        plain.resize(40, 40);
        plain.SetPicture(one, 1);
        QVERIFY(shown(plain) != kCells[0]);
    }

    void toggleBetweenTwoSprites()
    {
        const QString a = makeSprite(dir, "a.png", 4, 10);
        QImage bImg(40, 10, QImage::Format_RGB32);
        bImg.fill(kCells[4]);
        const QString b = dir.filePath("b.png");
        bImg.save(b);

        QMyPushButton button;
        button.resize(20, 20);
        button.setCurState(1); // no pictures yet: nothing happens
        QCOMPARE(button.stateCount(), 0);
        QCOMPARE(button.curState, 0);

        button.SetPicture(a, b, 4);
        QCOMPARE(button.curState, 0);
        QVERIFY(uniform(button.stateImage(0), kCells[0]));
        button.setCurState(1);
        QCOMPARE(button.curState, 1);
        QVERIFY(uniform(button.stateImage(0), kCells[4]));
        button.setCurState(0);
        QVERIFY(uniform(button.stateImage(0), kCells[0]));
    }

    void captionColours()
    {
        QImage bg(40, 10, QImage::Format_RGB32);
        bg.fill(Qt::black);
        const QString path = dir.filePath("black.png");
        bg.save(path);
        QMyPushButton button;
        button.resize(120, 40);
        button.SetPicture(path, 4);
        button.setText("WWWW");
        auto brightest = [&]() {
            const QImage img = button.grab().toImage();
            QColor best(0, 0, 0);
            for (int x = 0; x < img.width(); ++x)
                for (int y = 0; y < img.height(); ++y)
                    if (img.pixelColor(x, y).lightness() > best.lightness())
                        best = img.pixelColor(x, y);
            return best;
        };
        QCOMPARE(brightest(), QColor(210, 210, 210));
        button.textColor = QColor(255, 0, 0);
        button.useTextColor = 1;
        QCOMPARE(brightest().rgb(), QColor(255, 0, 0).rgb());
    }

    void linkFitsItsText_data()
    {
        QTest::addColumn<bool>("centred");
        QTest::newRow("left") << false;
        QTest::newRow("centred") << true;
    }
    void linkFitsItsText()
    {
        QFETCH(bool, centred);
        QHyperLink link;
        link.setText("Open the room page");
        link.setAlignmentCenter(centred);
        const QRect r(100, 100, 300, 40);
        link.setGeometry(r);
        const QRect text =
            link.fontMetrics().boundingRect(QRect(), Qt::TextSingleLine, link.text());
        const int w = text.width() + 20;
        const int h = text.height() + 10;
        QCOMPARE(link.geometry(),
                 QRect(centred ? 100 + (300 - w) / 2 : 100, 100 + (40 - h) / 2, w, h));
        QCOMPARE(link.requestedRect, r);
        // A longer text re-fits in the same rectangle.
        link.setText("Open the room page in the browser");
        link.UpdateAll();
        QVERIFY(link.width() > w);
        QCOMPARE(link.requestedRect, r);
    }

    void linkStates()
    {
        QWidget window;
        QHyperLink link(&window);
        link.setText("link");
        link.setGeometry(QRect(0, 0, 200, 30));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy clicked(&link, &QPushButton::clicked);
        enter(link);
        QCOMPARE(link.state, 1);
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QTest::mousePress(&link, Qt::LeftButton);
        QCOMPARE(link.state, 2);
        QTest::mouseRelease(&link, Qt::LeftButton);
        QCOMPARE(link.state, 1);
        QCOMPARE(clicked.count(), 1);
        QTest::mouseRelease(&link, Qt::RightButton);
        QCOMPARE(clicked.count(), 2);
        QVERIFY(link.font().underline());

        link.setAsStaticLabel(true);
        QCOMPARE(link.state, 0);
        QVERIFY(!link.font().underline());
        enter(link);
        QCOMPARE(link.state, 0);
        QCOMPARE(link.cursor().shape(), Qt::ArrowCursor);
        QTest::mouseRelease(&link, Qt::LeftButton);
        QCOMPARE(clicked.count(), 2);
    }

    void linkFontHeight()
    {
        QHyperLink link;
        link.setFontHeight(14, true);
        QCOMPARE(link.font().pointSize(), 14);
        QCOMPARE(link.font().weight(), QFont::Bold);
        QVERIFY(link.font().underline());
        link.setFontHeight(9, false);
        QCOMPARE(link.font().weight(), QFont::Normal);
    }
};

ZD_TEST_MAIN(TestQMyPushButton, QApplication)
#include "tst_qmypushbutton.moc"
