// A label that shows an audio level as a partly revealed background picture,
// with its text over it. The owner sets `level` and repaints.
#pragma once

#include <QColor>
#include <QLabel>
#include <QPixmap>
#include <QString>

class QDrawAudioLabel : public QLabel
{
    Q_OBJECT
public:
    explicit QDrawAudioLabel(QWidget* parent = nullptr);

    // Hides QWidget::setGeometry: the background is rescaled to the new size.
    void setGeometry(int x, int y, int w, int h);

    QPixmap backPixmap;
    QString backFile = ":/images/res/live_audio_bk.png";
    int level = 0;
    QColor fillColor = QColor(0, 0, 0, 0);

protected:
    void paintEvent(QPaintEvent* e) override;
};
