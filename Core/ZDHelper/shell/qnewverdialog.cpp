#include "qnewverdialog.h"

#include "cpublic.h"
#include "makerlinks.h"
#include "msgboxdialog.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qnewverdialog.h"
#include "vazURIdav.h"

#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QUrl>

QNewVerDialog::QNewVerDialog(QWidget* parent, bool)
    : MyDialog(parent, true), ui(new Ui_QNewVerDialog)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);

    setWindowTitle(getLang(35000, QStringLiteral("Found a new version released")));
    ui->label_1->setText(
        getLang(35001, QStringLiteral("You are using version: #v1#"), APP_VERSION));
    ui->label_ico->setImage(QImage(QStringLiteral(":/images/res/main-ico.png")), 1.0);
    ui->btnskip->setText(getLang(35006, QStringLiteral("Skip")));
    ui->btnok->setText(getLang(35007, QStringLiteral("Download")));
    ui->btncancel->setText(getLang(35008, QStringLiteral("Close")));

    pictureLabel = new QLabel(ui->scrollAreaWidgetContents);
    pictureLabel->setObjectName(QStringLiteral("pictureLabel"));

    QFont bold = font();
    bold.setWeight(QFont::Bold);
    ui->label_1->setFont(bold);
    ui->label_2->setFont(bold);

    AdjustFonts(this);
    AdjustRects(this, true);
    CenterWindow(this, nullptr);
    GA_TrackScreen("newver");
}

QNewVerDialog::~QNewVerDialog()
{
    if (!picturePath.isEmpty())
        DelFile(picturePath);
    delete ui;
}

void QNewVerDialog::setNewVer(const QString& version, const QString& picture)
{
    newVersion = version;
    ui->label_2->setText(getLang(35002, QStringLiteral("New released version: ver #v1#"), version));

    QPixmap pixmap;
    if (picture.isEmpty() || !pixmap.load(picture))
        return;
    const QSize scaled(int(pixmap.width() * g_dpi_percent), int(pixmap.height() * g_dpi_percent));
    if (scaled.isEmpty())
        return;
    pixmap = pixmap.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picturePath = picture;
    ui->scrollAreaWidgetContents->resize(scaled);
    ui->scrollAreaWidgetContents->setMinimumSize(scaled);
    pictureLabel->setGeometry(0, 0, scaled.width(), scaled.height());
    pictureLabel->setPixmap(pixmap);
}

void QNewVerDialog::onDownClick()
{
    QDesktopServices::openUrl(QUrl(URL_DOWNLOAD_PAGE));
}

void QNewVerDialog::onCancelClick()
{
    done(0);
}

void QNewVerDialog::onSkipClick()
{
    if (AfxMessageBoxQuestion(
            this, getLang(36003, QStringLiteral("Are you sure to skip this new version?"))) != 1)
        return;
    AfxWriteProfileString(QStringLiteral("CONFIG"), QStringLiteral("SKIPVERSION"), newVersion);
    done(0);
}
