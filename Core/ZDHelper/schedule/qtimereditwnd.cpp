#include "qtimereditwnd.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstring>

#include "msgboxdialog.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qtimereditwnd.h"
#include "vazURIdav.h"

namespace
{

// Schedule days are local calendar days counted as if they were UTC.
QDate todayLocal()
{
    return QDateTime::fromSecsSinceEpoch(time_now_loca(), Qt::UTC).date();
}

QTime timeOfSeconds(uint32_t value)
{
    return QTime(int(value / 3600 % 24), int(value % 3600 / 60), int(value % 60));
}

uint32_t secondsOfTime(const QTime& t)
{
    return uint32_t(t.hour() * 3600 + t.minute() * 60 + t.second());
}

// A text without its closing colon (ASCII or full-width), as a label that
// stands alone shows it.
QString withoutColon(QString text)
{
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')) || text.endsWith(QChar(0xFF1A)))
        text.chop(1);
    return text.trimmed();
}

} // namespace

QTimerEditWnd::QTimerEditWnd(QWidget* parent) : MyDialog(parent), ui(new Ui::QTimerEditWnd)
{
    ui->setupUi(this);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QTimerEditWnd::onCancelClick);
    connect(ui->btnOK, &QPushButton::clicked, this, &QTimerEditWnd::onOKClick);
    connect(ui->radio1, &QRadioButton::clicked, this, &QTimerEditWnd::onRadio1);
    connect(ui->radio2, &QRadioButton::clicked, this, &QTimerEditWnd::onRadio2);
    connect(ui->radio3, &QRadioButton::clicked, this, &QTimerEditWnd::onRadio3);
    connect(ui->radio4, &QRadioButton::clicked, this, &QTimerEditWnd::onRadio4);
    connect(ui->chk_enabled, &QCheckBox::clicked, this, &QTimerEditWnd::onEnableClick);

    ui->s1->setText(getLang(12100, QStringLiteral("Name:")));
    ui->chk_enabled->setText(getLang(12101, QStringLiteral("Enabled")));
    ui->s2->setText(getLang(12102, QStringLiteral("Record duration:")));
    ui->s3->setText(getLang(12103, QStringLiteral("Start time:")));
    ui->s4->setText(getLang(12104, QStringLiteral("Repeat:")));
    ui->radio1->setText(getLang(12105, QStringLiteral("Once")));
    // The schedule text starts with the same three texts, colon and all; a
    // button shows them without it.
    ui->radio2->setText(withoutColon(getLang(12106, QStringLiteral("Every day:"))));
    ui->radio3->setText(withoutColon(getLang(12107, QStringLiteral("Every week:"))));
    ui->radio4->setText(withoutColon(getLang(12108, QStringLiteral("Every month:"))));
    ui->btnOK->setText(getLang(1, QStringLiteral("OK")));
    ui->btnCancel->setText(getLang(2, QStringLiteral("Cancel")));
    setWindowTitle(getLang(12110, QStringLiteral("Timer")));

    AdjustFonts(this);
    AdjustRects(this, true);
    FitColumnToText({ui->s1, ui->s2, ui->s3, ui->s4, ui->s5});
    FitRowToText({ui->chk_enabled});
    FitRowToText({ui->radio1, ui->radio2, ui->radio3, ui->radio4});
    CenterWindow(this, parent ? parent->window() : nullptr);
    GA_TrackScreen("timer");
}

QTimerEditWnd::~QTimerEditWnd()
{
    delete ui;
}

void QTimerEditWnd::InitValues(const EVTIMER& timer)
{
    m_timer = timer;
    const QByteArray name(timer.name, qstrnlen(timer.name, sizeof timer.name));
    ui->edit_name->setText(QString::fromLocal8Bit(name));
    ui->chk_enabled->setChecked(timer.enabled >= 1);
    ui->timeEdit_rec->setTime(timeOfSeconds(timer.duration));
    ui->timeEdit_start->setTime(timeOfSeconds(timer.startTime));

    switch (timer.repeat) {
    case TIMER_REPEAT_DAILY:
        ui->radio2->setChecked(true);
        onRadio2();
        break;
    case TIMER_REPEAT_ONCE:
        ui->radio1->setChecked(true);
        onRadio1();
        if (timer.date != 0)
            ui->dateEdit->setDate(
                QDateTime::fromSecsSinceEpoch(qint64(timer.date), Qt::UTC).date());
        break;
    case TIMER_REPEAT_WEEKLY:
        ui->radio3->setChecked(true);
        onRadio3();
        ui->cbx->setCurrentIndex(int(qMin<uint32_t>(timer.weekDay, 6)));
        break;
    default:
        ui->radio4->setChecked(true);
        onRadio4();
        ui->cbx->setCurrentIndex(int(qMin<uint32_t>(timer.monthDay, 30)));
        break;
    }
    onEnableClick();
}

EVTIMER QTimerEditWnd::GetValues() const
{
    EVTIMER t = m_timer;
    // The name field holds 64 bytes; a longer name is cut there, at a
    // character boundary so that the stored text stays readable.
    const QString text = ui->edit_name->text();
    QByteArray name = text.toLocal8Bit();
    if (name.size() > int(sizeof t.name)) {
        int chars = text.size();
        while (chars > 0 && text.left(chars).toLocal8Bit().size() > int(sizeof t.name))
            --chars;
        name = text.left(chars).toLocal8Bit();
    }
    std::memset(t.name, 0, sizeof t.name);
    std::memcpy(t.name, name.constData(), size_t(name.size()));
    t.enabled = ui->chk_enabled->isChecked() ? 1 : 0;
    t.duration = secondsOfTime(ui->timeEdit_rec->time());
    t.startTime = secondsOfTime(ui->timeEdit_start->time());
    if (ui->radio1->isChecked()) {
        t.repeat = TIMER_REPEAT_ONCE;
        const qint64 days = QDate(1970, 1, 1).daysTo(ui->dateEdit->date());
        t.date = uint32_t(days * 86400);
    } else if (ui->radio2->isChecked()) {
        t.repeat = TIMER_REPEAT_DAILY;
    } else if (ui->radio3->isChecked()) {
        t.repeat = TIMER_REPEAT_WEEKLY;
        t.weekDay = uint32_t(qMax(0, ui->cbx->currentIndex()));
    } else {
        t.repeat = TIMER_REPEAT_MONTHLY;
        t.monthDay = uint32_t(qMax(0, ui->cbx->currentIndex()));
    }
    return t;
}

void QTimerEditWnd::onCancelClick()
{
    done(0);
}

void QTimerEditWnd::onOKClick()
{
    const EVTIMER t = GetValues();
    if (t.enabled == 0) {
        done(1);
        return;
    }
    if (t.duration <= 4) {
        AfxMessageBox(this, QStringLiteral("The record duration should be greater than 5 seconds"),
                      MSGBOX_NOTICE);
        return;
    }
    unsigned int next = 0;
    int duration = 0;
    const int r = QTimerSchedule::getTimerNext(t, next, duration, 0);
    if (r <= 0) {
        ZD_Log(8, "QTimerEditWnd: getTimerNext return %d", r);
        AfxMessageBox(this, QStringLiteral("The time settings is invalid"), MSGBOX_NOTICE);
        return;
    }
    if (schedule == nullptr) {
        done(1);
        return;
    }
    int index = -1;
    if (!schedule->isDateTimeConflict(t, &index)) {
        done(1);
        return;
    }
    ZD_Log(8, "QTimerEditWnd: DateTime conflict with timer %d.", index + 1);
    AfxMessageBox(this,
                  QStringLiteral("The time settings is conflict with timer ") +
                      QString::number(index + 1),
                  MSGBOX_NOTICE);
}

void QTimerEditWnd::onRadio1()
{
    ui->s5->setText(getLang(12109, QStringLiteral("Date")));
    ui->s5->show();
    ui->dateEdit->show();
    ui->cbx->hide();
    ui->dateEdit->setDate(todayLocal());
}

void QTimerEditWnd::onRadio2()
{
    ui->s5->hide();
    ui->dateEdit->hide();
    ui->cbx->hide();
}

void QTimerEditWnd::onRadio3()
{
    ui->s5->setText(getLang(12115, QStringLiteral("Week:")));
    ui->s5->show();
    ui->cbx->show();
    ui->dateEdit->hide();
    ui->cbx->clear();
    for (const char* day : {"Mon.", "Tue.", "Wed.", "Thu.", "Fri.", "Sat.", "Sun."})
        ui->cbx->addItem(QString::fromLatin1(day));
}

void QTimerEditWnd::onRadio4()
{
    ui->s5->setText(getLang(12116, QStringLiteral("Day:")));
    ui->s5->show();
    ui->cbx->show();
    ui->dateEdit->hide();
    ui->cbx->clear();
    for (int day = 1; day <= 31; ++day)
        ui->cbx->addItem(QString::asprintf("%dth", day));
}

void QTimerEditWnd::onEnableClick()
{
    const bool on = ui->chk_enabled->isChecked();
    for (QWidget* w :
         {static_cast<QWidget*>(ui->timeEdit_rec), static_cast<QWidget*>(ui->timeEdit_start),
          static_cast<QWidget*>(ui->radio1), static_cast<QWidget*>(ui->radio2),
          static_cast<QWidget*>(ui->radio3), static_cast<QWidget*>(ui->radio4),
          static_cast<QWidget*>(ui->dateEdit), static_cast<QWidget*>(ui->cbx)})
        w->setEnabled(on);
}
