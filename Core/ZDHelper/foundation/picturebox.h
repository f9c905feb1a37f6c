// A label that shows one picture in one of five placement modes, or plays a
// frame animation cut from a horizontal sprite.
#pragma once

#include <QBrush>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QString>

class QTimer;

#define IMAGE_SIZE QSize(160, 120)

class PictureBox : public QLabel
{
    Q_OBJECT
public:
    enum PB_MODE {
        FIXED_SIZE = 0,   // top-left corner, scaled by zoom
        FIX_SIZE_CENTRED, // scaled by zoom, centred
        AUTO_ZOOM,        // fitted inside, aspect ratio kept
        AUTO_SIZE,        // as FIXED_SIZE, the widget takes the zoomed size
        STRETCH           // stretched over the widget
    };

    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    void setMode(PB_MODE m);
    // One animation per box: n cells side by side, one every intervalMs.
    void LoadAnimPicture(QString file, int n, int intervalMs);
    void StopAnim();
    void PlayAnim();

    bool paused = false;
    QPixmap picture;
    double zoom = 1.0;
    int mode = AUTO_ZOOM;
    QBrush background;
    QString animFile;
    QSize cutSize = QSize(-1, -1);
    QList<QPixmap> frames;
    int currentFrame = -1;
    int frameCount = 0;
    int interval = 0;
    QTimer* timer = nullptr;

public slots:
    void setBackground(QBrush b);
    bool setImage(const QImage& img, double z = 1.0);
    void animtimer();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void cutFrames();
};
