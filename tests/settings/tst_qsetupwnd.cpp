// The settings window: how it shows the stored settings, the parsers, the
// order of OK's checks with their messages, what OK writes and announces,
// Default, the folder choosers and the encoder test button.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <functional>

#include "liveserveraddresshelper.h"
#include "qliveservermanagdlg.h"
#include "qmylang.h"
#include "qsetupwnd.h"
#include "settingstestsupport.h"
#include "zdformchild.h"
#include "zdtestmain.h"

using namespace settingstest;

using zdtest::child;

namespace
{

QComboBox* cbx(QWidget* w, const char* name)
{
    return child<QComboBox>(w, name);
}
QCheckBox* chk(QWidget* w, const char* name)
{
    return child<QCheckBox>(w, name);
}
QLineEdit* edit(QWidget* w, const char* name)
{
    return child<QLineEdit>(w, name);
}

QString englishText(int id)
{
    return getLang(id, QStringLiteral("<missing>"));
}

QString existingFolder(const QString& name)
{
    const QString path = QDir::homePath() + "/" + name;
    QDir().mkpath(path);
    return path;
}

using Edit = std::function<void(QSetupWnd&)>;
using Setup = std::function<void()>;

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Setup)

class TestQSetupWnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void str2Bitrate_data();
    void str2Bitrate();
    void bitrateText_data();
    void bitrateText();
    void splitText();
    void resolution_data();
    void resolution();
    void fps_data();
    void fps();
    void saveDir();

    void fillsRecordPage();
    void formatZeroLocksFrameRateWhileFilling();
    void listsWithoutTheStoredEntry();
    void rendererListKeepsEachStoredValuesMeaning_data();
    void rendererListKeepsEachStoredValuesMeaning();
    void fillsOtherPages();
    void languageChoice();
    void everyShownControlHasAText();

    void okRefusesWithTheFirstFailureOnly_data();
    void okRefusesWithTheFirstFailureOnly();
    void okAcceptsEdgeValues_data();
    void okAcceptsEdgeValues();
    void okWritesEverySettingBack();
    void okPostsWhatChanged_data();
    void okPostsWhatChanged();
    void okKeepsStoredValuesOfListsWithoutSelection();
    void hiddenSharePageNeverBlocksOk();
    void flvFolderOnlyWhileSavingFlv();
    void defaultButton();
    void defaultThenCancelChangesNothing();
    void browseButtons();
    void bitrateHintAndFormatRule();
    void helpButtonShowsItsText();
    void serverListButtonRunsTheEditor();
    void encoderTestButton_data();
    void encoderTestButton();

private:
    BoxRecorder* m_boxes = nullptr;
    FakeMainWindow* m_main = nullptr;
};

void TestQSetupWnd::init()
{
    startUp();
    g_Global.recSaveTo = existingFolder("rec");
    g_Global.picSaveTo = existingFolder("pic");
    g_Global.liveFlvDir = existingFolder("flv");
    SaveSetupConfig();
    m_boxes = new BoxRecorder;
    m_main = new FakeMainWindow;
    ZDT_ClearScript(nullptr);
}

void TestQSetupWnd::cleanup()
{
    delete m_boxes;
    m_boxes = nullptr;
    delete m_main;
    m_main = nullptr;
    ZDT_ClearScript(nullptr);
}

// ---- Parsers ---------------------------------------------------------------------------------

void TestQSetupWnd::str2Bitrate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value");
    QTest::newRow("10Mbps") << "10Mbps" << qint64(10485760);
    QTest::newRow("4GB") << "4GB" << qint64(4294967296);
    QTest::newRow("plain") << "500" << qint64(500);
    QTest::newRow("800Kbps") << "800Kbps" << qint64(819200);
    QTest::newRow("500kbps") << "500kbps" << qint64(512000);
    QTest::newRow("letter first does not count") << "m5" << qint64(0);
    QTest::newRow("g wins over m") << "10mg" << qint64(10737418240);
    QTest::newRow("decimal") << "1.5m" << qint64(1572864);
    QTest::newRow("decimal truncates") << "100.1m" << qint64(104962457);
    QTest::newRow("negative") << "-1g" << qint64(-1073741824);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("no split text") << "no split" << qint64(0);
    QTest::newRow("several gigabytes") << "4100m" << qint64(4299161600);
    QTest::newRow("int overflow held") << "99999999999g" << (qint64(INT32_MAX) << 30);
    QTest::newRow("huge exponent held") << "1e400.g" << std::numeric_limits<qint64>::max();
}

void TestQSetupWnd::str2Bitrate()
{
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QCOMPARE(QSetupWnd::STR2Bitrate(text), value);
}

void TestQSetupWnd::bitrateText_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("10M") << 10485760 << "10Mbps";
    QTest::newRow("1M") << 1048576 << "1Mbps";
    QTest::newRow("3M") << 3145728 << "3Mbps";
    QTest::newRow("800K") << 800 * 1024 << "800Kbps";
    QTest::newRow("1000000") << 1000000 << "1000000bps";
    QTest::newRow("zero") << 0 << "0Gbps";
    QTest::newRow("1G") << 1073741824 << "1Gbps";
    QTest::newRow("negative") << -1048576 << "-1Mbps";
}

void TestQSetupWnd::bitrateText()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    QCOMPARE(QSetupWnd::BitrateText(value), text);
    // What a list shows for a stored value reads back as that value.
    QCOMPARE(QSetupWnd::STR2Bitrate(text), qint64(value));
}

void TestQSetupWnd::splitText()
{
    QCOMPARE(QSetupWnd::SplitText(4096), QString("4G"));
    QCOMPARE(QSetupWnd::SplitText(2048), QString("2G"));
    QCOMPARE(QSetupWnd::SplitText(1500), QString("1500M"));
    QCOMPARE(QSetupWnd::STR2Bitrate("4G") / 1048576, qint64(4096));
    QCOMPARE(QSetupWnd::STR2Bitrate("4GB") / 1048576, qint64(4096));
}

void TestQSetupWnd::resolution_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("sameToDeviceAllowed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("largest") << "3840x2160" << false << true << 3840 << 2160;
    QTest::newRow("smallest") << "1x1" << false << true << 1 << 1;
    QTest::newRow("wider") << "3841x2160" << false << false << 0 << 0;
    QTest::newRow("higher") << "3840x2161" << false << false << 0 << 0;
    QTest::newRow("upper-case X") << "1920X1080" << false << true << 1920 << 1080;
    QTest::newRow("three parts") << "1920x1080x1" << false << false << 0 << 0;
    QTest::newRow("one part") << "1920" << false << false << 0 << 0;
    QTest::newRow("not a number") << "abcx100" << false << false << 0 << 0;
    QTest::newRow("suffix") << "1280x720p" << false << false << 0 << 0;
    QTest::newRow("negative") << "-1x100" << false << false << 0 << 0;
    QTest::newRow("zero width") << "0x720" << true << false << 0 << 0;
    QTest::newRow("0x0 refused") << "0x0" << false << false << 0 << 0;
    QTest::newRow("0x0 as same to device") << "0x0" << true << true << 0 << 0;
    QTest::newRow("empty") << "" << true << false << 0 << 0;
}

void TestQSetupWnd::resolution()
{
    QFETCH(QString, text);
    QFETCH(bool, sameToDeviceAllowed);
    QFETCH(bool, accepted);
    QSetupWnd wnd(nullptr);
    int w = -7;
    int h = -7;
    QCOMPARE(wnd.getResolution("Page", text, w, h, sameToDeviceAllowed), accepted);
    if (accepted) {
        QFETCH(int, width);
        QFETCH(int, height);
        QCOMPARE(w, width);
        QCOMPARE(h, height);
        QVERIFY(m_boxes->boxes.isEmpty());
    } else {
        QCOMPARE(w, -7);
        QCOMPARE(h, -7);
        QCOMPARE(m_boxes->boxes.size(), 1);
        QCOMPARE(m_boxes->boxes[0].text, "Page\n" + englishText(25012));
        QCOMPARE(m_boxes->boxes[0].kind, 1);
    }
}

void TestQSetupWnd::fps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("10") << "10" << true;
    QTest::newRow("60") << "60" << true;
    QTest::newRow("9") << "9" << false;
    QTest::newRow("61") << "61" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("text") << "30fps" << false;
}

void TestQSetupWnd::fps()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QSetupWnd wnd(nullptr);
    int fps = -7;
    QCOMPARE(wnd.getFps("Page", text, fps), accepted);
    QCOMPARE(fps, accepted ? text.toInt() : -7);
    QCOMPARE(m_boxes->boxes.size(), accepted ? 0 : 1);
    if (!accepted) {
        QCOMPARE(m_boxes->boxes[0].text, "Page\n" + englishText(25013));
        QCOMPARE(m_boxes->boxes[0].kind, 1);
    }
}

void TestQSetupWnd::saveDir()
{
    QSetupWnd wnd(nullptr);
    QString folder = "unchanged";
    QVERIFY(!wnd.getSaveDir("Page", "", folder));
    QVERIFY(!wnd.getSaveDir("Page", " ", folder));
    QCOMPARE(folder, QString("unchanged"));
    QCOMPARE(m_boxes->boxes.size(), 2);
    QCOMPARE(m_boxes->boxes[0].text, "Page\n" + englishText(25015));
    // One blank is a folder name, and no such folder exists.
    QCOMPARE(m_boxes->boxes[1].text, "Page\n" + getLang(25014, "", " "));
    QCOMPARE(m_boxes->boxes[1].kind, 1);
    const QString existing = existingFolder("some folder");
    QVERIFY(wnd.getSaveDir("Page", existing, folder));
    QCOMPARE(folder, existing);
}

// ---- Filling ---------------------------------------------------------------------------------

void TestQSetupWnd::fillsRecordPage()
{
    g_Global.recWidth = 1600;
    g_Global.recHeight = 900;
    g_Global.recFormat = 1;
    g_Global.recFps = 30;
    g_Global.recBitrate = 3145728;
    g_Global.recSplitMB = 2048;
    g_Global.recHotkeyRec = 5;
    g_Global.recHotkeyPause = 13;
    QSetupWnd wnd(nullptr);
    // A stored size that is no entry still shows in the editable field.
    QCOMPARE(cbx(&wnd, "s3_cbx_size")->currentText(), QString("1600x900"));
    QCOMPARE(cbx(&wnd, "s3_cbx_fps")->currentText(), QString("30"));
    QVERIFY(cbx(&wnd, "s3_cbx_fps")->isEnabled());
    QVERIFY(cbx(&wnd, "s3_cbx_fps")->toolTip().isEmpty());
    QCOMPARE(cbx(&wnd, "s3_cbx_bitrate")->currentText(), QString("3Mbps"));
    QCOMPARE(cbx(&wnd, "s3_cbx_split")->currentText(), QString("2G"));
    QCOMPARE(cbx(&wnd, "s3_cbx_hotrec")->currentText(), QString("F5"));
    QCOMPARE(cbx(&wnd, "s3_cbx_hotpau")->currentText(), QString("F1"));
    // F1 to F10: the keys the main window binds.
    for (const char* name : {"s3_cbx_hotrec", "s3_cbx_hotpau", "s4_cbx_hotkey"}) {
        QComboBox* keys = cbx(&wnd, name);
        QCOMPARE(keys->count(), 10);
        QCOMPARE(keys->itemText(0), QString("F1"));
        QCOMPARE(keys->itemText(9), QString("F10"));
        QCOMPARE(keys->maxVisibleItems(), 13);
    }
    QCOMPARE(cbx(&wnd, "s3_cbx_speed")->count(), 10);
    QCOMPARE(cbx(&wnd, "s3_cbx_speed")->itemText(9), QString("placebo"));

    g_Global.recWidth = 0;
    g_Global.recFps = 20; // no entry of the frame-rate list
    g_Global.recSplitMB = 1500;
    QSetupWnd second(nullptr);
    QCOMPARE(cbx(&second, "s3_cbx_size")->currentText(), second.sameToDeviceText);
    QCOMPARE(cbx(&second, "s3_cbx_fps")->currentText(), second.sameToDeviceText);
    QCOMPARE(cbx(&second, "s3_cbx_split")->currentText(), QString("1500M"));

    g_Global.recSplitMB = 0;
    QSetupWnd third(nullptr);
    QCOMPARE(cbx(&third, "s3_cbx_split")->currentIndex(), 0);
    QCOMPARE(cbx(&third, "s3_cbx_split")->currentText(), third.noSplitText);
}

void TestQSetupWnd::formatZeroLocksFrameRateWhileFilling()
{
    g_Global.recFormat = 0;
    g_Global.recFps = 30;
    QSetupWnd wnd(nullptr);
    QComboBox* fps = cbx(&wnd, "s3_cbx_fps");
    QCOMPARE(fps->currentText(), wnd.sameToDeviceText);
    QVERIFY(!fps->isEnabled());
    QCOMPARE(fps->toolTip(), englishText(27017));
    // The rule follows the format list.
    cbx(&wnd, "s3_cbx_format")->setCurrentIndex(1);
    QCOMPARE(fps->currentText(), QString("30"));
    QVERIFY(fps->isEnabled());
    QVERIFY(fps->toolTip().isEmpty());
    cbx(&wnd, "s3_cbx_format")->setCurrentIndex(0);
    QCOMPARE(fps->currentText(), wnd.sameToDeviceText);
    QVERIFY(!fps->isEnabled());
}

void TestQSetupWnd::rendererListKeepsEachStoredValuesMeaning_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("automatic") << 0 << "Auto selection";
    QTest::newRow("another platform's Metal") << 1 << "";
    QTest::newRow("OpenGL, which this engine does not draw with") << 2 << "";
    QTest::newRow("madVR") << 3 << "";
    QTest::newRow("X11") << 4 << "X11";
}

// The list offers what the engine draws with here; a stored value keeps
// naming the renderer it named, and OK without a choice keeps it.
void TestQSetupWnd::rendererListKeepsEachStoredValuesMeaning()
{
    QFETCH(int, stored);
    QFETCH(QString, shown);
    g_Global.videoRender = stored;
    QSetupWnd wnd(nullptr);
    QComboBox* list = cbx(&wnd, "s2_cbx_video");
    QStringList entries;
    QList<int> values;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
        values << list->itemData(i).toInt();
    }
    QCOMPARE(entries, QStringList({"Auto selection", "X11"}));
    QCOMPARE(values, QList<int>({0, 4}));
    QCOMPARE(list->currentText(), shown);
    wnd.onBtnOKClick();
    QCOMPARE(wnd.result(), 1);
    QCOMPARE(g_Global.videoRender, stored);
    QCOMPARE(iniValue("PREVIEW/VRENDER2").toInt(), stored);
}

void TestQSetupWnd::listsWithoutTheStoredEntry()
{
    g_Global.videoRender = 3; // madVR, which this engine never offers
    g_Global.recVSpeed = 12;
    g_Global.recFormat = 9;
    g_Global.recVCodec = 12345;
    QSetupWnd wnd(nullptr);
    QCOMPARE(cbx(&wnd, "s2_cbx_video")->count(), 2);
    QCOMPARE(cbx(&wnd, "s2_cbx_video")->currentIndex(), -1);
    QCOMPARE(cbx(&wnd, "s3_cbx_speed")->currentIndex(), -1);
    QCOMPARE(cbx(&wnd, "s3_cbx_format")->currentIndex(), -1);
    QComboBox* codec = cbx(&wnd, "s3_cbx_codec");
    QVERIFY2(codec->count() > 0, "the engine offers no encoder on this machine");
    QCOMPARE(codec->currentIndex(), 0);
    // A stored id the engine reports is selected.
    const int lastId = codec->itemData(codec->count() - 1).toInt();
    g_Global.recVCodec = lastId;
    QSetupWnd stored(nullptr);
    QCOMPARE(cbx(&stored, "s3_cbx_codec")->currentIndex(), codec->count() - 1);
    QCOMPARE(cbx(&stored, "s3_cbx_codec")->currentData().toInt(), lastId);

    // An engine that reports no encoder leaves the list empty.
    ZDT_ScriptResult("ZD_GetEncodeH264EngineList", 0);
    QSetupWnd none(nullptr);
    QCOMPARE(cbx(&none, "s3_cbx_codec")->count(), 0);
}

void TestQSetupWnd::fillsOtherPages()
{
    g_Global.picExt = "jpg";
    g_Global.gifWidth = 400;
    g_Global.gifHeight = 300;
    g_Global.gifFps = 12;
    g_Global.picHotkey = 0;
    g_Global.liveWidth = 1600;
    g_Global.liveHeight = 900;
    g_Global.liveFps = 15;
    g_Global.liveSaveFlv = false;
    g_Global.dudServerPort = 0;
    g_Global.audioRender = "USB Speakers";
    QSetupWnd wnd(nullptr);
    QCOMPARE(cbx(&wnd, "s4_cbx_format")->currentText(), QString("JPG"));
    QCOMPARE(cbx(&wnd, "s4_cbx_gifsize")->currentText(), QString("720x480"));
    QCOMPARE(cbx(&wnd, "s4_cbx_giffps")->currentText(), QString("20"));
    QCOMPARE(cbx(&wnd, "s4_cbx_hotkey")->currentText(), QString("F1"));
    QCOMPARE(edit(&wnd, "s4_edit")->text(), g_Global.picSaveTo);
    QCOMPARE(cbx(&wnd, "s5_cbx_size")->currentText(), QString("1600x900"));
    QCOMPARE(cbx(&wnd, "s5_cbx_fps")->currentText(), QString("15"));
    QVERIFY(!edit(&wnd, "s5_edit1")->isEnabled());
    QCOMPARE(edit(&wnd, "s5_edit1")->text(), g_Global.liveFlvDir);
    QCOMPARE(edit(&wnd, "s6_edit")->text(), QString("0"));
    QCOMPARE(cbx(&wnd, "s2_cbx_audio")->count(), 1);
    QCOMPARE(cbx(&wnd, "s2_cbx_audio")->currentText(), QString("system default"));
    QTabWidget* tabs = child<QTabWidget>(&wnd, "tab");
    QCOMPARE(tabs->count(), 6);
    // The share page too, so that the share service can be set up.
    for (int i = 0; i < 6; ++i)
        QVERIFY(tabs->isTabVisible(i));
    QCOMPARE(tabs->currentIndex(), 0);

    g_Global.picExt = "jpeg";
    QSetupWnd second(nullptr);
    QCOMPARE(cbx(&second, "s4_cbx_format")->currentText(), QString("PNG"));
}

void TestQSetupWnd::languageChoice()
{
    QMyLang langs;
    QVERIFY2(!langs.paths().isEmpty(), "no language file in the resources");
    const QString english = langs.paths().first();

    g_Global.langFile = english.toUpper();
    QSetupWnd upper(nullptr);
    QCOMPARE(cbx(&upper, "s1_cbx_lang")->currentIndex(), 0);
    QCOMPARE(cbx(&upper, "s1_cbx_lang")->currentText(), langs.names().first());

    g_Global.langFile = QString();
    QSetupWnd none(nullptr);
    QCOMPARE(cbx(&none, "s1_cbx_lang")->currentIndex(), 0);
    QCOMPARE(cbx(&none, "s1_cbx_lang")->count(), int(langs.names().size()));
}

// Every label, check box and text button of the five shown pages and the
// window's own buttons carry a text.
void TestQSetupWnd::everyShownControlHasAText()
{
    g_Global.langFile = QString(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
    QSetupWnd wnd(nullptr);
    QTabWidget* tabs = child<QTabWidget>(&wnd, "tab");
    QStringList blank;
    for (int i = 0; i < 5; ++i) {
        if (tabs->tabText(i).isEmpty())
            blank << QString("tab %1").arg(i);
        QWidget* page = tabs->widget(i);
        for (QLabel* l : page->findChildren<QLabel*>()) {
            if (l->text().trimmed().isEmpty() && !l->isHidden())
                blank << l->objectName();
        }
        for (QAbstractButton* b : page->findChildren<QAbstractButton*>()) {
            const bool pictureButton =
                b->objectName().contains("help") || b->objectName().endsWith("_btn1");
            if (!pictureButton && !b->isHidden() && b->text().trimmed().isEmpty())
                blank << b->objectName();
        }
    }
    for (const char* name : {"btnOK", "btnCancel", "btnDef"}) {
        if (child<QPushButton>(&wnd, name)->text().isEmpty())
            blank << name;
    }
    QVERIFY2(blank.isEmpty(), qPrintable(blank.join(", ")));
    QCOMPARE(wnd.windowTitle(), englishText(25005));
}

// ---- OK ------------------------------------------------------------------------------------

void TestQSetupWnd::okRefusesWithTheFirstFailureOnly_data()
{
    QTest::addColumn<Edit>("change");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("kind");
    const QString rec = englishText(25008) + "\n";
    const QString pic = englishText(25009) + "\n";
    const QString live = englishText(25010) + "\n";

    QTest::newRow("record size") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("5000x100");
    }) << rec + englishText(25012)
                                 << 1;
    QTest::newRow("record size first of several") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("abc");
        cbx(&w, "s5_cbx_size")->setCurrentText("abc");
        edit(&w, "s3_edit")->setText("");
    }) << rec + englishText(25012) << 1;
    QTest::newRow("record folder blank")
        << Edit([](QSetupWnd& w) { edit(&w, "s3_edit")->setText(""); }) << rec + englishText(25015)
        << 1;
    QTest::newRow("record folder missing")
        << Edit([](QSetupWnd& w) { edit(&w, "s3_edit")->setText("/no/such/folder"); })
        << rec + getLang(25014, "", "/no/such/folder") << 1;
    QTest::newRow("picture folder")
        << Edit([](QSetupWnd& w) { edit(&w, "s4_edit")->setText("/no/such/pictures"); })
        << pic + getLang(25014, "", "/no/such/pictures") << 1;
    QTest::newRow("live size") << Edit([](QSetupWnd& w) {
        cbx(&w, "s5_cbx_size")->setCurrentText("1920x1080p");
    }) << live + englishText(25012)
                               << 1;
    QTest::newRow("live frame rate")
        << Edit([](QSetupWnd& w) { cbx(&w, "s5_cbx_fps")->setCurrentText("61"); })
        << live + englishText(25013) << 1;
    QTest::newRow("flv folder while saving") << Edit([](QSetupWnd& w) {
        chk(&w, "s5_chk_save")->setChecked(true);
        edit(&w, "s5_edit1")->setText("/no/such/flv");
    }) << live + getLang(25014, "", "/no/such/flv")
                                             << 1;
    QTest::newRow("record and pause key") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_hotrec")->setCurrentText("F2");
        cbx(&w, "s3_cbx_hotpau")->setCurrentText("F2");
    }) << englishText(25017) << 0;
    QTest::newRow("picture key first") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_hotrec")->setCurrentText("F2");
        cbx(&w, "s3_cbx_hotpau")->setCurrentText("F2");
        cbx(&w, "s4_cbx_hotkey")->setCurrentText("F2");
    }) << englishText(25018) << 0;
    QTest::newRow("picture key and pause key")
        << Edit([](QSetupWnd& w) { cbx(&w, "s4_cbx_hotkey")->setCurrentText("F3"); })
        << englishText(25018) << 0;
    const QString bitrate = "The #v1# bitrate setting is invalid.(Please set 1K~100M)";
    QTest::newRow("record bitrate low")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_bitrate")->setCurrentText("999"); })
        << getLang(25019, bitrate, englishText(25008)) << 0;
    QTest::newRow("record bitrate decimal above")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_bitrate")->setCurrentText("100.1m"); })
        << getLang(25019, bitrate, englishText(25008)) << 0;
    QTest::newRow("record bitrate gigabytes")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_bitrate")->setCurrentText("4100m"); })
        << getLang(25019, bitrate, englishText(25008)) << 0;
    QTest::newRow("live bitrate") << Edit([](QSetupWnd& w) {
        cbx(&w, "s5_cbx_bitrate")->setCurrentText("0");
    }) << getLang(25019, bitrate, englishText(25010))
                                  << 0;
    QTest::newRow("split below 100M")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_split")->setCurrentText("99m"); })
        << englishText(25020) << 0;
    QTest::newRow("split negative")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_split")->setCurrentText("-1g"); })
        << englishText(25020) << 0;
    QTest::newRow("split beyond its field")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_split")->setCurrentText("2097152g"); })
        << englishText(25020) << 0;
    QTest::newRow("hardware encoder above 1080 lines") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("2560x1440");
        cbx(&w, "s3_cbx_codec")->addItem("hardware", 2);
        cbx(&w, "s3_cbx_codec")->setCurrentIndex(cbx(&w, "s3_cbx_codec")->count() - 1);
    }) << englishText(25022) << 0;
}

void TestQSetupWnd::okRefusesWithTheFirstFailureOnly()
{
    QFETCH(Edit, change);
    QFETCH(QString, message);
    QFETCH(int, kind);
    const GLOBAL_PARAMS before = g_Global;
    const QByteArray iniBefore = iniBytes();
    QSetupWnd wnd(nullptr);
    change(wnd);
    wnd.onBtnOKClick();
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, message);
    QCOMPARE(m_boxes->boxes[0].kind, kind);
    QCOMPARE(wnd.result(), 0);
    // Nothing written, nothing announced.
    QCOMPARE(iniBytes(), iniBefore);
    QCOMPARE(g_Global.recWidth, before.recWidth);
    QCOMPARE(g_Global.recSaveTo, before.recSaveTo);
    QCOMPARE(g_Global.recHotkeyRec, before.recHotkeyRec);
    QCOMPARE(g_Global.liveWidth, before.liveWidth);
    QCOMPARE(g_Global.recBitrate, before.recBitrate);
    QVERIFY(m_main->delivered().isEmpty());
}

void TestQSetupWnd::okAcceptsEdgeValues_data()
{
    QTest::addColumn<Edit>("change");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("stored");
    QTest::newRow("largest size") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("3840x2160");
    }) << "RECORD/width" << 3840;
    QTest::newRow("same to device")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_size")->setCurrentText(w.sameToDeviceText); })
        << "RECORD/height" << 0;
    QTest::newRow("0x0 typed") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("0x0");
    }) << "RECORD/width" << 0;
    QTest::newRow("bitrate 1000") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_bitrate")->setCurrentText("1000");
    }) << "RECORD/bitrate" << 1000;
    QTest::newRow("bitrate 100m") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_bitrate")->setCurrentText("100m");
    }) << "RECORD/bitrate" << 104857600;
    QTest::newRow("no split") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_split")->setCurrentText(w.noSplitText);
    }) << "RECORD/SPLITMB" << 0;
    QTest::newRow("split 100m") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_split")->setCurrentText("100m");
    }) << "RECORD/SPLITMB" << 100;
    QTest::newRow("split 4GB") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_split")->setCurrentText("4GB");
    }) << "RECORD/SPLITMB" << 4096;
    QTest::newRow("split largest")
        << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_split")->setCurrentText("2147483647m"); })
        << "RECORD/SPLITMB" << INT32_MAX;
    QTest::newRow("hardware encoder at 1920") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("1920x1080");
        cbx(&w, "s3_cbx_codec")->addItem("hardware", 1);
        cbx(&w, "s3_cbx_codec")->setCurrentIndex(cbx(&w, "s3_cbx_codec")->count() - 1);
    }) << "RECORD/vcodec" << 1;
    QTest::newRow("hardware encoder that passed above 1080") << Edit([](QSetupWnd& w) {
        g_Global.hwCap[4] = 1;
        cbx(&w, "s3_cbx_size")->setCurrentText("2560x1440");
        cbx(&w, "s3_cbx_codec")->addItem("hardware", 3);
        cbx(&w, "s3_cbx_codec")->setCurrentIndex(cbx(&w, "s3_cbx_codec")->count() - 1);
    }) << "RECORD/vcodec" << 3;
    QTest::newRow("encoder 4 above 1080") << Edit([](QSetupWnd& w) {
        cbx(&w, "s3_cbx_size")->setCurrentText("2560x1440");
        cbx(&w, "s3_cbx_codec")->addItem("other", 4);
        cbx(&w, "s3_cbx_codec")->setCurrentIndex(cbx(&w, "s3_cbx_codec")->count() - 1);
    }) << "RECORD/vcodec" << 4;
    QTest::newRow("flv folder not checked while not saving") << Edit([](QSetupWnd& w) {
        chk(&w, "s5_chk_save")->setChecked(false);
        edit(&w, "s5_edit1")->setText("/no/such/flv");
    }) << "LIVE/Save-flv" << 0;
}

void TestQSetupWnd::okAcceptsEdgeValues()
{
    QFETCH(Edit, change);
    QFETCH(QString, key);
    QFETCH(int, stored);
    QSetupWnd wnd(nullptr);
    change(wnd);
    wnd.onBtnOKClick();
    QVERIFY2(m_boxes->boxes.isEmpty(),
             qPrintable(m_boxes->boxes.isEmpty() ? QString() : m_boxes->boxes[0].text));
    QCOMPARE(wnd.result(), 1);
    QCOMPARE(iniValue(key).toInt(), stored);
}

void TestQSetupWnd::okWritesEverySettingBack()
{
    const QString rec = existingFolder("new rec");
    const QString pic = existingFolder("new pic");
    const QString flv = existingFolder("new flv");
    g_Global.langFile = "/somewhere/else/Other.txt";
    QSetupWnd wnd(nullptr);
    chk(&wnd, "s1_chk_hidebar")->setChecked(true);
    chk(&wnd, "s1_chk_hidestatus")->setChecked(true);
    chk(&wnd, "s1_chk_fullscreen")->setChecked(true);
    chk(&wnd, "s1_chk_mute")->setChecked(false);
    cbx(&wnd, "s2_cbx_video")->setCurrentText("X11");
    chk(&wnd, "s2_chk_keep")->setChecked(false);
    chk(&wnd, "s2_chk_ignore")->setChecked(false);
    cbx(&wnd, "s3_cbx_size")->setCurrentText("1280X720");
    cbx(&wnd, "s3_cbx_format")->setCurrentIndex(4);
    cbx(&wnd, "s3_cbx_fps")->setCurrentText("25");
    cbx(&wnd, "s3_cbx_bitrate")->setCurrentText("5Mbps");
    cbx(&wnd, "s3_cbx_speed")->setCurrentIndex(5);
    edit(&wnd, "s3_edit")->setText(rec);
    chk(&wnd, "s3_chk1")->setChecked(false);
    cbx(&wnd, "s3_cbx_hotrec")->setCurrentText("F7");
    cbx(&wnd, "s3_cbx_hotpau")->setCurrentText("F8");
    cbx(&wnd, "s3_cbx_split")->setCurrentText("1GB");
    edit(&wnd, "s4_edit")->setText(pic);
    cbx(&wnd, "s4_cbx_format")->setCurrentText("BMP");
    cbx(&wnd, "s4_cbx_hotkey")->setCurrentText("F9");
    cbx(&wnd, "s4_cbx_gifsize")->setCurrentText("380x240");
    cbx(&wnd, "s4_cbx_giffps")->setCurrentText("10");
    chk(&wnd, "s4_chk_keepasp")->setChecked(false);
    cbx(&wnd, "s5_cbx_size")->setCurrentText("1280x720");
    cbx(&wnd, "s5_cbx_fps")->setCurrentText("25");
    cbx(&wnd, "s5_cbx_bitrate")->setCurrentText("800Kbps");
    chk(&wnd, "s5_chk_save")->setChecked(true);
    edit(&wnd, "s5_edit1")->setText(flv);
    cbx(&wnd, "s6_cbx_size")->setCurrentText("640x480");
    cbx(&wnd, "s6_cbx_fps")->setCurrentText("25");
    cbx(&wnd, "s6_cbx_bitrate")->setCurrentText("2Mbps");
    edit(&wnd, "s6_edit")->setText("8080");
    chk(&wnd, "s6_chk1")->setChecked(true);
    chk(&wnd, "s6_chk2")->setChecked(false);
    wnd.onBtnOKClick();
    QVERIFY(m_boxes->boxes.isEmpty());
    QCOMPARE(wnd.result(), 1);

    QMyLang langs;
    const GLOBAL_PARAMS& g = g_Global;
    QCOMPARE(g.langFile, langs.paths().first());
    QCOMPARE(g.fontName, QMyLang::getFontName(g.langFile));
    QCOMPARE(g.autoHideBarWhenStart, 1);
    QCOMPARE(g.hideStatusBarWhenHideBar, 1);
    QCOMPARE(g.autoFullScreenWhenStart, 1);
    QCOMPARE(g.autoMuteWhenShowFilesDlg, 0);
    QCOMPARE(g.videoRender, 4);
    QCOMPARE(g.audioRender, QString());
    QCOMPARE(g.keepAspect, 0);
    QCOMPARE(g.ignoreVD, 0);
    QCOMPARE(g.recWidth, 1280);
    QCOMPARE(g.recHeight, 720);
    QCOMPARE(g.recFps, 25);
    QCOMPARE(g.recFormat, 4);
    QCOMPARE(g.recBitrate, 5242880);
    QCOMPARE(g.recVSpeed, 5);
    QCOMPARE(g.recSaveTo, rec);
    QCOMPARE(g.recAutoName, false);
    QCOMPARE(g.recHotkeyRec, 7);
    QCOMPARE(g.recHotkeyPause, 8);
    QCOMPARE(g.recSplitMB, 1024);
    QCOMPARE(g.picSaveTo, pic);
    QCOMPARE(g.picExt, QString("bmp"));
    QCOMPARE(g.picHotkey, 9);
    QCOMPARE(g.gifWidth, 380);
    QCOMPARE(g.gifHeight, 240);
    QCOMPARE(g.gifFps, 10);
    QCOMPARE(g.gifKeepAspect, 0);
    QCOMPARE(g.liveWidth, 1280);
    QCOMPARE(g.liveHeight, 720);
    QCOMPARE(g.liveFps, 25);
    QCOMPARE(g.liveBitrate, 819200);
    QCOMPARE(g.liveSaveFlv, true);
    QCOMPARE(g.liveFlvDir, flv);
    QCOMPARE(g.dudEncWidth, 640);
    QCOMPARE(g.dudEncHeight, 480);
    QCOMPARE(g.dudEncFps, 25);
    QCOMPARE(g.dudEncBitrate, 2097152);
    QCOMPARE(g.dudServerPort, 8080);
    QCOMPARE(g.dudEnableServer, 1);
    QCOMPARE(g.dudEnableLive, 0);

    // And setting.ini holds them now.
    QCOMPARE(iniValue("LANG/lang").toString(), g.langFile);
    QCOMPARE(iniValue("PREVIEW/VRENDER2").toInt(), 4);
    QCOMPARE(iniValue("PREVIEW/ARENDER").toString(), QString());
    QCOMPARE(iniValue("RECORD/width").toInt(), 1280);
    QCOMPARE(iniValue("RECORD/saveto").toString(), rec);
    QCOMPARE(iniValue("RECORD/SPLITMB").toInt(), 1024);
    QCOMPARE(iniValue("PICTURE/ext").toString(), QString("bmp"));
    QCOMPARE(iniValue("PICTURE/gif-width").toInt(), 380);
    QCOMPARE(iniValue("LIVE/FLV-DIR").toString(), flv);
    QCOMPARE(iniValue("LIVE/bitrate").toInt(), 819200);
    QCOMPARE(iniValue("DUD/server-port").toInt(), 8080);
    QCOMPARE(iniValue("WND/AutoMuteWhenShowFilesDlg").toInt(), 0);
}

void TestQSetupWnd::okPostsWhatChanged_data()
{
    QTest::addColumn<Setup>("stored");
    QTest::addColumn<Edit>("change");
    QTest::addColumn<QList<qint64>>("posted");
    const Setup asIs([] {});
    const Edit none([](QSetupWnd&) {});
    const qint64 lang = MSG_LANGUAGE_CHANGED;
    const qint64 preview = MSG_PREVIEW_SETTINGS_CHANGED;
    QTest::newRow("nothing") << asIs << none << QList<qint64>();
    QTest::newRow("picture hot key")
        << asIs << Edit([](QSetupWnd& w) { cbx(&w, "s4_cbx_hotkey")->setCurrentText("F9"); })
        << QList<qint64>();
    QTest::newRow("ignore virtual devices")
        << asIs << Edit([](QSetupWnd& w) { chk(&w, "s2_chk_ignore")->setChecked(false); })
        << QList<qint64>();
    QTest::newRow("record hot key")
        << asIs << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_hotrec")->setCurrentText("F9"); })
        << QList<qint64>{lang};
    QTest::newRow("pause hot key")
        << asIs << Edit([](QSetupWnd& w) { cbx(&w, "s3_cbx_hotpau")->setCurrentText("F9"); })
        << QList<qint64>{lang};
    QTest::newRow("language") << Setup([] { g_Global.langFile = "/elsewhere/Other.txt"; }) << none
                              << QList<qint64>{lang};
    QTest::newRow("keep aspect") << asIs << Edit([](QSetupWnd& w) {
        chk(&w, "s2_chk_keep")->setChecked(false);
    }) << QList<qint64>{preview};
    QTest::newRow("renderer") << asIs << Edit([](QSetupWnd& w) {
        cbx(&w, "s2_cbx_video")->setCurrentText("X11");
    }) << QList<qint64>{preview};
    QTest::newRow("live frame rate")
        << asIs << Edit([](QSetupWnd& w) { cbx(&w, "s5_cbx_fps")->setCurrentText("25"); })
        << QList<qint64>{preview};
    QTest::newRow("live frame rate under a scene size")
        << Setup([] { g_Global.liveBaseWidth = 1280; })
        << Edit([](QSetupWnd& w) { cbx(&w, "s5_cbx_fps")->setCurrentText("25"); })
        << QList<qint64>();
    QTest::newRow("hot key and keep aspect") << asIs << Edit([](QSetupWnd& w) {
        chk(&w, "s2_chk_keep")->setChecked(false);
        cbx(&w, "s3_cbx_hotrec")->setCurrentText("F9");
    }) << QList<qint64>{lang, preview};
    QTest::newRow("language and renderer")
        << Setup([] { g_Global.langFile = "/elsewhere/Other.txt"; })
        << Edit([](QSetupWnd& w) { cbx(&w, "s2_cbx_video")->setCurrentText("X11"); })
        << QList<qint64>{lang, preview};
    QTest::newRow("stored audio device becomes the default")
        << Setup([] { g_Global.audioRender = "USB Speakers"; }) << none << QList<qint64>{preview};
}

void TestQSetupWnd::okPostsWhatChanged()
{
    QFETCH(Setup, stored);
    QFETCH(Edit, change);
    QFETCH(QList<qint64>, posted);
    // The stored language is the listed one unless the row says otherwise.
    QMyLang langs;
    g_Global.langFile = langs.paths().first();
    stored();
    QSetupWnd wnd(nullptr);
    change(wnd);
    wnd.onBtnOKClick();
    QVERIFY(m_boxes->boxes.isEmpty());
    QCOMPARE(wnd.result(), 1);
    QList<qint64> got;
    for (const auto& m : m_main->delivered()) {
        QCOMPARE(m.first, uint64_t(MSG_SETTINGS_CHANGED));
        got << m.second;
    }
    QCOMPARE(got, posted);
    // The one audio entry stands for the system default, stored as no name.
    QCOMPARE(g_Global.audioRender, QString());
    QCOMPARE(iniValue("PREVIEW/ARENDER").toString(), QString());
}

void TestQSetupWnd::okKeepsStoredValuesOfListsWithoutSelection()
{
    g_Global.videoRender = 3;
    g_Global.recVSpeed = 12;
    g_Global.recFormat = 9;
    QSetupWnd wnd(nullptr);
    wnd.onBtnOKClick();
    QCOMPARE(wnd.result(), 1);
    QCOMPARE(g_Global.videoRender, 3);
    QCOMPARE(g_Global.recVSpeed, 12);
    QCOMPARE(g_Global.recFormat, 9);
    QCOMPARE(iniValue("PREVIEW/VRENDER2").toInt(), 3);
    QCOMPARE(iniValue("RECORD/vspeed").toInt(), 12);
    QCOMPARE(iniValue("RECORD/format").toInt(), 9);
    // Unchanged, so nothing to reopen.
    QVERIFY(m_main->delivered().isEmpty());
}

void TestQSetupWnd::hiddenSharePageNeverBlocksOk()
{
    g_Global.dudEncWidth = 5000;
    g_Global.dudEncHeight = 720;
    g_Global.dudEncFps = 99;
    g_Global.dudEncBitrate = 5;
    QSetupWnd wnd(nullptr);
    wnd.onBtnOKClick();
    QVERIFY(m_boxes->boxes.isEmpty());
    QCOMPARE(wnd.result(), 1);
    QCOMPARE(g_Global.dudEncWidth, 5000);
    QCOMPARE(g_Global.dudEncHeight, 720);
    QCOMPARE(g_Global.dudEncFps, 99);
    QCOMPARE(g_Global.dudEncBitrate, 5);
    QCOMPARE(iniValue("DUD/enc-fps").toInt(), 99);
}

void TestQSetupWnd::flvFolderOnlyWhileSavingFlv()
{
    const QString stored = g_Global.liveFlvDir;
    QSetupWnd wnd(nullptr);
    QCheckBox* save = chk(&wnd, "s5_chk_save");
    QLineEdit* folder = edit(&wnd, "s5_edit1");
    QVERIFY(save->isChecked());
    save->click();
    QVERIFY(!folder->isEnabled());
    save->click();
    QVERIFY(folder->isEnabled());
    save->click();
    folder->setText("/no/such/flv");
    wnd.onBtnOKClick();
    QVERIFY(m_boxes->boxes.isEmpty());
    QCOMPARE(g_Global.liveSaveFlv, false);
    QCOMPARE(g_Global.liveFlvDir, stored);
}

// ---- Default, Cancel, browse ------------------------------------------------------------------

void TestQSetupWnd::defaultButton()
{
    g_Global.recFormat = 2;
    g_Global.recFps = 30;
    g_Global.recWidth = 1280;
    g_Global.recHeight = 720;
    g_Global.recHotkeyRec = 6;
    g_Global.recHotkeyPause = 7;
    g_Global.picHotkey = 8;
    g_Global.liveSaveFlv = false;
    g_Global.autoMuteWhenShowFilesDlg = 0;
    g_Global.dudServerPort = 1234;
    QSetupWnd wnd(nullptr);
    child<QPushButton>(&wnd, "btnDef")->click();
    QString langPath;
    QCOMPARE(cbx(&wnd, "s1_cbx_lang")->currentText(), QMyLang::getDefaultName(langPath));
    QVERIFY(chk(&wnd, "s1_chk_mute")->isChecked());
    QCOMPARE(cbx(&wnd, "s3_cbx_size")->currentText(), wnd.sameToDeviceText);
    QCOMPARE(cbx(&wnd, "s3_cbx_fps")->currentText(), wnd.sameToDeviceText);
    QVERIFY(!cbx(&wnd, "s3_cbx_fps")->isEnabled());
    QCOMPARE(cbx(&wnd, "s3_cbx_bitrate")->currentText(), QString("10Mbps"));
    QCOMPARE(cbx(&wnd, "s3_cbx_format")->currentIndex(), 0);
    QCOMPARE(cbx(&wnd, "s3_cbx_hotrec")->currentText(), QString("F2"));
    QCOMPARE(cbx(&wnd, "s3_cbx_hotpau")->currentText(), QString("F3"));
    QCOMPARE(cbx(&wnd, "s4_cbx_hotkey")->currentText(), QString("F4"));
    QCOMPARE(cbx(&wnd, "s4_cbx_gifsize")->currentText(), QString("480x320"));
    QCOMPARE(cbx(&wnd, "s4_cbx_giffps")->currentText(), QString("15"));
    QCOMPARE(edit(&wnd, "s3_edit")->text(), CPublic::GetMyVideoPath());
    QVERIFY(edit(&wnd, "s5_edit1")->isEnabled());
    QCOMPARE(cbx(&wnd, "s6_cbx_bitrate")->currentText(), QString("3Mbps"));
    QCOMPARE(edit(&wnd, "s6_edit")->text(), QString("9875"));
    // Nothing is written before OK.
    QCOMPARE(g_Global.dudServerPort, 1234);
    wnd.onBtnOKClick();
    QVERIFY(m_boxes->boxes.isEmpty());
    QCOMPARE(g_Global.gifWidth, 480);
    QCOMPARE(g_Global.gifHeight, 320);
    QCOMPARE(g_Global.dudServerPort, 9875);
    QCOMPARE(g_Global.dudEncBitrate, 3145728);
    QCOMPARE(g_Global.recWidth, 0);
    QCOMPARE(g_Global.recFps, 0);
    QCOMPARE(g_Global.recHotkeyRec, 2);
    QCOMPARE(g_Global.liveSaveFlv, true);
}

void TestQSetupWnd::defaultThenCancelChangesNothing()
{
    g_Global.recHotkeyRec = 6;
    g_Global.gifWidth = 720;
    g_Global.gifHeight = 400;
    SaveSetupConfig();
    const QByteArray iniBefore = iniBytes();
    QSetupWnd wnd(nullptr);
    child<QPushButton>(&wnd, "btnDef")->click();
    child<QPushButton>(&wnd, "btnCancel")->click();
    QCOMPARE(wnd.result(), 0);
    QCOMPARE(g_Global.recHotkeyRec, 6);
    QCOMPARE(g_Global.gifWidth, 720);
    QCOMPARE(iniBytes(), iniBefore);
    QVERIFY(m_main->delivered().isEmpty());
}

void TestQSetupWnd::browseButtons()
{
    QList<FileDialogRequest> asked;
    QString answer;
    CPublic::setFileDialogHook([&](FileDialogRequest& r) {
        asked << r;
        if (answer.isEmpty())
            return false;
        r.answer = QStringList{answer};
        return true;
    });
    QSetupWnd wnd(nullptr);
    edit(&wnd, "s3_edit")->setText("typed");
    wnd.onBtnRecSaveBrowse(); // cancelled
    QCOMPARE(edit(&wnd, "s3_edit")->text(), QString("typed"));
    answer = "/chosen/rec";
    wnd.onBtnRecSaveBrowse();
    QCOMPARE(edit(&wnd, "s3_edit")->text(), answer);
    answer = "/chosen/pic";
    wnd.onBtnPictSaveBrowse();
    QCOMPARE(edit(&wnd, "s4_edit")->text(), answer);
    answer = "/chosen/flv";
    wnd.onBtnLiveSaveBrowse();
    QCOMPARE(edit(&wnd, "s5_edit1")->text(), answer);
    CPublic::setFileDialogHook(FileDialogHook());

    QCOMPARE(asked.size(), 4);
    for (const FileDialogRequest& r : asked) {
        QCOMPARE(r.kind, FileDialogRequest::ChooseDir);
        QCOMPARE(r.title, englishText(25016));
        QCOMPARE(r.parent, &wnd);
    }
    // The chooser starts in the stored folder, not the field's text.
    QCOMPARE(asked[0].startDir, g_Global.recSaveTo);
    QCOMPARE(asked[2].startDir, g_Global.picSaveTo);
    QCOMPARE(asked[3].startDir, g_Global.liveFlvDir);
}

void TestQSetupWnd::bitrateHintAndFormatRule()
{
    QSetupWnd wnd(nullptr);
    QLabel* hint = child<QLabel>(&wnd, "s3_33");
    cbx(&wnd, "s3_cbx_bitrate")->setCurrentText("10Mbps");
    QCOMPARE(hint->text(), getLang(27013, "", getSizeString(4718592000)));
    cbx(&wnd, "s3_cbx_bitrate")->setCurrentText("4100m");
    QVERIFY2(!hint->text().contains('-'), qPrintable(hint->text()));
}

void TestQSetupWnd::helpButtonShowsItsText()
{
    QSetupWnd wnd(nullptr);
    wnd.show();
    QPushButton* help = child<QPushButton>(&wnd, "s5_btnhelp");
    QCOMPARE(help->property("tag").toString(), QString("s5"));
    QVERIFY(child<QPushButton>(&wnd, "s3_btnhelp")->isHidden());
    child<QTabWidget>(&wnd, "tab")->setCurrentIndex(4);
    emit help->clicked();
    QTRY_COMPARE(QToolTip::text(), englishText(29005));
    QToolTip::hideText();
}

void TestQSetupWnd::serverListButtonRunsTheEditor()
{
    g_Global.pServerList = new QLiveServerAddressHelper;
    QSetupWnd wnd(nullptr);
    QWidget* editorParent = nullptr;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<QLiveServerManagDlg*>(QApplication::activeModalWidget());
        QVERIFY(editor);
        editorParent = editor->parentWidget();
        editor->done(0);
    });
    child<QPushButton>(&wnd, "s5_btn2")->click();
    QCOMPARE(editorParent, &wnd);
    // The editor is gone, and the main window is told to reload the servers.
    QVERIFY(wnd.findChildren<QLiveServerManagDlg*>().isEmpty());
    QCOMPARE(m_main->delivered(), (QList<QPair<uint64_t, int64_t>>{{MSG_RELOAD_SERVERS, 0}}));
    delete g_Global.pServerList;
    g_Global.pServerList = nullptr;
}

// ---- Encoder test --------------------------------------------------------------------------

void TestQSetupWnd::encoderTestButton_data()
{
    QTest::addColumn<int>("test1");
    QTest::addColumn<int>("test6");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("kind");
    QTest::newRow("test 1 passes, test 6 fails")
        << 1 << 0 << getLang(27011, "Your GPU encode works fine.") << 1;
    QTest::newRow("test 1 fails") << 0 << 1 << getLang(27018, "Your GPU encode not work.") << 0;
}

void TestQSetupWnd::encoderTestButton()
{
    QFETCH(int, test1);
    QFETCH(int, test6);
    QFETCH(QString, message);
    QFETCH(int, kind);
    ZDT_ScriptResult("ZD_TestHWData.1", test1);
    for (int k = 2; k <= 5; ++k)
        ZDT_ScriptResult(QString("ZD_TestHWData.%1").arg(k).toLatin1().constData(), 0);
    ZDT_ScriptResult("ZD_TestHWData.6", test6);
    ZDT_ClearTrace();
    QSetupWnd wnd(nullptr);
    QPushButton* button = child<QPushButton>(&wnd, "s3_btntest");
    QVERIFY(button->isHidden());
    const int codecsBefore = cbx(&wnd, "s3_cbx_codec")->count();
    wnd.onBtnTestGpu();
    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes[0].text, message);
    QCOMPARE(m_boxes->boxes[0].kind, kind);
    QVERIFY(button->isEnabled());
    QCOMPARE(g_Global.hwCap[0], test1);
    QCOMPARE(g_Global.hwCap[13], test6);
    QCOMPARE(g_Global.hwCap[14], 1);
    QVERIFY(engineTrace().contains(QString("ZD_SetHWData(%1,%1,%1,0)\n").arg(test1)));
    // Saved at once, whatever becomes of the window.
    wnd.onBtnCancelClick();
    QCOMPARE(iniValue("RECORD/HW-CAP").toString(), g_Global.hwCap.Text());
    QCOMPARE(cbx(&wnd, "s3_cbx_codec")->count(), codecsBefore);
}

ZD_TEST_MAIN(TestQSetupWnd, QApplication)
#include "tst_qsetupwnd.moc"
