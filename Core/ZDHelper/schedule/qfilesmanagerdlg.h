// The recorded-files window: every recording, picture and GIF of the
// recorded-files list, newest first, as thumbnails or as name and date rows,
// filtered by kind; play, open, show in the folder, rename in place, delete.
//
// At most one window exists. Open it with showOrRaise(): it raises the open
// window, or makes one with the given parent (the panel) and shows it. Each
// new window reloads the list from files.dat, which frees every record the
// list held; a second window would show freed records, so building one
// directly while another is open closes the older window first.
//
// When the window closes it emits filesWndClosed() once and deletes itself;
// the panel that opened it connects that signal to its onFilesWndClosed().
#pragma once

#include <QMainWindow>
#include <QModelIndex>

class QAction;
class QSortFilterProxyModel;
class QStandardItemModel;
class QStatusBar;
class ItemDelegate;
class QMyFilesHelper;
class WindowStyle;
struct FILE_ITEM;
namespace Ui
{
class QFilesManagerDlg;
}

// The view mode of the open window, read by its item delegate: false icon
// view, true list view.
extern bool _view_mode;

// Model roles of an entry.
enum { FILES_ROLE_KIND = 256, FILES_ROLE_ITEM = 257 };
// FILES_ROLE_KIND values.
enum { FILES_KIND_PICTURE = 1, FILES_KIND_VIDEO = 2 };

class QFilesManagerDlg : public QMainWindow
{
    Q_OBJECT
public:
    explicit QFilesManagerDlg(QWidget* parent);
    ~QFilesManagerDlg() override;

    // The open window, or null.
    static QFilesManagerDlg* openInstance();
    // Raises the open window (its parent and content stay), or makes a new
    // one with parent and shows it. Returns the window.
    static QFilesManagerDlg* showOrRaise(QWidget* parent);

    void LoadFiles();
    void AddItem(FILE_ITEM* item);
    // The entry of a row of the list view (a proxy index), or null.
    FILE_ITEM* itemAt(const QModelIndex& index) const;
    // "File: name, info, path" with every "/" shown as a backslash.
    static QString statusText(const FILE_ITEM* item);

    Ui::QFilesManagerDlg* ui = nullptr;
    QWidget* panel = nullptr;
    QMyFilesHelper* catalog = nullptr;
    WindowStyle* windowStyle = nullptr;
    QStatusBar* m_statusBar = nullptr;
    ItemDelegate* delegate = nullptr;
    QStandardItemModel* model = nullptr;
    QSortFilterProxyModel* proxy = nullptr;

signals:
    void filesWndClosed();

public slots:
    void onCloseClick();
    void onAllClick();
    void onVideoClick();
    void onPictureClick();
    void onIconClick();
    void onListClick();
    void onListViewClick(const QModelIndex& index);
    void onListViewDBClick(const QModelIndex& index);
    void show_contextmenu1(const QPoint& pos);
    void menu_tt(QAction* action);
    void listview_selchanged(int selectedCount, int deselectedCount);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // Selected rows of the list view, top first.
    QModelIndexList selectedRows() const;
    void openEntry(const FILE_ITEM* item);
    void setKindFilter(const QString& kind, QWidget* pressed);
    void deleteSelected();

    bool m_closed = false;
};
