// The small tab at the main window's right edge that brings the hidden right
// bar back. It is a window of its own, so that it floats over the preview
// that the engine draws.
#pragma once

#include <QWidget>

class QShowBarButton : public QWidget
{
    Q_OBJECT

public:
    explicit QShowBarButton(QWidget* mainWindow);
    ~QShowBarButton() override;

    // x, y: the main window's new position, or -1 for its current one.
    void resizeAll(int x, int y);
    // The global cursor position, from the main window's mouse routing.
    void onMouseMove(int gx, int gy, QWidget* widget);

    void setArmed(bool armed) { m_armed = armed; }
    bool isArmed() const { return m_armed; }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QWidget* m_mainWindow = nullptr;
    bool m_armed = false;
};
