#include "qmytitlebar.h"

#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include "qmypushbutton.h"
#include "screenscale.h"
#include "zdhelpergui.h"

QMyTitleBar::QMyTitleBar(QWidget* parent) : QWidget(parent) {}

QMyTitleBar::~QMyTitleBar() = default;

void QMyTitleBar::resizeall()
{
    if (m_laidOut)
        return;
    for (const char* name : {"btnMenu", "btnMin", "btnMax", "btnClose"}) {
        if (auto* b = findChild<QMyPushButton*>(QLatin1String(name)))
            b->hide();
    }
    m_laidOut = true;
}

void QMyTitleBar::CreateTopMenu(QMenu* first, QMenu* second)
{
    connect(first, &QMenu::triggered, this, &QMyTitleBar::main_menu);
    connect(second, &QMenu::triggered, this, &QMyTitleBar::main_menu);
}

void QMyTitleBar::main_menu(QAction* action)
{
    Q_UNUSED(action);
}

void QMyTitleBar::btnCloseClick()
{
    window()->close();
}

void QMyTitleBar::btnMaxClick()
{
    auto* main = qobject_cast<ZDHelperGUI*>(window());
    if (!main)
        return;
    if (main->isMaximized())
        main->showNormal();
    else
        main->showMaximized();
}

void QMyTitleBar::btnMinClick()
{
    window()->showMinimized();
}

void QMyTitleBar::btnMenuClick() {}

void QMyTitleBar::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    QPainter painter(this);
    const QColor strip(39, 43, 47);
    painter.setBrush(strip);
    painter.setPen(QPen(QBrush(strip), 0, Qt::DashLine));
    painter.drawRect(rect());
    const double s = g_dpi_percent;
    const QPixmap title =
        QPixmap(QStringLiteral(":/images/res/main-title.png"))
            .scaled(int(199 * s), int(35 * s), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap(scale_rect(QRect((width() - 1 - 199) / 2, 0, 199, 35)), title);
}
