// The main window's status bar: once a second the live stream, the recording,
// the preview's size and measured frame rate (yellow while it stays below the
// device's), and the CPU and memory use.
#pragma once

#include <QStatusBar>

class QLabel;
class QTimer;

class QMyStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    enum State { Idle = 0, Preview = 1, Recording = 2 };

    explicit QMyStatusBar(QWidget* parent = nullptr);
    ~QMyStatusBar() override;

    // Public so that the main window can hand it every message.
    bool event(QEvent* e) override;

    int state() const { return m_state; }
    int slowPreviewSeconds() const { return m_slowCount; }
    QLabel* liveLabel() const { return m_live; }
    QLabel* recordLabel() const { return m_record; }
    QLabel* previewLabel() const { return m_preview; }
    QLabel* cpuLabel() const { return m_cpu; }
    QLabel* memoryLabel() const { return m_memory; }

public slots:
    void timer_normal();

private:
    QLabel* addLabel(int minWidth, int minHeight);

    int m_state = Idle;
    int m_slowCount = 0;
    QTimer* m_timer = nullptr;
    QLabel* m_empty = nullptr;
    QLabel* m_live = nullptr;
    QLabel* m_record = nullptr;
    QLabel* m_preview = nullptr;
    QLabel* m_cpu = nullptr;
    QLabel* m_memory = nullptr;
    QLabel* m_spacer = nullptr;
};
