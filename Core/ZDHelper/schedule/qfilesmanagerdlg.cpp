#include "qfilesmanagerdlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStatusBar>
#include <algorithm>

#include "cpublic.h"
#include "itemdelegate.h"
#include "msgboxdialog.h"
#include "qmyfileshelper.h"
#include "qmylistview.h"
#include "qmypushbutton.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qfilesmanagerdlg.h"
#include "vazURIdav.h"
#include "windowstyle.h"

bool _view_mode = false;

namespace
{

QPointer<QFilesManagerDlg> s_openWindow;

const char* const kMenuStyle =
    "QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} QMenu::Item:selected{background: "
    "#5a69e1;} QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}";

enum MenuId { MENU_PLAY = 1, MENU_OPEN, MENU_LOCATION, MENU_RENAME, MENU_DELETE };

int px(double v)
{
    return qRound(v * g_dpi_percent);
}

QByteArray pathBytes(const FILE_ITEM* item)
{
    return QByteArray(item->path, qstrnlen(item->path, sizeof(item->path)));
}

} // namespace

QFilesManagerDlg* QFilesManagerDlg::openInstance()
{
    return s_openWindow.data();
}

QFilesManagerDlg* QFilesManagerDlg::showOrRaise(QWidget* parent)
{
    QFilesManagerDlg* window = s_openWindow.data();
    if (!window)
        window = new QFilesManagerDlg(parent);
    window->show();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

QFilesManagerDlg::QFilesManagerDlg(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::QFilesManagerDlg), panel(parent),
      catalog(g_Global.pFilesCatalog)
{
    // The reload below frees every record an open window shows.
    if (QFilesManagerDlg* older = s_openWindow.data()) {
        older->model->clear();
        older->close();
    }
    s_openWindow = this;
    setAttribute(Qt::WA_DeleteOnClose);

    ui->setupUi(this);
    ZD_HideWindowTitleBar(ZD_WINDOW_ID(winId()), 1, 1, 1);
    windowStyle = new WindowStyle(this);
    windowStyle->activateOn(ui->titleBar);

    setMinimumSize(px(640), px(480));

    const QString fixed = QString::fromUtf8(g_Public.ReadQSSFile("fixedbutton.qss"));
    ui->btnAll->setStyleSheet(fixed);
    ui->btnVideo->setStyleSheet(fixed);
    ui->btnPicture->setStyleSheet(fixed);
    ui->btnClose->hide();

    delegate = new ItemDelegate(this);
    ui->listView->setItemDelegate(delegate);
    ui->listView->setSpacing(15);

    model = new QStandardItemModel(this);
    proxy = new QSortFilterProxyModel(this);
    proxy->setFilterRole(FILES_ROLE_KIND);
    proxy->setDynamicSortFilter(true);
    proxy->setSourceModel(model);
    ui->listView->setModel(proxy);

    _view_mode = false;
    ui->listView->setViewMode(QListView::IconMode);
    ui->listView->setMovement(QListView::Static);
    ui->listView->setDragEnabled(false);
    // Its setter is protected; the property is not.
    ui->listView->setProperty("showDropIndicator", false);
    ui->listView->setResizeMode(QListView::Adjust);
    ui->listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui->listView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->listView, &QWidget::customContextMenuRequested, this,
            &QFilesManagerDlg::show_contextmenu1);
    connect(ui->listView, &QMyListView::selchanged, this, &QFilesManagerDlg::listview_selchanged);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName("_statusBar");
    m_statusBar->setStyleSheet("color: rgb(158, 158, 158);");
    m_statusBar->setFixedHeight(px(25));
    setStatusBar(m_statusBar);
    setStyleSheet("QStatusBar::item{border: 0px;}\n QStatusBar{background:rgb(39,43,47);}\n "
                  "QLabel{color:rgba(200,200,200,150); font-size: 12pt;}");
    QPalette pal = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Window, QColor(85, 85, 85));
    setPalette(pal);
    setAutoFillBackground(true);

    ui->listView->verticalScrollBar()->setStyleSheet(
        QString::fromUtf8(g_Public.ReadQSSFile("normal_scrollbar.qss")));
    ui->listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AdjustFonts(this);

    LoadFiles();

    ui->btnAll->setText(getLang(16003, "All"));
    ui->btnVideo->setText(getLang(16004, "Video"));
    ui->btnPicture->setText(getLang(16005, "Picture"));
    ui->btnIcon->setToolTip(getLang(16007, "Show icon"));
    ui->btnList->setToolTip(getLang(16008, "Show list"));
    setWindowTitle(getLang(16009, "Files manager"));
    ui->label->setText(getLang(16009, "Files manager"));
    QFont titleFont = font();
    titleFont.setPixelSize(qMax(1, pt2pix_scale(11)));
    titleFont.setWeight(QFont::Bold);
    ui->label->setFont(titleFont);

    ui->btnIcon->setEnabled(false);
    ui->btnAll->setEnabled(false);

    GA_TrackScreen("filemanager");
}

QFilesManagerDlg::~QFilesManagerDlg()
{
    delete ui;
}

void QFilesManagerDlg::LoadFiles()
{
    model->clear();
    if (!catalog)
        return;
    catalog->LoadAllFiles();
    for (qsizetype i = catalog->files.size() - 1; i >= 0; --i)
        AddItem(catalog->files.at(i));
}

void QFilesManagerDlg::AddItem(FILE_ITEM* item)
{
    auto* row = new QStandardItem;
    row->setData(QMyFilesHelper::IsVideoItem(item) ? FILES_KIND_VIDEO : FILES_KIND_PICTURE,
                 FILES_ROLE_KIND);
    row->setData(QVariant::fromValue(static_cast<void*>(item)), FILES_ROLE_ITEM);
    row->setEditable(true);
    model->appendRow(row);
}

FILE_ITEM* QFilesManagerDlg::itemAt(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    return static_cast<FILE_ITEM*>(index.data(FILES_ROLE_ITEM).value<void*>());
}

QString QFilesManagerDlg::statusText(const FILE_ITEM* item)
{
    // The path as this platform writes paths: its own separator, here "/".
    return getLang(16002, "File:") + " " + FileItemText(item->name, sizeof(item->name)) + ", " +
           FileItemText(item->info, sizeof(item->info)) + ", " +
           QDir::toNativeSeparators(FileItemText(item->path, sizeof(item->path)));
}

QModelIndexList QFilesManagerDlg::selectedRows() const
{
    QModelIndexList rows = ui->listView->selectionModel()
                               ? ui->listView->selectionModel()->selectedIndexes()
                               : QModelIndexList();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    return rows;
}

void QFilesManagerDlg::openEntry(const FILE_ITEM* item)
{
    const QByteArray path = pathBytes(item);
    if (QMyFilesHelper::IsVideoItem(item))
        ZD_QuickTimePlayMp4(path.constData());
    else
        ZD_OpenPreviewPicture(path.constData());
}

void QFilesManagerDlg::onCloseClick()
{
    close();
}

void QFilesManagerDlg::setKindFilter(const QString& kind, QWidget* pressed)
{
    proxy->setFilterFixedString(kind);
    for (QMyPushButton* b : {ui->btnAll, ui->btnVideo, ui->btnPicture})
        b->setEnabled(b != pressed);
}

void QFilesManagerDlg::onAllClick()
{
    setKindFilter(QString(), ui->btnAll);
}

void QFilesManagerDlg::onVideoClick()
{
    setKindFilter(QString::number(FILES_KIND_VIDEO), ui->btnVideo);
}

void QFilesManagerDlg::onPictureClick()
{
    setKindFilter(QString::number(FILES_KIND_PICTURE), ui->btnPicture);
}

void QFilesManagerDlg::onIconClick()
{
    _view_mode = false;
    ui->listView->setSpacing(15);
    ui->listView->verticalScrollBar()->setSingleStep(20);
    ui->listView->setViewMode(QListView::IconMode);
    ui->listView->setMovement(QListView::Static);
    ui->btnIcon->setEnabled(false);
    ui->btnList->setEnabled(true);
}

void QFilesManagerDlg::onListClick()
{
    _view_mode = true;
    ui->listView->setSpacing(0);
    ui->listView->verticalScrollBar()->setSingleStep(10);
    ui->listView->setViewMode(QListView::ListMode);
    ui->btnList->setEnabled(false);
    ui->btnIcon->setEnabled(true);
}

void QFilesManagerDlg::onListViewClick(const QModelIndex& index)
{
    if (const FILE_ITEM* item = itemAt(index))
        m_statusBar->showMessage(statusText(item));
}

void QFilesManagerDlg::onListViewDBClick(const QModelIndex& index)
{
    const FILE_ITEM* item = itemAt(index);
    if (!item)
        return;
    if (!_view_mode) {
        const QRect r = ui->listView->visualRect(index);
        const QPoint cursor = ui->listView->viewport()->mapFromGlobal(QCursor::pos());
        // A double click on the name line renames; elsewhere it opens.
        if (r.contains(cursor) && cursor.y() > r.bottom() - px(20)) {
            ui->listView->edit(index);
            return;
        }
    }
    openEntry(item);
}

void QFilesManagerDlg::show_contextmenu1(const QPoint& pos)
{
    Q_UNUSED(pos);
    const QModelIndexList rows = selectedRows();
    if (rows.isEmpty())
        return;
    const FILE_ITEM* first = itemAt(rows.first());
    if (!first)
        return;
    m_statusBar->showMessage(statusText(first));
    const bool one = rows.size() == 1;
    const bool video = rows.first().data(FILES_ROLE_KIND).toInt() == FILES_KIND_VIDEO;

    QMenu menu;
    AdjustFonts(&menu);
    const struct {
        int id;
        unsigned text;
        const char* english;
        bool shown;
        bool enabled;
    } entries[] = {
        {MENU_PLAY, 16010, "Play", video, one},        {MENU_OPEN, 16011, "Open", !video, one},
        {MENU_LOCATION, 16012, "Location", true, one}, {MENU_RENAME, 16013, "Rename", true, one},
        {MENU_DELETE, 16014, "Delete", true, true},
    };
    for (const auto& e : entries) {
        QAction* action = menu.addAction(getLang(e.text, e.english));
        action->setData(e.id);
        action->setVisible(e.shown);
        action->setEnabled(e.enabled);
        menu.addSeparator()->setVisible(e.shown);
    }
    menu.setStyleSheet(kMenuStyle);
    connect(&menu, &QMenu::triggered, this, &QFilesManagerDlg::menu_tt);
    menu.exec(QCursor::pos());
}

void QFilesManagerDlg::menu_tt(QAction* action)
{
    if (!action)
        return;
    const QModelIndexList rows = selectedRows();
    if (rows.isEmpty())
        return;
    const int id = action->data().toInt();
    const QModelIndex first = rows.first();
    FILE_ITEM* item = itemAt(first);
    if (!item)
        return;
    switch (id) {
    case MENU_PLAY:
        ZD_QuickTimePlayMp4(pathBytes(item).constData());
        break;
    case MENU_OPEN:
        openEntry(item);
        break;
    case MENU_LOCATION:
        LocalOutfile(FileItemPath(item));
        break;
    case MENU_RENAME:
        ui->listView->edit(first);
        break;
    case MENU_DELETE:
        deleteSelected();
        break;
    default:
        break;
    }
}

void QFilesManagerDlg::deleteSelected()
{
    const int n = int(selectedRows().size());
    if (n >= 2 &&
        AfxMessageBoxQuestion(
            this,
            getLang(16000, "Are you sure to delete the selected #v1# files?", QString::number(n)),
            getLang(3, "Yes"), getLang(4, "No")) != 1)
        return;
    // Each pass removes one selected row, so n passes empty the selection.
    for (int pass = 0; pass < n; ++pass) {
        const QModelIndexList rows = selectedRows();
        if (rows.isEmpty())
            break;
        FILE_ITEM* item = itemAt(rows.first());
        if (!item)
            break;
        if (n == 1 && AfxMessageBoxQuestion(this,
                                            getLang(16001, "Are you sure to delete file '#v1#' ?",
                                                    FileItemText(item->name, sizeof(item->name))),
                                            getLang(3, "Yes"), getLang(4, "No")) != 1)
            break;
        const QModelIndex source = proxy->mapToSource(rows.first());
        // The row goes first: it must not outlive the record it points to.
        model->removeRow(source.row());
        if (catalog)
            catalog->DeleteItem(item);
    }
    m_statusBar->clearMessage();
}

void QFilesManagerDlg::listview_selchanged(int selectedCount, int deselectedCount)
{
    Q_UNUSED(deselectedCount);
    if (selectedCount == 0)
        m_statusBar->clearMessage();
}

void QFilesManagerDlg::paintEvent(QPaintEvent* e)
{
    QMainWindow::paintEvent(e);
    QPainter p(this);
    p.setBrush(QColor(46, 49, 54));
    p.setPen(QPen(QColor(50, 60, 60), 1));
    p.drawRect(QRect(QPoint(0, 0), QPoint(width() - 2, height() - 2)));
}

void QFilesManagerDlg::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    const int W = width() - 1;
    const int H = height() - 1;
    const int statusHeight = m_statusBar ? m_statusBar->height() : 0;
    ui->listView->setGeometry(QRect(QPoint(5, 70), QPoint(W - 5, H - 5 - statusHeight)));
    ui->titleBar->setGeometry(QRect(QPoint(0, 0), QPoint(W, 30 - 1)));
    ui->label->setGeometry(((W + 1) - 150) / 2, 0, 150, 30);
    ui->btnClose->setGeometry((W + 1) - 20, 5, 16, 16);
    ui->btnAll->setGeometry(scale_rect2(20, 35, 75, 25));
    ui->btnVideo->setGeometry(scale_rect2(105, 35, 75, 25));
    ui->btnPicture->setGeometry(scale_rect2(190, 35, 75, 25));
    ui->btnIcon->setGeometry((W + 1) - 100, 35, 25, 25);
    ui->btnList->setGeometry((W + 1) - 60, 35, 25, 25);
    if (ui->btnClose->stateCount() == 0) {
        ui->btnClose->SetPicture(":/images/res/top-x.png", 4);
        ui->btnList->SetPicture(":/images/res/al.png", 4);
        ui->btnIcon->SetPicture(":/images/res/ai.png", 4);
    }
}

void QFilesManagerDlg::closeEvent(QCloseEvent* e)
{
    QMainWindow::closeEvent(e);
    if (!e->isAccepted() || m_closed)
        return;
    m_closed = true;
    if (s_openWindow == this)
        s_openWindow = nullptr;
    emit filesWndClosed();
}
