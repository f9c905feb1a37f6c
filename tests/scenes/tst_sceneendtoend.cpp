// A scene composed as a new user composes it, with the real engine: the
// default camera goes, a camera, a text, a picture and a movie layer are
// added through the add menu and their editors, the engine composes all
// four, the movie is dragged and resized with the move-and-resize frame, the
// scene is saved as "A" through the scene menu; then the program starts again
// on the same data folder, "A" is loaded from the scene menu, and the same
// layers stand at the same places, with the engine composing them.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>

#include <memory>

#include "../capture/capturetestsupport.h"
#include "qlivesavenamedlg.h"
#include "qmylistitem2.h"
#include "qmylivebar.h"
#include "qmylivesensebar.h"
#include "qmyplayerbar.h"
#include "qmypushbutton.h"
#include "qmyrubberband.h"
#include "scenelistfile.h"
#include "scenetestsupport.h"
#include "zddialogdriver.h"
#include "zdtestmain.h"

namespace
{

// What a layer is, whatever key it was given: its kind, what it shows and
// where, in the per mille values the scene file holds.
struct Layer {
    int kind = -1;
    QString content;
    QList<int> place;
    bool operator==(const Layer& o) const
    {
        return kind == o.kind && content == o.content && place == o.place;
    }
};

char* toString(const Layer& l)
{
    QStringList place;
    for (int v : l.place)
        place << QString::number(v);
    return qstrdup(
        qPrintable(QString("kind %1 [%2] at %3").arg(l.kind).arg(l.content, place.join(','))));
}

// The entries of a menu path chosen with the keyboard, as a user does: the
// submenus opened with Right, the last entry taken with Return.
void choose(QMenu* menu, const QStringList& path)
{
    QMenu* current = menu;
    for (int i = 0; i < path.size() && current; ++i) {
        QAction* found = nullptr;
        for (QAction* a : current->actions()) {
            if (a->text() == path[i])
                found = a;
        }
        if (!found) {
            current->close();
            return;
        }
        current->setActiveAction(found);
        if (i + 1 < path.size()) {
            QTest::keyClick(current, Qt::Key_Right);
            current = found->menu();
        } else {
            QTest::keyClick(current, Qt::Key_Return);
        }
    }
}

// A mouse move with no button held, reported as the window system reports
// it: the frame learns which edge or corner lies under the cursor from moves.
void hover(QWidget* widget, const QPoint& local)
{
    QCursor::setPos(widget->mapToGlobal(local));
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    qApp->notify(widget, &move);
}

} // namespace

class TestSceneEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_media;
    QString m_picture;
    QString m_movie;
    QStringList m_chosen;
    scenetest::Boxes m_boxes;
    std::unique_ptr<ZDHelperGUI> m_window;

    QMyLiveBar* liveBar() const { return m_window->liveBar(); }
    QMyLiveSenseBar* scene() const { return liveBar()->senseBar; }
    QWidget* preview() const { return AfxGetPlayWindow(); }

    bool openWindow()
    {
        m_window = std::make_unique<ZDHelperGUI>(nullptr);
        m_window->show();
        m_window->activateWindow();
        return QTest::qWaitForWindowActive(m_window.get(), 15000);
    }
    void closeWindow()
    {
        capturetest::quietEngine();
        m_window.reset();
    }

    // The engine has opened every layer's source and drawn every layer.
    bool allComposed() const
    {
        for (int i = 0; i < scene()->rowCount(); ++i) {
            SceneItemData* l = scene()->layerAt(i);
            int rect[4] = {};
            const QByteArray key = l->uuid.toLocal8Bit();
            if (l->sourceWidth <= 0 || ZDT_LayerComposedRect(g_Global.hCore, key, rect) != 1)
                return false;
        }
        return true;
    }

    QList<Layer> layers() const
    {
        QList<Layer> list;
        for (int i = 0; i < scene()->rowCount(); ++i) {
            SceneItemData* l = scene()->layerAt(i);
            Layer layer;
            layer.kind = l->type;
            switch (l->type) {
            case SCENE_KIND_CAMERA:
                layer.content = QString::fromLocal8Bit(l->deviceParams()->device.name);
                break;
            case SCENE_KIND_TEXT:
                layer.content = QString::fromLocal8Bit(l->textParams()->text);
                break;
            default: {
                QStringList lines;
                SceneListFile::ReadLines(l->listFilePath(), lines);
                lines.removeAll(QString());
                layer.content = lines.join('|');
                break;
            }
            }
            SceneItemData_Save record;
            l->GetSaveData(&record, scene()->baseWidth, scene()->baseHeight);
            layer.place = {record.x, record.y, record.w, record.h};
            list << layer;
        }
        return list;
    }

    // The main window is the active one, as it is under the user's hand:
    // the test platform leaves no window active once a menu has closed, and
    // a change of the active window closes an open menu.
    bool mainActive() const
    {
        QCoreApplication::processEvents();
        if (QApplication::activeWindow() == m_window.get())
            return true;
        m_window->activateWindow();
        return QTest::qWaitForWindowActive(m_window.get(), 15000);
    }

    // Adds a layer through the add menu; fill stands for the user at the
    // layer's editor, which is then closed with its OK button.
    bool addLayer(const QString& entry, const std::function<void(QDialog*)>& fill)
    {
        const int before = scene()->rowCount();
        if (!mainActive())
            return false;
        QMyLiveSenseBar::setEditorRunner([&](QDialog* editor, SceneItemData*) {
            // Shown without taking the activation: the main window's
            // deactivation would close the next menu.
            editor->setAttribute(Qt::WA_ShowWithoutActivating);
            editor->show();
            fill(editor);
            QTest::mouseClick(scenetest::child<QPushButton>(editor, "btnOK"), Qt::LeftButton);
            return editor->result();
        });
        zdtest::whenPopup([entry](QMenu* menu) { choose(menu, {entry}); });
        QTest::mouseClick(liveBar()->btnAddLayer, Qt::LeftButton);
        QMyLiveSenseBar::setEditorRunner({});
        return scene()->rowCount() == before + 1;
    }

    // Where a canvas rectangle lies on the preview host.
    QRect onPreview(const QRect& canvas) const
    {
        const QRect view = scene()->GetPlayerWndGlobalGeometry();
        return scene()->TranslateRectToWnd(canvas).translated(view.topLeft() -
                                                              preview()->mapToGlobal(QPoint(0, 0)));
    }

    // A left-button drag on the preview from `from` by `by`.
    void drag(const QPoint& from, const QPoint& by)
    {
        hover(preview(), from);
        QTest::mousePress(preview(), Qt::LeftButton, {}, from);
        // The press also selects on the preview: it acts where the cursor is.
        QCoreApplication::processEvents();
        const int steps = 4;
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(preview(), from + by * i / steps);
        QTest::mouseRelease(preview(), Qt::LeftButton, {}, from + by);
        QCoreApplication::processEvents();
    }

private slots:
    void initTestCase()
    {
        const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
        if (ffmpeg.isEmpty())
            QSKIP("ffmpeg is not installed: no movie to put in the scene");
        QVERIFY(m_media.isValid());
        m_picture = m_media.filePath("picture.png");
        QImage picture(200, 150, QImage::Format_RGB32);
        picture.fill(QColor(30, 90, 200));
        QVERIFY(picture.save(m_picture));
        m_movie = m_media.filePath("movie.mp4");
        QProcess make;
        make.start(ffmpeg, {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25",
                            "-t", "3", "-pix_fmt", "yuv420p", m_movie});
        QVERIFY(make.waitForFinished(120000));
        QCOMPARE(make.exitCode(), 0);

        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        m_boxes.install();
        CPublic::setFileDialogHook([this](FileDialogRequest& r) {
            r.answer = m_chosen;
            return !m_chosen.isEmpty();
        });
        g_Global.liveWidth = 1280;
        g_Global.liveHeight = 720;
        g_Global.liveFps = 30;
        AfxWriteProfileInt("LIVE", "WIDTH", 1280);
        AfxWriteProfileInt("LIVE", "HEIGHT", 720);
        AfxWriteProfileInt("LIVE", "FPS", 30);
        g_Global.isRecordInterface = 0;
    }

    void cleanupTestCase()
    {
        if (m_window)
            closeWindow();
        MsgBoxDialog::setTestHook({});
        CPublic::setFileDialogHook({});
        g_Global.isRecordInterface = 1;
        ReleaseGlobalSettings();
    }

    void composeSaveRestartLoad()
    {
        QVERIFY(openWindow());
        // The live interface opens on the test camera as its default layer.
        QTRY_COMPARE_WITH_TIMEOUT(scene()->rowCount(), 1, 15000);
        QMyListItem2* first = scene()->rowAt(0);
        QTest::mouseClick(first->btnDel, Qt::LeftButton);
        QCOMPARE(m_boxes.texts.value(0), QString("Are you sure to delete Camera-1 ?"));
        QCOMPARE(scene()->rowCount(), 0);

        // ---- The four layers, through the add menu and their editors ----
        QVERIFY(addLayer("Video capture device", [](QDialog* editor) {
            auto* devices = scenetest::child<QComboBox>(editor, "comb_dev_name");
            devices->setCurrentIndex(devices->findText("Test Pattern Camera"));
            QLineEdit* name = scenetest::child<QLineEdit>(editor, "edit_name");
            name->clear();
            QTest::keyClicks(name, "Camera");
        }));
        QVERIFY(addLayer("Text", [](QDialog* editor) {
            QTest::keyClicks(scenetest::child<QTextEdit>(editor, "textEdit"), "Hello scene A");
        }));
        m_chosen = {m_picture};
        QVERIFY(addLayer("Pictures", [](QDialog* editor) {
            QTest::mouseClick(scenetest::child<QPushButton>(editor, "btnadd"), Qt::LeftButton);
        }));
        m_chosen = {m_movie};
        QVERIFY(addLayer("Movie", [](QDialog* editor) {
            QTest::mouseClick(scenetest::child<QPushButton>(editor, "btnadd"), Qt::LeftButton);
        }));
        m_chosen.clear();
        QCOMPARE(m_boxes.texts.size(), 1);
        // The engine opens and composes all four.
        QTRY_VERIFY_WITH_TIMEOUT(allComposed(), 60000);

        // ---- The movie (on top) dragged and resized with the frame ----
        SceneItemData* movie = scene()->layerAt(3);
        QCOMPARE(movie->type, int(SCENE_KIND_MOVIE));
        QVERIFY(mainActive());
        const QRect shown = onPreview(movie->rect);
        hover(preview(), shown.center());
        QTest::mouseClick(preview(), Qt::LeftButton, {}, shown.center());
        QMyRubberBand* frame = scene()->frame;
        QTRY_VERIFY_WITH_TIMEOUT(frame->isVisible() && scene()->frameKey == movie->uuid, 15000);
        const QRect framed = frame->getGeometryFromLocal();

        ZDT_ClearTrace();
        const QPoint by(90, 40);
        drag(shown.center() + QPoint(3, 3), by);
        // The frame followed the mouse, and the layer the frame.
        QCOMPARE(frame->getGeometryFromLocal(), framed.translated(by));
        QCOMPARE(movie->rect, scene()->TranslateRectToPicture(framed.translated(by)));
        QVERIFY(
            !zdtest::traceLines(QString("ZD_EditOverlayDeviceCfg(key=%1,mask=1)").arg(movie->uuid))
                 .isEmpty());

        // Its bottom-right corner, pulled in: smaller, the movie's ratio kept.
        const QRect moved = frame->getGeometryFromLocal();
        const QPoint corner = onPreview(movie->rect).bottomRight() - QPoint(2, 2);
        drag(corner, QPoint(-60, -20));
        const QRect resized = frame->getGeometryFromLocal();
        QVERIFY2(resized.width() < moved.width() && resized.height() < moved.height(),
                 qPrintable(QString("%1x%2").arg(resized.width()).arg(resized.height())));
        QVERIFY(qAbs(double(resized.width()) / resized.height() - 320.0 / 240.0) < 0.05);
        QCOMPARE(movie->rect, scene()->TranslateRectToPicture(resized));

        // ---- Saved as "A" through the scene menu ----
        const QList<Layer> saved = layers();
        QCOMPARE(saved.size(), 4);
        QCOMPARE(saved[0], (Layer{SCENE_KIND_CAMERA, "Test Pattern Camera", saved[0].place}));
        QCOMPARE(saved[1], (Layer{SCENE_KIND_TEXT, "Hello scene A", saved[1].place}));
        QCOMPARE(saved[2], (Layer{SCENE_KIND_PICTURES, m_picture, saved[2].place}));
        QCOMPARE(saved[3], (Layer{SCENE_KIND_MOVIE, m_movie, saved[3].place}));
        m_boxes.texts.clear();
        zdtest::whenModal<QLiveSaveNameDlg>([](QLiveSaveNameDlg* dialog) {
            QTest::keyClicks(scenetest::child<QLineEdit>(dialog, "lineEdit"), "A");
            QTest::mouseClick(scenetest::child<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
        });
        QVERIFY(mainActive());
        zdtest::whenPopup([](QMenu* menu) { choose(menu, {"Save"}); });
        QTest::mouseClick(liveBar()->btnSceneMenu, Qt::LeftButton);
        QCOMPARE(m_boxes.texts, QStringList{"Save scene OK."});

        // The working scene goes on without the movie; the program ends.
        m_boxes.texts.clear();
        QTest::mouseClick(scene()->rowAt(3)->btnDel, Qt::LeftButton);
        QCOMPARE(scene()->rowCount(), 3);
        QCOMPARE(m_boxes.texts, QStringList{"Are you sure to delete Movie-1 ?"});
        m_boxes.texts.clear();
        closeWindow();
        ReleaseGlobalSettings();

        // ---- A new start on the same data folder ----
        InitGlobalSettings();
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        ZDT_ClearTrace();
        QVERIFY(openWindow());
        QTRY_COMPARE_WITH_TIMEOUT(scene()->rowCount(), 3, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(allComposed(), 60000);
        QCOMPARE(ZDT_WaitReportsDelivered(g_Global.hCore, 15000), 1);
        QCoreApplication::processEvents();
        QCOMPARE(layers(), saved.mid(0, 3));

        ZDT_ClearTrace();
        QVERIFY(mainActive());
        zdtest::whenPopup([](QMenu* menu) { choose(menu, {"Load", "A"}); });
        QTest::mouseClick(liveBar()->btnSceneMenu, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(scene()->rowCount(), 4, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(allComposed(), 60000);
        // A layer is drawn once its source has opened, and the source's
        // size report is queued by then.
        QCOMPARE(ZDT_WaitReportsDelivered(g_Global.hCore, 15000), 1);
        QCoreApplication::processEvents();
        // The same layers at the same places, also once their sources have
        // reported their sizes again.
        QCOMPARE(layers(), saved);
        // The engine was given each of them under its key and kind, and
        // draws each where the layer stands (whole even pixels).
        const int kinds[] = {SCENE_KIND_CAMERA, SCENE_KIND_TEXT, SCENE_KIND_PICTURES,
                             SCENE_KIND_MOVIE};
        for (int i = 0; i < 4; ++i) {
            SceneItemData* l = scene()->layerAt(i);
            QCOMPARE(
                zdtest::traceLines(QString("ZD_AddOverlayDevice(key=%1,").arg(l->uuid)),
                QStringList{
                    QString("ZD_AddOverlayDevice(key=%1,kind=%2)").arg(l->uuid).arg(kinds[i])});
            int drawn[4] = {};
            QCOMPARE(ZDT_LayerComposedRect(g_Global.hCore, l->uuid.toLocal8Bit(), drawn), 1);
            const QRect want = l->rect.intersected(QRect(0, 0, 1280, 720));
            QVERIFY2(qAbs(drawn[0] - want.x()) <= 1 && qAbs(drawn[1] - want.y()) <= 1 &&
                         qAbs(drawn[2] - want.width()) <= 2 && qAbs(drawn[3] - want.height()) <= 2,
                     qPrintable(QString("%1: drawn %2,%3 %4x%5")
                                    .arg(l->name)
                                    .arg(drawn[0])
                                    .arg(drawn[1])
                                    .arg(drawn[2])
                                    .arg(drawn[3])));
        }
        QVERIFY2(m_boxes.texts.isEmpty(), qPrintable(m_boxes.texts.join('|')));
        closeWindow();
    }
};

ZD_TEST_MAIN(TestSceneEndToEnd, GlobalApplication)
#include "tst_sceneendtoend.moc"
