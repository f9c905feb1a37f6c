#include "qmylistitem2.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

#include "qdrawaudiolabel.h"
#include "qmylivesensebar.h"
#include "qmypushbutton.h"
#include "sceneitemdata.h"
#include "stdafx.h"

QMyListItem2::QMyListItem2(QListWidget* parent, QListWidgetItem* item, QMyLiveSenseBar* sceneList)
    : QWidget(parent), listItem(item), sceneList(sceneList)
{
    btnEnable = new QMyPushButton(this);
    btnLock = new QMyPushButton(this);
    icon = new QLabel(this);
    icon->setScaledContents(true);
    nameLabel = new QDrawAudioLabel(this);
    btnEdit = new QMyPushButton(this);
    btnDel = new QMyPushButton(this);
    btnUp = new QMyPushButton(this);
    btnDown = new QMyPushButton(this);
    btnErr = new QMyPushButton(this);
    btnErr->hide();
    connect(btnEdit, &QPushButton::clicked, this, &QMyListItem2::onBtnEdit);
    connect(btnDel, &QPushButton::clicked, this, &QMyListItem2::onBtnDel);
    connect(btnUp, &QPushButton::clicked, this, &QMyListItem2::onBtnUp);
    connect(btnDown, &QPushButton::clicked, this, &QMyListItem2::onBtnDown);
    connect(btnErr, &QPushButton::clicked, this, &QMyListItem2::onBtnErr);
    connect(btnEnable, &QPushButton::clicked, this, &QMyListItem2::onBtnEnable);
    connect(btnLock, &QPushButton::clicked, this, &QMyListItem2::onBtnLock);
    updateLang();
}

QMyListItem2::~QMyListItem2() = default;

void QMyListItem2::onBtnEdit()
{
    sceneList->OnItemButtons(1, this);
}

void QMyListItem2::onBtnDel()
{
    // The row may be gone when this returns.
    sceneList->OnItemButtons(2, this);
}

void QMyListItem2::onBtnUp()
{
    sceneList->OnItemButtons(3, this);
}

void QMyListItem2::onBtnDown()
{
    sceneList->OnItemButtons(4, this);
}

void QMyListItem2::onBtnErr()
{
    sceneList->OnItemButtons(5, this);
}

void QMyListItem2::onBtnEnable()
{
    sceneList->OnItemButtons(6, this);
    if (layer)
        btnEnable->setCurState(layer->enabled ? 0 : 1);
    updateLang();
}

void QMyListItem2::onBtnLock()
{
    sceneList->OnItemButtons(7, this);
    if (layer)
        btnLock->setCurState(layer->locked ? 0 : 1);
    updateLang();
}

void QMyListItem2::onItemClick() {}

void QMyListItem2::mouseReleaseEvent(QMouseEvent* e)
{
    QWidget::mouseReleaseEvent(e);
    onItemClick();
}

void QMyListItem2::setIndex(int i, int n)
{
    index = i;
    btnUp->setEnabled(i != 0);
    btnDown->setEnabled(i != n - 1);
    if (layer)
        layer->zOrder = i;
}

void QMyListItem2::updateall()
{
    if (!layer)
        return;
    btnEnable->setCurState(layer->enabled ? 0 : 1);
    btnLock->setCurState(layer->locked ? 0 : 1);
    static const char* const icons[SCENE_KIND_COUNT] = {
        ":/images/res/live/ico-4.png", ":/images/res/live/ico-3.png",
        ":/images/res/live/ico1-1.png", ":/images/res/live/ico-2.png",
        ":/images/res/live/ico-5.png"};
    if (layer->type >= 0 && layer->type < SCENE_KIND_COUNT)
        icon->setPixmap(QPixmap(icons[layer->type]));
    nameLabel->setText(layer->name);
    btnEdit->setVisible(selected);
    btnDel->setVisible(selected);
    btnUp->setVisible(selected);
    btnDown->setVisible(selected);
    if (layer->type == SCENE_KIND_AUDIO) {
        btnUp->hide();
        btnDown->hide();
        btnLock->hide();
    } else {
        btnLock->show();
    }
    updateLang();
}

void QMyListItem2::updateLang()
{
    btnEnable->setToolTip(btnEnable->curState == 1 ? getLang(22005, "Enable")
                                                   : getLang(22006, "Disable"));
    btnLock->setToolTip(btnLock->curState == 1 ? getLang(22003, "lock") : getLang(22004, "unlock"));
    btnDown->setToolTip(getLang(22010, "Down"));
    btnUp->setToolTip(getLang(22009, "Up"));
    btnDel->setToolTip(getLang(22008, "Del"));
    btnEdit->setToolTip(getLang(22007, "Edit"));
}

void QMyListItem2::SetError(const QString& text)
{
    const QString layerName = layer ? layer->name : QString();
    const QString device = layer ? layer->getCapturerName() : QString();
    errorText = layerName + "(" + device + ")" + "\n" + text;
    btnErr->show();
    btnErr->setToolTip(errorText);
    if (layer)
        layer->hasError = 1;
}

void QMyListItem2::ClearError()
{
    errorText.clear();
    btnErr->hide();
}

void QMyListItem2::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    const double scale = g_dpi_percent;
    const int s = int(16 * scale);
    const int h = height();
    const int w = width();
    const int y = (h - s) / 2;
    btnEnable->setGeometry(2, y, s, s);
    btnLock->setGeometry(int(22 * scale), y, s, s);
    icon->setGeometry(int(42 * scale), y, s, s);
    nameLabel->setGeometry(int(62 * scale), y, qMax(0, w - 172), s);
    btnErr->setGeometry(int(w - 130 * scale), y, s, s);
    btnEdit->setGeometry(int(w - 105 * scale), y, s, s);
    btnDel->setGeometry(int(w - 80 * scale), y, s, s);
    btnUp->setGeometry(int(w - 55 * scale), y, s, s);
    btnDown->setGeometry(int(w - 30 * scale), y, s, s);
    if (!picturesLoaded && s > 0) {
        picturesLoaded = 1;
        btnEnable->SetPicture(":/images/res/live/e_1.png", ":/images/res/live/e_2.png", 4);
        btnLock->SetPicture(":/images/res/live/st.png", ":/images/res/live/js.png", 4);
        btnEdit->SetPicture(":/images/res/live/cl.png", 4);
        btnDel->SetPicture(":/images/res/live/del.png", 4);
        btnUp->SetPicture(":/images/res/live/up.png", 4);
        btnDown->SetPicture(":/images/res/live/down.png", 4);
        btnErr->SetPicture(":/images/res/live/jg.png", 4);
    }
}

void QMyListItem2::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    QPainter painter(this);
    painter.setPen(QColor(45, 45, 45));
    painter.setBrush(selected ? QColor(100, 100, 100, 50) : QColor(45, 45, 45));
    painter.drawRect(QRect(QPoint(0, 0), QPoint(width() - 2, height() - 2)));
}
