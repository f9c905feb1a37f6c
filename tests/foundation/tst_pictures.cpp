// The embedded pictures the windows name exist, load, and are cut the way
// their users cut them (the message-box strip, four-state sprites, frames).
#include <QIcon>
#include <QPixmap>

#include "zdtestmain.h"

class TestPictures : public QObject
{
    Q_OBJECT
private slots:
    void cells_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("cells");
        const char* fourState[] = {"add.png",
                                   "add2.png",
                                   "ai.png",
                                   "al.png",
                                   "dec.png",
                                   "dud.png",
                                   "flies.png",
                                   "gif_1.png",
                                   "gif_2.png",
                                   "hide.png",
                                   "image.png",
                                   "live-stop.png",
                                   "live.png",
                                   "open.png",
                                   "pause.png",
                                   "pause2.png",
                                   "play.png",
                                   "play2.png",
                                   "rec-start-hdr.png",
                                   "rec-start.png",
                                   "rec-start2.png",
                                   "rec.png",
                                   "sch.png",
                                   "setup-help.png",
                                   "setup.png",
                                   "start.png",
                                   "stop.png",
                                   "stop2.png",
                                   "timer-1.png",
                                   "timer-2.png",
                                   "top-big.png",
                                   "top-exit.png",
                                   "top-menu.png",
                                   "top-min.png",
                                   "top-small.png",
                                   "top-x.png",
                                   "volume1.png",
                                   "volume2.png",
                                   "yellowbtn.png",
                                   "live/cl.png",
                                   "live/del.png",
                                   "live/down.png",
                                   "live/e_1.png",
                                   "live/e_2.png",
                                   "live/info.png",
                                   "live/jg.png",
                                   "live/js.png",
                                   "live/menu.png",
                                   "live/st.png",
                                   "live/up.png"};
        for (const char* n : fourState)
            QTest::newRow(n) << QString(n) << 4;
        QTest::newRow("msgico.png") << "msgico.png" << 3;
        QTest::newRow("loading16.png") << "loading16.png" << 16;
        QTest::newRow("anim-wait1.png") << "anim-wait1.png" << 156;
        const char* single[] = {
            "def-picture.png",  "live_audio_bk.png", "main-ico.png",     "main-title.png",
            "no-camera.png",    "right.png",         "slider-bk.png",    "slider-ub.png",
            "slider-ub2.png",   "timer-ico1.png",    "timer-ico2.png",   "warn.png",
            "filters/ba-1.png", "filters/ba-2.png",  "filters/ba-3.png", "live/ico-2.png",
            "live/ico-3.png",   "live/ico-4.png",    "live/ico-5.png",   "live/ico1-1.png",
            "scroll/sv-1.png",  "scroll/sv-2.png",   "scroll/sv-3.png",  "scroll/sv-4.png"};
        for (const char* n : single)
            QTest::newRow(n) << QString(n) << 1;
    }
    void cells()
    {
        QFETCH(QString, name);
        QFETCH(int, cells);
        const QPixmap pm(":/images/res/" + name);
        QVERIFY2(!pm.isNull(), qPrintable(name));
        QCOMPARE(pm.width() % cells, 0);
    }

    void messageIconStripSize()
    {
        QCOMPARE(QPixmap(":/images/res/msgico.png").size(), QSize(315, 105));
    }

    void applicationIcon()
    {
        const QIcon icon(":/images/res/main.ico");
        QVERIFY(!icon.isNull());
        QVERIFY(!icon.pixmap(64, 64).isNull());
    }
};

ZD_TEST_MAIN(TestPictures, QApplication)
#include "tst_pictures.moc"
