#include "qdisablepreviewwidget.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPen>

#include "qmypushbutton.h"
#include "stdafx.h"
#include "vazURIdav.h"

QDisablePreviewWidget::QDisablePreviewWidget(QWidget* parent) : QWidget(parent)
{
    m_btnEnable = new QMyPushButton(this);
    m_btnEnable->setText(getLang(17018, QStringLiteral("Enable")));
    m_btnEnable->textColor = QColor(0, 0, 0);
    m_btnEnable->useTextColor = 1;
    connect(m_btnEnable, &QPushButton::clicked, this, &QDisablePreviewWidget::onBtnEnable);

    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont font = m_label->font();
    font.setPixelSize(int(16 * g_dpi_percent));
    m_label->setFont(font);
    m_label->setText(getLang(17017, QStringLiteral("Preview was disabled,click to enable.")));
}

QDisablePreviewWidget::~QDisablePreviewWidget()
{
    dropFrame();
}

void QDisablePreviewWidget::hide()
{
    QWidget::hide();
    dropFrame();
}

void QDisablePreviewWidget::setFrozenFramePath(const QString& path)
{
    if (path != m_framePath)
        dropFrame();
    m_framePath = path;
}

void QDisablePreviewWidget::dropFrame()
{
    if (!m_framePath.isEmpty() && IsFileExisted(m_framePath))
        DelFile(m_framePath);
    m_framePath.clear();
}

void QDisablePreviewWidget::onBtnEnable()
{
    // The frozen frame stays on disk until the player bar hides the cover.
    QWidget::hide();
    int enable = 1;
    ZD_PreviewEnable(g_Global.hCore, &enable);
}

void QDisablePreviewWidget::resizeEvent(QResizeEvent* e)
{
    const double s = g_dpi_percent;
    const int bw = int(100 * s);
    const int bh = int(30 * s);
    const int top = (height() - bh) / 2;
    m_btnEnable->setGeometry((width() - bw) / 2, top, bw, bh);
    if (!m_pictureLoaded && bw > 0 && bh > 0) {
        m_btnEnable->SetPicture(QStringLiteral(":/images/res/yellowbtn.png"), 4);
        m_pictureLoaded = true;
    }
    m_label->setGeometry(0, int(50 * s + top), width(), int(40 * s));
    QWidget::resizeEvent(e);
}

void QDisablePreviewWidget::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    const QImage frame =
        (!m_framePath.isEmpty() && IsFileExisted(m_framePath)) ? QImage(m_framePath) : QImage();
    if (!frame.isNull() && frame.height() > 0) {
        const double aspect = double(frame.width()) / double(frame.height());
        painter.drawImage(GetNewRectByAspecrate(rect(), aspect), frame);
        const QColor veil(0, 0, 0, 160);
        painter.setBrush(veil);
        painter.setPen(QPen(QBrush(veil), 4, Qt::DashLine));
    } else {
        painter.setBrush(Qt::black);
        painter.setPen(QPen(QBrush(Qt::black), 4, Qt::DashLine));
    }
    painter.drawRect(rect());
    painter.end();
    QWidget::paintEvent(e);
}
