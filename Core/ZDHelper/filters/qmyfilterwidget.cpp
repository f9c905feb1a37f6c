#include "qmyfilterwidget.h"

#include <QCheckBox>
#include <QPainter>

#include "qfilterswidget.h"
#include "qhyperlink.h"
#include "qmypushbutton.h"
#include "screenscale.h"
#include "stdafx.h"

QMyFilterWidget::QMyFilterWidget(QWidget* parent) : QWidget(parent) {}

void QMyFilterWidget::add(const QString& name, bool enabled)
{
    enableBox = new QCheckBox(this);
    enableBox->setChecked(enabled);
    connect(enableBox, &QCheckBox::clicked, this, &QMyFilterWidget::btnCheckBoxClick);

    nameLink = new QHyperLink(this);
    nameLink->setText(name);
    nameLink->setFontHeight(scale_pointsize(10), false);
    connect(nameLink, &QHyperLink::clicked, this, &QMyFilterWidget::btnTipClick);

    removeButton = new QMyPushButton(this);
    removeButton->setToolTip(getLang(32002, "Remove"));
    connect(removeButton, &QMyPushButton::clicked, this, &QMyFilterWidget::btnDelClick);
}

void QMyFilterWidget::moveto(int x, int y, int width, int height)
{
    setGeometry(x, y, width, height);
    const double s = g_dpi_percent;
    if (enableBox)
        enableBox->setGeometry(scale_rect2(5, 2, 40, 16));
    if (nameLink)
        nameLink->setGeometry(int(50 * s), 0, width - int(70 * s), int(20 * s));
    if (removeButton) {
        const int side = int(16 * s);
        removeButton->setGeometry(width - int(20 * s), int(2 * s), side, side);
        if (removeButton->stateCount() == 0 && side > 0)
            removeButton->SetPicture(":/images/res/live/del.png", 4);
    }
}

void QMyFilterWidget::btnCheckBoxClick()
{
    if (owner && enableBox)
        owner->EnableFilterItem(filterId, enableBox->isChecked());
}

void QMyFilterWidget::btnTipClick()
{
    if (owner)
        owner->EditFilterItem(filterId, this);
}

void QMyFilterWidget::btnDelClick()
{
    if (owner)
        owner->DeleteFilterItem(filterId);
}

void QMyFilterWidget::paintEvent(QPaintEvent* e)
{
    Q_UNUSED(e);
    if (!bgColor.isValid())
        return;
    QPainter p(this);
    p.setBrush(bgColor);
    p.setPen(QPen(bgColor, 1, Qt::DashLine));
    p.drawRect(0, height() - 1, width(), 1);
}
