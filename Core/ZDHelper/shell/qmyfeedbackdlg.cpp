#include "qmyfeedbackdlg.h"

#include "cpublic.h"
#include "msgboxdialog.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qmyfeedbackdlg.h"
#include "vazURIdav.h"

#include <cstdlib>

QMyFeedBackDlg::QMyFeedBackDlg(QWidget* parent) : MyDialog(parent, true), ui(new Ui_QMyFeedBackDlg)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);

    setWindowTitle(getLang(13, QStringLiteral("Feedback")));
    ui->label_tip->setText(getLang(50001, QString()));
    ui->lineEdit->setPlaceholderText(getLang(50002, QString()));
    ui->lineEdit_2->setPlaceholderText(getLang(50003, QString()));
    ui->textEdit->setPlaceholderText(getLang(50014, QString()));
    ui->pushButton->setText(getLang(50006, QString()));

    const QString name =
        AfxGetProfileString(QStringLiteral("Feedback"), QStringLiteral("name"), QString());
    if (!name.isEmpty())
        ui->lineEdit->setText(name);
    const QString email =
        AfxGetProfileString(QStringLiteral("Feedback"), QStringLiteral("email"), QString());
    if (!email.isEmpty())
        ui->lineEdit_2->setText(email);

    AdjustFonts(this);
    CenterWindow(this, nullptr);
    GA_TrackScreen("feedback");
}

QMyFeedBackDlg::~QMyFeedBackDlg()
{
    delete ui;
}

void QMyFeedBackDlg::onSend()
{
    QString name = ui->lineEdit->text();
    QString email = ui->lineEdit_2->text();
    const QString report = ui->textEdit->toPlainText();

    if (!name.isEmpty())
        AfxWriteProfileString(QStringLiteral("Feedback"), QStringLiteral("name"), name);
    else
        name = QStringLiteral("noname");
    if (!email.isEmpty())
        AfxWriteProfileString(QStringLiteral("Feedback"), QStringLiteral("email"), email);
    else
        email = QString::fromLatin1(kNoEmail);

    if (report.isEmpty()) {
        AfxMessageBox(this, getLang(50014, QStringLiteral("Please fill in content.")),
                      MSGBOX_NOTICE);
        return;
    }

    const QByteArray nameUtf8 = name.toUtf8();
    const QByteArray emailUtf8 = email.toUtf8();
    const QByteArray reportUtf8 = report.toUtf8();
    int length = 0;
    char message[ZD_TEXT_BUFFER_BYTES] = {};
    char* packet = ZD_package_feedback_data(nameUtf8.constData(), emailUtf8.constData(),
                                            reportUtf8.constData(), &length, message);
    if (packet == nullptr)
        return;
    const int result = ZD_PostFeedback(packet, length, message);
    std::free(packet);

    if (result == 1) {
        ui->textEdit->clear();
        AfxMessageBox(this, getLang(50010, QStringLiteral("Send OK.")), MSGBOX_NOTICE);
        AddLog(2, QStringLiteral("Feedback send OK."));
    } else {
        AfxMessageBox(this, getLang(50011, QStringLiteral("Send failed.")), MSGBOX_NOTICE);
        AddLog(2, QStringLiteral("Feedback send failed."));
    }
}
