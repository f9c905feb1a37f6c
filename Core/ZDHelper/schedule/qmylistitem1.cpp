#include "qmylistitem1.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>

#include "qmypushbutton.h"
#include "qtimermanagerwnd.h"
#include "screenscale.h"
#include "stdafx.h"

QMyListItem1::QMyListItem1(QWidget* parent, QTimerManagerWnd* manager, QListWidgetItem* item)
    : QWidget(parent), item(item), manager(manager)
{
    icon = new QLabel(this);
    info = new QLabel(this);
    name = new QLabel(this);
    name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    btnEdit = new QMyPushButton(this);
    btnDel = new QMyPushButton(this);

    const double s = g_dpi_percent;
    int listWidth = parent ? parent->width() : 541;
    if (auto* list = qobject_cast<QListWidget*>(parent))
        listWidth = list->width();
    const int r = listWidth - int(15 * s);
    icon->setGeometry(int(9 * s), int(9 * s), int(32 * s), int(32 * s));
    icon->setScaledContents(true);
    infoPlace = QRect(int(50 * s), int(19 * s), r - int(200 * s), int(18 * s));
    info->setGeometry(infoPlace);
    name->setGeometry(r - int(200 * s), int(19 * s), int(100 * s), int(18 * s));
    btnEdit->setGeometry(r - int(88 * s), int(12 * s), int(25 * s), int(25 * s));
    btnDel->setGeometry(r - int(48 * s), int(12 * s), int(25 * s), int(25 * s));
    btnEdit->SetPicture(QStringLiteral(":/images/res/timer-1.png"), 4);
    btnDel->SetPicture(QStringLiteral(":/images/res/timer-2.png"), 4);
    const QString transparent = QStringLiteral("QLabel{background:transparent;border:none;}");
    icon->setStyleSheet(transparent);
    info->setStyleSheet(transparent);
    name->setStyleSheet(transparent);
    AdjustFonts(this);
    if (item)
        item->setSizeHint(QSize(0, int(50 * s)));

    connect(btnEdit, &QPushButton::clicked, this, &QMyListItem1::onBtnEdit);
    connect(btnDel, &QPushButton::clicked, this, &QMyListItem1::onBtnDel);
}

void QMyListItem1::updateall(const EVTIMER& t)
{
    timer = t;
    info->setText(QTimerSchedule::getTimerInfo(timer));
    name->setText(QString::fromLocal8Bit(timer.name, int(qstrnlen(timer.name, sizeof timer.name))));
    placeInfo();
    bool active = timer.enabled != 0;
    if (active && timer.repeat == TIMER_REPEAT_ONCE &&
        info->text().endsWith(getLang(12112, QStringLiteral("Expired")))) {
        timer.enabled = 0;
        active = false;
    }
    icon->setPixmap(QPixmap(active ? QStringLiteral(":/images/res/timer-ico1.png")
                                   : QStringLiteral(":/images/res/timer-ico2.png")));
    btnEdit->setVisible(selected);
    btnDel->setVisible(selected);
    update();
}

void QMyListItem1::placeInfo()
{
    // The info label reaches under the name's box. Under wider fonts the two
    // texts would run into each other: the info text then stops short of the
    // name and wraps, centred on the same line.
    const QRect nameBox = name->geometry();
    const int nameWidth =
        qMin(QFontMetrics(name->font()).horizontalAdvance(name->text()), nameBox.width());
    QRect box = infoPlace;
    box.setRight(qMin(box.right(), nameBox.right() - nameWidth - int(6 * g_dpi_percent)));
    info->setWordWrap(true);
    info->setGeometry(box);
    const int height = FitHeightToText(info);
    info->move(box.x(), infoPlace.center().y() + 1 - height / 2);
}

void QMyListItem1::onBtnEdit()
{
    if (manager)
        manager->onBtnEdit(this);
}

void QMyListItem1::onBtnDel()
{
    if (manager)
        manager->onBtnDel(this);
}

void QMyListItem1::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    if (item)
        selected = item->isSelected();
    QPainter painter(this);
    painter.fillRect(rect(), selected ? QColor(57, 68, 86) : QColor(58, 62, 68));
    painter.setPen(QColor(34, 34, 34, 50));
    painter.drawRect(0, 0, width() - 2, height() - 2);
}
