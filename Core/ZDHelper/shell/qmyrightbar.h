// The column on the right of the main window: the record and live panels and
// the two buttons that switch between them. Only one panel shows at a time;
// the mode is kept in WND/IsRecordInterface.
#pragma once

#include <QWidget>

class ZDHelperGUI;

class QMyRightBar : public QWidget
{
    Q_OBJECT
    // Driven by the main window's slide animation (0 shown .. 100 hidden).
    Q_PROPERTY(int curIndex READ curIndex WRITE setCurIndex)

public:
    explicit QMyRightBar(QWidget* parent = nullptr);
    ~QMyRightBar() override;

    void initAll();
    void UpdateLang();
    void resizeAll();

    int curIndex() const { return m_curIndex; }
    void setCurIndex(int value) { m_curIndex = value; }

    QWidget* separator() const { return m_separator; }

public slots:
    void btnRecordClick();
    void btnLiveClick();

private:
    QWidget* m_separator = nullptr;
    ZDHelperGUI* m_main = nullptr;
    bool m_picturesLoaded = false;
    int m_curIndex = 0;
};
