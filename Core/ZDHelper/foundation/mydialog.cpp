#include "mydialog.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "myevent.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"

namespace
{
void disarm(QPushButton* button)
{
    button->setAutoDefault(false);
    button->setDefault(false);
}
} // namespace

MyDialog::MyDialog(QWidget* parent, bool) : QDialog(parent)
{
    init();
}

MyDialog::MyDialog(QWidget* parent) : QDialog(parent)
{
    init();
}

void MyDialog::init()
{
    setWindowFlags(Qt::Dialog);
    ZD_HideWindowTitleBar(ZD_WINDOW_ID(winId()), 0, 0, 0);
}

MyDialog::~MyDialog()
{
    delete closeButton;
    closeButton = nullptr;
}

void MyDialog::onbtnCloseButton()
{
    OnCancel();
    done(0);
}

void MyDialog::disarmDefaultButtons()
{
    // Qt's push buttons in a dialog are auto-default: a focused one takes
    // Return (and the keypad Enter) itself and answers as if clicked, before
    // the dialog sees the key. Return must reach OnOK instead, so no button
    // here is ever a default one; Space still presses the focused button,
    // which is a deliberate press.
    const QList<QPushButton*> buttons = findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        disarm(button);
}

bool MyDialog::event(QEvent* e)
{
    // At every show, before QDialog picks a default button among the shown
    // ones; a button added to a shown dialog is polished first.
    if (e->type() == QEvent::Show) {
        disarmDefaultButtons();
    } else if (e->type() == QEvent::ChildPolished) {
        if (auto* button = qobject_cast<QPushButton*>(static_cast<QChildEvent*>(e)->child()))
            disarm(button);
    }
    if (e->type() == MyEvent::EventType) {
        const auto* m = static_cast<MyEvent*>(e);
        OnMyEventMsg((unsigned long)m->msg, (long)m->wParam, (long long)m->lParam, m->ptr);
    }
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        // Swallowed so that neither the default button nor the dialog's own
        // reject-on-Escape runs; subclasses decide in OnOK / OnCancel.
        if (key == Qt::Key_Escape) {
            OnCancel();
            return false;
        }
        if (key == Qt::Key_Return) {
            OnOK();
            return false;
        }
    }
    return QWidget::event(e);
}

void MyDialog::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton)
        return;
    const QPoint global = e->globalPosition().toPoint();
    if (global.y() - pos().y() > 50 * g_dpi_percent)
        return;
    dragging = true;
    pressGlobalPos = global;
    pressFramePos = frameGeometry().topLeft();
}

void MyDialog::mouseMoveEvent(QMouseEvent* e)
{
    if (!(e->buttons() & Qt::LeftButton) || !dragging)
        return;
    move(pressFramePos + (e->globalPosition().toPoint() - pressGlobalPos));
}

void MyDialog::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton && dragging)
        dragging = false;
}

void MyDialog::paintEvent(QPaintEvent* e)
{
    if (titleButtonsHidden == 0) {
        ZD_HideWindowTitleBarButton(ZD_WINDOW_ID(winId()), 0, 0, 0);
        titleButtonsHidden = 1;
    }
    QWidget::paintEvent(e);

    QPainter p(this);
    const int w = width();
    const int h = height();
    const double s = g_dpi_percent;
    p.setBrush(QColor(46, 49, 54));
    p.setPen(QPen(QColor(50, 60, 60), 1));
    p.drawRect(0, 0, w - 1, h - 1);

    if (!backgroundPicture.isEmpty()) {
        const QPixmap pic(backgroundPicture);
        if (!pic.isNull())
            p.drawPixmap(0, 0, pic.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }

    QFont f = font();
    f.setFamily(g_Global.fontName);
    f.setPixelSize(qMax(1, pt2pix_scale(11)));
    f.setWeight(QFont::Bold);
    p.setFont(f);
    p.setPen(QColor(230, 230, 230));
    p.drawText(QRect(20, int(2 * s), w - 20, int(22 * s)), Qt::AlignCenter,
               titleText.isEmpty() ? windowTitle() : titleText);
}

void MyDialog::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    if (closeButton) {
        const double s = g_dpi_percent;
        const int side = int(16 * s);
        closeButton->setGeometry(int(width() - 25 * s), int(5 * s), side, side);
        closeButton->show();
        closeButton->update();
    }
}

void MyDialog::closeEvent(QCloseEvent* e)
{
    QDialog::closeEvent(e);
}
