#include "qdevicesetupwnd.h"

#include <QComboBox>
#include <QLineEdit>
#include <cstring>

#include "cpublic.h"
#include "qdevicecontrolwnd.h"
#include "qfilterswidget.h"
#include "qmypushbutton.h"
#include "qscenecamerasetup.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qdevicesetupwnd.h"

namespace
{

QString codecText(const DEV_CAPACITY& c)
{
    return QString::fromUtf8(c.codecName, qstrnlen(c.codecName, sizeof(c.codecName)));
}

} // namespace

QDeviceSetupWnd::QDeviceSetupWnd(QWidget* parent)
    : MyDialog(parent, true), ui(new Ui::QDeviceSetupWnd)
{
    memset(&curCapacity, 0, sizeof(curCapacity));
    memset(&device, 0, sizeof(device));
    setStyleSheet(QString::fromUtf8(g_Public.ReadQSSFile("popupwnd.qss")));
    ui->setupUi(this);

    reopenNeeded = 0;
    formatGuard = false;
    ui->edit_dev_name->setEnabled(false);
    ui->btnSetup_2->hide();

    ui->label_dev_name->setText(getLang(21102, "Video capture device:"));
    ui->label_dev_format->setText(getLang(21104, "Video format:"));
    ui->label_dev_fps->setText(getLang(21108, "FPS:"));
    ui->checkhdr->setText(getLang(21109, "Enable HDR"));
    setWindowTitle(getLang(13010, "Device setup"));

    QFont small = font();
    small.setPointSize(8);
    ui->labelhdr->setFont(small);

    ui->comb_dev_fps->addItem("Default");
    ui->comb_dev_fps->setEditable(true);

    ui->btnOk->setText(getLang(1, "OK"));
    ui->btnCancel->setText(getLang(2, "Cancel"));

    AdjustRects(this, true);
    AdjustFonts(this);
    FitColumnToText({ui->label_dev_name, ui->label_dev_format, ui->label_dev_fps});
    CenterWindow(this, nullptr);

    ui->btnSetup->SetPicture(":/images/res/setup.png", 4);
    GA_TrackScreen("devicesetup");
}

QDeviceSetupWnd::~QDeviceSetupWnd()
{
    delete ui;
}

DEV_CAPACITY QDeviceSetupWnd::formatOfItem(int index) const
{
    const int data = index >= 0 ? ui->comb_dev_format->itemData(index).toInt() : -1;
    if (data >= 0 && data < capacityCount && capacities)
        return capacities[data];
    return curCapacity;
}

int QDeviceSetupWnd::findFormatItemContaining(const QString& part) const
{
    for (int i = 0; i < ui->comb_dev_format->count(); ++i) {
        if (ui->comb_dev_format->itemText(i).contains(part, Qt::CaseSensitive))
            return i;
    }
    return -1;
}

void QDeviceSetupWnd::InitDlg()
{
    if (capacityCount < 0 || !capacities)
        capacityCount = 0;
    ui->edit_dev_name->setText(QString::fromUtf8(device.name, qstrnlen(device.name, 256)));
    if (capacityCount == 0)
        ui->comb_dev_format->setEnabled(false);
    ui->comb_dev_format->addItem("Default", -1);
    for (int i = 0; i < capacityCount; ++i) {
        const DEV_CAPACITY& c = capacities[i];
        const QString text =
            QString::asprintf("%s: %dx%d", codecText(c).toUtf8().constData(), c.width, c.height);
        // Formats that differ only in frame rate share one item, the first.
        if (ui->comb_dev_format->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
            continue;
        ui->comb_dev_format->addItem(text, i);
        if (QSceneCameraSetup::isEqueDeviceFormat(&curCapacity, &c))
            ui->comb_dev_format->setCurrentText(text);
    }
    if (curCapacity.fps != 0)
        ui->comb_dev_fps->setCurrentText(QString::number(curCapacity.fps));
    else
        ui->comb_dev_fps->setCurrentText("Default");

    const QString name = QString::fromUtf8(device.name, qstrnlen(device.name, sizeof(device.name)));
    ui->filterwd->InitAll(name, QString());
    LoadDeviceIco(name);
}

void QDeviceSetupWnd::LoadDeviceIco(QString name)
{
    Q_UNUSED(name);
    if (!QSceneCameraSetup::IsIt4k30Dev(&device)) {
        ui->widget_4k30->hide();
        return;
    }
    QRect r = ui->filterwd->geometry();
    r.setBottom(int(r.bottom() - 30 * g_dpi_percent));
    ui->filterwd->setGeometry(r);
    ui->widget_4k30->show();

    int flag = 0;
    if (ZD_4k30_hdr_getset_hdrflag(g_Global.hCore, 0, &flag) != 0 && flag != 0)
        ui->checkhdr->setChecked(true);

    SOURCE_INFO_4K30 info;
    memset(&info, 0, sizeof(info));
    if (ZD_4k30_hdr_getSourceInfo(g_Global.hCore, &info) == 0) {
        ZD_Log(2, "ZD_4k30_hdr_getSourceInfo get info failed.");
        ui->checkhdr->setEnabled(false);
        return;
    }
    const bool hdrSource = info.hdr != 0;
    if (hdrSource) {
        ui->filterwd->setEnabled(flag == 0);
        ui->checkhdr->setEnabled(true);
        ui->labelhdr->setText(QString::asprintf("HDMI Source: %dx%d@%dfps,%dbit,HDR", info.width,
                                                info.height, info.fps, info.bitDepth));
    } else {
        ui->checkhdr->setEnabled(false);
        ui->checkhdr->setToolTip(getLang(21110, "Please turn on HDR of source player firstly."));
        ui->labelhdr->setText(QString::asprintf("HDMI Source: %dx%d@%dfps,%dbit,SDR", info.width,
                                                info.height, info.fps, info.bitDepth));
        ui->labelhdr->setEnabled(false);
        ui->checkhdr->setChecked(false);
    }

    for (int i = ui->comb_dev_format->count() - 1; i >= 0; --i) {
        const DEV_CAPACITY f = formatOfItem(i);
        const bool tooTall = f.height > 1080 && info.height != 0 && f.height > info.height;
        const bool hdrWithoutSource =
            !hdrSource && ui->comb_dev_format->itemText(i).contains("P010", Qt::CaseSensitive);
        if (tooTall || hdrWithoutSource)
            ui->comb_dev_format->removeItem(i);
    }
    // The group stays on screen: its switch is what this part of the dialog
    // is for, and OK reads it only while the group is shown.
}

void QDeviceSetupWnd::onVideoSizeChange(int index)
{
    ui->comb_dev_fps->clear();
    const DEV_CAPACITY f = formatOfItem(index);
    const bool it9910 = QSceneCameraSetup::IsIt9910Dev(&device);
    if (it9910) {
        QStringList rates;
        if (f.height == 480 || f.height == 1080)
            rates = {"Default", "30"};
        else if (f.height == 720)
            rates = {"Default", "60", "50", "30"};
        if (!rates.isEmpty()) {
            ui->comb_dev_fps->setEditable(false);
            ui->comb_dev_fps->addItems(rates);
        }
    } else {
        ui->comb_dev_fps->addItem("Default");
        for (int rate : f.fpsChoices)
            ui->comb_dev_fps->addItem(QString::number(rate));
        ui->comb_dev_fps->setCurrentText(QString::number(f.fps));
        if (!formatGuard &&
            !ui->comb_dev_format->itemText(index).contains("P010", Qt::CaseSensitive))
            ui->checkhdr->setChecked(false);
    }
}

void QDeviceSetupWnd::on4k30_hdrenable(bool ticked)
{
    if (!ticked)
        return;
    const int p010 = findFormatItemContaining("P010");
    if (p010 >= 0) {
        formatGuard = true;
        ui->comb_dev_format->setCurrentText(ui->comb_dev_format->itemText(p010));
        formatGuard = false;
    }
    ui->filterwd->setEnabled(false);
}

void QDeviceSetupWnd::onOKClick()
{
    const int fps = ui->comb_dev_fps->currentText().trimmed().toInt();
    const int current = ui->comb_dev_format->currentIndex();
    if (current >= 0) {
        curCapacity.width = 0;
        curCapacity.height = 0;
        curCapacity.fps = 0;
        const int data = ui->comb_dev_format->itemData(current).toInt();
        if (data >= 0 && data < capacityCount && capacities) {
            curCapacity = capacities[data];
            if (fps > 0)
                curCapacity.fps = fps;
        }
    }
    ui->filterwd->SaveFilters();

    if (!ui->widget_4k30->isHidden()) {
        const bool hdr = ui->checkhdr->isChecked();
        if (hdr && codecText(curCapacity) != "P010") {
            const int p010 = findFormatItemContaining("P010");
            if (p010 >= 0) {
                const int data = ui->comb_dev_format->itemData(p010).toInt();
                if (data >= 0 && data < capacityCount && capacities) {
                    curCapacity = capacities[data];
                    curCapacity.fps = 60;
                }
            }
        }
        if ((g_Global.hdr4k30 != 0) != hdr) {
            g_Global.hdr4k30 = hdr ? 1 : 0;
            ++reopenNeeded;
        }
    }
    done(1);
}

void QDeviceSetupWnd::onCancelClick()
{
    done(0);
}

void QDeviceSetupWnd::onSetupClick()
{
    QDeviceControlWnd dlg(this, nullptr);
    dlg.exec();
}

void QDeviceSetupWnd::onSetup2Click()
{
    QDeviceControlWnd dlg(this, nullptr);
    dlg.exec();
}
