// STAND-IN until the title bar lands: the interface the main window uses,
// with just enough behaviour to show the strip. Replaced by the real class.
#pragma once

#include <QWidget>

class QAction;
class QMenu;

class QMyTitleBar : public QWidget
{
    Q_OBJECT

public:
    explicit QMyTitleBar(QWidget* parent = nullptr);
    ~QMyTitleBar() override;

    void resizeall();
    void CreateTopMenu(QMenu* first, QMenu* second);

public slots:
    void main_menu(QAction* action);
    void btnCloseClick();
    void btnMaxClick();
    void btnMinClick();
    void btnMenuClick();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool m_laidOut = false;
};
