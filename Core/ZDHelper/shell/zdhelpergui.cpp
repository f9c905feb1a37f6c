#include "zdhelpergui.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

#include <cstring>
#include <ctime>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qglobalapplication.h"
#include "qmyfileshelper.h"
#include "qmylivebar.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmyrecordbar.h"
#include "qmyrightbar.h"
#include "qmystatusbar.h"
#include "qmytitlebar.h"
#include "qsetupwnd.h"
#include "qshowbarbutton.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_zdhelpergui.h"
#include "vazURIdav.h"
#include "windowstyle.h"
#include "zdshotcut.h"

QList<QPointer<QWidget>> ZDHelperGUI::g__mouse_ev_list;

namespace
{
const QString kMenuStyle = QStringLiteral(
    "QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} QMenu::Item:selected{background: "
    "#5a69e1;} QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}");

// The menu bar inside the window (Linux desktops have no global one), in the
// colours of the title strip below it.
const QString kMenuBarStyle = QStringLiteral(
    "QMenuBar{background:rgb(39,43,47);color:rgb(220,220,220);border-bottom:1px solid "
    "rgb(60,64,70);} QMenuBar::item{background:transparent;padding:4px 10px;} "
    "QMenuBar::item:selected{background:#5a69e1;color:rgb(255,255,255);}");

constexpr int kBarSlideMs = 300;
// Whole seconds without a mouse move before full screen hides the cursor.
constexpr int kIdleTicksBeforeBlankCursor = 3;

// Right-menu commands, kept in the actions' data.
enum RightMenuCommand {
    RM_FULL_SCREEN = 1,
    RM_RECORD = 2,
    RM_PICTURE = 3,
    RM_FILES = 4,
    RM_SETUP = 5,
    RM_PREVIEW = 6,
};

qint64 packMouseFields(int a, int b, int x, int y)
{
    const quint64 packed = (quint64(quint16(a)) << 48) | (quint64(quint16(b)) << 32) |
                           (quint64(quint16(x)) << 16) | quint64(quint16(y));
    return qint64(packed);
}

QString hotKeyName(int number)
{
    return QString::asprintf("F%d", number);
}

// A hot-key setting below 1 stands for F1.
int hotKeyId(int number)
{
    return -(number < 1 ? 1 : number);
}

constexpr qint64 kMiB = 1048576;

int recordWidth()
{
    return g_Global.recWidth != 0 ? g_Global.recWidth : g_Global.devWidth;
}
int recordHeight()
{
    return g_Global.recHeight != 0 ? g_Global.recHeight : g_Global.devHeight;
}
int recordFps()
{
    return g_Global.recFps != 0 ? g_Global.recFps : g_Global.devFps;
}

qint64 nowSecs()
{
    return static_cast<qint64>(std::time(nullptr));
}

// The height of a menu bar like the window's, known before the window's own
// exists.
int menuBarHeight()
{
    QMenuBar probe;
    probe.setNativeMenuBar(false);
    probe.setStyleSheet(kMenuBarStyle);
    probe.addMenu(APP_NAME);
    return probe.sizeHint().height();
}
} // namespace

QMyPlayerBar* AfxGetPlayWindow()
{
    auto* main = qobject_cast<ZDHelperGUI*>(AfxGetMainWindow());
    return main ? main->playerBar() : nullptr;
}

ZDHelperGUI::ZDHelperGUI(QWidget* parent) : QMainWindow(parent)
{
    updateLang(false);
    AfxSetMainWindow(this);

    ui = new Ui::ZDHelperGUIClass;
    ui->setupUi(this);

    // The place comes before anything asks for the native window: once that
    // window exists, Qt takes a move made before the first show as the place
    // of the window's inside, while the stored place is the frame's (the
    // window would creep up by its title bar at every start).
    const double s = g_dpi_percent;
    // The menu bar lies inside the window here, where the platform the sizes
    // were chosen for shows it at the top of the screen: the window is that
    // much taller, so that what lies below keeps the room it was laid out for.
    const int menuHeight = menuBarHeight();
    setMinimumSize(int(865 * s), int(670 * s) + menuHeight);

    // A stored place is used only when it lies fully inside the primary
    // screen; it is where the window's frame was, so it is restored as the
    // frame's place.
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect available = primary ? primary->availableGeometry() : QRect();
    if (g_Global.wndH > 0 && g_Global.wndW > 0 && g_Global.wndH < available.height() &&
        g_Global.wndW < available.width() && g_Global.wndX > 0 && g_Global.wndY > 0) {
        resize(g_Global.wndW, g_Global.wndH);
        move(g_Global.wndX, g_Global.wndY);
    } else {
        setGeometry(0, 0, int(1100 * s), int(670 * s) + menuHeight);
        CenterWindow(this, nullptr);
    }

    ZD_HideWindowTitleBar(ZD_WINDOW_ID(winId()), 1, 1, 1);
    setWindowTitle(APP_NAME);
    const QIcon icon(QStringLiteral(":/images/res/main.ico"));
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);

    m_rightBarWidth = int(300 * s);
    m_statusBarHeight = int(25 * s);
    m_titleBarHeight = int(35 * s);

    setStyleSheet(QStringLiteral("QLabel{color:rgb(230,230,230);} QToolTip{font-size:12px;}"));

    ui->btnFull->hide();
    ui->titleBar->setFixedHeight(m_titleBarHeight);
    ui->rightBar->setFixedWidth(m_rightBarWidth);
    ui->statusBar->setFixedHeight(m_statusBarHeight);

    QPalette barPalette = ui->rightBar->palette();
    barPalette.setColor(QPalette::Window, QColor(43, 47, 52));
    ui->rightBar->setPalette(barPalette);
    ui->rightBar->setAutoFillBackground(true);
    QPalette previewPalette = ui->playerBar->palette();
    previewPalette.setColor(QPalette::Window, Qt::black);
    ui->playerBar->setPalette(previewPalette);
    ui->playerBar->setAutoFillBackground(true);

    m_dragger = new WindowStyle(this);
    m_dragger->activateOn(ui->titleBar);

    m_showBarButton = new QShowBarButton(this);

    m_recordClock = new QTimer(this);
    connect(m_recordClock, &QTimer::timeout, this, &ZDHelperGUI::timer_rec);

    ui->rightBar->initAll();

    ZD_StartUSBDeviceListen(g_Global.hCore, this);

    m_shotCut = new ZDShotCut(this);
    connect(m_shotCut, qOverload<int, const QKeySequence&>(&ZDShotCut::activated), this,
            &ZDHelperGUI::hotkey_rec_active);

    m_normalTick = new QTimer(this);
    connect(m_normalTick, &QTimer::timeout, this, &ZDHelperGUI::timer_normal);
    m_normalTick->start(1000);

    updateLang(true);

    m_menuBar = new QMenuBar;
    // Inside the window even where the desktop offers a global menu bar.
    m_menuBar->setNativeMenuBar(false);
    m_menuBar->setStyleSheet(kMenuBarStyle);
    QMenu* first = m_menuBar->addMenu(APP_NAME);
    QMenu* help = m_menuBar->addMenu(QStringLiteral("Help"));
    for (QMenu* menu : {first, help}) {
        menu->setStyleSheet(kMenuStyle);
        AdjustFonts(menu);
    }
    setMenuBar(m_menuBar);
    ui->titleBar->CreateTopMenu(first, help);

    if (auto* app = qobject_cast<GlobalApplication*>(QCoreApplication::instance())) {
        app->setMouseReporter(
            [this](int kind, int a, int b, int x, int y) { onMouseDown(kind, a, b, x, y); });
    }
}

ZDHelperGUI::~ZDHelperGUI()
{
    if (auto* app = qobject_cast<GlobalApplication*>(QCoreApplication::instance()))
        app->setMouseReporter({});
    AfxSetMainWindow(nullptr);
    delete ui;
    ui = nullptr;
}

// ---- Widgets of the form ------------------------------------------------------

QMyTitleBar* ZDHelperGUI::titleBar() const
{
    return ui ? ui->titleBar : nullptr;
}

QMyPlayerBar* ZDHelperGUI::playerBar() const
{
    return ui ? ui->playerBar : nullptr;
}

QMyRightBar* ZDHelperGUI::rightBar() const
{
    return ui ? ui->rightBar : nullptr;
}

QMyStatusBar* ZDHelperGUI::myStatusBar() const
{
    return ui ? ui->statusBar : nullptr;
}

QMyPushButton* ZDHelperGUI::recordButton() const
{
    return ui ? ui->btnRecord : nullptr;
}

QMyPushButton* ZDHelperGUI::liveButton() const
{
    return ui ? ui->btnLive : nullptr;
}

QWidget* ZDHelperGUI::recordPanel() const
{
    return ui ? ui->widgetRecord : nullptr;
}

QWidget* ZDHelperGUI::livePanel() const
{
    return ui ? ui->widgetLive : nullptr;
}

QMyLiveBar* ZDHelperGUI::liveBar() const
{
    return ui ? ui->widgetLive : nullptr;
}

QWidget* ZDHelperGUI::currentPanel() const
{
    return g_Global.isRecordInterface ? recordPanel() : livePanel();
}

// ---- Texts -------------------------------------------------------------------

void ZDHelperGUI::updateLang(bool texts)
{
    if (!texts) {
        QApplication::setFont(QFont(g_Global.fontName, 9, -1, false));
        return;
    }
    ui->btnClose->setToolTip(getLang(5, QString()));
    ui->btnMin->setToolTip(getLang(6, QString()));
    ui->btnMenu->setToolTip(getLang(9, QString()));
    ui->btnMax->setToolTip(isMaximized() ? getLang(8, QString()) : getLang(7, QString()));
    ui->rightBar->UpdateLang();
}

// ---- Showing and layout ----------------------------------------------------------

void ZDHelperGUI::show()
{
    QWidget::show();
    if (m_firstShowDone)
        return;
    m_firstShowDone = true;
    layoutAll();
    if (g_Global.autoHideBarWhenStart) {
        ui->rightBar->hide();
        if (g_Global.hideStatusBarWhenHideBar && !ui->statusBar->isHidden())
            ui->statusBar->hide();
        m_showBarButton->setArmed(true);
        layoutAll();
    }
    if (g_Global.autoFullScreenWhenStart)
        onFullScreen();
}

void ZDHelperGUI::showNormal()
{
    QMainWindow::showNormal();
    ui->playerBar->force_window_rect(m_savedPreviewRect);
}

void ZDHelperGUI::showMaximized()
{
    m_savedPreviewRect = ui->playerBar->geometry();
    QMainWindow::showMaximized();
}

void ZDHelperGUI::showEvent(QShowEvent* e)
{
    setAttribute(Qt::WA_Mapped);
    QMainWindow::showEvent(e);
}

QSize ZDHelperGUI::contentSize() const
{
    int menuHeight = 0;
    if (m_menuBar && !m_menuBar->isHidden()) {
        menuHeight = m_menuBar->heightForWidth(width());
        if (menuHeight < 0)
            menuHeight = m_menuBar->sizeHint().height();
    }
    return QSize(width(), height() - menuHeight);
}

void ZDHelperGUI::layoutAll()
{
    if (!ui)
        return;
    if (!m_fullScreen) {
        const QSize content = contentSize();
        const int W = content.width();
        const int H = content.height();
        const int T = m_titleBarHeight;
        const int R = m_rightBarWidth;
        const int S = m_statusBarHeight;
        ui->titleBar->setGeometry(0, 0, W, T);
        if (!ui->rightBar->isHidden()) {
            ui->rightBar->setGeometry(W - R, T, R, H - T - S);
            ui->statusBar->setGeometry(0, height() - S, W, S);
            ui->playerBar->setGeometry(0, T, W - R, H - T - S);
        } else if (!ui->statusBar->isHidden()) {
            ui->statusBar->setGeometry(0, height() - S, W, S);
            ui->playerBar->setGeometry(0, T, W, H - T - S);
        } else {
            ui->playerBar->setGeometry(0, T, W, H - T);
        }
    }
    ui->titleBar->resizeall();
    ui->rightBar->resizeAll();
    ui->playerBar->resizeAll();
    m_showBarButton->resizeAll(-1, -1);
}

void ZDHelperGUI::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    layoutAll();
}

void ZDHelperGUI::moveEvent(QMoveEvent* e)
{
    if (isVisible() && m_showBarButton)
        m_showBarButton->resizeAll(e->pos().x(), e->pos().y());
    QMainWindow::moveEvent(e);
}

void ZDHelperGUI::paintEvent(QPaintEvent* e)
{
    QPainter painter(this);
    const QColor fill(51, 55, 65);
    painter.setBrush(fill);
    painter.setPen(QPen(QBrush(fill), 4, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawRect(0, 0, width(), height());
    painter.end();
    QMainWindow::paintEvent(e);
}

void ZDHelperGUI::leaveEvent(QEvent* e)
{
    if (m_showBarButton && !m_showBarButton->geometry().contains(QCursor::pos()))
        m_showBarButton->onMouseMove(-1, -1, this);
    QMainWindow::leaveEvent(e);
}

// ---- Full screen -------------------------------------------------------------

QKeySequence ZDHelperGUI::fullScreenKey()
{
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(QKeySequence::FullScreen);
    if (!bindings.isEmpty() && !bindings.first().isEmpty())
        return bindings.first();
    return QKeySequence(Qt::Key_F11);
}

void ZDHelperGUI::onFullScreen()
{
    if (!m_fullScreen) {
        // The screen under the window's corner; a window whose corner lies
        // off every screen goes full screen on its own screen, or else on
        // the primary one.
        QScreen* screen = QGuiApplication::screenAt(pos());
        if (!screen)
            screen = this->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->geometry();

        m_savedPreviewRect = ui->playerBar->geometry();
        m_savedWindowRect = geometry();
        m_rightBarWasVisible = !ui->rightBar->isHidden();
        m_statusBarWasVisible = !ui->statusBar->isHidden();
        m_menuBarWasVisible = m_menuBar && !m_menuBar->isHidden();

        ui->statusBar->hide();
        ui->rightBar->hide();
        ui->titleBar->hide();
        if (m_menuBar)
            m_menuBar->hide();

        g_Global.isFullScreen = true;
        m_fullScreen = true;
        showFullScreen();

        const QRect preview(0, 0, area.width() - 1, area.height() - 1);
        ui->playerBar->setGeometry(preview.x(), preview.y(), preview.width(), preview.height());
        ui->playerBar->force_window_rect(preview);
        setGeometry(area.x(), area.y(), area.width() - 1, area.height() - 1);
        return;
    }

    if (m_statusBarWasVisible)
        ui->statusBar->show();
    if (m_rightBarWasVisible)
        ui->rightBar->show();
    ui->titleBar->show();
    if (m_menuBar && m_menuBarWasVisible)
        m_menuBar->show();

    const QRect preview = m_savedPreviewRect;
    ui->playerBar->setGeometry(preview.x(), preview.y(), preview.width(), preview.height());
    ui->playerBar->force_window_rect(preview);
    QMainWindow::showNormal();
    ui->playerBar->force_window_rect(preview);

    setGeometry(m_savedWindowRect);
    m_fullScreen = false;
    g_Global.isFullScreen = false;
    setCursor(Qt::ArrowCursor);
    m_showBarButton->resizeAll(-1, -1);
}

// ---- Clock and cursor -----------------------------------------------------------

void ZDHelperGUI::timer_normal()
{
    const int idle = m_idleTicks++;
    if (m_fullScreen)
        setCursor(idle < kIdleTicksBeforeBlankCursor ? Qt::ArrowCursor : Qt::BlankCursor);
}

int ZDHelperGUI::StartRecord()
{
    if (g_Global.deviceHDR != 0 && g_Global.hwCap[13] == 0) {
        ZD_Log(2, "Can not start record when cuda-hevc-10bit is not valid.");
        return 0;
    }
    if (g_Global.isClosing != 0) {
        ZD_Log(2, "Can not start record when the closing is running");
        return 0;
    }
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, nullptr, nullptr);
    if (recording != 0)
        return 0;

    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    // A recording started in the second the last one ended would otherwise
    // get that file's name and write over it.
    g_Global.recFilePath = getSafeFilePath(g_Global.recSaveTo + QStringLiteral("/Vid") + stamp +
                                           RecordFileExtension());
    if (!g_Global.recTargetPath.isEmpty()) {
        // The user's name, with the format's extension whatever was typed,
        // so that the file is known for a video by its name.
        g_Global.recTargetPath = WithFileExtension(g_Global.recTargetPath, RecordFileExtension());
        g_Global.recFilePath = g_Global.recTargetPath;
    }
    g_Global.recDirIsNTFS = DirverIsNTFS(g_Global.recFilePath);
    g_Global.recStartTime = nowSecs();
    g_Global.recPausedSecs = 0;
    g_Global.recElapsedSecs = 0;
    g_Global.recSplitAtSecs = 0;

    const int r = ZD_StartRecord(g_Global.hCore, g_Global.recFilePath.toUtf8().constData(),
                                 g_Global.deviceHDR != 0 ? 100 : g_Global.recFormat,
                                 g_Global.recVCodec, g_Global.recVSpeed, recordWidth(),
                                 recordHeight(), recordFps(), g_Global.recBitrate);
    if (r != 1) {
        // Nothing runs: a later stop must not take this attempt for a
        // recording.
        g_Global.recStartTime = 0;
        return r;
    }
    PostMessage(nullptr, MSG_RECORD_STATE, 0, 0, nullptr);
    m_recordClock->start(1000);
    return 1;
}

QString ZDHelperGUI::fileDescription(const QString& file) const
{
    const int d = g_Global.recElapsedSecs - g_Global.recSplitAtSecs;
    return QString::asprintf("%02d:%02d:%02d,%dx%d,%dfps,", d / 3600, d % 3600 / 60, d % 60,
                             recordWidth(), recordHeight(), recordFps()) +
           getSizeString(GetFileSize(file));
}

void ZDHelperGUI::catalogueRecording(const QString& file)
{
    if (g_Global.pFilesCatalog)
        g_Global.pFilesCatalog->AddFile(file, fileDescription(file), g_Global.recThumbPath);
    // The thumbnail has been made from the bitmap, which was ours alone.
    DelFile(g_Global.recThumbPath);
}

void ZDHelperGUI::takeThumbnailPicture()
{
    // A bitmap of the whole frame, megabytes large: it goes where the next
    // start removes it should the program be killed before the recording is
    // listed (and the bitmap removed with it).
    g_Global.recThumbPath = CPublic::GetAppTempFile(QStringLiteral("bmp"));
    ZD_ScreenShot_bmp(g_Global.hCore, g_Global.recThumbPath.toUtf8().constData(), 0);
}

QString ZDHelperGUI::moveToTarget(const QString& file)
{
    const QString target = g_Global.recTargetPath;
    if (target.isEmpty() || target == file)
        return file;
    const QString freeName = getSafeFilePath(target);
    if (MoveFile(file, freeName))
        return freeName;
    // The file stays where the engine wrote it, and the list must say so.
    ZD_Log(8, "Move record file %s to %s failed.", file.toLocal8Bit().constData(),
           freeName.toLocal8Bit().constData());
    return file;
}

int ZDHelperGUI::StopRecord(bool userAsked)
{
    // Nothing records (or a stop is already on its way): a repeated stop
    // must not finish and list the last file again.
    if (!m_recordClock->isActive() || g_Global.isClosing != 0)
        return 0;
    if (userAsked && static_cast<qint32>(nowSecs() - g_Global.recStartTime) <= 2) {
        ZD_Log(2, "Can not stop when record duration less 2 seconds");
        return 0;
    }
    g_Global.isClosing = 1;
    if (g_Global.recThumbPath.isEmpty()) {
        takeThumbnailPicture();
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ZD_StopRecord(g_Global.hCore);
    QGuiApplication::restoreOverrideCursor();

    if (QWidget* main = AfxGetMainWindow()) {
        MyEvent stopped(MSG_RECORD_STATE, 1, 0, nullptr);
        QCoreApplication::sendEvent(main, &stopped);
    }
    m_recordClock->stop();

    g_Global.recFilePath = moveToTarget(g_Global.recFilePath);
    const QString description = fileDescription(g_Global.recFilePath);
    catalogueRecording(g_Global.recFilePath);
    ZD_Log(2, "Record done (%s)", description.toLocal8Bit().constData());

    g_Global.recTargetPath.clear();
    g_Global.recAutoStopSecs = 0;
    g_Global.recSplitAtSecs = 0;
    g_Global.recStartTime = 0;
    g_Global.isClosing = 0;
    g_Global.recThumbPath.clear();
    return 1;
}

void ZDHelperGUI::timer_rec()
{
    if (ZD_IsPauseRecord(g_Global.hCore) != 0)
        g_Global.recPausedSecs += 1;
    const qint32 e =
        static_cast<qint32>(nowSecs() - g_Global.recStartTime) - g_Global.recPausedSecs;
    g_Global.recElapsedSecs = e;
    if (g_Global.recAutoStopSecs >= 1 && e > g_Global.recAutoStopSecs) {
        // The duration is cleared by the stop itself, once it went through.
        // No tick goes out: a queued tick would reach the panels and the
        // status bar after the stop, which is delivered at once, and show a
        // recording again.
        StopRecord();
        return;
    }
    PostMessage(nullptr, MSG_RECORD_STATE, 2, e, nullptr);
    if (e > g_Global.recBmpCutDelay && g_Global.recThumbPath.isEmpty()) {
        takeThumbnailPicture();
    }

    const qint64 size = ZD_GetRecordFileSize(g_Global.hCore);
    const qint64 s = g_Global.recSplitMB;
    qint64 limit = 0;
    if (s != 0 && s <= 2000)
        limit = s * kMiB;
    else
        limit = g_Global.recDirIsNTFS ? s * kMiB : qint64(0x7D000000);
    if (limit < 1 || size < limit - kMiB)
        return;

    ZD_Log(2, "splite record start, fsize = %s", getSizeString(size).toLocal8Bit().constData());
    char next[ZD_TEXT_BUFFER_BYTES];
    std::memset(next, 0, sizeof next);
    const int r = ZD_RestartRecord(g_Global.hCore, g_Global.recFilePath.toUtf8().constData(), next);
    if (r <= 0)
        return;
    catalogueRecording(moveToTarget(g_Global.recFilePath));
    g_Global.recSplitAtSecs = g_Global.recElapsedSecs;
    const QString newPath = QString::fromUtf8(next, int(qstrnlen(next, sizeof next)));
    g_Global.recTargetPath = newPath;
    g_Global.recFilePath = newPath;
    takeThumbnailPicture();
}

// ---- Right bar slide ------------------------------------------------------------

void ZDHelperGUI::finishHide()
{
    ui->rightBar->hide();
    if (g_Global.hideStatusBarWhenHideBar && !ui->statusBar->isHidden())
        ui->statusBar->hide();
    m_showBarButton->setArmed(true);
    layoutAll();
}

void ZDHelperGUI::finishShow()
{
    ui->rightBar->show();
    ui->statusBar->show();
    m_showBarButton->hide();
    m_showBarButton->setArmed(false);
    layoutAll();
}

void ZDHelperGUI::HideBar(QObject* sender)
{
    if (!sender) {
        AnimShow(false);
        return;
    }
    finishHide();
}

void ZDHelperGUI::ShowBar(QObject* sender)
{
    if (!sender) {
        AnimShow(true);
        return;
    }
    finishShow();
}

void ZDHelperGUI::AnimShow(bool show)
{
    // A slide that is still running gives way to the new one.
    if (m_barAnimation) {
        m_barAnimation->disconnect(this);
        m_barAnimation->stop();
        m_barAnimation->deleteLater();
        m_barAnimation = nullptr;
    }
    auto* animation = new QPropertyAnimation(ui->rightBar, "curIndex", this);
    animation->setDuration(kBarSlideMs);
    animation->setStartValue(show ? 100 : 0);
    animation->setEndValue(show ? 0 : 100);
    connect(animation, &QVariantAnimation::valueChanged, this, &ZDHelperGUI::AnimvalueChanged);
    connect(animation, &QAbstractAnimation::finished, this, &ZDHelperGUI::AnimEnd);
    m_barAnimation = animation;
    m_barAnimationShows = show;
    animation->start();
}

void ZDHelperGUI::AnimvalueChanged(const QVariant& value)
{
    const int v = value.toInt();
    const QSize content = contentSize();
    const int W = content.width();
    const int H = content.height();
    const int T = m_titleBarHeight;
    const int R = m_rightBarWidth;
    const int S = m_statusBarHeight;
    const int offset = R * v / 100;
    if (m_barAnimationShows && ui->rightBar->isHidden())
        ui->rightBar->show();
    ui->rightBar->setGeometry(W - R + offset, T, R - offset, H - T - S);
    ui->playerBar->setGeometry(0, T, W - R + offset, H - T - S);
    if (!m_barAnimationShows && v == 100)
        finishHide();
    else if (m_barAnimationShows && v == 0)
        finishShow();
}

void ZDHelperGUI::AnimEnd()
{
    if (m_barAnimation) {
        m_barAnimation->deleteLater();
        m_barAnimation = nullptr;
    }
    setFocus(Qt::OtherFocusReason);
}

// ---- Closing -----------------------------------------------------------------

void ZDHelperGUI::closeEvent(QCloseEvent* e)
{
    int recording = 0;
    int gif = 0;
    int living = 0;
    ZD_CheckState(g_Global.hCore, nullptr, nullptr, &recording, &gif, &living);
    if ((recording || gif || living) && !m_closeWithoutQuestion) {
        const QString question = getLang(
            17014, QStringLiteral("There are still some recording tasks running, are you sure to "
                                  "exit the program ?"));
        if (AfxMessageBoxQuestion(this, question, QString(), QString(), nullptr) == 0) {
            e->ignore();
            return;
        }
    }

    g_Global.wndW = width();
    g_Global.wndH = height();
    g_Global.wndX = pos().x();
    g_Global.wndY = pos().y();

    hide();
    // Closing a panel stops what it runs; a child may take others with it.
    const QList<QWidget*> children = findChildren<QWidget*>();
    QList<QPointer<QWidget>> alive;
    alive.reserve(children.size());
    for (QWidget* child : children)
        alive << child;
    for (const QPointer<QWidget>& child : alive) {
        if (child)
            child->close();
    }
    e->accept();
}

void ZDHelperGUI::closeWithoutQuestion()
{
    // Nobody is there to answer: the session waits for the program to end,
    // and a refused close would only bring the question back.
    m_closeWithoutQuestion = true;
    close();
}

// ---- The hub -------------------------------------------------------------------

QString ZDHelperGUI::encoderFailureText(const QString& kind, long long code)
{
    switch (code) {
    case 1:
        return getLang(17007,
                       QStringLiteral("Encoding #v1# failed because the encoder is too slow.\n"
                                      "(Please reduce the resolution, frame rate, or use the GPU "
                                      "accelerated encoder in the setup page."),
                       kind);
    case 2:
        return getLang(17008, QStringLiteral("Encoding #v1# failed. (copy video frame error)"),
                       kind);
    case 3:
        return getLang(17009, QStringLiteral("Encoding #v1# failed. (No enough memory)"), kind);
    case 4:
        return getLang(17010, QStringLiteral("Encoding #v1# failed. (Video queue full)"), kind);
    case 5:
        return getLang(
            17011, QStringLiteral("Encoding #v1# failed. (no enough free space in disk)"), kind);
    case 6:
        return getLang(17012, QStringLiteral("Encoding #v1# failed. (encoding frame error)"), kind);
    default:
        return getLang(17013, QStringLiteral("Encoding #v1# failed. (unknown error #v2#)"), kind,
                       QString::number(quint32(code)));
    }
}

void ZDHelperGUI::handleOwnMessage(unsigned long msg, long wParam, long lParam)
{
    switch (msg) {
    case MSG_DEVICE_CHANGED:
        // A panel that is not shown reads the device list again at its next
        // first showing.
        for (QWidget* panel : {recordPanel(), livePanel()}) {
            if (auto* base = qobject_cast<QMyRecordWidget*>(panel))
                base->reloadPending = 1;
        }
        break;
    case MSG_CAMERA_PERMISSION_DENIED:
        AfxMessageBox(this,
                      getLang(33, QStringLiteral("You must agree to use the camera in the system "
                                                 "privacy settings to preview and record videos.")),
                      MSGBOX_NOTICE);
        break;
    case MSG_MICROPHONE_PERMISSION_DENIED:
        AfxMessageBox(this,
                      getLang(-1, QStringLiteral("You must agree to use the microphone in the "
                                                 "system privacy settings to preview and record "
                                                 "videos.")),
                      MSGBOX_NOTICE);
        break;
    case MSG_NOT_IT9910_DEVICE:
        AddLog(2, QStringLiteral("This is not a JX it9910 device."));
        break;
    case MSG_RELOAD_SERVERS:
        if (QMyLiveBar* live = liveBar())
            live->ReloadServerAddress();
        break;
    case MSG_CONTEXT_MENU:
        // In the live interface a layer under the cursor has its own menu.
        if (g_Global.isRecordInterface) {
            show_right_menu();
        } else if (QMyLiveBar* live = liveBar()) {
            if (live->IsCanShowContextMenu())
                show_right_menu();
        }
        break;
    case MSG_SETTINGS_CHANGED:
        if (wParam == long(MSG_LANGUAGE_CHANGED)) {
            updateLang(false);
            updateLang(true);
            for (QWidget* panel : {recordPanel(), livePanel()}) {
                if (auto* base = qobject_cast<QMyRecordWidget*>(panel))
                    base->updateLang();
            }
        }
        if (QWidget* main = AfxGetMainWindow())
            QCoreApplication::postEvent(
                main, new MyEvent(uint64_t(uint32_t(wParam)), 0, lParam, nullptr));
        break;
    case MSG_RECORD_FAILED:
        StopRecord();
        AfxMessageBox(nullptr, encoderFailureText(QStringLiteral("MP4"), lParam), MSGBOX_ERROR);
        GA_TrackError("record_failed");
        break;
    case MSG_LIVE_FAILED:
        if (QMyLiveBar* live = liveBar())
            live->liveStop();
        AfxMessageBox(nullptr, encoderFailureText(QStringLiteral("live stream"), lParam),
                      MSGBOX_ERROR);
        GA_TrackError("live_failed");
        break;
    case MSG_DUD_FAILED:
        ZD_StopDUD_live(g_Global.hCore);
        AfxMessageBox(nullptr, encoderFailureText(QStringLiteral("DUD"), lParam), MSGBOX_ERROR);
        GA_TrackError("dud_failed");
        break;
    default:
        break;
    }
}

bool ZDHelperGUI::event(QEvent* e)
{
    if (e->type() == QEvent::WindowDeactivate) {
        for (const QPointer<QWidget>& listener : std::as_const(g__mouse_ev_list)) {
            if (listener)
                SendMessage(listener, MSG_MAIN_WINDOW_DEACTIVATED, 0, 0, nullptr);
        }
    }
    if (e->type() != MyEvent::EventType || !ui)
        return QMainWindow::event(e);

    auto* m = static_cast<MyEvent*>(e);
    // Every message reaches the preview host, the status bar and the panel of
    // the current interface first, as the same event.
    QCoreApplication::sendEvent(ui->playerBar, e);
    if (ui->statusBar)
        QCoreApplication::sendEvent(ui->statusBar, e);
    if (QWidget* panel = currentPanel())
        QCoreApplication::sendEvent(panel, e);

    handleOwnMessage(static_cast<unsigned long>(m->msg), long(int32_t(m->wParam)),
                     long(int32_t(m->lParam)));
    return QMainWindow::event(e);
}

// ---- Hot keys, context menu, mouse --------------------------------------------------

void ZDHelperGUI::hotkey_rec_active(int id, const QKeySequence& key)
{
    Q_UNUSED(key);
    if (id == -12) {
        onFullScreen();
        return;
    }
    if (id == -11) {
        if (m_fullScreen)
            onFullScreen();
        return;
    }
    if (id == hotKeyId(g_Global.recHotkeyRec)) {
        ZD_play_system_sound(0);
        PostMessage(this, MSG_HOTKEY_COMMAND, CMD_RECORD_START_STOP, 0, nullptr);
    } else if (id == hotKeyId(g_Global.recHotkeyPause)) {
        ZD_play_system_sound(1);
        PostMessage(this, MSG_HOTKEY_COMMAND, CMD_RECORD_PAUSE, 0, nullptr);
    } else if (id == hotKeyId(g_Global.picHotkey)) {
        ZD_play_system_sound(2);
        PostMessage(this, MSG_HOTKEY_COMMAND, CMD_CAPTURE_PICTURE, 0, nullptr);
    }
}

QMenu* ZDHelperGUI::createRightMenu()
{
    auto* menu = new QMenu(nullptr);
    AdjustFonts(menu);

    int previewing = 0;
    int recording = 0;
    ZD_CheckState(g_Global.hCore, nullptr, &previewing, &recording, nullptr, nullptr);
    const int previewOn = ZD_PreviewEnable(g_Global.hCore, nullptr);

    auto add = [menu](int command, const QString& text, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setData(command);
        action->setEnabled(enabled);
        menu->addSeparator();
    };
    add(RM_PREVIEW,
        previewOn ? getLang(17015, QStringLiteral("Close preview"))
                  : getLang(17016, QStringLiteral("Open preview")),
        previewing != 0);
    // The key shown is the one this platform binds for full screen.
    add(RM_FULL_SCREEN,
        m_fullScreen ? getLang(17000, QStringLiteral("Restore"))
                     : getLang(17001, QStringLiteral("Full Screen")) + "(" +
                           fullScreenKey().toString(QKeySequence::NativeText) + ")",
        previewing != 0);
    const QString recKey = hotKeyName(g_Global.recHotkeyRec);
    add(RM_RECORD,
        recording ? getLang(17003, QStringLiteral("Stop Record (#v1#)"), recKey)
                  : getLang(17002, QStringLiteral("Start Record (#v1#)"), recKey),
        previewing != 0);
    add(RM_PICTURE,
        getLang(17006, QStringLiteral("Capture picture(#v1#)"), hotKeyName(g_Global.picHotkey)),
        true);
    add(RM_FILES, getLang(17004, QStringLiteral("Files manager")), true);
    add(RM_SETUP, getLang(17005, QStringLiteral("Setup")), true);

    menu->setStyleSheet(kMenuStyle);
    return menu;
}

void ZDHelperGUI::show_right_menu()
{
    QMenu* menu = createRightMenu();
    connect(menu, &QMenu::triggered, this, &ZDHelperGUI::menu_right);
    setFocus(Qt::OtherFocusReason);
    menu->exec(QCursor::pos());
    delete menu;
}

void ZDHelperGUI::menu_right(QAction* action)
{
    if (!action)
        return;
    switch (action->data().toInt()) {
    case RM_FULL_SCREEN:
        onFullScreen();
        break;
    case RM_RECORD:
        PostMessage(this, MSG_HOTKEY_COMMAND, CMD_RECORD_START_STOP, 0, nullptr);
        break;
    case RM_PICTURE:
        PostMessage(this, MSG_HOTKEY_COMMAND, CMD_CAPTURE_PICTURE, 0, nullptr);
        break;
    case RM_FILES:
        PostMessage(this, MSG_HOTKEY_COMMAND, CMD_OPEN_FILES_MANAGER, 0, nullptr);
        break;
    case RM_SETUP: {
        QSetupWnd setup(this);
        setup.exec();
        break;
    }
    case RM_PREVIEW: {
        int enable = ZD_PreviewEnable(g_Global.hCore, nullptr) == 0 ? 1 : 0;
        ZD_PreviewEnable(g_Global.hCore, &enable);
        ui->playerBar->showDisablePreviewWidget(enable == 0);
        break;
    }
    default:
        break;
    }
}

void ZDHelperGUI::onMouseDown(int kind, int a, int b, int x, int y)
{
    if (!g__mouse_ev_list.isEmpty()) {
        const qint64 fields = packMouseFields(a, b, x, y);
        // Copied: a listener may add another while it handles the message.
        const QList<QPointer<QWidget>> listeners = g__mouse_ev_list;
        for (const QPointer<QWidget>& listener : listeners) {
            if (listener)
                SendMessage(listener, MSG_MOUSE_ACTIVITY, kind, fields, nullptr);
        }
    }

    switch (kind) {
    case 1:
        PostMessage(nullptr, MSG_MOUSE_MOVE, 0, 0, nullptr);
        if (isActiveWindow()) {
            m_idleTicks = 0;
            if (m_showBarButton)
                m_showBarButton->onMouseMove(a, b, this);
        }
        break;
    case 2:
        if (focusWidget() == this)
            PostMessage(this, MSG_MOUSE_WHEEL, 0, qint16(b), nullptr);
        break;
    case 3:
        PostMessage(this, MSG_MOUSE_LEFT_DOWN, 0, 0, nullptr);
        break;
    case 4:
        PostMessage(this, MSG_MOUSE_LEFT_UP, 0, 0, nullptr);
        break;
    case 6: {
        if (!isActiveWindow() || !ui)
            break;
        QMyPlayerBar* preview = ui->playerBar;
        const QPoint local = preview->mapFromGlobal(QCursor::pos());
        if (preview->rect().contains(local, false))
            PostMessage(this, MSG_CONTEXT_MENU, 0, 0, nullptr);
        break;
    }
    default:
        break;
    }
}
