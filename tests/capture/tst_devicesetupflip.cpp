// With a camera open, a vertical flip chosen in Device setup turns the
// camera's pictures upside down at once, and removing it sets them upright
// again, before anything is saved.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <cstring>

#include "qdevicesetupwnd.h"
#include "qfilterswidget.h"
#include "qmyfilterhelper.h"
#include "qmyfilterwidget.h"
#include "qmypushbutton.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

// The test-pattern camera draws colour bars above a grey ramp that runs from
// black on the left to white on the right. A row of the ramp is grey
// everywhere and brightens from left to right.
bool isRampRow(const QImage& img, int y)
{
    int previous = -1;
    for (int i = 1; i <= 9; ++i) {
        const QColor c = img.pixelColor(img.width() * i / 10, y);
        if (qAbs(c.red() - c.green()) > 12 || qAbs(c.green() - c.blue()) > 12)
            return false;
        if (c.green() <= previous)
            return false;
        previous = c.green();
    }
    return true;
}

// 1: the ramp lies in the bottom third (upright), -1: in the top third
// (upside down), 0: no picture or neither.
int rampSide(const QString& path)
{
    QFile::remove(path);
    if (ZD_ScreenShot_bmp(g_Global.hCore, QFile::encodeName(path).constData(), 0) != 1)
        return 0;
    const QImage img(path);
    if (img.isNull())
        return 0;
    int top = 0, bottom = 0;
    for (int y = 0; y < img.height() / 3; ++y) {
        top += isRampRow(img, y);
        bottom += isRampRow(img, img.height() - 1 - y);
    }
    if (bottom > img.height() / 6 && top == 0)
        return 1;
    if (top > img.height() / 6 && bottom == 0)
        return -1;
    return 0;
}

int waitForSide(int wanted, const QString& path)
{
    QElapsedTimer clock;
    clock.start();
    int side = 0;
    while (clock.elapsed() < 5000) {
        side = rampSide(path);
        if (side == wanted)
            break;
        QThread::msleep(20);
    }
    return side;
}

} // namespace

class TestDeviceSetupFlip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(zdtest::startEngine());
        g_Global.pFilterStore = new QMyFilterHelper;
    }
    void cleanupTestCase()
    {
        ZD_CloseDevice(g_Global.hCore);
        delete g_Global.pFilterStore;
        g_Global.pFilterStore = nullptr;
        zdtest::stopEngine();
    }

    void aFlipShowsAtOnce()
    {
        DEV_NAME cam{};
        strcpy(cam.name, "Test Pattern Camera");
        strcpy(cam.path, "VIRTUAL_TEST_PATTERN_CAMERA");
        cam.kind = ZD_DEVICE_KIND_VIDEO;
        DEV_NAME none{};
        strcpy(none.name, "NULL");
        strcpy(none.path, "NULL");
        DEV_CAPACITY asked{};
        asked.width = 320;
        asked.height = 240;
        asked.fps = 30;
        QCOMPARE(ZD_OpenDevice(g_Global.hCore, 0, nullptr, 1, 0, &cam, &none, &asked, 1 << 20), 1);
        // The record panel's way of opening: the chain from its file, applied.
        QMyFilters* chain = g_Global.pFilterStore->getDeviceFilters("Test Pattern Camera");
        chain->loadDeviceFilters();
        chain->ApplyAllFilters();
        const QString shot = QDir::homePath() + "/shot.png";
        QCOMPARE(waitForSide(1, shot), 1);

        QDeviceSetupWnd dlg(nullptr);
        dlg.device = cam;
        dlg.curCapacity = asked;
        dlg.InitDlg();
        auto* list = dlg.findChild<QFiltersWidget*>("filterwd");
        zdtest::whenPopup([](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                if (a->data().toInt() == FILTER_VFLIP)
                    menu->setActiveAction(a);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        list->addButton->click();
        QCOMPARE(list->rows.size(), 1);
        QCOMPARE(waitForSide(-1, shot), -1);

        list->rows.first()->removeButton->click();
        QCOMPARE(waitForSide(1, shot), 1);
        QVERIFY(!QFile::exists(chain->filePath()));
    }
};

ZD_TEST_MAIN(TestDeviceSetupFlip, QApplication)
#include "tst_devicesetupflip.moc"
