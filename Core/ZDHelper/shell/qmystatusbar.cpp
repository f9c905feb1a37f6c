#include "qmystatusbar.h"

#include <QLabel>
#include <QTimer>

#include "myevent.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{
const QString kGreyLabel = QStringLiteral("QLabel{color:rgba(200,200,200,150); }");
const QString kYellowLabel = QStringLiteral("QLabel{color:rgba(255,255,0,150); }");
// Consecutive slow seconds before the preview label turns yellow.
constexpr int kSlowSecondsBeforeWarning = 10;
} // namespace

QLabel* QMyStatusBar::addLabel(int minWidth, int minHeight)
{
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setMinimumSize(int(minWidth * g_dpi_percent), int(minHeight * g_dpi_percent));
    addPermanentWidget(label);
    return label;
}

QMyStatusBar::QMyStatusBar(QWidget* parent) : QStatusBar(parent)
{
    m_empty = addLabel(80, 16);
    m_live = addLabel(80, 16);
    m_record = addLabel(80, 16);
    m_preview = addLabel(60, 16);
    m_cpu = addLabel(60, 16);
    m_memory = addLabel(60, 16);
    m_spacer = addLabel(10, 1);
    AdjustFonts(this);
    m_record->setText(getLang(18000, QStringLiteral("Ready")));
    setStyleSheet(QStringLiteral("QStatusBar::item{border: 0px;}\n"
                                 " QStatusBar{background:rgb(39,43,47);}\n"
                                 " QLabel{color:rgba(200,200,200,150); font-size: 12pt;}"));
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &QMyStatusBar::timer_normal);
    m_timer->start(1000);
}

QMyStatusBar::~QMyStatusBar() = default;

bool QMyStatusBar::event(QEvent* e)
{
    if (e->type() == MyEvent::EventType) {
        auto* m = static_cast<MyEvent*>(e);
        const int64_t w = m->wParam;
        if (m->msg == MSG_DEVICE_OPENED && w == 0) {
            m_state = Preview;
        } else if (m->msg == MSG_DEVICE_LOST || (m->msg == MSG_DEVICE_CLOSED && w == 0)) {
            m_state = Idle;
        } else if (m->msg == MSG_MODE_SWITCHED) {
            m_live->setVisible(w != 0);
        } else if (m->msg == MSG_RECORD_STATE) {
            // The recording state begins with the first clock tick.
            if (w == 2)
                m_state = Recording;
            else if (w == 1)
                m_state = Preview;
        }
    }
    return QStatusBar::event(e);
}

void QMyStatusBar::timer_normal()
{
    double cpu = 0.0;
    double mem = 0.0;
    ZD_GetCpuUsageAndMemory(&cpu, &mem);
    m_cpu->setText(getLang(18004, QStringLiteral("CPU: #v1#"), QString::number(cpu, 'g', 2) + "%"));
    m_memory->setText(getLang(18003, QStringLiteral("MEM: #v1#"),
                              QString::number(static_cast<long long>(mem * 100)) + "%"));

    if (g_Global.liveRunning) {
        m_live->setText(QString::asprintf("Live: %dx%d@%dfps", g_Global.liveWidth,
                                          g_Global.liveHeight, g_Global.liveFps));
    } else {
        m_live->setText(QStringLiteral("Live: stoped"));
    }

    int fps = 0;
    if (!g_Global.noDevicePicture)
        fps = ZD_GetFrameDataFps(g_Global.hCore, nullptr);

    // The open device's size, while its preview runs: a closed device (the
    // live panel closes the record panel's) leaves its size behind.
    if (m_state != Idle && g_Global.devWidth >= 1)
        m_preview->setText(QString::asprintf("Pre: %dx%d@%dfps", g_Global.devWidth,
                                             g_Global.devHeight, g_Global.devFps));
    else
        m_preview->setText(QStringLiteral("Pre: ready"));

    if (fps >= 1 && g_Global.devFps > fps) {
        if (m_slowCount++ >= kSlowSecondsBeforeWarning)
            m_preview->setStyleSheet(kYellowLabel);
    } else {
        m_slowCount = 0;
        m_preview->setStyleSheet(kGreyLabel);
    }

    switch (m_state) {
    case Recording: {
        const int w = g_Global.recWidth ? g_Global.recWidth : g_Global.devWidth;
        const int h = g_Global.recHeight ? g_Global.recHeight : g_Global.devHeight;
        const int f = g_Global.recFps ? g_Global.recFps : g_Global.devFps;
        m_record->setText(
            getLang(18002, QStringLiteral("Rec:#v1#"), QString::asprintf("%dx%d@%dfps", w, h, f)));
        break;
    }
    case Preview:
        m_record->setText(getLang(18001, QStringLiteral("Rec: Stoped")));
        break;
    default:
        m_record->setText(getLang(18000, QStringLiteral("Ready")));
        break;
    }
}
