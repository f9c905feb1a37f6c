#include "qmytimerbar.h"

#include <QLabel>
#include <QTimer>

#include "myevent.h"
#include "qhyperlink.h"
#include "qmypushbutton.h"
#include "qmytimerhelper.h"
#include "qtimermanagerwnd.h"
#include "scheduleclock.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "zdhelpergui.h"

QMyTimerBar::QMyTimerBar(QWidget* parent, QMyTimerHelper* store) : QWidget(parent), store(store)
{
    infoBox = new QLabel(this);
    infoBox->setWordWrap(true);
    infoBox->setStyleSheet(QStringLiteral(
        "border-radius: 2px;border: 1px solid rgb(50, 50, 50);background: rgb(35, 35, 35); "
        "color: rgba(200,200,200,150);"));
    titleLink = new QHyperLink(this);
    titleLink->setFontHeight(9, true);
    titleLink->setAlignmentCenter(true);
    connect(titleLink, &QPushButton::clicked, this, &QMyTimerBar::btnAddClick);
    arrow = new QMyPushButton(this);
    connect(arrow, &QPushButton::clicked, this, &QMyTimerBar::btnDownClick);

    clock = new QTimer(this);
    clock->setInterval(1000);
    connect(clock, &QTimer::timeout, this, &QMyTimerBar::timer1);
    clock->start();
}

void QMyTimerBar::showx(bool show)
{
    shown = show;
    setVisible(show);
}

void QMyTimerBar::updateSchedules()
{
    nextStart = 0;
    duration = 0;
    const QString text = store ? store->getNextTimerString(&nextStart, &duration) : QString();
    m_lookedUpDay = TodayBeginTime(quint32(time_now_loca()));
    if (!text.isEmpty()) {
        infoBox->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        infoBox->setText(text);
        infoBox->show();
        arrow->setCurState(0);
    } else {
        infoBox->setText(getLang(12005, QStringLiteral("No schedules set")));
        infoBox->hide();
        infoBox->setAlignment(Qt::AlignCenter);
        arrow->setCurState(1);
    }
    layoutChildren();
}

void QMyTimerBar::updateLang()
{
    titleLink->setText(getLang(12000, QStringLiteral("Recording schedule")));
    titleLink->UpdateAll();
    arrow->setToolTip(infoShown() ? getLang(12004, QStringLiteral("hide"))
                                  : getLang(12003, QStringLiteral("show")));
    const QString text = store ? store->getNextTimerString(&nextStart, &duration) : QString();
    infoBox->setText(text.isEmpty() ? getLang(12005, QStringLiteral("No schedules set")) : text);
    layoutChildren();
}

bool QMyTimerBar::infoShown() const
{
    // The box's own flag: the strip is laid out, and asked for its texts,
    // before its window is on screen, when no child counts as visible.
    return !infoBox->isHidden();
}

void QMyTimerBar::layoutChildren()
{
    const double s = g_dpi_percent;
    const int w = width();
    titleLink->setGeometry(int(20 * s), 0, w - int(45 * s), int(18 * s));
    arrow->setGeometry(w - int(45 * s), 0, int(20 * s), int(20 * s));
    infoBox->setGeometry(int(40 * s), int(25 * s), w - int(60 * s), int(70 * s));
    // Under wider fonts the next-start text takes more lines than the box was
    // made for: the box grows down to hold them, and the strip to hold the box.
    const int need = infoBox->y() + FitHeightToText(infoBox);
    if (height() < need)
        resize(width(), need);
}

void QMyTimerBar::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    layoutChildren();
    if (!picturesSet) {
        picturesSet = true;
        arrow->SetPicture(QStringLiteral(":/images/res/live/up.png"),
                          QStringLiteral(":/images/res/live/down.png"), 4, QString());
        updateSchedules();
        updateLang();
    }
}

void QMyTimerBar::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
}

void QMyTimerBar::btnDownClick()
{
    infoBox->setVisible(!infoShown());
    arrow->setCurState(infoShown() ? 0 : 1);
    updateLang();
}

void QMyTimerBar::btnAddClick()
{
    {
        QTimerManagerWnd manager(this, store);
        manager.exec();
    }
    updateSchedules();
}

void QMyTimerBar::timer1()
{
    const qint64 now = time_now_loca();
    // A timer whose day lies beyond the 31 days searched (a monthly one on
    // the 29th to 31st) has no start yet; look again each new day, so that
    // it is found once its day comes within reach.
    if (shown && (nextStart == 0 || duration == 0 || nextStart <= lastStarted) &&
        TodayBeginTime(quint32(now)) != m_lookedUpDay)
        updateSchedules();

    if (!shown || nextStart <= lastStarted || duration == 0)
        return;
    if (now < qint64(nextStart))
        return;
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, nullptr, nullptr);
    if (recording != 0) {
        ZD_Log(2, "MyTimerBar: ignore timer because the recording is running");
        return;
    }
    g_Global.recAutoStopSecs = int32_t(duration);
    auto* gui = qobject_cast<ZDHelperGUI*>(AfxGetMainWindow());
    const int r = gui ? gui->StartRecord() : 0;
    if (r != 1) {
        // Refused (or failed): the duration must not stop a recording the
        // user starts later.
        ZD_Log(8, "MyTimerBar: scheduled recording not started (%d)", r);
        g_Global.recAutoStopSecs = 0;
    }
    lastStarted = nextStart;
    updateSchedules();
}
