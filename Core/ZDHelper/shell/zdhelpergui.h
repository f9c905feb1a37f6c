// The main window: title strip, menu bar, preview host, the right bar with the
// record and live panels, and the status bar. Its event() is the message hub
// of the application: every message addressed to the main window passes
// through it to the preview host, the status bar and the current panel
// before the window handles its own ids.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QPropertyAnimation;
class QTimer;
class QMyLiveBar;
class QMyPlayerBar;
class QMyRightBar;
class QMyStatusBar;
class QMyTitleBar;
class QMyPushButton;
class QShowBarButton;
class WindowStyle;
class ZDShotCut;

namespace Ui
{
class ZDHelperGUIClass;
}

class ZDHelperGUI : public QMainWindow
{
    Q_OBJECT

public:
    explicit ZDHelperGUI(QWidget* parent = nullptr);
    ~ZDHelperGUI() override;

    // Widgets that report raw mouse activity (32132) and the window's loss of
    // activation (32133). Listeners add themselves and are never taken out;
    // a listener that has been destroyed is skipped.
    static QList<QPointer<QWidget>> g__mouse_ev_list;

    void updateLang(bool texts);
    void HideBar(QObject* sender);
    void ShowBar(QObject* sender);
    void AnimShow(bool show);
    void show_right_menu();
    // Reported by the application object for every mouse event of the program.
    void onMouseDown(int kind, int a, int b, int x, int y);

    // 1 started; 0 refused here; otherwise the engine's failure code.
    int StartRecord();
    // 1 stopped and listed; 0 when nothing records, or when the user's own
    // stop (userAsked: record button, hot key, menu) comes in the first two
    // seconds. Every stop the program asks for itself (mode switch, device
    // loss, closing, encoder failure, automatic stop) goes through.
    int StopRecord(bool userAsked = false);
    QTimer* recordClock() const { return m_recordClock; }

    // The preview context menu as show_right_menu() runs it; the caller owns
    // it.
    QMenu* createRightMenu();

    // The full-screen key of this platform: the desktop's own binding, else F11.
    static QKeySequence fullScreenKey();
    // Text of an encoder failure of the engine (kind: "MP4", "live stream", "DUD").
    static QString encoderFailureText(const QString& kind, long long code);

    bool isFullScreenMode() const { return m_fullScreen; }
    int idleTicks() const { return m_idleTicks; }
    QRect savedWindowRect() const { return m_savedWindowRect; }
    QRect savedPreviewRect() const { return m_savedPreviewRect; }

    QMyTitleBar* titleBar() const;
    QMyPlayerBar* playerBar() const;
    QMyRightBar* rightBar() const;
    QMyStatusBar* myStatusBar() const;
    QMyPushButton* recordButton() const;
    QMyPushButton* liveButton() const;
    QWidget* recordPanel() const;
    QWidget* livePanel() const;
    QMyLiveBar* liveBar() const;
    QShowBarButton* showBarButton() const { return m_showBarButton; }
    QMenuBar* topMenuBar() const { return m_menuBar; }
    QPropertyAnimation* barAnimation() const { return m_barAnimation; }

public slots:
    // These hide QWidget's of the same name: the window dragger and the
    // title bar reach them by name, so they keep the engine's preview
    // rectangle right across the change.
    void show();
    void showNormal();
    void showMaximized();

    void timer_normal();
    void timer_rec();
    void onFullScreen();
    void AnimEnd();
    void AnimvalueChanged(const QVariant& value);
    void menu_right(QAction* action);
    void hotkey_rec_active(int id, const QKeySequence& key);
    // The session ends the program (SIGTERM, SIGINT): no question, whatever
    // runs is finished and listed as when the user answers "Yes".
    void closeWithoutQuestion();

protected:
    bool event(QEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void layoutAll();
    // The top-level area the layout works in: the window below its menu bar.
    QSize contentSize() const;
    void placeBarsDuringSlide(int value);
    void finishHide();
    void finishShow();
    void handleOwnMessage(unsigned long msg, long wParam, long lParam);
    QWidget* currentPanel() const;
    // Moves a finished recording to the asked-for name; returns where the
    // file really is.
    QString moveToTarget(const QString& file);
    // "hh:mm:ss,WxH,Nfps,size" of the part recorded since the last split.
    QString fileDescription(const QString& file) const;
    // Lists a finished file (or part) with the thumbnail bitmap taken for it.
    void catalogueRecording(const QString& file);
    // Takes the picture a recording's thumbnail is made from.
    void takeThumbnailPicture();

    Ui::ZDHelperGUIClass* ui = nullptr;
    QMenuBar* m_menuBar = nullptr;
    int m_rightBarWidth = 0;
    int m_statusBarHeight = 0;
    int m_titleBarHeight = 0;
    QRect m_savedWindowRect;
    QRect m_savedPreviewRect;
    bool m_closeWithoutQuestion = false;
    bool m_rightBarWasVisible = false;
    bool m_statusBarWasVisible = false;
    bool m_menuBarWasVisible = false;
    bool m_fullScreen = false;
    bool m_firstShowDone = false;
    QPropertyAnimation* m_barAnimation = nullptr;
    bool m_barAnimationShows = false;
    int m_idleTicks = 0;
    WindowStyle* m_dragger = nullptr;
    QShowBarButton* m_showBarButton = nullptr;
    QTimer* m_recordClock = nullptr;
    QTimer* m_normalTick = nullptr;
    ZDShotCut* m_shotCut = nullptr;
};

// The main window's preview host, or null while there is no main window.
QMyPlayerBar* AfxGetPlayWindow();
