// The picture box: zoom bounds, the fixed-size mode, and the animation cut
// from a sprite and re-cut when the box changes size.
#include "picturebox.h"
#include "screenscale.h"
#include "zdtestmain.h"

class TestPictureBox : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    QString sprite(int width, int cells)
    {
        QImage img(width, 30, QImage::Format_RGB32);
        for (int x = 0; x < width; ++x) {
            const int cell = x / (width / cells);
            for (int y = 0; y < 30; ++y)
                img.setPixel(x, y, qRgb(cell * 20, 0, 0));
        }
        const QString path = dir.filePath(QString("anim%1.png").arg(width));
        img.save(path);
        return path;
    }

private slots:
    void cleanup() { g_dpi_percent = 1.0; }

    void zoomIsBounded_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<double>("stored");
        QTest::newRow("zero") << 0.0 << 0.01;
        QTest::newRow("negative") << -3.0 << 0.01;
        QTest::newRow("in range") << 2.5 << 2.5;
        QTest::newRow("500") << 500.0 << 100.0;
    }
    void zoomIsBounded()
    {
        QFETCH(double, zoom);
        PictureBox box;
        QImage img(10, 10, QImage::Format_RGB32);
        img.fill(Qt::blue);
        QVERIFY(box.setImage(img, zoom));
        QTEST(box.zoom, "stored");
    }

    void nullImageChangesNothing()
    {
        PictureBox box;
        QVERIFY(!box.setImage(QImage(), 3.0));
        QCOMPARE(box.zoom, 1.0);
        QCOMPARE(box.picture.size(), IMAGE_SIZE);
    }

    void autoSizeModeFixesWidgetSize()
    {
        PictureBox box;
        QImage img(100, 50, QImage::Format_RGB32);
        img.fill(Qt::green);
        box.setImage(img, 1.5);
        box.setMode(PictureBox::AUTO_SIZE);
        QCOMPARE(box.minimumSize(), QSize(150, 75));
        QCOMPARE(box.maximumSize(), QSize(150, 75));
        box.setMode(PictureBox::STRETCH);
        QCOMPARE(box.minimumSize(), QSize(0, 0));
        QCOMPARE(box.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    void fittedModeKeepsAspect()
    {
        PictureBox box;
        box.resize(200, 100);
        QImage img(50, 50, QImage::Format_RGB32);
        img.fill(Qt::red);
        box.setImage(img, 1.0);
        const QImage shot = box.grab().toImage();
        QCOMPARE(shot.pixelColor(100, 50), QColor(Qt::red));
        QVERIFY(shot.pixelColor(45, 50) != QColor(Qt::red)); // left of the 100-wide picture
        QCOMPARE(shot.pixelColor(148, 50), QColor(Qt::red));
        QVERIFY(shot.pixelColor(155, 50) != QColor(Qt::red));
    }

    void animationFramesAndRecut()
    {
        g_dpi_percent = 1.5;
        PictureBox box;
        box.resize(40, 20);
        box.LoadAnimPicture(sprite(400, 8), 8, 1000);
        QCOMPARE(box.frames.size(), 8);
        QCOMPARE(box.frameCount, 8);
        QCOMPARE(box.currentFrame, 0);
        QCOMPARE(box.frames.at(0).size(), QSize(60, 30));
        QCOMPARE(box.frames.at(5).toImage().pixelColor(30, 15).red(), 100);

        box.animtimer();
        box.animtimer();
        QCOMPARE(box.currentFrame, 2);
        box.resize(80, 40);
        box.animtimer();
        QCOMPARE(box.currentFrame, 3);
        QCOMPARE(box.frames.size(), 8);
        QCOMPARE(box.frames.at(0).size(), QSize(120, 60));
        QCOMPARE(box.cutSize, QSize(80, 40));

        for (int i = 0; i < 5; ++i)
            box.animtimer();
        QCOMPARE(box.currentFrame, 0); // wrapped

        box.paused = true;
        box.animtimer();
        QCOMPARE(box.currentFrame, 0);
        box.StopAnim();
        QVERIFY(!box.timer->isActive());
        box.PlayAnim();
        QVERIFY(box.timer->isActive());
        QCOMPARE(box.timer->interval(), 1000);
    }

    void singleFrameIsPaintedAsStill()
    {
        PictureBox box;
        box.resize(40, 40);
        QImage img(40, 40, QImage::Format_RGB32);
        img.fill(Qt::blue);
        box.setImage(img, 1.0);
        box.LoadAnimPicture(sprite(60, 1), 1, 1000);
        QCOMPARE(box.frames.size(), 1);
        QCOMPARE(box.grab().toImage().pixelColor(20, 20), QColor(Qt::blue));
    }
};

ZD_TEST_MAIN(TestPictureBox, QApplication)
#include "tst_picturebox.moc"
