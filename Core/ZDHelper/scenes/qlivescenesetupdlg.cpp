#include "qlivescenesetupdlg.h"

#include "cpublic.h"
#include "msgboxdialog.h"
#include "qfilterswidget.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qlivescenesetupdlg.h"

QLiveSceneSetupDlg::QLiveSceneSetupDlg(QWidget* parent)
    : MyDialog(parent), ui(new Ui::QLiveSceneSetupDlg)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    setWindowTitle(getLang(21002, "Live stream video setting"));
    titleText = windowTitle();
    ui->cbx1->setEditable(true);
    ui->cbx2->setEditable(true);
    sameText = getLang(21005, "Same as live setting");
    ui->cbx1->addItems({sameText, "1920x1080", "1280x720", "720x480"});
    ui->cbx2->addItems({sameText, "60", "50", "30", "25"});
    ui->widget->InitAll("NULL", QString());
    ui->widget->hide();
    ui->s1->setText(getLang(21003, "Video resolution:"));
    ui->s2->setText(getLang(21004, "FPS:"));
    connect(ui->btnOK, &QPushButton::clicked, this, &QLiveSceneSetupDlg::onOK);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QLiveSceneSetupDlg::onCancel);
    AdjustFonts(this);
    AdjustRects(this, true);
    CenterWindow(this, nullptr);
}

QLiveSceneSetupDlg::~QLiveSceneSetupDlg()
{
    delete ui;
}

void QLiveSceneSetupDlg::InitValues()
{
    if (width == 0 && height == 0)
        ui->cbx1->setCurrentIndex(0);
    else
        ui->cbx1->setCurrentText(QString::asprintf("%dx%d", width, height));
    if (fps == 0)
        ui->cbx2->setCurrentIndex(0);
    else
        ui->cbx2->setCurrentText(QString::asprintf("%d", fps));
}

void QLiveSceneSetupDlg::onOK()
{
    const QString sizeText = ui->cbx1->currentText().trimmed();
    const QString fpsText = ui->cbx2->currentText().trimmed();
    int w = 0, h = 0, f = 0;
    if (sizeText != sameText) {
        const QStringList parts = sizeText.split(QLatin1Char('x'), Qt::KeepEmptyParts);
        if (parts.size() == 2) {
            w = parts[0].toInt();
            h = parts[1].toInt();
        }
        if (parts.size() != 2 || w < 320 || w > 3840 || h < 240 || h > 2160) {
            AfxMessageBox(this,
                          getLang(21000, "The size value is invalid (Please fill string 320x240 "
                                         "~ 3840x2160)"),
                          MSGBOX_NOTICE);
            return;
        }
    }
    if (fpsText != sameText) {
        f = fpsText.toInt();
        if (f < 15 || f > 60) {
            AfxMessageBox(this,
                          getLang(21001, "The FPS value is invalid(Please fill a number 15~60)"),
                          MSGBOX_NOTICE);
            return;
        }
    }
    width = w;
    height = h;
    fps = f;
    ui->widget->SaveFilters();
    done(1);
}

void QLiveSceneSetupDlg::onCancel()
{
    done(0);
}
