#include "qaboutdialog.h"

#include "cpublic.h"
#include "makerlinks.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qaboutdialog.h"
#include "vazURIdav.h"

#include <QDesktopServices>
#include <QImage>
#include <QUrl>

QAboutDialog::QAboutDialog(QWidget* parent) : MyDialog(parent, true), ui(new Ui_QAboutDialog)
{
    ui->setupUi(this);
    ui->btnshow->setStyleSheet(
        QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("fixedbutton.qss"))));

    ui->label_ico->setImage(QImage(QStringLiteral(":/images/res/main-ico.png")), 1.0);
    ui->label_name->setText(APP_NAME);
    ui->label_ver->setText(APP_VERSION);
    ui->label_cp->setText(CP_RIGHT);
    QFont nameFont = font();
    nameFont.setWeight(QFont::Bold);
    nameFont.setPointSize(12);
    ui->label_name->setFont(nameFont);
    QFont noticeFont = font();
    noticeFont.setPointSize(8);
    ui->label_cp->setFont(noticeFont);
    ui->label_cp->setStyleSheet(QStringLiteral("color:rgb(160,160,160);"));

    setWindowTitle(getLang(16, QStringLiteral("About")));
    ui->btnHome->setText(getLang(18, QStringLiteral("Home page")));
    // Fits the link to its new text inside the form's rectangle.
    ui->btnHome->setFontHeight(9, false);

    AdjustRects(this, true);
    AdjustFonts(this);
    CenterWindow(this, nullptr);

    ui->btnHome->show();
    ui->btnshow->hide();
    GA_TrackScreen("about");
}

QAboutDialog::~QAboutDialog()
{
    delete ui;
}

void QAboutDialog::onBtnHomeClick()
{
    QDesktopServices::openUrl(QUrl(URL_HOME_PAGE));
}

void QAboutDialog::onBtnForceShow() {}
