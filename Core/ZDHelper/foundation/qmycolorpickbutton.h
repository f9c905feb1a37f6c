// A colour swatch that opens the colour dialog when clicked. Colours travel
// as 0x00BBGGRR numbers: red in the low byte, blue in the third.
#pragma once

#include <QWidget>

class QMyColorPickButton : public QWidget
{
    Q_OBJECT
public:
    explicit QMyColorPickButton(QWidget* parent = nullptr);

    void setColor(unsigned int c);
    unsigned int Color() const { return color & 0xFFFFFF; }

    unsigned int color = 0;

signals:
    void colorChanged(unsigned int c);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};
