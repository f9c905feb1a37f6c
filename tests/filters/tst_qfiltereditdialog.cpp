// The filter editor: its pages show what the record holds and store what
// they show, opening a page changes and applies nothing, and every value its
// controls can produce is one that libavfilter takes.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <cstring>

#include "msgboxdialog.h"
#include "qfiltereditdialog.h"
#include "qfilterswidget.h"
#include "qmycolorpickbutton.h"
#include "qmyfilterhelper.h"
#include "zddialogdriver.h"
#include "zdformchild.h"
#include "zdtestmain.h"

Q_DECLARE_METATYPE(FILTERITEM)

using zdtest::child;

namespace
{

FILTERITEM make(uint32_t type, uint32_t id = 7)
{
    FILTERITEM item;
    memset(&item, 0, sizeof(item));
    item.type = type;
    item.enabled = 1;
    item.id = id;
    InitFilterDataDefault(&item);
    return item;
}

// A control of the editor's form by its object name.

// What reached the engine's filters since the trace was cleared.
QStringList filterWrites()
{
    return zdtest::traceCalls("ZD_AddFilter") + zdtest::traceCalls("ZD_EditFilter") +
           zdtest::traceCalls("ZD_DeleteFilter");
}

QByteArray cmdOf(const FILTERITEM& item)
{
    return FilterItemCmd(item);
}

// The editor over a chain's own record, as the list opens it.
struct Editor {
    QWidget host;
    QFiltersWidget* list = nullptr;
    QFilterEditDialog* dlg = nullptr;
    FILTERITEM* item = nullptr;

    Editor(const FILTERITEM& record, const QString& key = "Editor cam")
    {
        list = new QFiltersWidget(&host);
        list->resize(261, 111);
        QMyFilters* chain = g_Global.pFilterStore->getDeviceFilters(key);
        chain->filterList.clear();
        ZD_DeleteFilter(g_Global.hCore, chain->pip, FILTER_ID_ALL);
        if (chain->addFilter(record) < 0)
            qWarning("the engine refused %s", cmdOf(record).constData());
        list->InitAll(key, QString());
        item = chain->getFilter(record.id);
        dlg = new QFilterEditDialog(list, &host);
        dlg->item = item;
        dlg->row = list->rows.value(0);
        ZDT_ClearTrace();
        dlg->InitDlg(int(record.type));
    }
    ~Editor() { delete dlg; }
};

} // namespace

class TestQFilterEditDialog : public QObject
{
    Q_OBJECT
    // What the message boxes said.
    QStringList m_told;

private slots:
    void initTestCase()
    {
        QVERIFY(zdtest::startEngine());
        g_Global.pFilterStore = new QMyFilterHelper;
    }
    void cleanupTestCase()
    {
        delete g_Global.pFilterStore;
        g_Global.pFilterStore = nullptr;
        zdtest::stopEngine();
    }
    void init()
    {
        ZDT_ClearScript(nullptr);
        m_told.clear();
        MsgBoxDialog::setTestHook([this](const QString& text, int) {
            m_told << text;
            return 1;
        });
    }
    void cleanup() { MsgBoxDialog::setTestHook({}); }

    // A stored k/10 shows k, whatever float rounding makes of k/10, and a
    // shown k stores k/10 exactly.
    void tenthsRoundTripWithoutDrift()
    {
        for (int k = -100; k <= 1000; ++k) {
            const float stored = QFilterEditDialog::fromTenths(k);
            QCOMPARE(QFilterEditDialog::tenthsOf(stored), k);
            QCOMPARE(QFilterEditDialog::fromTenths(QFilterEditDialog::tenthsOf(stored)), stored);
        }
        QCOMPARE(QFilterEditDialog::tenthsOf(0.7f), 7);
        QCOMPARE(QFilterEditDialog::tenthsOf(-0.7f), -7);
    }

    void openingChangesAndAppliesNothing_data()
    {
        QTest::addColumn<FILTERITEM>("record");
        QTest::newRow("custom") << [] {
            FILTERITEM f = make(FILTER_CUSTOM);
            strcpy(f.params.text, "hue=s=0");
            UpdateFilterDataText(&f);
            return f;
        }();
        QTest::newRow("blur") << make(FILTER_BOXBLUR);
        QTest::newRow("balance midtones") << [] {
            FILTERITEM f = make(FILTER_COLORBALANCE);
            f.params.balance.range = 1;
            f.params.balance.r[1] = 0.7f;
            f.params.balance.b[2] = -0.3f;
            UpdateFilterDataText(&f);
            return f;
        }();
        QTest::newRow("equalizer") << [] {
            FILTERITEM f = make(FILTER_EQUALIZER);
            f.params.eq.gamma_b = 0.7f;
            f.params.eq.contrast = 2.9f;
            UpdateFilterDataText(&f);
            return f;
        }();
        QTest::newRow("gray style") << [] {
            FILTERITEM f = make(FILTER_COLORSTYLE);
            f.params.style = 1;
            UpdateFilterDataText(&f);
            return f;
        }();
        QTest::newRow("colour key") << make(FILTER_COLORKEY);
    }

    void openingChangesAndAppliesNothing()
    {
        QFETCH(FILTERITEM, record);
        Editor e(record);
        QVERIFY(e.item);
        QCOMPARE(memcmp(e.item, &record, sizeof(record)), 0);
        QCOMPARE(filterWrites(), QStringList());
        if (record.type == FILTER_COLORSTYLE)
            QCOMPARE(child<QComboBox>(e.dlg, "cs_cbx")->currentIndex(), 1);
    }

    // Every slider of every page shows the stored value and stores the shown
    // one: a value reopened is the value stored.
    void slidersRoundTripOnEveryPage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("k");
        // Every tenth is checked on its own above; these rows prove the
        // wiring of each slider, with the values float rounding troubles.
        for (int k : {-10, -9, -7, -3, -1, 0,  1,  3,  6,  7,  9,  10,
                      11,  14, 17, 23, 29, 30, 31, 35, 58, 70, 99, 100})
            QTest::addRow("equalizer %d", k) << int(FILTER_EQUALIZER) << k;
        for (int k = -10; k <= 10; ++k)
            QTest::addRow("balance %d", k) << int(FILTER_COLORBALANCE) << k;
        for (int k : {0, 1, 7, 50, 99, 100})
            QTest::addRow("blur %d", k) << int(FILTER_BOXBLUR) << k;
        for (int k : {1, 7, 30, 100})
            QTest::addRow("colour key %d", k) << int(FILTER_COLORKEY) << k;
    }

    void slidersRoundTripOnEveryPage()
    {
        QFETCH(int, kind);
        QFETCH(int, k);
        FILTERITEM record = make(uint32_t(kind));
        FILTER_PARAMS& p = record.params;
        auto in = [](int v, int lo, int hi) { return std::min(std::max(v, lo), hi); };
        // Each slider's own range.
        const int eqRange[8][2] = {{-10, 30}, {-10, 10}, {0, 30},  {1, 100},
                                   {1, 100},  {1, 100},  {1, 100}, {0, 10}};
        float* eqValues[8] = {&p.eq.contrast, &p.eq.brightness,  &p.eq.saturation,
                              &p.eq.gamma,    &p.eq.gamma_r,     &p.eq.gamma_g,
                              &p.eq.gamma_b,  &p.eq.gamma_weight};
        switch (kind) {
        case FILTER_EQUALIZER:
            for (int i = 0; i < 8; ++i)
                *eqValues[i] = QFilterEditDialog::fromTenths(in(k, eqRange[i][0], eqRange[i][1]));
            break;
        case FILTER_COLORBALANCE:
            for (int r = 0; r < 3; ++r) {
                p.balance.r[r] = QFilterEditDialog::fromTenths(k);
                p.balance.g[r] = QFilterEditDialog::fromTenths(-k);
                p.balance.b[r] = QFilterEditDialog::fromTenths(k / 2);
            }
            p.balance.range = 2;
            break;
        case FILTER_BOXBLUR:
            p.radius = k;
            break;
        case FILTER_COLORKEY:
            p.colorKey.similarity = k;
            p.colorKey.blend = 100 - k;
            break;
        }
        UpdateFilterDataText(&record);
        const FILTERITEM before = record;

        Editor e(record);
        QList<QSlider*> sliders;
        QList<int> shown;
        switch (kind) {
        case FILTER_EQUALIZER:
            sliders = {
                child<QSlider>(e.dlg, "eq_slider1"),   child<QSlider>(e.dlg, "eq_slider2"),
                child<QSlider>(e.dlg, "eq_slider3"),   child<QSlider>(e.dlg, "eq_slider4"),
                child<QSlider>(e.dlg, "eq_slider4_2"), child<QSlider>(e.dlg, "eq_slider4_3"),
                child<QSlider>(e.dlg, "eq_slider4_4"), child<QSlider>(e.dlg, "eq_slider4_5")};
            for (int i = 0; i < 8; ++i)
                shown << in(k, eqRange[i][0], eqRange[i][1]);
            QCOMPARE(child<QLabel>(e.dlg, "eq_v4_4")->text(),
                     QString::asprintf("%.1f", in(k, 1, 100) / 10.0)); // one decimal
            break;
        case FILTER_COLORBALANCE:
            QVERIFY(child<QRadioButton>(e.dlg, "balance_radio3")->isChecked());
            sliders = {child<QSlider>(e.dlg, "balance_slider1"),
                       child<QSlider>(e.dlg, "balance_slider2"),
                       child<QSlider>(e.dlg, "balance_slider3")};
            shown << k << -k << k / 2;
            break;
        case FILTER_BOXBLUR:
            sliders = {child<QSlider>(e.dlg, "blur_slider")};
            shown << k;
            QCOMPARE(child<QLabel>(e.dlg, "blur_value")->text(), QString::number(k));
            break;
        case FILTER_COLORKEY:
            sliders = {child<QSlider>(e.dlg, "colorkey_slider1"),
                       child<QSlider>(e.dlg, "colorkey_slider2")};
            shown << k << 100 - k;
            QCOMPARE(child<QLabel>(e.dlg, "colorkey_v1")->text(), QString::number(k));
            break;
        }
        for (int i = 0; i < sliders.size(); ++i)
            QCOMPARE(sliders[i]->value(), shown[i]);

        // Away and back: the record holds exactly what it held.
        for (int i = 0; i < sliders.size(); ++i) {
            QSlider* s = sliders[i];
            s->setValue(shown[i] == s->minimum() ? s->maximum() : s->minimum());
            s->setValue(shown[i]);
        }
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&e.item->params), sizeof(p)),
                 QByteArray(reinterpret_cast<const char*>(&before.params), sizeof(p)));
        QCOMPARE(cmdOf(*e.item), cmdOf(before));
    }

    void balanceRangeSwitchShowsAndStoresNothing()
    {
        FILTERITEM record = make(FILTER_COLORBALANCE);
        record.params.balance.r[0] = 0.3f;
        record.params.balance.r[1] = 0.5f;
        record.params.balance.g[1] = -0.2f;
        UpdateFilterDataText(&record);
        Editor e(record);
        QCOMPARE(child<QSlider>(e.dlg, "balance_slider1")->value(), 3);

        child<QRadioButton>(e.dlg, "balance_radio2")->click();
        QCOMPARE(child<QSlider>(e.dlg, "balance_slider1")->value(), 5);
        QCOMPARE(child<QSlider>(e.dlg, "balance_slider2")->value(), -2);
        QCOMPARE(child<QLabel>(e.dlg, "balance_v1")->text(), QString("0.5"));
        QCOMPARE(filterWrites(), QStringList());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(e.item->params.balance.r[i], record.params.balance.r[i]);
            QCOMPARE(e.item->params.balance.g[i], record.params.balance.g[i]);
        }

        child<QSlider>(e.dlg, "balance_slider3")->setValue(4);
        QCOMPARE(e.item->params.balance.b[1], 0.4f);
        QCOMPARE(e.item->params.balance.r[0], 0.3f);
        QCOMPARE(e.item->params.balance.r[1], 0.5f);
        QVERIFY(cmdOf(*e.item).contains(":rm=0.5:gm=-0.2:bm=0.4:"));
        QCOMPARE(zdtest::traceCalls("ZD_EditFilter").size(), 1);
    }

    void customTextAppliesOnApplyOnly()
    {
        Editor e(make(FILTER_CUSTOM));
        QVERIFY(child<QWidget>(e.dlg, "widget_adv")->isVisibleTo(e.dlg));
        QTest::keyClicks(child<QLineEdit>(e.dlg, "adv_edit"), "hue=s=0");
        QCOMPARE(e.item->params.text[0], '\0');
        QCOMPARE(filterWrites(), QStringList());
        child<QPushButton>(e.dlg, "adv_btn")->click();
        QCOMPARE(cmdOf(*e.item), QByteArray("hue=s=0"));
        QCOMPARE(zdtest::traceCalls("ZD_EditFilter"),
                 QStringList("ZD_EditFilter(pip=,id=7,cmd=hue=s=0)"));

        QVERIFY(m_told.isEmpty());

        // Longer than the record's field: cut at a character, never past it.
        // The engine refuses what is left, which switches the filter off and
        // says so.
        const QString longText = "hue=h=" + QString(300, QChar(0xE9));
        child<QLineEdit>(e.dlg, "adv_edit")->setText(longText);
        child<QPushButton>(e.dlg, "adv_btn")->click();
        QCOMPARE(m_told.size(), 1);
        QCOMPARE(e.item->enabled, 0u);
        QCOMPARE(e.item->params.text[255], '\0');
        const QByteArray kept(e.item->params.text);
        QVERIFY(kept.size() <= 255);
        QCOMPARE(QString::fromUtf8(kept), child<QLineEdit>(e.dlg, "adv_edit")->text());
        QVERIFY(longText.startsWith(child<QLineEdit>(e.dlg, "adv_edit")->text()));
    }

    void styleAndColourApplyAtOnce()
    {
        FILTERITEM gray = make(FILTER_COLORSTYLE);
        gray.params.style = 1;
        UpdateFilterDataText(&gray);
        {
            Editor e(gray);
            QCOMPARE(child<QComboBox>(e.dlg, "cs_cbx")->currentText(), QString("Gray"));
            child<QComboBox>(e.dlg, "cs_cbx")->setCurrentIndex(2);
            QCOMPARE(e.item->params.style, 2);
            QCOMPARE(zdtest::traceCalls("ZD_EditFilter").size(), 1);
        }
        {
            Editor e(make(FILTER_COLORKEY));
            child<QMyColorPickButton>(e.dlg, "btncolor")->setColor(0x0000FF);
            emit child<QMyColorPickButton>(e.dlg, "btncolor")->colorChanged(0x0000FF);
            QVERIFY(cmdOf(*e.item).startsWith("colorkey=0xFF0000:"));
            QCOMPARE(zdtest::traceCalls("ZD_EditFilter").size(), 1);
        }
    }

    // libavfilter refuses a colour-key similarity of 0: the slider never
    // offers it, and every value it does offer passes the engine's check.
    void colourKeyOffersOnlyWhatLibavfilterTakes()
    {
        Editor e(make(FILTER_COLORKEY));
        QSlider* similarity = child<QSlider>(e.dlg, "colorkey_slider1");
        QSlider* blend = child<QSlider>(e.dlg, "colorkey_slider2");
        QCOMPARE(similarity->minimum(), 1);
        QCOMPARE(similarity->maximum(), 100);
        QCOMPARE(blend->minimum(), 0);
        QCOMPARE(blend->maximum(), 100);
        for (int b : {0, 100}) {
            blend->setValue(b);
            for (int s = similarity->minimum(); s <= similarity->maximum(); ++s) {
                similarity->setValue(s);
                QMyFilters probe("probe");
                FILTERITEM copy = *e.item;
                copy.id = 5000;
                QVERIFY2(probe.addFilter(copy) >= 0, cmdOf(copy).constData());
                ZD_DeleteFilter(g_Global.hCore, nullptr, copy.id);
            }
        }
        // A zero from an old file stays refused by the engine.
        FILTERITEM zero = make(FILTER_COLORKEY, 99);
        zero.params.colorKey.similarity = 0;
        UpdateFilterDataText(&zero);
        QMyFilters probe("probe");
        QCOMPARE(probe.addFilter(zero), -1);
    }

    // boxblur takes a radius up to half the smaller side of each plane; the
    // slider stops where the open source's frames allow.
    void blurStopsWhereTheFrameAllows_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing open") << 0 << 0 << 100;
        QTest::newRow("320x240") << 320 << 240 << 60;
        QTest::newRow("176x144") << 176 << 144 << 36;
        QTest::newRow("1920x1080") << 1920 << 1080 << 100;
    }

    void blurStopsWhereTheFrameAllows()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, limit);
        ZD_CloseDevice(g_Global.hCore);
        if (width > 0) {
            const QByteArray json = QString(R"({"name":"Small Cam","path":"usb-small-%1",)"
                                            R"("kind":1,"formats":[{"width":%1,"height":%2,)"
                                            R"("fps":30,"fourcc":"YUY2","codec":"YUY2"}]})")
                                        .arg(width)
                                        .arg(height)
                                        .toUtf8();
            QCOMPARE(ZDT_AddDevice(g_Global.hCore, json.constData()), 1);
            DEV_NAME cam{};
            strcpy(cam.name, "Small Cam");
            strcpy(cam.path, QByteArray("usb-small-" + QByteArray::number(width)).constData());
            cam.kind = 1;
            DEV_NAME none{};
            strcpy(none.name, "NULL");
            strcpy(none.path, "NULL");
            DEV_CAPACITY asked{};
            asked.width = width;
            asked.height = height;
            asked.fps = 30;
            QCOMPARE(ZD_OpenDevice(g_Global.hCore, 0, nullptr, 1, 0, &cam, &none, &asked, 1 << 20),
                     1);
        }
        {
            Editor e(make(FILTER_BOXBLUR));
            QCOMPARE(e.list->blurRadiusLimit(), limit);
            QCOMPARE(child<QSlider>(e.dlg, "blur_slider")->maximum(), limit);
            // A layer's frame size is not known here: the full range.
            QMyFilters* layer = g_Global.pFilterStore->getDeviceFilters("4711");
            layer->setPipDevName("4711");
            QFiltersWidget layerList(nullptr);
            layerList.InitAll("4711", "4711");
            QCOMPARE(layerList.blurRadiusLimit(), 100);
        }
        ZD_CloseDevice(g_Global.hCore);
        if (width > 0)
            ZDT_RemoveDevice(g_Global.hCore,
                             QByteArray("usb-small-" + QByteArray::number(width)).constData());

        // What libavfilter itself says at that size, when ffmpeg is here.
        if (width == 0)
            return;
        const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
        if (ffmpeg.isEmpty())
            QSKIP("ffmpeg is not installed: libavfilter's own answer is not checked");
        auto runs = [&](int radius, const char* pixfmt) {
            QProcess p;
            p.start(ffmpeg,
                    {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                     QString("color=size=%1x%2,format=%3").arg(width).arg(height).arg(pixfmt),
                     "-vf", QString("boxblur=%1").arg(radius), "-frames:v", "1", "-f", "null",
                     "-"});
            return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit &&
                   p.exitCode() == 0;
        };
        for (const char* pixfmt : {"yuv420p", "yuyv422", "nv12"})
            QVERIFY2(runs(limit, pixfmt), pixfmt);
        if (limit < 100)
            QVERIFY(!runs(std::min(width, height) / 2 + 1, "yuv420p"));
    }

    void blurAtZeroAppliesBoxblur0()
    {
        Editor e(make(FILTER_BOXBLUR));
        child<QSlider>(e.dlg, "blur_slider")->setValue(0);
        QCOMPARE(zdtest::traceCalls("ZD_EditFilter"),
                 QStringList("ZD_EditFilter(pip=,id=7,cmd=boxblur=0)"));
        QCOMPARE(child<QLabel>(e.dlg, "blur_value")->text(), QString("0"));
    }

    void captionsAndSizes()
    {
        Editor e(make(FILTER_EQUALIZER));
        QCOMPARE(child<QLabel>(e.dlg, "eq_s4_4")->text(), getLang(33106, "Gamma blue:"));
        QCOMPARE(child<QLabel>(e.dlg, "eq_s4_5")->text(), getLang(33107, "Gamma weight:"));
        child<QSlider>(e.dlg, "eq_slider3")->setValue(15);
        QCOMPARE(child<QLabel>(e.dlg, "eq_v3")->text(), QString("1.5"));
        QVERIFY(child<QWidget>(e.dlg, "btnOK")->isHidden());
        QVERIFY(child<QWidget>(e.dlg, "btnCancel")->isHidden());
        QVERIFY(child<QWidget>(e.dlg, "widget_eq")->isVisibleTo(e.dlg));
        QVERIFY(child<QWidget>(e.dlg, "widget_blur")->isHidden());
        QCOMPARE(e.dlg->size(), QSize(341, 341));
        QCOMPARE(child<QWidget>(e.dlg, "widget_eq")->pos(), QPoint(0, 30));
    }
};

ZD_TEST_MAIN(TestQFilterEditDialog, QApplication)
#include "tst_qfiltereditdialog.moc"
