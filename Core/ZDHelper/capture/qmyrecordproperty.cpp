#include "qmyrecordproperty.h"

#include <QDateTime>
#include <QIntValidator>
#include <QTimer>

#include <climits>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qmyrecordproperty.h"

namespace
{

// The extension of the file the engine writes (".mp4", ".ts"); the finished
// file keeps it whatever the user types, so a TS recording never ends up
// named as an MP4.
QString recordingExtension()
{
    QString folder;
    QString name;
    QStringSplitPathName(g_Global.recFilePath, folder, name);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot) : QStringLiteral(".mp4");
}

// A field's number; an empty, unreadable or too large field counts 0.
qint64 fieldValue(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

} // namespace

QMyRecordProperty::QMyRecordProperty(QWidget* parent)
    : MyDialog(parent, true), ui(new Ui::QMyRecordProperty)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);

    const int s = g_Global.recAutoStopSecs;
    if (s > 0) {
        ui->edit_hour->setText(QString::number(s / 3600));
        ui->edit_minute->setText(QString::number(s % 3600 / 60));
        ui->edit_second->setText(QString::number(s % 60));
    }
    ui->chk_stop->setChecked(s >= 1);
    enableStopControls(s >= 1);

    ui->edit_hour->setValidator(new QIntValidator(0, 24, this));
    ui->edit_minute->setValidator(new QIntValidator(0, 59, this));
    ui->edit_second->setValidator(new QIntValidator(0, 59, this));

    QString folder;
    QString name;
    QStringSplitPathName(g_Global.recTargetPath.isEmpty() ? g_Global.recFilePath
                                                          : g_Global.recTargetPath,
                         folder, name);
    ui->edit_title->setText(name);

    connect(ui->chk_stop, &QCheckBox::clicked, this, &QMyRecordProperty::onCheckStopClick);
    connect(ui->btnOK, &QPushButton::clicked, this, &QMyRecordProperty::onOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QMyRecordProperty::onCancelClick);

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &QMyRecordProperty::timer1);
    m_timer->start();

    ui->s1->setText(getLang(14001, QStringLiteral("File name:")));
    ui->s2->setText(getLang(14002, QStringLiteral(" Duration:")));
    ui->chk_stop->setText(getLang(14003, QStringLiteral("Automatically stop recording")));
    ui->s3->setText(getLang(14004, QStringLiteral("when the duration exceeds :")));
    ui->s4->setText(getLang(14005, QStringLiteral("hours")));
    ui->s5->setText(getLang(14006, QStringLiteral("minutes")));
    ui->s6->setText(getLang(14007, QStringLiteral("seconds")));
    setWindowTitle(getLang(14008, QStringLiteral("Recording information")));
    ui->btnOK->setText(getLang(1, QStringLiteral("OK")));
    ui->btnCancel->setText(getLang(2, QStringLiteral("Cancel")));

    AdjustFonts(this);
    AdjustRects(this, true);
    FitColumnToText({ui->s1, ui->s2});
    FitRowToText({ui->chk_stop});
    FitRowToText({ui->s3});
    FitRowToText({ui->edit_hour, ui->s4, ui->edit_minute, ui->s5, ui->edit_second, ui->s6});
    CenterWindow(this, nullptr);

    // Opened just as the recording ended: there is nothing left to rename.
    if (g_Global.recStartTime == 0)
        ui->btnOK->setEnabled(false);
}

QMyRecordProperty::~QMyRecordProperty()
{
    delete ui;
}

void QMyRecordProperty::enableStopControls(bool enable)
{
    for (QWidget* w : {static_cast<QWidget*>(ui->edit_hour), static_cast<QWidget*>(ui->edit_minute),
                       static_cast<QWidget*>(ui->edit_second), static_cast<QWidget*>(ui->s4),
                       static_cast<QWidget*>(ui->s5), static_cast<QWidget*>(ui->s6)})
        w->setEnabled(enable);
}

void QMyRecordProperty::timer1()
{
    if (g_Global.recStartTime == 0) {
        // The recording has ended (stopped, or stopped by its duration):
        // a new name or duration would land on the next recording instead.
        ui->btnOK->setEnabled(false);
        return;
    }
    const qint32 e =
        static_cast<qint32>(QDateTime::currentSecsSinceEpoch() - g_Global.recStartTime);
    ui->lab_dur->setText(QString::asprintf("%02d:%02d:%02d", e / 3600, e % 3600 / 60, e % 60));
}

void QMyRecordProperty::onCheckStopClick()
{
    const bool ticked = ui->chk_stop->isChecked();
    enableStopControls(ticked);
    if (!ticked) {
        ui->edit_hour->clear();
        ui->edit_minute->clear();
        ui->edit_second->clear();
    }
}

void QMyRecordProperty::onOKClick()
{
    if (g_Global.recStartTime == 0) {
        ui->btnOK->setEnabled(false);
        return;
    }
    qint64 total = 0;
    if (ui->chk_stop->isChecked()) {
        total = fieldValue(ui->edit_hour->text()) * 3600 +
                fieldValue(ui->edit_minute->text()) * 60 + fieldValue(ui->edit_second->text());
        if (total <= 0) {
            AfxMessageBox(nullptr, getLang(14000, QStringLiteral("Your time setting is invalid")),
                          MSGBOX_ERROR);
            return;
        }
    }
    QString n = ui->edit_title->text();
    // The name becomes a file name in the recording folder: a path or a bare
    // "." or ".." would put the file somewhere else.
    if (n.contains(QLatin1Char('/')) || n.contains(QLatin1Char('\\')) || n.contains(QChar(0)) ||
        n == QLatin1String(".") || n == QLatin1String("..")) {
        AfxMessageBox(nullptr, getLang(19015, QStringLiteral("Invalid file name")), MSGBOX_ERROR);
        return;
    }

    g_Global.recAutoStopSecs = static_cast<int32_t>(qMin<qint64>(total, INT_MAX));
    if (n.isEmpty()) {
        g_Global.recTargetPath.clear();
    } else {
        n = WithFileExtension(n, recordingExtension());
        QString folder;
        QString name;
        QStringSplitPathName(g_Global.recFilePath, folder, name);
        if (n != name)
            g_Global.recTargetPath = folder + QLatin1Char('/') + n;
    }
    done(1);
}

void QMyRecordProperty::onCancelClick()
{
    done(0);
}
