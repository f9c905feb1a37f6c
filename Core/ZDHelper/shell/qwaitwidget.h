// Cover of the preview area while a device opens (a loading animation) or
// while there is no picture to show (the no-camera picture).
#pragma once

#include <QWidget>

class PictureBox;

class QWaitWidget : public QWidget
{
    Q_OBJECT

public:
    explicit QWaitWidget(QWidget* parent = nullptr);
    ~QWaitWidget() override;

    // Hides QWidget::show: picks the animation or the no-camera picture.
    void show();

    void setAnimation(bool on) { m_animation = on; }
    bool animation() const { return m_animation; }
    void stopAnimation();

    PictureBox* animationBox() const { return m_animBox; }
    PictureBox* noCameraBox() const { return m_noCameraBox; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void layoutBoxes();

    PictureBox* m_animBox = nullptr;
    PictureBox* m_noCameraBox = nullptr;
    bool m_animation = false;
};
