// The plain dark surface that holds the rows of a filter list inside its
// scroll area.
#pragma once

#include <QColor>
#include <QWidget>

class QTemp1Widget : public QWidget
{
    Q_OBJECT
public:
    explicit QTemp1Widget(QWidget* parent = nullptr);

    QColor bgColor;

protected:
    void paintEvent(QPaintEvent* e) override;
};
