#include "qdevicecontrolwnd.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QSlider>
#include <cstring>

#include "cpublic.h"
#include "picturebox.h"
#include "qmypushbutton.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qdevicecontrolwnd.h"

QDeviceControlWnd::QDeviceControlWnd(QWidget* parent, const char* device)
    : MyDialog(parent, true), ui(new Ui::QDeviceControlWnd), deviceName(device)
{
    memset(&ampValue, 0, sizeof(ampValue));
    setStyleSheet(QString::fromUtf8(g_Public.ReadQSSFile("popupwnd.qss")));
    ui->setupUi(this);
    setWindowTitle("Video Amplifier Properties");
    ui->checkBox->setText("Auto settings");
    // The number fields only show values; enabling the controls must not
    // make them look typeable.
    for (const Row& r : rows())
        r.edit->setReadOnly(true);

    valuesRead = ZD_GetCaptureAmpValue(g_Global.hCore, deviceName, &ampValue) == 1;
    if (!valuesRead) {
        // The device offers no picture controls: only leaving is possible.
        memset(&ampValue, 0, sizeof(ampValue));
        DisableControls(nullptr, 1);
        // Nothing was read, so there is nothing to keep: Cancel is the one
        // way out.
        ui->btn_ok->setEnabled(false);
        ui->widget_war->show();
        ui->widget_war->setEnabled(true);
        ui->label_tip->setEnabled(true);
        ui->label_ico->setEnabled(true);
        ui->btn_cancel->setEnabled(true);
        ui->btn_cancel->update();
        ui->label_ico->setImage(QImage(":/images/res/warn.png"), 1.0);
    } else {
        // The box stays in sight: it is the way out of automatic mode.
        ui->widget_war->hide();
        for (const Row& r : rows()) {
            const VIDEOAMPITEM& item = ampValue.items[r.item];
            r.slider->setMaximum(item.maximum);
            r.slider->setMinimum(item.minimum);
            r.slider->setValue(item.value);
            r.edit->setText(QString::number(item.value));
        }
        ui->checkBox->setChecked(ampValue.items[0].automatic != 0);
        if (ampValue.items[0].automatic)
            DisableControls(ui->checkBox, 1);
    }

    // Connected after the values are in place, so that opening writes
    // nothing to the device.
    connect(ui->slider, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider);
    connect(ui->slider_2, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_2);
    connect(ui->slider_3, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_3);
    connect(ui->slider_4, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_4);
    connect(ui->slider_5, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_5);
    connect(ui->slider_6, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_6);
    connect(ui->slider_7, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_7);
    connect(ui->slider_8, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_8);
    connect(ui->slider_9, &QSlider::valueChanged, this, &QDeviceControlWnd::onslider_9);

    AdjustRects(this, true);
    AdjustFonts(this);
    FitColumnToText({ui->label, ui->label_2, ui->label_3, ui->label_4, ui->label_5, ui->label_6,
                     ui->label_7, ui->label_8, ui->label_9});
    CenterWindow(this, nullptr);
}

QDeviceControlWnd::~QDeviceControlWnd()
{
    delete ui;
}

QList<QDeviceControlWnd::Row> QDeviceControlWnd::rows() const
{
    // Item 6 (colour enable) has no row.
    return {{ui->slider, ui->edit, 0},     {ui->slider_2, ui->edit_2, 1},
            {ui->slider_3, ui->edit_3, 2}, {ui->slider_4, ui->edit_4, 3},
            {ui->slider_5, ui->edit_5, 4}, {ui->slider_6, ui->edit_6, 5},
            {ui->slider_7, ui->edit_7, 7}, {ui->slider_8, ui->edit_8, 8},
            {ui->slider_9, ui->edit_9, 9}};
}

void QDeviceControlWnd::DisableControls(QWidget* except, int disable)
{
    const QList<QWidget*> all = findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (w != except)
            w->setEnabled(disable == 0);
    }
    ui->btn_ok->setEnabled(true);
    ui->btn_cancel->setEnabled(true);
}

void QDeviceControlWnd::ApplyData()
{
    if (!valuesRead)
        return;
    // Ranges, defaults and item 6 as the device gave them.
    VIDEOAMPVALUE value = ampValue;
    const uint8_t automatic = ui->checkBox->isChecked() ? 1 : 0;
    for (const Row& r : rows()) {
        value.items[r.item].value = r.slider->value();
        value.items[r.item].automatic = automatic;
    }
    if (ZD_SetCaptureAmpValue(g_Global.hCore, deviceName, &value) != 1)
        AddLog(2, "Apply ProcAmp Property failed.");
}

// A row's number field follows its slider while it moves, so the user sees
// the value being sent.
void QDeviceControlWnd::sliderMoved(int row, int value)
{
    rows().at(row).edit->setText(QString::number(value));
    ApplyData();
}

void QDeviceControlWnd::onslider(int v)
{
    sliderMoved(0, v);
}
void QDeviceControlWnd::onslider_2(int v)
{
    sliderMoved(1, v);
}
void QDeviceControlWnd::onslider_3(int v)
{
    sliderMoved(2, v);
}
void QDeviceControlWnd::onslider_4(int v)
{
    sliderMoved(3, v);
}
void QDeviceControlWnd::onslider_5(int v)
{
    sliderMoved(4, v);
}
void QDeviceControlWnd::onslider_6(int v)
{
    sliderMoved(5, v);
}
void QDeviceControlWnd::onslider_7(int v)
{
    sliderMoved(6, v);
}
void QDeviceControlWnd::onslider_8(int v)
{
    sliderMoved(7, v);
}
void QDeviceControlWnd::onslider_9(int v)
{
    sliderMoved(8, v);
}

void QDeviceControlWnd::onEnableColorCheck()
{
    if (!valuesRead)
        return;
    DisableControls(ui->checkBox, ui->checkBox->isChecked() ? 1 : 0);
    ApplyData();
}

void QDeviceControlWnd::onBtnDefault()
{
    if (!valuesRead)
        return;
    for (const Row& r : rows())
        r.slider->setValue(ampValue.items[r.item].defaultValue);
    const bool automatic = ampValue.items[0].automatic != 0;
    ui->checkBox->setChecked(automatic);
    DisableControls(ui->checkBox, automatic ? 1 : 0);
    for (const Row& r : rows())
        r.edit->setText(QString::number(ampValue.items[r.item].defaultValue));
    ApplyData();
}

void QDeviceControlWnd::onBtnOK()
{
    done(1);
}

void QDeviceControlWnd::onBtnCancel()
{
    // Nothing was read, so there is nothing to restore: writing the empty
    // record would zero every control of the device.
    if (valuesRead && ZD_SetCaptureAmpValue(g_Global.hCore, deviceName, &ampValue) != 1)
        AddLog(2, "Apply ProcAmp Property failed.");
    done(0);
}
