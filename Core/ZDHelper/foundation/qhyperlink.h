// A push button drawn as text: an underlined link coloured by mouse state, or
// a static label. It fits itself to its text inside the rectangle it is given.
#pragma once

#include <QFont>
#include <QPushButton>
#include <QRect>
#include <QString>

class QHyperLink : public QPushButton
{
    Q_OBJECT
public:
    explicit QHyperLink(QWidget* parent = nullptr);

    // Hides QWidget::setGeometry: the link is sized to its text and placed
    // inside r (centred vertically; horizontally when centred is set).
    void setGeometry(const QRect& r);
    void setGeometry(int x, int y, int w, int h) { setGeometry(QRect(x, y, w, h)); }
    void setFontHeight(int points, bool bold);
    void setAsStaticLabel(bool s);
    void setAlignmentCenter(bool c);
    void UpdateAll();

    int alpha = 255;
    QRect requestedRect;
    bool centred = false;
    QFont linkFont;
    int pointSize = 9;
    QString url;
    bool bold = false;
    int state = 0;
    bool staticLabel = false;

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void applyFont();
};
