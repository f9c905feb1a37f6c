// The layer editors and the two scene dialogs: what their OK stores in the
// layer and sends to the engine (the change masks), the movie and picture
// list files they write, and what they refuse instead of losing it.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QStringListModel>
#include <QTextEdit>

#include <cstring>

#include "cpublic.h"
#include "filteritem.h"
#include "qfilterswidget.h"
#include "qlivesavenamedlg.h"
#include "qlivescenesetupdlg.h"
#include "qmycolorpickbutton.h"
#include "qmyfilters.h"
#include "qscenecamerasetup.h"
#include "qscenemoviesetup.h"
#include "qscenepicturesetup.h"
#include "qscenetextsetup.h"
#include "scenefile.h"
#include "scenelistfile.h"
#include "scenetestsupport.h"
#include "zdtestmain.h"

using namespace scenetest;

namespace
{

// The family fontconfig's own matcher picks for a name, regular and upright
// as a new text layer is.
QString fcMatch(const QString& family)
{
    QProcess p;
    p.start("fc-match", {"-f", "%{family[0]}", family + ":weight=80:slant=0:scalable=true"});
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QList<int> sentMasks()
{
    QList<int> masks;
    for (const QString& line : calls("ZD_EditOverlayDeviceCfg"))
        masks << line.section("mask=", 1).chopped(1).toInt();
    return masks;
}

} // namespace

class TestSceneEditors : public QObject
{
    Q_OBJECT

    MainStandIn* m_main = nullptr;
    Boxes m_boxes;
    QStringList m_chosen;

    SceneItemData* layer(int kind)
    {
        auto* l = new SceneItemData(nullptr);
        l->InitDefaultData(kind);
        return l;
    }
    // A layer whose list file holds these bytes.
    SceneItemData* listLayer(int kind, const QByteArray& bytes)
    {
        SceneItemData* l = layer(kind);
        const QString path =
            SceneListFile::NewPath(kind == SCENE_KIND_MOVIE ? ".movie-list" : ".picture-list");
        SceneFile::WriteWhole(path, bytes);
        l->setListFilePath(path);
        return l;
    }

private slots:
    void initTestCase()
    {
        bringUp();
        m_main = new MainStandIn;
        AfxSetMainWindow(m_main);
        m_boxes.install();
        CPublic::setFileDialogHook([this](FileDialogRequest& r) {
            r.answer = m_chosen;
            return !m_chosen.isEmpty();
        });
    }
    void cleanupTestCase()
    {
        MsgBoxDialog::setTestHook({});
        CPublic::setFileDialogHook({});
        ReleaseGlobalSettings();
    }
    void init()
    {
        ZDT_ClearTrace();
        m_boxes.texts.clear();
        m_chosen.clear();
    }

    // ---- Device layers ----

    void cameraAddingSendsNothing()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_CAMERA));
        QSceneCameraSetup dlg(nullptr, true);
        dlg.InitAll(false, l.get());
        QVERIFY(child<QPushButton>(&dlg, "btnOK")->isEnabled());
        dlg.onOKClick();
        QCOMPARE(dlg.result(), 1);
        QVERIFY(calls("ZD_EditOverlayDeviceCfg").isEmpty());
        QVERIFY(!l->getCapturerName().isEmpty());
        QCOMPARE(l->deviceParams()->autoAudio, 1);
        QCOMPARE(l->deviceParams()->format.width, 0); // "Default"
        QVERIFY(!QFileInfo::exists(CPublic::GetCacheDataPath() + "/" + l->uuid + ".filter"));
    }

    void cameraEditMasks_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QList<int>>("masks");
        QTest::newRow("nothing") << 0 << QList<int>{34};
        QTest::newRow("alpha and fps only") << 1 << QList<int>{34};
        QTest::newRow("format") << 2 << QList<int>{4, 34};
        QTest::newRow("auto audio") << 3 << QList<int>{4, 34};
        QTest::newRow("in error") << 4 << QList<int>{4, 34};
    }
    void cameraEditMasks()
    {
        QFETCH(int, change);
        QFETCH(QList<int>, masks);
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_CAMERA));
        {
            QSceneCameraSetup add(nullptr, true);
            add.InitAll(false, l.get());
            add.onOKClick();
        }
        ZDT_ClearTrace();
        QSceneCameraSetup dlg(nullptr, false);
        dlg.InitAll(false, l.get());
        switch (change) {
        case 1:
            child<QSlider>(&dlg, "slider")->setValue(40);
            child<QComboBox>(&dlg, "comb_dev_fps")->setCurrentIndex(2);
            break;
        case 2:
            QVERIFY(child<QComboBox>(&dlg, "comb_dev_format")->count() > 1);
            child<QComboBox>(&dlg, "comb_dev_format")->setCurrentIndex(1);
            break;
        case 3:
            child<QCheckBox>(&dlg, "chk_audio")->setChecked(false);
            break;
        case 4:
            l->hasError = 1;
            break;
        default:
            break;
        }
        dlg.onOKClick();
        QCOMPARE(dlg.result(), 1);
        QCOMPARE(sentMasks(), masks);
        if (change == 1) {
            QCOMPARE(l->alpha, 40);
        }
        if (change == 2) {
            QVERIFY(l->deviceParams()->format.width > 0);
        }
    }

    // The layer's filters, edited in its editor, reach the engine under the
    // layer's key and are stored in the key's filter file on OK.
    void cameraFiltersUseTheLayerKey()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_CAMERA));
        QSceneCameraSetup dlg(nullptr, false);
        dlg.InitAll(false, l.get());
        auto* list = child<QFiltersWidget>(&dlg, "filterwd");
        QVERIFY(list->filters);
        FILTERITEM item;
        std::memset(&item, 0, sizeof item);
        item.type = FILTER_CUSTOM;
        item.enabled = 1;
        std::strcpy(item.cmd, "hflip");
        item.id = list->filters->NewFilterId();
        list->filters->addFilter(item);
        QCOMPARE(calls("ZD_AddFilter").size(), 1);
        QVERIFY(calls("ZD_AddFilter").first().startsWith("ZD_AddFilter(pip=" + l->uuid + ","));
        dlg.onOKClick();
        QVERIFY(QFileInfo::exists(CPublic::GetCacheDataPath() + "/" + l->uuid + ".filter"));
    }

    void audioLayer()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_AUDIO));
        QSceneCameraSetup dlg(nullptr, false);
        dlg.InitAll(true, l.get());
        QVERIFY(child<QComboBox>(&dlg, "cbx_audio")->count() > 0);
        child<QSlider>(&dlg, "slider_vol_2")->setValue(30);
        dlg.onOKClick();
        QCOMPARE(sentMasks(), QList<int>{32});
        QCOMPARE(l->volume, 30);
        QCOMPARE(l->deviceParams()->device.kind, uint32_t(ZD_DEVICE_KIND_AUDIO));
        // In its error state the device is opened again.
        ZDT_ClearTrace();
        l->hasError = 1;
        QSceneCameraSetup again(nullptr, false);
        again.InitAll(true, l.get());
        again.onOKClick();
        QCOMPARE(sentMasks(), (QList<int>{4, 32}));
    }

    void noDeviceNoOK()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_CAMERA));
        ZDT_ScriptResult("ZD_GetCaptureDevices", 0);
        QSceneCameraSetup dlg(nullptr, true);
        dlg.InitAll(false, l.get());
        ZDT_ClearScript("ZD_GetCaptureDevices");
        QCOMPARE(child<QComboBox>(&dlg, "comb_dev_name")->count(), 0);
        QVERIFY(!child<QPushButton>(&dlg, "btnOK")->isEnabled());
        dlg.onOKClick();
        QCOMPARE(dlg.result(), 0);
    }

    // ---- Movie layers ----

    void movieListRoundTrip()
    {
        std::unique_ptr<SceneItemData> l(
            listLayer(SCENE_KIND_MOVIE, "/v/a.mp4\n/v/[Error]/b.mp4\n"));
        l->movieParams()->fileError[0] = 1;
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        QCOMPARE(dlg.entries(), (QStringList{"[Error]/v/a.mp4", "/v/[Error]/b.mp4"}));
        dlg.onOKClick();
        QCOMPARE(dlg.result(), 1);
        // The mark goes; the same text inside a real path stays.
        QCOMPARE(readAll(l->listFilePath()), QByteArray("/v/a.mp4\n/v/[Error]/b.mp4\n"));
        QCOMPARE(sentMasks(), QList<int>{38});
        QCOMPARE(l->movieParams()->command, 16);
    }

    void movieCommands_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("command");
        QTest::newRow("only settings") << 0 << 16;
        QTest::newRow("entry added") << 1 << 17;
        QTest::newRow("entry removed") << 2 << 17;
        QTest::newRow("double click, then OK") << 3 << 16;
    }
    void movieCommands()
    {
        QFETCH(int, step);
        QFETCH(int, command);
        std::unique_ptr<SceneItemData> l(listLayer(SCENE_KIND_MOVIE, "/v/a.mp4\n/v/b.mp4\n"));
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        child<QRadioButton>(&dlg, "radio2")->setChecked(true);
        if (step == 1) {
            m_chosen = {"C:\\v\\c.mp4"};
            dlg.onAddClick();
            QCOMPARE(dlg.entries().last(), QString("C:/v/c.mp4"));
        } else if (step == 2) {
            child<QListView>(&dlg, "listView")->setCurrentIndex(dlg.model->index(0));
            dlg.onDelClick();
        } else if (step == 3) {
            m_chosen = {"/v/c.mp4"};
            dlg.onAddClick();
            dlg.onListDBClick(dlg.model->index(1));
            QCOMPARE(l->movieParams()->command, 2);
            QCOMPARE(l->movieParams()->currentIndex, 1);
            QCOMPARE(QString(l->movieParams()->currentPath), QString("/v/b.mp4"));
        }
        ZDT_ClearTrace();
        dlg.onOKClick();
        QCOMPARE(l->movieParams()->command, command);
        QCOMPARE(sentMasks(), QList<int>{38});
        QCOMPARE(l->movieParams()->loopMode, 1);
    }

    void movieAddingSendsNothing()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_MOVIE));
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), false);
        QVERIFY(child<QWidget>(&dlg, "widget")->isHidden());
        m_chosen = {"/v/a.mp4"};
        dlg.onAddClick();
        dlg.onOKClick();
        QCOMPARE(dlg.result(), 1);
        QVERIFY(calls("ZD_EditOverlayDeviceCfg").isEmpty());
        QCOMPARE(l->movieParams()->command, 0);
        QCOMPARE(readAll(l->listFilePath()), QByteArray("/v/a.mp4\n"));
        QVERIFY(l->listFilePath().startsWith(CPublic::GetCacheDataPath() + "/"));
        QVERIFY(l->listFilePath().endsWith(".movie-list"));
    }

    // A list holds no more files than the engine plays: what would go past
    // 256 is refused with a message, whichever use of the dialog brings it.
    void addingIsBounded_data()
    {
        QTest::addColumn<int>("inList");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("300 at once") << 0 << 300 << 256
                                     << QStringList{"A list holds at most 256 files: 44 of the "
                                                    "chosen files were not added."};
        QTest::newRow("filling up") << 250 << 6 << 256 << QStringList{};
        QTest::newRow("one past a full list")
            << 256 << 1 << 256
            << QStringList{"A list holds at most 256 files: 1 of the chosen files were not added."};
        QTest::newRow("past a list filled by hand")
            << 200 << 100 << 256
            << QStringList{
                   "A list holds at most 256 files: 44 of the chosen files were not added."};
    }
    void addingIsBounded()
    {
        QFETCH(int, inList);
        QFETCH(int, chosen);
        QByteArray lines;
        for (int i = 0; i < inList; ++i)
            lines += "/old/" + QByteArray::number(i) + ".mp4\n";
        std::unique_ptr<SceneItemData> l(listLayer(SCENE_KIND_MOVIE, lines));
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        QCOMPARE(dlg.entries().size(), inList);
        for (int i = 0; i < chosen; ++i)
            m_chosen << QString("/v/%1.mp4").arg(i);
        dlg.onAddClick();
        QTEST(int(dlg.entries().size()), "entries");
        QTEST(m_boxes.texts, "messages");
        dlg.onOKClick();
        QStringList saved;
        QVERIFY(SceneListFile::ReadLines(l->listFilePath(), saved));
        QTEST(int(saved.size()), "entries");
    }

    void pathTooLongIsRefused()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_MOVIE));
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), false);
        m_chosen = {"/" + QString(1100, 'x') + ".mp4", "/v/ok.mp4"};
        dlg.onAddClick();
        QCOMPARE(dlg.entries(), QStringList{"/v/ok.mp4"});
        QCOMPARE(m_boxes.texts, QStringList{"A file whose path is too long was not added."});
    }

    // A list file written elsewhere with more lines than the engine plays
    // opens with the lines it plays, and the user is told that the rest go
    // at the next save.
    void overlongListOpensWithWhatPlays()
    {
        QByteArray lines;
        for (int i = 0; i < 300; ++i)
            lines += "/p/" + QByteArray::number(i) + ".png\n";
        std::unique_ptr<SceneItemData> l(listLayer(SCENE_KIND_PICTURES, lines));
        QScenePictureSetup dlg(nullptr);
        dlg.InitValue(l.get(), false);
        QCOMPARE(dlg.entries().size(), 256);
        QCOMPARE(dlg.entries().last(), QString("/p/255.png"));
        QCOMPARE(m_boxes.texts, QStringList{"This list holds more than 256 files: only the first "
                                            "256 are played and kept."});
    }

    void unwritableListKeepsEditorOpen()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_MOVIE));
        const QString folder = CPublic::GetCacheDataPath() + "/stands-in-the-way.movie-list";
        QDir().mkpath(folder);
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), false);
        dlg.listPath = folder;
        child<QLineEdit>(&dlg, "edit_name")->setText("Renamed");
        dlg.onOKClick();
        QVERIFY(dlg.result() != 1);
        QCOMPARE(m_boxes.texts.size(), 1);
        QVERIFY(l->name != "Renamed");
        QVERIFY(l->listFilePath().isEmpty());
    }

    void movieRemoteControl()
    {
        QCOMPARE(QSceneMovieSetup::TimeText(3725000, 7200000), QString("01:02:05 / 02:00:00"));
        std::unique_ptr<SceneItemData> l(listLayer(SCENE_KIND_MOVIE, "/v/a.mp4\n"));
        QSceneMovieSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        ZDT_ClearTrace();
        l->movieParams()->playState = 0;
        dlg.onPauseClick();
        QCOMPARE(l->movieParams()->command, 8);
        QCOMPARE(l->movieParams()->playState, 0);
        l->movieParams()->playState = 1;
        dlg.onPauseClick();
        QCOMPARE(l->movieParams()->playState, 2);
        dlg.onSliderPressed();
        child<QSlider>(&dlg, "slider")->setMaximum(10000);
        child<QSlider>(&dlg, "slider")->setValue(4000);
        dlg.onSliderReleased();
        QCOMPARE(l->movieParams()->command, 4);
        QCOMPARE(l->movieParams()->positionMs, 4000);
        QCOMPARE(sentMasks(), (QList<int>{4, 4, 4}));
    }

    // ---- Picture layers ----

    void pictureList()
    {
        std::unique_ptr<SceneItemData> l(listLayer(SCENE_KIND_PICTURES, "/p/a.png\n\n/p/b.png\n"));
        QScenePictureSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        QCOMPARE(dlg.entries(), (QStringList{"/p/a.png", "/p/b.png"}));
        QCOMPARE(child<QSpinBox>(&dlg, "spinBox")->value(), 3);
        child<QRadioButton>(&dlg, "radio2")->setChecked(true);
        dlg.onOKClick();
        QCOMPARE(readAll(l->listFilePath()), QByteArray("/p/a.png\n/p/b.png\n"));
        QCOMPARE(l->pictureParams()->command, 12);
        QCOMPARE(l->pictureParams()->order, 1);
        QCOMPARE(l->pictureParams()->delaySecs, 3);
        QCOMPARE(sentMasks(), QList<int>{6});

        ZDT_ClearTrace();
        QScenePictureSetup again(nullptr);
        again.InitValue(l.get(), true);
        m_chosen = {"/p/c.png"};
        again.onAddClick();
        again.onOKClick();
        QCOMPARE(l->pictureParams()->command, 13);
        QCOMPARE(sentMasks(), QList<int>{6});
    }

    // ---- Text layers ----

    void newTextLayer()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_TEXT));
        QSceneTextSetup dlg(nullptr);
        dlg.InitValue(l.get(), false);
        QVERIFY(child<QTextEdit>(&dlg, "textEdit")->toPlainText().isEmpty());
        // "Tahoma", or where the machine lacks it the family fontconfig
        // draws it with, as its own matcher names it.
        QCOMPARE(child<QComboBox>(&dlg, "cbx1")->currentText(), fcMatch("Tahoma"));
        QCOMPARE(child<QComboBox>(&dlg, "cbx2")->currentText(), QString("96"));
        QVERIFY(!child<QCheckBox>(&dlg, "checkBox")->isChecked() &&
                !child<QCheckBox>(&dlg, "checkBox_2")->isChecked());
        QCOMPARE(child<QMyColorPickButton>(&dlg, "btncolor")->Color(), 0u);
        QCOMPARE(child<QSlider>(&dlg, "alpha_slider")->value(), 100);
        dlg.onOKClick();
        QVERIFY(calls("ZD_EditOverlayDeviceCfg").isEmpty());
    }

    // The font list offers families by their own names, each once: Qt's
    // "Family [Foundry]" entries are names no font lookup knows, and a text
    // set in one was drawn in the fallback font.
    void fontsByFamilyName()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_TEXT));
        QSceneTextSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        QComboBox* fonts = child<QComboBox>(&dlg, "cbx1");
        QStringList offered;
        for (int i = 0; i < fonts->count(); ++i)
            offered << fonts->itemText(i);
        QVERIFY(!offered.isEmpty());
        QCOMPARE(QSet<QString>(offered.begin(), offered.end()).size(), offered.size());
        for (const QString& family : QFontDatabase::families()) {
            if (!family.endsWith(']'))
                continue;
            const QString name = family.left(family.lastIndexOf(" ["));
            QVERIFY2(!offered.contains(family), qPrintable(family));
            QVERIFY2(offered.contains(name), qPrintable(name));
            // A layer stored with that family shows and keeps it.
            std::strcpy(l->textParams()->font, name.toLocal8Bit().constData());
            QSceneTextSetup again(nullptr);
            again.InitValue(l.get(), true);
            QCOMPARE(child<QComboBox>(&again, "cbx1")->currentText(), name);
            again.onOKClick();
            QCOMPARE(QString(l->textParams()->font), name);
            break;
        }
    }

    void textIsPlain()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_TEXT));
        std::strcpy(l->textParams()->text, "<b>bold</b> & line\nnext");
        QSceneTextSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        QCOMPARE(child<QTextEdit>(&dlg, "textEdit")->toPlainText(),
                 QString("<b>bold</b> & line\nnext"));
        dlg.onOKClick();
        QCOMPARE(QString(l->textParams()->text), QString("<b>bold</b> & line\nnext"));
        QCOMPARE(sentMasks(), QList<int>{6});
    }

    void textFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("size");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("storedSize");
        QTest::newRow("255 bytes") << QString(255, 'a') << "72" << true << 72;
        QTest::newRow("256 bytes refused") << QString(256, 'a') << "72" << false << 96;
        QTest::newRow("two-byte letters over") << QString(128, QChar(0xE9)) << "72" << false << 96;
        QTest::newRow("size 007") << "hi"
                                  << "007" << true << 7;
        QTest::newRow("size emptied") << "hi"
                                      << "" << true << 0;
    }
    void textFields()
    {
        QFETCH(QString, text);
        QFETCH(QString, size);
        QFETCH(bool, accepted);
        QFETCH(int, storedSize);
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_TEXT));
        std::strcpy(l->textParams()->text, "before");
        const QString oldName = l->name;
        QSceneTextSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        child<QTextEdit>(&dlg, "textEdit")->setPlainText(text);
        child<QComboBox>(&dlg, "cbx2")->setEditText(size);
        child<QLineEdit>(&dlg, "edit_name")->clear();
        dlg.onOKClick();
        QCOMPARE(dlg.result() == 1, accepted);
        QCOMPARE(m_boxes.texts.size(), accepted ? 0 : 1);
        QCOMPARE(l->textParams()->size, storedSize);
        QCOMPARE(QString::fromLocal8Bit(l->textParams()->text),
                 accepted ? text : QString("before"));
        QCOMPARE(l->name, oldName);
        QCOMPARE(sentMasks(), accepted ? QList<int>{6} : QList<int>{});
    }

    void textCancelSendsNothing()
    {
        std::unique_ptr<SceneItemData> l(layer(SCENE_KIND_TEXT));
        QSceneTextSetup dlg(nullptr);
        dlg.InitValue(l.get(), true);
        child<QTextEdit>(&dlg, "textEdit")->setPlainText("changed");
        dlg.onCancelClick();
        QCOMPARE(dlg.result(), 0);
        QVERIFY(QString(l->textParams()->text).isEmpty());
        QVERIFY(calls("ZD_EditOverlayDeviceCfg").isEmpty());
    }

    // ---- Scene name and live size ----

    void saveName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plain") << "A" << true;
        QTest::newRow("blanks") << "  " << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("dot dot") << ".." << false;
        QTest::newRow("hidden") << ".a" << false;
    }
    void saveName()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        QLiveSaveNameDlg dlg(nullptr);
        child<QLineEdit>(&dlg, "lineEdit")->setText(name);
        dlg.OnOK(); // Return
        QCOMPARE(dlg.result() == 1, accepted);
        QCOMPARE(m_boxes.texts, accepted ? QStringList{} : QStringList{"Invalid file name"});
        if (accepted)
            QCOMPARE(dlg.name, name);
        QLiveSaveNameDlg other(nullptr);
        other.OnCancel(); // Escape
        QCOMPARE(other.result(), 0);
    }

    void liveSize_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("fps");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::addColumn<QList<int>>("values");
        const QString same = "Same as live setting";
        const QString badSize =
            "The size value is invalid (Please fill string 320x240 ~ 3840x2160)";
        const QString badFps = "The FPS value is invalid(Please fill a number 15~60)";
        QTest::newRow("blanks around") << " 1280x720 "
                                       << "30" << QString() << QList<int>{1280, 720, 30};
        QTest::newRow("largest") << "3840x2160"
                                 << "60" << QString() << QList<int>{3840, 2160, 60};
        QTest::newRow("smallest") << "320x240"
                                  << "15" << QString() << QList<int>{320, 240, 15};
        QTest::newRow("same for both") << same << same << QString() << QList<int>{0, 0, 0};
        QTest::newRow("same size, typed rate") << same << "25" << QString() << QList<int>{0, 0, 25};
        QTest::newRow("upper-case X") << "1920X1080"
                                      << "30" << badSize << QList<int>{7, 8, 9};
        QTest::newRow("three parts") << "1920x1080x2"
                                     << "30" << badSize << QList<int>{7, 8, 9};
        QTest::newRow("3841 wide") << "3841x2160"
                                   << "30" << badSize << QList<int>{7, 8, 9};
        QTest::newRow("2161 high") << "3840x2161"
                                   << "30" << badSize << QList<int>{7, 8, 9};
        QTest::newRow("319 wide") << "319x240"
                                  << "30" << badSize << QList<int>{7, 8, 9};
        QTest::newRow("239 high") << "320x239"
                                  << "30" << badSize << QList<int>{7, 8, 9};
        QTest::newRow("fps 14") << "1280x720"
                                << "14" << badFps << QList<int>{7, 8, 9};
        QTest::newRow("fps 61") << "1280x720"
                                << "61" << badFps << QList<int>{7, 8, 9};
        QTest::newRow("fps no number") << "1280x720"
                                       << "fast" << badFps << QList<int>{7, 8, 9};
    }
    void liveSize()
    {
        QFETCH(QString, size);
        QFETCH(QString, fps);
        QFETCH(QString, message);
        QFETCH(QList<int>, values);
        QLiveSceneSetupDlg dlg(nullptr);
        dlg.width = 7;
        dlg.height = 8;
        dlg.fps = 9;
        dlg.InitValues();
        child<QComboBox>(&dlg, "cbx1")->setEditText(size);
        child<QComboBox>(&dlg, "cbx2")->setEditText(fps);
        dlg.onOK();
        QCOMPARE(dlg.result() == 1, message.isEmpty());
        QCOMPARE(m_boxes.texts, message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE((QList<int>{dlg.width, dlg.height, dlg.fps}), values);
    }

    void liveSizeShowsValues()
    {
        QLiveSceneSetupDlg dlg(nullptr);
        dlg.width = 1280;
        dlg.height = 720;
        dlg.fps = 0;
        dlg.InitValues();
        QCOMPARE(child<QComboBox>(&dlg, "cbx1")->currentText(), QString("1280x720"));
        QCOMPARE(child<QComboBox>(&dlg, "cbx2")->currentText(), QString("Same as live setting"));
    }
};

ZD_TEST_MAIN(TestSceneEditors, QApplication)
#include "tst_sceneeditors.moc"
