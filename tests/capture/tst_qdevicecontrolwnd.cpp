// The ProcAmp dialog against a scripted device: opening writes nothing, each
// slider step writes once and shows in its number field, Cancel restores what
// was read byte for byte, and a device without picture controls is never
// written to.
#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>
#include <cstring>

#include "picturebox.h"
#include "qdevicecontrolwnd.h"
#include "qmypushbutton.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

const char* const kAmpCam =
    R"({"name":"Amp Cam","path":"usb-VID_1234&PID_0001-1","kind":1,
        "formats":[{"width":1280,"height":720,"fps":30,"fourcc":"YUY2","codec":"YUY2"}],
        "amp":[{"value":10,"min":-64,"max":64,"default":0,"auto":0},
               {"value":40,"min":0,"max":100,"default":50,"auto":0},
               {"value":-20,"min":-180,"max":180,"default":0,"auto":0},
               {"value":60,"min":0,"max":100,"default":64,"auto":0},
               {"value":3,"min":0,"max":7,"default":3,"auto":0},
               {"value":120,"min":72,"max":500,"default":100,"auto":0},
               {"value":1,"min":0,"max":1,"default":1,"auto":1},
               {"value":5000,"min":2800,"max":6500,"default":4600,"auto":0},
               {"value":0,"min":0,"max":2,"default":1,"auto":0},
               {"value":30,"min":0,"max":100,"default":0,"auto":0}]})";

const char* const kAutoCam =
    R"({"name":"Auto Cam","path":"usb-auto","kind":1,
        "amp":[{"value":10,"min":-64,"max":64,"default":0,"auto":1}]})";

const char* const kPlainCam = R"({"name":"Plain Cam","path":"usb-plain","kind":1})";

VIDEOAMPVALUE readAmp(const char* device)
{
    VIDEOAMPVALUE v;
    memset(&v, 0, sizeof(v));
    if (ZD_GetCaptureAmpValue(g_Global.hCore, device, &v) != 1)
        qWarning("no ProcAmp values for %s", device);
    return v;
}

QByteArray bytesOf(const VIDEOAMPVALUE& v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof(v));
}

QList<QSlider*> sliders(QWidget* dlg)
{
    QList<QSlider*> out;
    out << dlg->findChild<QSlider*>("slider");
    for (int r = 2; r <= 9; ++r)
        out << dlg->findChild<QSlider*>(QString("slider_%1").arg(r));
    return out;
}

QLineEdit* field(QWidget* dlg, int row)
{
    return dlg->findChild<QLineEdit*>(row == 1 ? QString("edit") : QString("edit_%1").arg(row));
}

int writes()
{
    return int(zdtest::traceCalls("ZD_SetCaptureAmpValue").size());
}

} // namespace

class TestQDeviceControlWnd : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(zdtest::startEngine());
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, kAmpCam), 1);
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, kAutoCam), 1);
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, kPlainCam), 1);
    }
    void cleanupTestCase() { zdtest::stopEngine(); }
    void init()
    {
        ZDT_ClearScript(nullptr);
        ZDT_ClearTrace();
    }

    void openingReadsAndWritesNothing()
    {
        const VIDEOAMPVALUE before = readAmp("Amp Cam");
        ZDT_ClearTrace();
        QDeviceControlWnd dlg(nullptr, "Amp Cam");
        QCOMPARE(zdtest::traceCalls("ZD_GetCaptureAmpValue"),
                 QStringList("ZD_GetCaptureAmpValue(device=Amp Cam)"));
        QCOMPARE(writes(), 0);
        const int items[9] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
        const QList<QSlider*> all = sliders(&dlg);
        for (int r = 0; r < 9; ++r) {
            const VIDEOAMPITEM& item = before.items[items[r]];
            QCOMPARE(all[r]->minimum(), item.minimum);
            QCOMPARE(all[r]->maximum(), item.maximum);
            QCOMPARE(all[r]->value(), item.value);
            QCOMPARE(field(&dlg, r + 1)->text(), QString::number(item.value));
        }
        QVERIFY(dlg.findChild<QWidget*>("widget_war")->isHidden());
        QVERIFY(!dlg.findChild<QCheckBox*>("checkBox")->isChecked());
    }

    void eachStepWritesOnceAndCancelRestores()
    {
        const VIDEOAMPVALUE before = readAmp("Amp Cam");
        QDeviceControlWnd dlg(nullptr, "Amp Cam");
        QSlider* contrast = sliders(&dlg).at(1);
        ZDT_ClearTrace();
        for (int step = 1; step <= 3; ++step)
            contrast->setValue(40 + step);
        QCOMPARE(writes(), 3);
        QCOMPARE(readAmp("Amp Cam").items[1].value, 43);
        // The number field follows the slider; the others keep theirs.
        QCOMPARE(field(&dlg, 2)->text(), QString("43"));
        QCOMPARE(field(&dlg, 1)->text(), QString("10"));

        QTest::keyClick(sliders(&dlg).at(8), Qt::Key_Right);
        QCOMPARE(writes(), 4);
        QCOMPARE(field(&dlg, 9)->text(), QString("31"));
        dlg.findChild<QCheckBox*>("checkBox")->click();
        QCOMPARE(writes(), 5);
        QCOMPARE(readAmp("Amp Cam").items[0].automatic, uint8_t(1));

        dlg.findChild<QMyPushButton*>("btn_cancel")->click();
        QCOMPARE(dlg.result(), 0);
        QCOMPARE(writes(), 6);
        QCOMPARE(bytesOf(readAmp("Amp Cam")), bytesOf(before));
    }

    void defaultMovesEverySliderAndWritesOnceMore()
    {
        const VIDEOAMPVALUE before = readAmp("Amp Cam");
        QDeviceControlWnd dlg(nullptr, "Amp Cam");
        const int items[9] = {0, 1, 2, 3, 4, 5, 7, 8, 9};
        int changed = 0;
        for (int r = 0; r < 9; ++r)
            changed += before.items[items[r]].value != before.items[items[r]].defaultValue;
        ZDT_ClearTrace();
        dlg.findChild<QMyPushButton*>("btn_def")->click();
        QCOMPARE(writes(), changed + 1);
        const VIDEOAMPVALUE after = readAmp("Amp Cam");
        for (int r = 0; r < 9; ++r) {
            QCOMPARE(after.items[items[r]].value, before.items[items[r]].defaultValue);
            QCOMPARE(field(&dlg, r + 1)->text(),
                     QString::number(before.items[items[r]].defaultValue));
        }
        dlg.findChild<QMyPushButton*>("btn_ok")->click();
        QCOMPARE(dlg.result(), 1);
        QCOMPARE(bytesOf(readAmp("Amp Cam")), bytesOf(after));
        // Put the device back for the other cases.
        QCOMPARE(ZD_SetCaptureAmpValue(g_Global.hCore, "Amp Cam", &before), 1);
    }

    // Without picture controls the dialog can still be left, and writes
    // nothing on the way out.
    void aDeviceWithoutProcAmpIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("device");
        QTest::newRow("no controls") << QByteArray("Plain Cam");
        QTest::newRow("unknown device") << QByteArray("Nobody");
    }

    void aDeviceWithoutProcAmpIsNeverWritten()
    {
        QFETCH(QByteArray, device);
        QDeviceControlWnd dlg(nullptr, device.constData());
        QVERIFY(!dlg.findChild<QWidget*>("widget_war")->isHidden());
        QVERIFY(dlg.findChild<QWidget*>("label_tip")->isEnabled());
        QVERIFY(!dlg.findChild<PictureBox*>("label_ico")->picture.isNull());
        // Of everything the user can work, only Cancel is enabled.
        QStringList enabled;
        for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>())
            if (b->isEnabled())
                enabled << b->objectName();
        for (QSlider* s : sliders(&dlg))
            if (s->isEnabled())
                enabled << s->objectName();
        QCOMPARE(enabled, QStringList("btn_cancel"));
        dlg.findChild<QMyPushButton*>("btn_cancel")->click();
        QCOMPARE(dlg.result(), 0);
        QCOMPARE(writes(), 0);
    }

    // A device in automatic mode: the sliders wait, but the dialog can be
    // left, and the box takes the device out of automatic mode.
    void automaticModeLeavesTheWayOut()
    {
        QDeviceControlWnd dlg(nullptr, "Auto Cam");
        auto* box = dlg.findChild<QCheckBox*>("checkBox");
        QVERIFY(!box->isHidden());
        QVERIFY(box->isChecked());
        QVERIFY(box->isEnabled());
        QVERIFY(!sliders(&dlg).first()->isEnabled());
        QVERIFY(dlg.findChild<QMyPushButton*>("btn_ok")->isEnabled());
        QVERIFY(dlg.findChild<QMyPushButton*>("btn_cancel")->isEnabled());
        QCOMPARE(writes(), 0);

        box->click();
        QVERIFY(sliders(&dlg).first()->isEnabled());
        QCOMPARE(writes(), 1);
        QCOMPARE(readAmp("Auto Cam").items[0].automatic, uint8_t(0));
        dlg.findChild<QMyPushButton*>("btn_cancel")->click();
        QCOMPARE(readAmp("Auto Cam").items[0].automatic, uint8_t(1));
    }

    void aFailedWriteIsLogged()
    {
        QDeviceControlWnd dlg(nullptr, "Amp Cam");
        ZDT_ScriptResult("ZD_SetCaptureAmpValue", 0);
        const int before = int(zdtest::engineLog().count("Apply ProcAmp Property failed."));
        sliders(&dlg).first()->setValue(11);
        dlg.findChild<QMyPushButton*>("btn_cancel")->click();
        ZDT_ClearScript("ZD_SetCaptureAmpValue");
        QCOMPARE(int(zdtest::engineLog().count("Apply ProcAmp Property failed.")), before + 2);
    }
};

ZD_TEST_MAIN(TestQDeviceControlWnd, QApplication)
#include "tst_qdevicecontrolwnd.moc"
