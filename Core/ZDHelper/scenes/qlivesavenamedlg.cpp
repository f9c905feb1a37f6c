#include "qlivesavenamedlg.h"

#include "cpublic.h"
#include "msgboxdialog.h"
#include "scenefile.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qlivesavenamedlg.h"

QLiveSaveNameDlg::QLiveSaveNameDlg(QWidget* parent) : MyDialog(parent), ui(new Ui::QLiveSaveNameDlg)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    setWindowTitle(getLang(19040, "Save scene"));
    titleText = windowTitle();
    ui->label->setText(getLang(19036, "Please input a name"));
    ui->btnOK->setText(getLang(1, "OK"));
    ui->btnCancel->setText(getLang(2, "Cancel"));
    connect(ui->btnOK, &QPushButton::clicked, this, &QLiveSaveNameDlg::onOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QLiveSaveNameDlg::onCancelClick);
    AdjustFonts(this);
    AdjustRects(this, true);
    CenterWindow(this, nullptr);
    ui->lineEdit->setFocus();
}

QLiveSaveNameDlg::~QLiveSaveNameDlg()
{
    delete ui;
}

void QLiveSaveNameDlg::onOKClick()
{
    const QString text = ui->lineEdit->text();
    // The name becomes a file name in the scene folder: nothing that leaves
    // that folder or hides the file, and it must fit a file name.
    if (!SceneFile::IsValidName(text) || text.toLocal8Bit().size() > 255) {
        AfxMessageBox(this, getLang(19015, "Invalid file name"), MSGBOX_ERROR);
        return;
    }
    name = text;
    done(1);
}

void QLiveSaveNameDlg::onCancelClick()
{
    done(0);
}

void QLiveSaveNameDlg::OnOK()
{
    onOKClick();
}

void QLiveSaveNameDlg::OnCancel()
{
    onCancelClick();
}
