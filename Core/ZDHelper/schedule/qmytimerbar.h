// The schedule strip of a capture panel: the next scheduled recording of one
// schedule store, the link to the schedule manager, and the one-second check
// that starts a due recording while the strip is shown.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QTimer;
class QHyperLink;
class QMyPushButton;
class QMyTimerHelper;

class QMyTimerBar : public QWidget
{
    Q_OBJECT
public:
    QMyTimerBar(QWidget* parent, QMyTimerHelper* store);

    void showx(bool show);
    void updateLang();
    void updateSchedules();

    bool shown = false;
    QTimer* clock = nullptr;
    uint32_t nextStart = 0;
    uint32_t duration = 0;
    uint32_t lastStarted = 0;
    QMyTimerHelper* store = nullptr;
    QLabel* infoBox = nullptr;
    QHyperLink* titleLink = nullptr;
    QMyPushButton* arrow = nullptr;
    bool picturesSet = false;

public slots:
    void btnAddClick();
    void btnDownClick();
    void timer1();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void layoutChildren();
    bool infoShown() const;
    // The local day on which the next start was last looked for.
    uint32_t m_lookedUpDay = 0;
};
