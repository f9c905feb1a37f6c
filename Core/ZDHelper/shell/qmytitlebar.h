// The strip across the top of the main window: its title picture, the four
// window buttons the main window's form puts on it, the two start-up worker
// threads (update check and pop-up news) and their results, and the
// application menu, built into the main window's menu bar and into the
// pop-up menu of the menu button, with every entry's action.
#pragma once

#include <QString>
#include <QWidget>

class QAction;
class QMenu;
class QMyPushButton;
class CheckNewThread;
class CheckAdThread;

class QMyTitleBar : public QWidget
{
    Q_OBJECT

public:
    // Ids of the menu entries (the actions' data).
    enum MenuId {
        MENU_SETUP = 1,
        MENU_CHECK_UPGRADE = 4,
        MENU_FEEDBACK = 5,
        MENU_CONTACT = 6,
        MENU_ONLINE_HELP = 7,
        MENU_ABOUT = 8,
        MENU_CLEAR_DATA = 51,
        MENU_INSTALL_OBS_PLUGIN = 52,
        MENU_UNINSTALL_OBS_PLUGIN = 53,
    };

    // Starts the silent update check and the news check.
    explicit QMyTitleBar(QWidget* parent = nullptr);
    // Waits for every worker thread it started before its children go.
    ~QMyTitleBar() override;

    // Places the window buttons along the right edge; the first call loads
    // their pictures and hides them.
    void resizeall();
    // Fills the two menus of the main window's menu bar, once.
    void CreateTopMenu(QMenu* first, QMenu* second);

    // The plug-in zip unpacked by "Install OBS plugin": the resources
    // folder's "veltranobox.plugin.zip". Tests point it elsewhere; an empty
    // text restores the default.
    static QString PluginZipPath();
    static void setPluginZipPath(const QString& path);
    // The installed plug-in that "Uninstall OBS plugin" removes.
    static QString InstalledPluginPath();

public slots:
    void main_menu(QAction* action);
    void btnCloseClick();
    void btnMaxClick();
    void btnMinClick();
    void btnMenuClick();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    QMyPushButton* button(const char* name) const;
    void StartUpdateCheck(bool silent);
    void OnVersionCheckDone(bool ok, CheckNewThread* thread);
    void OnPopupNewsReady(CheckAdThread* thread);
    void OpenSetup();
    void ClearAppData();
    void InstallOBSPlugin();
    void UninstallOBSPlugin();

    bool laidOut = false;
};

// The start-up threads of the title bar; the destructor waits for them first.
extern CheckNewThread* g_pCheckNewThread;
extern CheckAdThread* g_pCheckAdThread;
