// The preview host: the black area of the main window where the engine draws
// the live picture. It pumps the engine's renderer every 16 ms, tells the
// engine where the preview lies, and keeps the wait and preview-off covers
// over the area.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

class QTimer;
class QWaitWidget;
class QDisablePreviewWidget;

class QMyPlayerBar : public QWidget
{
    Q_OBJECT

public:
    explicit QMyPlayerBar(QWidget* parent = nullptr);
    ~QMyPlayerBar() override;

    using QWidget::setGeometry;
    // The main window places the bar through this one: the covers follow it
    // and the engine is told the new preview rectangle.
    void setGeometry(int x, int y, int w, int h);
    // Tells the engine a preview rectangle other than the bar's own.
    void force_window_rect(QRect r);
    void showDisablePreviewWidget(bool on);
    void resizeAll();

    // Public so that the main window can hand it every message first.
    bool event(QEvent* e) override;

    QWaitWidget* waitWidget() const;
    QDisablePreviewWidget* disableWidget() const;
    QWidget* spareChild() const { return m_spare; }
    bool isWaitShown() const { return m_waitShown; }

public slots:
    void timer_refresh();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void fitSpareChild(int w, int h);
    void showWait(bool animation);
    void hideWait();

    QWidget* m_spare = nullptr;
    QPointer<QWaitWidget> m_wait;
    QPointer<QDisablePreviewWidget> m_disable;
    bool m_waitShown = false;
    QTimer* m_renderTimer = nullptr;
};
