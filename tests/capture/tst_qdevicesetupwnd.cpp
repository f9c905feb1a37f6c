// The device setup dialog: one format item per codec and size, the frame
// rates each format offers, what OK hands back, and on a 4K30 box the HDR
// switch, the source line and the formats the source cannot fill.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "qdevicecontrolwnd.h"
#include "qdevicesetupwnd.h"
#include "qfilterswidget.h"
#include "qmyfilterhelper.h"
#include "qmypushbutton.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

DEV_CAPACITY fmt(const char* codec, int w, int h, int fps, int c0 = 0, int c1 = 0)
{
    DEV_CAPACITY c;
    memset(&c, 0, sizeof(c));
    c.width = w;
    c.height = h;
    c.fps = fps;
    memcpy(&c.fourcc, codec, 4);
    strncpy(c.codecName, codec, sizeof(c.codecName) - 1);
    c.fpsChoices[0] = c0;
    c.fpsChoices[1] = c1;
    return c;
}

DEV_NAME dev(const char* name, const char* path)
{
    DEV_NAME d;
    memset(&d, 0, sizeof(d));
    strncpy(d.name, name, sizeof(d.name) - 1);
    strncpy(d.path, path, sizeof(d.path) - 1);
    d.kind = 3;
    return d;
}

QComboBox* formats(QWidget* d)
{
    return d->findChild<QComboBox*>("comb_dev_format");
}
QComboBox* rates(QWidget* d)
{
    return d->findChild<QComboBox*>("comb_dev_fps");
}
QCheckBox* hdrBox(QWidget* d)
{
    return d->findChild<QCheckBox*>("checkhdr");
}
QFiltersWidget* filterList(QWidget* d)
{
    return d->findChild<QFiltersWidget*>("filterwd");
}

QStringList texts(QComboBox* c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out << c->itemText(i);
    return out;
}

const char* const kBoxPath = "usb-VID_048D&PID_9310-1";

// The engine answers the 4K30 calls for a scripted box with source info.
QByteArray boxJson(int width, int height, int depth, int fps, int hdr)
{
    return QString(R"({"name":"USB Capture HDMI 4K+","path":"%1","kind":3,
                       "sourceInfo":{"signal":1,"width":%2,"height":%3,"bitDepth":%4,
                                     "fps":%5,"interlaced":0,"hdr":%6}})")
        .arg(kBoxPath)
        .arg(width)
        .arg(height)
        .arg(depth)
        .arg(fps)
        .arg(hdr)
        .toUtf8();
}

QList<DEV_CAPACITY> boxFormats()
{
    return {fmt("YUY2", 3840, 2160, 30), fmt("P010", 3840, 2160, 30), fmt("YUY2", 1920, 1080, 60),
            fmt("P010", 1920, 1080, 60), fmt("NV12", 1280, 720, 60)};
}

// A dialog set up as the record panel does it.
struct Setup {
    QList<DEV_CAPACITY> list;
    QDeviceSetupWnd dlg{nullptr};

    Setup(const DEV_NAME& device, const DEV_CAPACITY& current, const QList<DEV_CAPACITY>& offered)
        : list(offered)
    {
        dlg.device = device;
        dlg.curCapacity = current;
        dlg.capacities = list.isEmpty() ? nullptr : list.data();
        dlg.capacityCount = int(list.size());
        dlg.InitDlg();
    }
};

} // namespace

class TestQDeviceSetupWnd : public QObject
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
        delete g_Global.pFilterStore;
        g_Global.pFilterStore = nullptr;
        zdtest::stopEngine();
    }
    void init()
    {
        g_Global.hdr4k30 = 0;
        ZDT_ClearTrace();
    }
    void cleanup()
    {
        ZDT_RemoveDevice(g_Global.hCore, kBoxPath);
        int off = 0;
        ZD_4k30_hdr_getset_hdrflag(g_Global.hCore, 1, &off);
    }

    void formatsShareAnItemAcrossFrameRates()
    {
        Setup s(dev("Cam", "usb-cam"), fmt("YUY2", 1920, 1080, 60),
                {fmt("YUY2", 1920, 1080, 30, 25, 24), fmt("YUY2", 1920, 1080, 60, 50, 0),
                 fmt("MJPG", 1280, 720, 30)});
        QComboBox* f = formats(&s.dlg);
        QCOMPARE(texts(f), QStringList({"Default", "YUY2: 1920x1080", "MJPG: 1280x720"}));
        QCOMPARE(f->itemData(0).toInt(), -1);
        QCOMPARE(f->itemData(1).toInt(), 0); // the first of the two
        QCOMPARE(f->itemData(2).toInt(), 2);
        QCOMPARE(f->currentIndex(), 1);
        // The item's rates; the rate in use is shown.
        QCOMPARE(texts(rates(&s.dlg)), QStringList({"Default", "25", "24"}));
        QCOMPARE(rates(&s.dlg)->currentText(), QString("60"));
        QVERIFY(rates(&s.dlg)->isEditable());

        f->setCurrentIndex(2);
        QCOMPARE(texts(rates(&s.dlg)), QStringList({"Default", "0", "0"}));
        QCOMPARE(rates(&s.dlg)->currentText(), QString("30"));
        QCOMPARE(s.dlg.findChild<QLineEdit*>("edit_dev_name")->text(), QString("Cam"));
        QVERIFY(!s.dlg.findChild<QLineEdit*>("edit_dev_name")->isEnabled());
        QVERIFY(s.dlg.findChild<QWidget*>("widget_4k30")->isHidden());
    }

    // Every format offers its two further rates as the engine gave them,
    // and shows its own rate, 0 included, as a number.
    void zeroRatesShowAsNumbers()
    {
        Setup s(dev("Cam", "usb-cam"), fmt("YUY2", 1920, 1080, 60),
                {fmt("YUY2", 1920, 1080, 60, 30, 0), fmt("MJPG", 1280, 720, 0, 0, 15)});
        QCOMPARE(texts(rates(&s.dlg)), QStringList({"Default", "30", "0"}));
        QCOMPARE(rates(&s.dlg)->currentText(), QString("60"));
        formats(&s.dlg)->setCurrentIndex(2);
        QCOMPARE(texts(rates(&s.dlg)), QStringList({"Default", "0", "15"}));
        QCOMPARE(rates(&s.dlg)->currentText(), QString("0"));
    }

    void aFormatNotInUseLeavesDefault()
    {
        Setup s(dev("Cam", "usb-cam"), fmt("YUY2", 0, 0, 0), {fmt("YUY2", 1920, 1080, 30)});
        QCOMPARE(formats(&s.dlg)->currentText(), QString("Default"));
        QCOMPARE(rates(&s.dlg)->currentText(), QString("Default"));
    }

    void okHandsBackTheChoice_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("typedRate");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fps");
        QTest::addColumn<QString>("codec");
        QTest::newRow("format, typed rate") << 2 << "25" << 1280 << 720 << 25 << "MJPG";
        QTest::newRow("format, its own rate") << 2 << "Default" << 1280 << 720 << 30 << "MJPG";
        QTest::newRow("format, not a number") << 1 << "fast" << 1920 << 1080 << 30 << "YUY2";
        QTest::newRow("Default ignores a rate") << 0 << "25" << 0 << 0 << 0 << "YUY2";
    }

    void okHandsBackTheChoice()
    {
        QFETCH(int, item);
        QFETCH(QString, typedRate);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fps);
        QFETCH(QString, codec);
        Setup s(
            dev("Cam", "usb-cam"), fmt("YUY2", 1920, 1080, 60),
            {fmt("YUY2", 1920, 1080, 30), fmt("YUY2", 1920, 1080, 60), fmt("MJPG", 1280, 720, 30)});
        formats(&s.dlg)->setCurrentIndex(item);
        rates(&s.dlg)->setCurrentText(typedRate);
        s.dlg.findChild<QPushButton*>("btnOk")->click();
        QCOMPARE(s.dlg.result(), 1);
        QCOMPARE(s.dlg.curCapacity.width, width);
        QCOMPARE(s.dlg.curCapacity.height, height);
        QCOMPARE(s.dlg.curCapacity.fps, fps);
        QCOMPARE(QString(s.dlg.curCapacity.codecName), codec);
        QCOMPARE(s.dlg.reopenNeeded, 0);
    }

    void noFormatsGiveZeros()
    {
        Setup s(dev("Cam", "usb-cam"), fmt("YUY2", 1920, 1080, 60), {});
        QVERIFY(!formats(&s.dlg)->isEnabled());
        QCOMPARE(texts(formats(&s.dlg)), QStringList("Default"));
        s.dlg.onOKClick();
        QCOMPARE(s.dlg.curCapacity.width, 0);
        QCOMPARE(s.dlg.curCapacity.height, 0);
        QCOMPARE(s.dlg.curCapacity.fps, 0);
    }

    void it9910RatesAreFixed()
    {
        Setup s(dev("IT9910", "usb-VID_048D&PID_9910-1"), fmt("YUY2", 1280, 720, 60),
                {fmt("YUY2", 1280, 720, 60, 25, 24), fmt("YUY2", 640, 480, 30)});
        QCOMPARE(texts(rates(&s.dlg)), QStringList({"Default", "60", "50", "30"}));
        QVERIFY(!rates(&s.dlg)->isEditable());
        formats(&s.dlg)->setCurrentIndex(2);
        QCOMPARE(texts(rates(&s.dlg)), QStringList({"Default", "30"}));
    }

    void cancelEndsWithZero()
    {
        Setup s(dev("Cam", "usb-cam"), fmt("YUY2", 1920, 1080, 60), {fmt("YUY2", 1920, 1080, 60)});
        const DEV_CAPACITY before = s.dlg.curCapacity;
        formats(&s.dlg)->setCurrentIndex(0);
        s.dlg.findChild<QPushButton*>("btnCancel")->click();
        QCOMPARE(s.dlg.result(), 0);
        QCOMPARE(memcmp(&s.dlg.curCapacity, &before, sizeof(before)), 0);
    }

    // Filters edited in the dialog reach the file on OK only.
    void filtersAreSavedOnOk()
    {
        Setup s(dev("Saving Cam", "usb-save"), fmt("YUY2", 1920, 1080, 60), {});
        QMyFilters* chain = g_Global.pFilterStore->getDeviceFilters("Saving Cam");
        QCOMPARE(filterList(&s.dlg)->filters, chain);
        FILTERITEM flip;
        memset(&flip, 0, sizeof(flip));
        flip.type = FILTER_VFLIP;
        flip.enabled = 1;
        flip.id = chain->NewFilterId();
        InitFilterDataDefault(&flip);
        QVERIFY(chain->addFilter(flip) >= 0);
        filterList(&s.dlg)->AddFilterItem(flip);
        QVERIFY(!QFile::exists(chain->filePath()));
        s.dlg.onCancelClick();
        QVERIFY(!QFile::exists(chain->filePath()));
        s.dlg.onOKClick();
        QVERIFY(QFile::exists(chain->filePath()));
    }

    // An SDR source: no HDR formats, nothing taller than the source, the
    // switch off with its reason, and the group still on screen.
    void anSdrSourcePrunesAndExplains()
    {
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, boxJson(1920, 1080, 8, 60, 0).constData()), 1);
        Setup s(dev("USB Capture HDMI 4K+", kBoxPath), fmt("YUY2", 1920, 1080, 60), boxFormats());
        QCOMPARE(texts(formats(&s.dlg)),
                 QStringList({"Default", "YUY2: 1920x1080", "NV12: 1280x720"}));
        QCOMPARE(formats(&s.dlg)->currentText(), QString("YUY2: 1920x1080"));
        QCheckBox* hdr = hdrBox(&s.dlg);
        QVERIFY(!hdr->isEnabled());
        QVERIFY(!hdr->isChecked());
        QCOMPARE(hdr->toolTip(), getLang(21110, "Please turn on HDR of source player firstly."));
        auto* line = s.dlg.findChild<QLabel*>("labelhdr");
        QCOMPARE(line->text(), QString("HDMI Source: 1920x1080@60fps,8bit,SDR"));
        QVERIFY(!line->isEnabled());
        QVERIFY(!s.dlg.findChild<QWidget*>("widget_4k30")->isHidden());
        QCOMPARE(filterList(&s.dlg)->geometry().bottom(), 160 + 111 - 1 - 30);
    }

    // An HDR source: the switch can be changed after the source was read;
    // ticking it picks the first HDR format and locks the filters, and OK
    // hands the new setting over and asks for a reopen.
    void theHdrSwitchCanBeChanged()
    {
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, boxJson(3840, 2160, 10, 30, 1).constData()), 1);
        Setup s(dev("USB Capture HDMI 4K+", kBoxPath), fmt("YUY2", 1920, 1080, 60), boxFormats());
        QCOMPARE(formats(&s.dlg)->count(), 6);
        QCOMPARE(s.dlg.findChild<QLabel*>("labelhdr")->text(),
                 QString("HDMI Source: 3840x2160@30fps,10bit,HDR"));
        QCheckBox* hdr = hdrBox(&s.dlg);
        QVERIFY(!s.dlg.findChild<QWidget*>("widget_4k30")->isHidden());
        QVERIFY(hdr->isEnabled());
        QVERIFY(!hdr->isChecked());
        QVERIFY(filterList(&s.dlg)->isEnabled());

        s.dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&s.dlg));
        QTest::mouseClick(hdr, Qt::LeftButton, {}, QPoint(5, hdr->height() / 2));
        QVERIFY(hdr->isChecked());
        QCOMPARE(formats(&s.dlg)->currentText(), QString("P010: 3840x2160"));
        QVERIFY(!filterList(&s.dlg)->isEnabled());

        s.dlg.findChild<QPushButton*>("btnOk")->click();
        QCOMPARE(g_Global.hdr4k30, 1);
        QCOMPARE(s.dlg.reopenNeeded, 1);
        QCOMPARE(QString(s.dlg.curCapacity.codecName), QString("P010"));
        QCOMPARE(s.dlg.curCapacity.height, 2160);
    }

    void switchingHdrOffAsksForAReopen()
    {
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, boxJson(3840, 2160, 10, 30, 1).constData()), 1);
        int on = 1;
        QCOMPARE(ZD_4k30_hdr_getset_hdrflag(g_Global.hCore, 1, &on), 1);
        g_Global.hdr4k30 = 1;
        Setup s(dev("USB Capture HDMI 4K+", kBoxPath), fmt("P010", 3840, 2160, 30), boxFormats());
        QCheckBox* hdr = hdrBox(&s.dlg);
        QVERIFY(hdr->isChecked());
        QVERIFY(hdr->isEnabled());
        QVERIFY(!filterList(&s.dlg)->isEnabled());
        // A format without HDR switches it off.
        formats(&s.dlg)->setCurrentText("YUY2: 1920x1080");
        QVERIFY(!hdr->isChecked());
        s.dlg.onOKClick();
        QCOMPARE(g_Global.hdr4k30, 0);
        QCOMPARE(s.dlg.reopenNeeded, 1);
        QCOMPARE(s.dlg.curCapacity.width, 1920);
    }

    void unreadableSourceKeepsEveryFormat()
    {
        // A box the engine has no source information for.
        Setup s(dev("USB Capture HDMI 4K+", "usb-VID_6B4F&PID_3210-1"), fmt("YUY2", 1920, 1080, 60),
                boxFormats());
        QCOMPARE(formats(&s.dlg)->count(), 6);
        QVERIFY(!hdrBox(&s.dlg)->isEnabled());
        QVERIFY(!s.dlg.findChild<QWidget*>("widget_4k30")->isHidden());
        QVERIFY(zdtest::engineLog().contains("ZD_4k30_hdr_getSourceInfo get info failed."));
    }

    // The ProcAmp button opens the picture controls of the open device;
    // with none open there is nothing to read and nothing is written.
    void procAmpButtonOpensThePictureControls()
    {
        Setup s(dev("Cam", "usb-cam"), fmt("YUY2", 1920, 1080, 60), {});
        bool opened = false;
        zdtest::whenModal<QDeviceControlWnd>([&](QDeviceControlWnd* amp) {
            opened = true;
            QCOMPARE(amp->deviceName, static_cast<const char*>(nullptr));
            QVERIFY(!amp->findChild<QWidget*>("widget_war")->isHidden());
            amp->findChild<QMyPushButton*>("btn_cancel")->click();
        });
        ZDT_ClearTrace();
        s.dlg.findChild<QMyPushButton*>("btnSetup")->click();
        QVERIFY(opened);
        QCOMPARE(zdtest::traceCalls("ZD_SetCaptureAmpValue"), QStringList());
        QVERIFY(s.dlg.findChild<QMyPushButton*>("btnSetup_2")->isHidden());
    }
};

ZD_TEST_MAIN(TestQDeviceSetupWnd, QApplication)
#include "tst_qdevicesetupwnd.moc"
