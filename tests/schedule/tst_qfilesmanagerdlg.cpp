// The recorded-files window: newest first, filtered by kind, renamed in place
// by the rules of the list's fields, deleted with one question, played and
// opened through the desktop's opener, and never open twice.
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPixmapCache>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QThread>
#include <cstring>

#include "itemdelegate.h"
#include "msgboxdialog.h"
#include "qfilesmanagerdlg.h"
#include "qmyfileshelper.h"
#include "qmylistview.h"
#include "qmypushbutton.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

QString mediaDir()
{
    return QDir::homePath() + "/Movies";
}

QString makeMedia(const QString& name, const QByteArray& content = "media")
{
    const QString path = mediaDir() + "/" + name;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qWarning("cannot write %s", qPrintable(path));
    f.write(content);
    return path;
}

QString nameOf(const FILE_ITEM* item)
{
    return FileItemText(item->name, sizeof(item->name));
}

QMyListView* listOf(QFilesManagerDlg* w)
{
    return w->findChild<QMyListView*>("listView");
}

QStringList shownNames(QFilesManagerDlg* w)
{
    QStringList out;
    for (int r = 0; r < w->proxy->rowCount(); ++r)
        out << nameOf(w->itemAt(w->proxy->index(r, 0)));
    return out;
}

QByteArray waitForFile(const QString& path, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            return f.readAll();
        QThread::msleep(10);
    }
    return QByteArray();
}

// Closes the window and lets it go.
void closeAndDelete(QFilesManagerDlg* w)
{
    if (!w)
        return;
    QPointer<QFilesManagerDlg> guard(w);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (guard)
        delete guard.data();
}

} // namespace

class TestQFilesManagerDlg : public QObject
{
    Q_OBJECT

    QStringList m_questions;
    QList<int> m_answers;
    QString m_openerOut;

private slots:
    void initTestCase()
    {
        QVERIFY(zdtest::startEngine());
        const QString script = QDir::homePath() + "/opener.sh";
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$OPENER_OUT.part\"\n"
                "/bin/mv \"$OPENER_OUT.part\" \"$OPENER_OUT\"\n");
        f.close();
        QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        qputenv("VAZURIDAV_OPENER", script.toLocal8Bit());
        m_openerOut = QDir::homePath() + "/opener.out";
        qputenv("OPENER_OUT", m_openerOut.toLocal8Bit());
        MsgBoxDialog::setTestHook([this](const QString& text, int kind) {
            m_questions << QString("%1:%2").arg(kind).arg(text);
            return m_answers.isEmpty() ? 0 : m_answers.takeFirst();
        });
    }

    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        zdtest::stopEngine();
    }

    // Four captures, oldest first: a recording, a picture, a GIF, a TS part.
    void init()
    {
        QDir(mediaDir()).removeRecursively();
        QVERIFY(QDir().mkpath(mediaDir()));
        QFile::remove(CPublic::GetAppDatePath() + "/files.dat");
        QFile::remove(m_openerOut);
        m_questions.clear();
        m_answers.clear();
        g_Global.pFilesCatalog = new QMyFilesHelper;
        g_Global.pFilesCatalog->AddFile(makeMedia("Vid20240101120000.mp4"), "00:00:10,", "");
        g_Global.pFilesCatalog->AddFile(makeMedia("Pic20240101120001.png"), "1KB", "");
        g_Global.pFilesCatalog->AddFile(makeMedia("Pic20240101120002.gif"), "2KB", "");
        g_Global.pFilesCatalog->AddFile(makeMedia("Vid20240101120003.ts"), "00:01:00,", "");
        ZDT_ClearTrace();
    }

    void cleanup()
    {
        g_dpi_percent = 1.0;
        _view_mode = false;
        closeAndDelete(QFilesManagerDlg::openInstance());
        delete g_Global.pFilesCatalog;
        g_Global.pFilesCatalog = nullptr;
    }

    void newestFirstAndFilteredByKind()
    {
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        QCOMPARE(shownNames(w), QStringList({"Vid20240101120003.ts", "Pic20240101120002.gif",
                                             "Pic20240101120001.png", "Vid20240101120000.mp4"}));
        QVERIFY(!w->findChild<QMyPushButton*>("btnAll")->isEnabled());
        QVERIFY(!w->findChild<QMyPushButton*>("btnIcon")->isEnabled());
        QCOMPARE(listOf(w)->viewMode(), QListView::IconMode);

        w->findChild<QMyPushButton*>("btnVideo")->click();
        QCOMPARE(shownNames(w), QStringList({"Vid20240101120003.ts", "Vid20240101120000.mp4"}));
        QVERIFY(w->findChild<QMyPushButton*>("btnAll")->isEnabled());
        QVERIFY(!w->findChild<QMyPushButton*>("btnVideo")->isEnabled());
        w->findChild<QMyPushButton*>("btnPicture")->click();
        QCOMPARE(shownNames(w), QStringList({"Pic20240101120002.gif", "Pic20240101120001.png"}));
        w->findChild<QMyPushButton*>("btnList")->click();
        QCOMPARE(listOf(w)->viewMode(), QListView::ListMode);
        QVERIFY(_view_mode);

        // The next window starts at All and the icon view again.
        closeAndDelete(w);
        w = QFilesManagerDlg::showOrRaise(nullptr);
        QCOMPARE(w->proxy->rowCount(), 4);
        QVERIFY(!_view_mode);
        QCOMPARE(listOf(w)->viewMode(), QListView::IconMode);
    }

    // The path is shown with this platform's separator, never another's.
    void statusLineShowsThePathAsItIs()
    {
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        const QModelIndex last = w->proxy->index(3, 0);
        w->onListViewClick(last);
        const QString path = mediaDir() + "/Vid20240101120000.mp4";
        QCOMPARE(w->m_statusBar->currentMessage(),
                 "File: Vid20240101120000.mp4, 00:00:10,, " + path);
        QVERIFY(!w->m_statusBar->currentMessage().contains('\\'));
    }

    // At most one window: opening again raises it, and a window made
    // directly closes the older one before the list is reloaded under it.
    void onlyOneWindow()
    {
        QWidget panelA, panelB;
        int closedA = 0;
        QFilesManagerDlg* first = QFilesManagerDlg::showOrRaise(&panelA);
        connect(first, &QFilesManagerDlg::filesWndClosed, [&] { ++closedA; });
        QCOMPARE(QFilesManagerDlg::openInstance(), first);
        QCOMPARE(QFilesManagerDlg::showOrRaise(&panelB), first);
        QCOMPARE(first->parentWidget(), &panelA);
        QCOMPARE(first->proxy->rowCount(), 4);

        QPointer<QFilesManagerDlg> older(first);
        auto* second = new QFilesManagerDlg(&panelB);
        QCOMPARE(closedA, 1);
        QCOMPARE(older->model->rowCount(), 0); // it holds no record the reload freed
        QCOMPARE(QFilesManagerDlg::openInstance(), second);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(older.isNull());

        int closedB = 0;
        connect(second, &QFilesManagerDlg::filesWndClosed, [&] { ++closedB; });
        QPointer<QFilesManagerDlg> guard(second);
        second->onCloseClick();
        second->close();
        QCOMPARE(closedB, 1);
        QCOMPARE(QFilesManagerDlg::openInstance(), static_cast<QFilesManagerDlg*>(nullptr));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
    }

    void renameRules_data()
    {
        QTest::addColumn<QString>("oldName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result"); // the name afterwards
        QTest::addColumn<QString>("message");
        const QString mp4 = "Vid20240101120000.mp4";
        const QString ts = "Vid20240101120003.ts";
        QTest::newRow("ending added") << mp4 << "holiday"
                                      << "holiday.mp4"
                                      << "";
        QTest::newRow("other ending kept, own added") << mp4 << "holiday.mov"
                                                      << "holiday.mov.mp4"
                                                      << "";
        QTest::newRow("ending in another case") << mp4 << "holiday.MP4"
                                                << "holiday.MP4"
                                                << "";
        QTest::newRow("four characters whatever the ending") << ts << "clip.ts"
                                                             << "clip.ts3.ts"
                                                             << "";
        QTest::newRow("same name") << mp4 << mp4 << mp4 << "";
        QTest::newRow("empty") << mp4 << "" << mp4 << "";
        // Told, rather than nothing happening.
        QTest::newRow("existing target")
            << mp4 << "Pic20240101120001.png.mp4" << mp4
            << "0:A file named \"Pic20240101120001.png.mp4\" already exists in this folder.";
        QTest::newRow("existing target, ending added")
            << mp4 << "Pic20240101120001.png" << mp4
            << "0:A file named \"Pic20240101120001.png.mp4\" already exists in this folder.";
        QTest::newRow("slash") << mp4 << "../../escape" << mp4 << "0:Invalid file name";
        QTest::newRow("backslash") << mp4 << "a\\b" << mp4 << "0:Invalid file name";
        QTest::newRow("name too long")
            << mp4 << QString(124, 'n') << mp4 << "0:The new name is too long.";
        QTest::newRow("longest name") << mp4 << QString(123, 'n') << QString(123, 'n') + ".mp4"
                                      << "";
        QTest::newRow("multi-byte too long")
            << mp4 << QString(62, QChar(0xE9)) << mp4 << "0:The new name is too long.";
    }

    void renameRules()
    {
        QFETCH(QString, oldName);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        QFETCH(QString, message);
        makeMedia("Pic20240101120001.png.mp4", "other");
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        QModelIndex index;
        for (int r = 0; r < w->proxy->rowCount(); ++r) {
            if (nameOf(w->itemAt(w->proxy->index(r, 0))) == oldName)
                index = w->proxy->index(r, 0);
        }
        QVERIFY(index.isValid());
        FILE_ITEM* item = w->itemAt(index);
        const QString oldPath = FileItemPath(item);
        ZDT_ClearTrace();

        // Through the view's own editor, as a double click on the name opens it.
        listOf(w)->edit(index);
        auto* editor = listOf(w)->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), oldName);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits the editor's text through a queued call.
        QCoreApplication::processEvents();

        QCOMPARE(nameOf(item), result);
        QCOMPARE(m_questions, message.isEmpty() ? QStringList() : QStringList(message));
        const QString newPath = mediaDir() + "/" + result;
        QCOMPARE(FileItemPath(item), newPath);
        QVERIFY(QFile::exists(newPath));
        const bool renamed = result != oldName;
        QCOMPARE(QFile::exists(oldPath), !renamed);
        QCOMPARE(zdtest::traceCalls("ZD_DUDFilesChanged").size(), renamed ? 1 : 0);
        QFile other(mediaDir() + "/Pic20240101120001.png.mp4");
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("other"));
        QVERIFY(!QFile::exists(QDir::homePath() + "/escape.mp4"));
        if (renamed) {
            // files.dat holds the new name.
            QMyFilesHelper reread;
            QVERIFY(reread.LoadAllFiles());
            QStringList names;
            for (const FILE_ITEM* f : reread.files)
                names << nameOf(f);
            QVERIFY(names.contains(result));
            QVERIFY(w->m_statusBar->currentMessage().contains(result));
        }
    }

    // A path that would not fit the record is refused before the file moves.
    void renameRefusesAPathTooLong()
    {
        const QString deep = mediaDir() + "/" + QString(200, 'd');
        QVERIFY(QDir().mkpath(deep));
        QFile f(deep + "/Vid1.mp4");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        FILE_ITEM* item = g_Global.pFilesCatalog->AddFile(deep + "/Vid1.mp4", "", "");
        QVERIFY(QByteArray(item->path).size() < 256);
        QVERIFY(!ItemDelegate::renameItem(item, QString(60, 'x'), nullptr));
        QCOMPARE(m_questions, QStringList("0:The new name is too long."));
        QVERIFY(QFile::exists(deep + "/Vid1.mp4"));
        QCOMPARE(nameOf(item), QString("Vid1.mp4"));
    }

    void deleteSeveralAsksOnce()
    {
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        QItemSelectionModel* sel = listOf(w)->selectionModel();
        for (int r : {0, 1, 3})
            sel->select(w->proxy->index(r, 0), QItemSelectionModel::Select);
        QAction del;
        del.setData(5);

        m_answers = {0};
        w->menu_tt(&del);
        QCOMPARE(m_questions, QStringList("2:Are you sure to delete the selected 3 files?"));
        QCOMPARE(w->proxy->rowCount(), 4);

        m_questions.clear();
        m_answers = {1};
        ZDT_ClearTrace();
        w->menu_tt(&del);
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(shownNames(w), QStringList("Pic20240101120001.png"));
        QCOMPARE(g_Global.pFilesCatalog->files.size(), 1);
        QVERIFY(!QFile::exists(mediaDir() + "/Vid20240101120003.ts"));
        QVERIFY(!QFile::exists(mediaDir() + "/Pic20240101120002.gif"));
        QVERIFY(!QFile::exists(mediaDir() + "/Vid20240101120000.mp4"));
        QVERIFY(QFile::exists(mediaDir() + "/Pic20240101120001.png"));
        QCOMPARE(zdtest::traceCalls("ZD_DUDFilesChanged").size(), 3);
        QCOMPARE(QFileInfo(CPublic::GetAppDatePath() + "/files.dat").size(),
                 qint64(sizeof(FILE_ITEM)));
    }

    void deleteOneAsksByName()
    {
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        listOf(w)->selectionModel()->select(w->proxy->index(1, 0), QItemSelectionModel::Select);
        QAction del;
        del.setData(5);
        m_answers = {0};
        w->menu_tt(&del);
        QCOMPARE(m_questions,
                 QStringList("2:Are you sure to delete file 'Pic20240101120002.gif' ?"));
        QVERIFY(QFile::exists(mediaDir() + "/Pic20240101120002.gif"));
        m_answers = {1};
        w->menu_tt(&del);
        QVERIFY(!QFile::exists(mediaDir() + "/Pic20240101120002.gif"));
        QCOMPARE(w->proxy->rowCount(), 3);
    }

    void contextMenuFollowsTheSelection()
    {
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        // Nothing selected: no menu.
        bool popped = false;
        zdtest::whenPopup(
            [&](QMenu* m) {
                popped = true;
                m->close();
            },
            200);
        w->show_contextmenu1(QPoint(10, 10));
        QTest::qWait(400);
        QVERIFY(!popped);

        // A picture first, then a video: the first decides Play or Open;
        // with two selected only Delete can be used.
        QItemSelectionModel* sel = listOf(w)->selectionModel();
        sel->select(w->proxy->index(1, 0), QItemSelectionModel::Select);
        sel->select(w->proxy->index(3, 0), QItemSelectionModel::Select);
        QMap<int, QPair<bool, bool>> entries; // id -> shown, enabled
        zdtest::whenPopup([&](QMenu* m) {
            for (QAction* a : m->actions()) {
                if (!a->isSeparator())
                    entries[a->data().toInt()] = {a->isVisible(), a->isEnabled()};
            }
            m->close();
        });
        w->show_contextmenu1(QPoint(10, 10));
        QCOMPARE(entries.size(), 5);
        QCOMPARE(entries[1], qMakePair(false, false));
        QCOMPARE(entries[2], qMakePair(true, false));
        QCOMPARE(entries[3], qMakePair(true, false));
        QCOMPARE(entries[4], qMakePair(true, false));
        QCOMPARE(entries[5], qMakePair(true, true));
        QVERIFY(w->m_statusBar->currentMessage().contains("Pic20240101120002.gif"));
    }

    // Play and open hand the stored path to the desktop's opener as it is.
    void playAndOpenThroughTheOpener()
    {
        const QString odd = makeMedia("it's $(touch x) \"odd\".mp4");
        g_Global.pFilesCatalog->AddFile(odd, "", "");
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        w->findChild<QMyPushButton*>("btnList")->click();
        w->onListViewDBClick(w->proxy->index(0, 0));
        QCOMPARE(waitForFile(m_openerOut), odd.toUtf8());
        QCOMPARE(zdtest::traceCalls("ZD_QuickTimePlayMp4").size(), 1);

        QFile::remove(m_openerOut);
        listOf(w)->selectionModel()->select(w->proxy->index(2, 0), QItemSelectionModel::Select);
        QAction open;
        open.setData(2);
        w->menu_tt(&open);
        QCOMPARE(waitForFile(m_openerOut), (mediaDir() + "/Pic20240101120002.gif").toUtf8());
        QCOMPARE(zdtest::traceCalls("ZD_OpenPreviewPicture").size(), 1);
        QVERIFY(!QFile::exists(mediaDir() + "/x"));
    }

    // A file removed meanwhile stays listed until the next window drops it.
    void aVanishedFileLeavesWithTheNextWindow()
    {
        QFilesManagerDlg* w = QFilesManagerDlg::showOrRaise(nullptr);
        QVERIFY(QFile::remove(mediaDir() + "/Pic20240101120001.png"));
        g_Global.pFilesCatalog->AddFile(makeMedia("Pic20240101120009.png"), "", "");
        QCOMPARE(w->proxy->rowCount(), 4);
        closeAndDelete(w);
        w = QFilesManagerDlg::showOrRaise(nullptr);
        QCOMPARE(shownNames(w), QStringList({"Pic20240101120009.png", "Vid20240101120003.ts",
                                             "Pic20240101120002.gif", "Vid20240101120000.mp4"}));
    }

    // An icon cell shows the whole thumbnail, nearly at its 160 x 90 size,
    // with a line for the name below it, at every display scale; a list row
    // is one line of name and date without a picture.
    void cellsHoldThumbnailAndName_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("1") << 1.0;
        QTest::newRow("1.5") << 1.5;
        QTest::newRow("2") << 2.0;
    }
    void cellsHoldThumbnailAndName()
    {
        QFETCH(double, scale);
        g_dpi_percent = scale;
        FILE_ITEM* item = g_Global.pFilesCatalog->files.first();
        QImage thumb(160, 90, QImage::Format_RGB32);
        thumb.fill(Qt::red);
        QVERIFY(thumb.save(getFileItemThumbPicture(item)));
        QPixmapCache::clear();
        QStandardItemModel model;
        auto* row = new QStandardItem;
        row->setData(QVariant::fromValue<void*>(item), FILES_ROLE_ITEM);
        model.appendRow(row);
        const QModelIndex index = model.index(0, 0);
        ItemDelegate delegate;
        auto paintCell = [&](const QSize& size) {
            QImage canvas(size, QImage::Format_RGB32);
            canvas.fill(Qt::green);
            QStyleOptionViewItem option;
            option.rect = QRect(QPoint(0, 0), size);
            QPainter painter(&canvas);
            delegate.paint(&painter, option, index);
            return canvas;
        };
        // The red picture's bounding box, and whether anything but the
        // background lies below it (the name).
        auto redBox = [](const QImage& canvas) {
            QRect box;
            for (int y = 0; y < canvas.height(); ++y)
                for (int x = 0; x < canvas.width(); ++x)
                    if (canvas.pixelColor(x, y) == QColor(Qt::red))
                        box |= QRect(x, y, 1, 1);
            return box;
        };

        _view_mode = false;
        const QSize cell = delegate.sizeHint(QStyleOptionViewItem(), index);
        const QImage icon = paintCell(cell);
        const QRect picture = redBox(icon);
        QVERIFY(!picture.isEmpty());
        QVERIFY2(picture.width() >= int(156 * scale) - 1 && picture.height() >= int(86 * scale) - 1,
                 qPrintable(QString("picture %1 x %2 in a %3 x %4 cell")
                                .arg(picture.width())
                                .arg(picture.height())
                                .arg(cell.width())
                                .arg(cell.height())));
        // Still the picture's shape, give or take its margins.
        QVERIFY(qAbs(double(picture.width()) / picture.height() - 160.0 / 90.0) < 0.1);
        const int nameLine = cell.height() - 1 - picture.bottom();
        QVERIFY2(nameLine >= int(20 * scale), qPrintable(QString::number(nameLine)));
        bool nameDrawn = false;
        const QColor background = icon.pixelColor(cell.width() / 2, picture.bottom() + 2);
        for (int y = picture.bottom() + 1; y < cell.height() && !nameDrawn; ++y)
            for (int x = 0; x < cell.width() && !nameDrawn; ++x)
                nameDrawn = icon.pixelColor(x, y) != background;
        QVERIFY(nameDrawn);

        _view_mode = true;
        const QSize line = delegate.sizeHint(QStyleOptionViewItem(), index);
        QVERIFY(line.height() >= QFontMetrics(QApplication::font()).height());
        const QImage listRow = paintCell(QSize(int(600 * scale), line.height()));
        QVERIFY(redBox(listRow).isEmpty());
    }
};

ZD_TEST_MAIN(TestQFilesManagerDlg, QApplication)
#include "tst_qfilesmanagerdlg.moc"
