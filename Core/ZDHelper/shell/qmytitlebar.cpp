#include "qmytitlebar.h"

#include "checkadthread.h"
#include "checknewthread.h"
#include "cpublic.h"
#include "makerlinks.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qaboutdialog.h"
#include "qmyfeedbackdlg.h"
#include "qmypopupaddlg.h"
#include "qmypushbutton.h"
#include "qnewverdialog.h"
#include "qsetupwnd.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

CheckNewThread* g_pCheckNewThread = nullptr;
CheckAdThread* g_pCheckAdThread = nullptr;

namespace
{

struct MenuEntry {
    int id;
    unsigned int textId;
    const char* english;
    const char* analyticsKey;
};

const MenuEntry kMenuEntries[] = {
    {QMyTitleBar::MENU_SETUP, 10, "Setup", "setup"},
    {QMyTitleBar::MENU_CHECK_UPGRADE, 12, "Check upgrade", "checkupgrade"},
    {QMyTitleBar::MENU_FEEDBACK, 13, "Feedback", "feedback"},
    {QMyTitleBar::MENU_CLEAR_DATA, 21, "Clear APP Data", "cleardata"},
    {QMyTitleBar::MENU_INSTALL_OBS_PLUGIN, 25, "Install OBS plugin", "install_obs_plugin"},
    {QMyTitleBar::MENU_UNINSTALL_OBS_PLUGIN, 26, "Uninstall OBS plugin", "uninstall_obs_plugin"},
    {QMyTitleBar::MENU_CONTACT, 14, "Contact us", "supportlink"},
    {QMyTitleBar::MENU_ONLINE_HELP, 15, "Online help", "helplink"},
    {QMyTitleBar::MENU_ABOUT, 16, "About", "about"},
};

const MenuEntry* FindEntry(int id)
{
    for (const MenuEntry& entry : kMenuEntries) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

QAction* AddEntry(QMenu* menu, int id)
{
    const MenuEntry* entry = FindEntry(id);
    QAction* action = menu->addAction(getLang(entry->textId, QString::fromLatin1(entry->english)));
    action->setData(id);
    return action;
}

QString& PluginZipOverride()
{
    static QString path;
    return path;
}

const char* const kPopupMenuStyle =
    "QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} QMenu::Item:selected{background: "
    "#5a69e1;} QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}";

} // namespace

QMyTitleBar::QMyTitleBar(QWidget* parent) : QWidget(parent)
{
    auto* versionCheck = new CheckNewThread(this);
    versionCheck->target = this;
    versionCheck->silent = true;
    g_pCheckNewThread = versionCheck;
    auto* newsCheck = new CheckAdThread(this);
    newsCheck->target = this;
    g_pCheckAdThread = newsCheck;
    versionCheck->start(QThread::InheritPriority);
    newsCheck->start(QThread::InheritPriority);
}

QMyTitleBar::~QMyTitleBar()
{
    // The workers report to this object and live in it; each network request
    // they make is bounded in time by the engine, so these waits end.
    if (g_pCheckNewThread && g_pCheckNewThread->parent() == this) {
        g_pCheckNewThread->wait();
        g_pCheckNewThread = nullptr;
    }
    if (g_pCheckAdThread && g_pCheckAdThread->parent() == this) {
        g_pCheckAdThread->wait();
        g_pCheckAdThread = nullptr;
    }
    // Checks the user asked for.
    for (QThread* thread : findChildren<QThread*>(QString(), Qt::FindDirectChildrenOnly))
        thread->wait();
}

QMyPushButton* QMyTitleBar::button(const char* name) const
{
    return findChild<QMyPushButton*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

void QMyTitleBar::resizeall()
{
    QMyPushButton* btnClose = button("btnClose");
    QMyPushButton* btnMax = button("btnMax");
    QMyPushButton* btnMin = button("btnMin");
    QMyPushButton* btnMenu = button("btnMenu");
    QWidget* mainWindow = window();

    const double s = g_dpi_percent;
    const int w = mainWindow->width();
    const int b = int(18 * s);
    const int y = int(10 * s);
    if (btnClose)
        btnClose->setGeometry(int(w - (8 * s + b)), y, b, b);
    if (btnMax)
        btnMax->setGeometry(int(w - 2 * (12 * s + b)), y, b, b);
    if (btnMin)
        btnMin->setGeometry(int(w - 3 * (12 * s + b)), y, b, b);
    if (btnMenu)
        btnMenu->setGeometry(int(w - 4 * (12 * s + b)), y, b, b);

    const bool maximized = mainWindow->isMaximized();
    if (btnMax) {
        btnMax->SetPicture(maximized ? QStringLiteral(":/images/res/top-small.png")
                                     : QStringLiteral(":/images/res/top-big.png"),
                           4);
        btnMax->setToolTip(maximized ? getLang(8, QString()) : getLang(7, QString()));
    }
    if (laidOut)
        return;
    if (btnClose)
        btnClose->SetPicture(QStringLiteral(":/images/res/top-exit.png"), 4);
    if (btnMin)
        btnMin->SetPicture(QStringLiteral(":/images/res/top-min.png"), 4);
    if (btnMenu)
        btnMenu->SetPicture(QStringLiteral(":/images/res/top-menu.png"), 4);
    laidOut = true;
    // The menu bar and the window manager's frame serve instead.
    for (QMyPushButton* b : {btnMenu, btnMin, btnMax, btnClose}) {
        if (b)
            b->hide();
    }
}

void QMyTitleBar::paintEvent(QPaintEvent* e)
{
    QWidget::paintEvent(e);
    QPainter painter(this);
    const QColor strip(39, 43, 47);
    QPen pen(strip, 0, Qt::DashLine);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(strip);
    painter.drawRect(rect());

    const double s = g_dpi_percent;
    const QPixmap title(QStringLiteral(":/images/res/main-title.png"));
    if (title.isNull())
        return;
    const QPixmap scaled =
        title.scaled(int(199 * s), int(35 * s), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawPixmap(scale_rect(QRect((width() - 1 - 199) / 2, 0, 199, 35)), scaled);
}

void QMyTitleBar::CreateTopMenu(QMenu* first, QMenu* second)
{
    if (first) {
        AddEntry(first, MENU_SETUP);
        connect(first, &QMenu::triggered, this, &QMyTitleBar::main_menu);
    }
    if (second) {
        AddEntry(second, MENU_CHECK_UPGRADE);
        AddEntry(second, MENU_FEEDBACK);
        second->addSeparator();
        AddEntry(second, MENU_CLEAR_DATA);
        second->addSeparator();
        AddEntry(second, MENU_INSTALL_OBS_PLUGIN);
        AddEntry(second, MENU_UNINSTALL_OBS_PLUGIN);
        second->addSeparator();
        AddEntry(second, MENU_CONTACT);
        AddEntry(second, MENU_ONLINE_HELP);
        AddEntry(second, MENU_ABOUT);
        connect(second, &QMenu::triggered, this, &QMyTitleBar::main_menu);
    }
}

void QMyTitleBar::btnMenuClick()
{
    QMenu menu;
    AdjustFonts(&menu);
    AddEntry(&menu, MENU_SETUP);
    menu.addSeparator();
    AddEntry(&menu, MENU_CHECK_UPGRADE);
    AddEntry(&menu, MENU_FEEDBACK);
    menu.addSeparator();
    AddEntry(&menu, MENU_CONTACT);
    AddEntry(&menu, MENU_ONLINE_HELP);
    AddEntry(&menu, MENU_ABOUT);
    menu.setStyleSheet(QString::fromLatin1(kPopupMenuStyle));
    connect(&menu, &QMenu::triggered, this, &QMyTitleBar::main_menu);
    QPoint at;
    if (QMyPushButton* btnMenu = button("btnMenu"))
        at = btnMenu->mapToGlobal(QPoint(0, btnMenu->height()));
    else
        at = mapToGlobal(QPoint(0, height()));
    menu.exec(at);
}

void QMyTitleBar::btnCloseClick()
{
    window()->close();
}

void QMyTitleBar::btnMinClick()
{
    window()->showMinimized();
}

void QMyTitleBar::btnMaxClick()
{
    // The main window's own showNormal / showMaximized keep the engine's
    // preview rectangle right; they are reached through its meta-object, so
    // that this strip needs no knowledge of the window's type.
    QWidget* mainWindow = window();
    const char* slot = mainWindow->isMaximized() ? "showNormal" : "showMaximized";
    QMetaObject::invokeMethod(mainWindow, slot, Qt::DirectConnection);
}

void QMyTitleBar::main_menu(QAction* action)
{
    if (action == nullptr)
        return;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    if (!ok || id < MENU_SETUP || id > MENU_UNINSTALL_OBS_PLUGIN)
        return;
    const MenuEntry* entry = FindEntry(id);
    if (entry == nullptr)
        return;
    GA_TrackClick(entry->analyticsKey);

    QWidget* mainWindow = AfxGetMainWindow();
    switch (id) {
    case MENU_SETUP:
        OpenSetup();
        break;
    case MENU_CHECK_UPGRADE:
        StartUpdateCheck(false);
        break;
    case MENU_FEEDBACK: {
        QMyFeedBackDlg dialog(mainWindow);
        dialog.exec();
        break;
    }
    case MENU_CLEAR_DATA:
        ClearAppData();
        break;
    case MENU_INSTALL_OBS_PLUGIN:
        InstallOBSPlugin();
        break;
    case MENU_UNINSTALL_OBS_PLUGIN:
        UninstallOBSPlugin();
        break;
    case MENU_CONTACT:
        QDesktopServices::openUrl(QUrl(URL_CONTACT_PAGE));
        break;
    case MENU_ONLINE_HELP:
        QDesktopServices::openUrl(QUrl(URL_ONLINE_HELP));
        break;
    case MENU_ABOUT: {
        QAboutDialog dialog(mainWindow);
        dialog.exec();
        break;
    }
    default:
        break;
    }
}

void QMyTitleBar::OpenSetup()
{
    QSetupWnd dialog(AfxGetMainWindow());
    dialog.exec();
}

void QMyTitleBar::StartUpdateCheck(bool silent)
{
    // Lives, as a child of this strip, until the strip is destroyed; the
    // strip's destructor waits for it.
    auto* check = new CheckNewThread(this);
    check->target = this;
    check->silent = silent;
    check->start(QThread::InheritPriority);
}

bool QMyTitleBar::event(QEvent* e)
{
    if (e->type() != MyEvent::EventType)
        return QWidget::event(e);
    const auto* message = static_cast<MyEvent*>(e);
    // lParam names a worker of this strip; anything else is not read as one.
    QObject* sender = nullptr;
    for (QObject* child : children()) {
        if (reinterpret_cast<qintptr>(child) == qintptr(message->lParam))
            sender = child;
    }
    if (message->msg == MSG_VERSION_CHECK_DONE) {
        if (auto* thread = qobject_cast<CheckNewThread*>(sender))
            OnVersionCheckDone(message->wParam != 0, thread);
        return true;
    }
    if (message->msg == MSG_POPUP_NEWS_READY) {
        if (auto* thread = qobject_cast<CheckAdThread*>(sender))
            OnPopupNewsReady(thread);
    }
    return QWidget::event(e);
}

void QMyTitleBar::OnVersionCheckDone(bool ok, CheckNewThread* thread)
{
    if (!ok) {
        if (!thread->silent)
            AfxMessageBox(nullptr, getLang(36005, QStringLiteral("Can not connect to the server.")),
                          MSGBOX_ERROR);
        return;
    }
    const QString picture = thread->picturePath;
    if (!thread->IsNewer()) {
        if (!thread->silent)
            AfxMessageBox(nullptr, getLang(36004, QStringLiteral("Your software is up to date.")),
                          MSGBOX_NOTICE);
    } else {
        const QString skipped =
            AfxGetProfileString(QStringLiteral("CONFIG"), QStringLiteral("SKIPVERSION"), QString());
        if (!(thread->silent && skipped == thread->versionText)) {
            QNewVerDialog dialog(AfxGetMainWindow(), false);
            dialog.setNewVer(thread->versionText, picture);
            dialog.exec();
        }
    }
    // The release picture is a temporary file of this check; the dialog
    // deletes it when it showed it, and nobody else will.
    if (!picture.isEmpty() && QFileInfo::exists(picture))
        DelFile(picture);
}

void QMyTitleBar::OnPopupNewsReady(CheckAdThread* thread)
{
    if (thread->show == 0)
        return;
    QMyPopupADDlg dialog(AfxGetMainWindow(), thread->pageUrl, thread->windowRect,
                         thread->newsIdText, thread->closeDelay);
    dialog.exec();
}

void QMyTitleBar::ClearAppData()
{
    QWidget* mainWindow = AfxGetMainWindow();
    if (AfxMessageBoxQuestion(
            mainWindow, getLang(22, QStringLiteral("Are you sure to clear all program data?")),
            getLang(3, QString()), getLang(4, QString())) != 1)
        return;
    const int removed = ZD_RemoveVidrelayAsRoot();
    AddLog(2, QStringLiteral("Clear APP Data: capture server removal result ") +
                  QString::number(removed));

    // Pending settings are written now, so that nothing writes them into the
    // folder after it has been emptied.
    {
        QMutexLocker lock(&g_iniLock);
        if (g_pIni)
            g_pIni->sync();
    }
    // Only the program's own files and folders; each call removes the files
    // of one folder and then that folder once it is empty, so the innermost
    // go first and the data folder itself last, once nothing else is in it.
    // The folders above it are never touched.
    const QString data = CPublic::GetAppDatePath();
    for (const QString& folder :
         {data + QStringLiteral("/tmp"), data + QStringLiteral("/Thumbs"),
          data + QStringLiteral("/CacheData/scene"), data + QStringLiteral("/CacheData"), data})
        DelDir(folder);
    const bool cleared = !QFileInfo::exists(data);
    if (cleared)
        AfxMessageBox(mainWindow, getLang(24, QStringLiteral("Clear OK!")), MSGBOX_NOTICE);
    else
        AfxMessageBox(
            mainWindow,
            getLang(-1, QStringLiteral("Some program data could not be removed from #v1#."), data),
            MSGBOX_ERROR);

    // The lists and settings held in memory would be written back by the
    // normal shut-down, so the program ends here. No destructor of the
    // process runs either: engine threads may still be working.
    std::fflush(nullptr);
    ::_exit(cleared ? 0 : 1);
}

QString QMyTitleBar::PluginZipPath()
{
    if (!PluginZipOverride().isEmpty())
        return PluginZipOverride();
    return CPublic::GetResourcePath() + QStringLiteral("/veltranobox.plugin.zip");
}

void QMyTitleBar::setPluginZipPath(const QString& path)
{
    PluginZipOverride() = path;
}

QString QMyTitleBar::InstalledPluginPath()
{
    // OBS on Linux names a user's module after its folder up to the last dot
    // and looks for <name>/bin/64bit/<name>.so, so the folder has no
    // ".plugin" ending.
    return CPublic::GetOBSPluginPath() + QStringLiteral("/veltranobox");
}

void QMyTitleBar::InstallOBSPlugin()
{
    QWidget* mainWindow = AfxGetMainWindow();
    if (AfxMessageBoxQuestion(mainWindow,
                              getLang(27,
                                      QStringLiteral("do you want to install Veltrano Box plugin?"),
                                      URL_PLUGIN_GUIDE),
                              getLang(3, QString()), getLang(4, QString())) != 1)
        return;
    // What kind of OBS program the machine has, for the log only.
    AddLog(2, getSystemCallResult(QStringLiteral("file"),
                                  {QStringLiteral("-b"), QStringLiteral("/usr/bin/obs")}));

    const QString zip = PluginZipPath();
    const QString folder = CPublic::GetOBSPluginPath();
    AddLog(2, QStringLiteral("Instal OBS plugin (%1) (%2)").arg(zip, folder));
    const int result = ZD_UnZip(zip.toLocal8Bit().constData(), folder.toLocal8Bit().constData());
    if (result < 0) {
        AddLog(2, QStringLiteral("Install obs-plugin failed."));
        return;
    }
    const QString done = getLang(29, QStringLiteral("install done.#v1#"), URL_PLUGIN_GUIDE);
    AddLog(2, done);
    AfxMessageBox(mainWindow, done, MSGBOX_NOTICE);
    // Whole, hidden files included: the "._" files are all this folder holds.
    // A link met inside is removed as a link.
    QDir(folder + QStringLiteral("/__MACOSX")).removeRecursively();
}

void QMyTitleBar::UninstallOBSPlugin()
{
    QWidget* mainWindow = AfxGetMainWindow();
    const QString plugin = InstalledPluginPath();
    const QFileInfo info(plugin);
    if (!info.exists() && !info.isSymLink()) {
        const QString text = getLang(32, QStringLiteral("the plugin has not install yet."));
        AddLog(2, text);
        AfxMessageBox(mainWindow, text, MSGBOX_NOTICE);
        return;
    }
    if (AfxMessageBoxQuestion(
            mainWindow,
            getLang(30, QStringLiteral("do you want to uninstall Veltrano Box plugin?")),
            getLang(3, QString()), getLang(4, QString())) != 1)
        return;
    // A link or a file of that name goes as itself; a link is never followed.
    // A folder goes whole, hidden files included, or it would stay behind.
    if (info.isSymLink() || !info.isDir())
        QFile::remove(plugin);
    else
        QDir(plugin).removeRecursively();
    const QFileInfo after(plugin);
    if (after.exists() || after.isSymLink()) {
        const QString text =
            getLang(-1, QStringLiteral("The plugin could not be removed from #v1#."), plugin);
        AddLog(2, text);
        AfxMessageBox(mainWindow, text, MSGBOX_ERROR);
        return;
    }
    const QString text = getLang(31, QStringLiteral("uninstall done."));
    AddLog(2, text);
    AfxMessageBox(mainWindow, text, MSGBOX_NOTICE);
}
