#include "qmyrightbar.h"

#include <QPalette>

#include "myevent.h"
#include "qmypushbutton.h"
#include "qmyrecordwidget.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "zdhelpergui.h"

namespace
{
bool panelAgreesToLeave(QWidget* panel)
{
    auto* base = qobject_cast<QMyRecordWidget*>(panel);
    return base == nullptr || base->IsCanSwitchRecordLive();
}

void panelShowx(QWidget* panel, bool show)
{
    if (auto* base = qobject_cast<QMyRecordWidget*>(panel))
        base->showx(show);
}

void panelResizeAll(QWidget* panel)
{
    if (auto* base = qobject_cast<QMyRecordWidget*>(panel))
        base->resizeAll();
}

void markCurrent(QMyPushButton* current, QMyPushButton* other)
{
    if (current) {
        current->setEnabled(false);
        current->update();
    }
    if (other) {
        other->setEnabled(true);
        other->setCurState(0);
        other->update();
    }
}
} // namespace

QMyRightBar::QMyRightBar(QWidget* parent) : QWidget(parent)
{
    m_separator = new QWidget(this);
    QPalette palette = m_separator->palette();
    palette.setColor(QPalette::Window, QColor(112, 121, 128));
    m_separator->setPalette(palette);
    m_separator->setAutoFillBackground(true);
    m_separator->show();
}

QMyRightBar::~QMyRightBar() = default;

void QMyRightBar::initAll()
{
    m_main = qobject_cast<ZDHelperGUI*>(AfxGetMainWindow());
    UpdateLang();
    if (g_Global.isRecordInterface)
        btnRecordClick();
    else
        btnLiveClick();
}

void QMyRightBar::UpdateLang()
{
    if (!m_main)
        return;
    if (QMyPushButton* b = m_main->recordButton())
        b->setToolTip(getLang(11014, QStringLiteral("Record")));
    if (QMyPushButton* b = m_main->liveButton())
        b->setToolTip(getLang(11015, QStringLiteral("Live stream")));
}

void QMyRightBar::btnRecordClick()
{
    if (m_main && panelAgreesToLeave(m_main->livePanel())) {
        panelShowx(m_main->recordPanel(), true);
        panelShowx(m_main->livePanel(), false);
        g_Global.isRecordInterface = 1;
        PostMessage(m_main, MSG_MODE_SWITCHED, 0, 0, nullptr);
        markCurrent(m_main->recordButton(), m_main->liveButton());
        GA_TrackScreen("record");
    }
    GA_TrackClick("btnRecord");
}

void QMyRightBar::btnLiveClick()
{
    if (m_main && panelAgreesToLeave(m_main->recordPanel())) {
        panelShowx(m_main->recordPanel(), false);
        panelShowx(m_main->livePanel(), true);
        g_Global.isRecordInterface = 0;
        PostMessage(m_main, MSG_MODE_SWITCHED, 1, 0, nullptr);
        markCurrent(m_main->liveButton(), m_main->recordButton());
        GA_TrackScreen("live");
    }
    GA_TrackClick("btnLive");
}

void QMyRightBar::resizeAll()
{
    if (!m_main)
        return;
    const double s = g_dpi_percent;
    const int W = width();
    const int H = height();
    QMyPushButton* rec = m_main->recordButton();
    QMyPushButton* live = m_main->liveButton();
    if (rec)
        rec->setGeometry(scale_rect2(73, 20, 40, 40));
    if (live)
        live->setGeometry(scale_rect2(186, 20, 40, 40));
    m_separator->setGeometry(int(10 * s), int(78 * s), int(W - 20 * s), int(2 * s));
    const QRect panelRect(0, int(80 * s), W, int(H - 80 * s));
    for (QWidget* panel : {m_main->recordPanel(), m_main->livePanel()}) {
        if (panel) {
            panel->setGeometry(panelRect);
            panelResizeAll(panel);
        }
    }
    if (!m_picturesLoaded) {
        if (rec)
            rec->SetPicture(QStringLiteral(":/images/res/rec.png"), 4);
        if (live)
            live->SetPicture(QStringLiteral(":/images/res/live.png"), 4);
        m_picturesLoaded = true;
    }
}
