// Every window and dialog of the program, opened as a new user would see it,
// shows each text whole: no label, button, check box, radio button, combo
// box entry or number field is cut by its own size, by its parent's edge or
// by the window's edge. Fonts are measured as this machine draws them, so a
// size that only fits another platform's fonts fails here.
//
// To check a new window, add one line to windowTable(): a name and a factory
// that builds the window (children it needs go under the keeper, which the
// test deletes afterwards) and returns it unshown.
#include "zdtestmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QTextDocument>
#include <cstring>
#include <functional>

#include "cpublic.h"
#include "globalsettings.h"
#include "msgboxdialog.h"
#include "picturebox.h"
#include "qaboutdialog.h"
#include "qdevicecontrolwnd.h"
#include "qdevicesetupwnd.h"
#include "qdudmanagerdlg.h"
#include "qfilesmanagerdlg.h"
#include "qfiltereditdialog.h"
#include "qfilterswidget.h"
#include "qglobalapplication.h"
#include "qhyperlink.h"
#include "qlivesavenamedlg.h"
#include "qlivescenesetupdlg.h"
#include "qliveservermanagdlg.h"
#include "qmyfeedbackdlg.h"
#include "qmyfileshelper.h"
#include "qmyfilterhelper.h"
#include "qmyfilters.h"
#include "qmypopupaddlg.h"
#include "qmypushbutton.h"
#include "qmyrecordproperty.h"
#include "qmytimerhelper.h"
#include "qnewverdialog.h"
#include "qnvidiacardneed.h"
#include "qscenecamerasetup.h"
#include "qscenemoviesetup.h"
#include "qscenepicturesetup.h"
#include "qscenetextsetup.h"
#include "qsetupwnd.h"
#include "qtimereditwnd.h"
#include "qtimermanagerwnd.h"
#include "qtimerschedule.h"
#include "sceneitemdata.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"
#include "vazURIdav_test.h"
#include "zdhelpergui.h"

namespace
{

ZDHelperGUI* g_main = nullptr;

using WindowFactory = std::function<QWidget*(QWidget* keeper)>;
struct WindowCase {
    const char* name;
    WindowFactory make;
};

// The filter editor as a capture dialog's filter list opens it, under that
// dialog's style.
QWidget* filterEditor(QWidget* keeper, uint32_t kind)
{
    keeper->setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile("popupwnd.qss")));
    auto* list = new QFiltersWidget(keeper);
    list->resize(261, 111);
    QMyFilters* chain = g_Global.pFilterStore->getDeviceFilters("Whole texts cam");
    FILTERITEM item;
    std::memset(&item, 0, sizeof item);
    item.type = kind;
    item.enabled = 1;
    item.id = chain->NewFilterId();
    InitFilterDataDefault(&item);
    chain->filterList.append(item);
    list->InitAll("Whole texts cam", QString());
    auto* dlg = new QFilterEditDialog(list, keeper);
    dlg->item = &chain->filterList.last();
    dlg->row = list->rows.value(0);
    dlg->InitDlg(int(kind));
    return dlg;
}

// The timer editor as the schedule manager opens it.
QWidget* timerEditor(QWidget* keeper, uint32_t repeat)
{
    auto* manager = new QTimerManagerWnd(keeper, g_Global.pRecordTimers);
    auto* dlg = new QTimerEditWnd(manager);
    EVTIMER timer;
    std::memset(&timer, 0, sizeof timer);
    std::strcpy(timer.name, "Evening news");
    timer.enabled = 1;
    timer.duration = 3600;
    timer.startTime = 20 * 3600;
    timer.repeat = repeat;
    dlg->InitValues(timer);
    return dlg;
}

QWidget* messageBox(QWidget* keeper, const QString& text, int kind, bool check)
{
    auto* box = new MsgBoxDialog(keeper);
    box->InitValues(text, kind, check);
    return box;
}

DEV_CAPACITY format(const char* codec, int width, int height, int fps)
{
    DEV_CAPACITY f;
    std::memset(&f, 0, sizeof f);
    std::memcpy(f.codecName, codec, std::strlen(codec));
    std::memcpy(&f.fourcc, codec, 4);
    f.width = width;
    f.height = height;
    f.fps = fps;
    return f;
}

QWidget* deviceSetup(QWidget* keeper)
{
    static DEV_CAPACITY formats[] = {format("YUY2", 1920, 1080, 60), format("MJPG", 1280, 720, 30)};
    auto* dlg = new QDeviceSetupWnd(keeper);
    std::memset(&dlg->device, 0, sizeof dlg->device);
    std::strcpy(dlg->device.name, "Test Pattern Camera");
    std::strcpy(dlg->device.path, "vazuridav-test-pattern");
    dlg->device.kind = 1;
    dlg->curCapacity = formats[0];
    dlg->capacities = formats;
    dlg->capacityCount = 2;
    dlg->InitDlg();
    return dlg;
}

// One line per window or dialog; a window with several looks (pages, modes,
// kinds) has a line per look.
// A layer of the kind for a layer editor; kept for the run, as the scene
// list keeps its layers.
SceneItemData* sceneLayer(int kind)
{
    static QList<SceneItemData*> layers;
    auto* layer = new SceneItemData(nullptr);
    layer->InitDefaultData(kind);
    layers << layer;
    return layer;
}

QWidget* deviceLayerEditor(QWidget* keeper, bool adding, bool audio)
{
    auto* d = new QSceneCameraSetup(keeper, adding);
    d->InitAll(audio, sceneLayer(audio ? SCENE_KIND_AUDIO : SCENE_KIND_CAMERA));
    return d;
}

template <class Editor> QWidget* listLayerEditor(QWidget* keeper, int kind, bool editing)
{
    auto* d = new Editor(keeper);
    d->InitValue(sceneLayer(kind), editing);
    return d;
}

const QList<WindowCase>& windowTable()
{
    static const QList<WindowCase> table = {
        {"main window", [](QWidget*) { return static_cast<QWidget*>(g_main); }},
        {"main window at its smallest",
         [](QWidget*) {
             g_main->resize(g_main->minimumSize());
             return static_cast<QWidget*>(g_main);
         }},
        {"about", [](QWidget* k) { return static_cast<QWidget*>(new QAboutDialog(k)); }},
        {"feedback", [](QWidget* k) { return static_cast<QWidget*>(new QMyFeedBackDlg(k)); }},
        {"new version",
         [](QWidget* k) {
             auto* d = new QNewVerDialog(k, true);
             d->setNewVer("1.10.200", QString());
             return static_cast<QWidget*>(d);
         }},
        {"pop-up news",
         [](QWidget* k) {
             return static_cast<QWidget*>(new QMyPopupADDlg(k, "http://127.0.0.1:9/news.html",
                                                            QRect(0, 0, 400, 300), "n1", 0));
         }},
        {"message box error",
         [](QWidget* k) { return messageBox(k, "Invalid file name", 0, false); }},
        {"message box question",
         [](QWidget* k) { return messageBox(k, "Delete this schedule?", 2, true); }},
        {"recording information",
         [](QWidget* k) { return static_cast<QWidget*>(new QMyRecordProperty(k)); }},
        {"device setup", deviceSetup},
        {"procamp",
         [](QWidget* k) { return static_cast<QWidget*>(new QDeviceControlWnd(k, "Amp Cam")); }},
        {"procamp unsupported",
         [](QWidget* k) { return static_cast<QWidget*>(new QDeviceControlWnd(k, "Plain Cam")); }},
        {"settings", [](QWidget* k) { return static_cast<QWidget*>(new QSetupWnd(k)); }},
        {"encoder test",
         [](QWidget* k) {
             auto* d = new qNvidiaCardNeed(k);
             d->ShowHdr();
             return static_cast<QWidget*>(d);
         }},
        {"rtmp servers",
         [](QWidget* k) { return static_cast<QWidget*>(new QLiveServerManagDlg(k)); }},
        {"broadcast share",
         [](QWidget* k) { return static_cast<QWidget*>(new QDudManagerDlg(k)); }},
        {"schedule manager",
         [](QWidget* k) {
             return static_cast<QWidget*>(new QTimerManagerWnd(k, g_Global.pRecordTimers));
         }},
        {"timer editor once", [](QWidget* k) { return timerEditor(k, 0); }},
        {"timer editor every day", [](QWidget* k) { return timerEditor(k, 1); }},
        {"timer editor every week", [](QWidget* k) { return timerEditor(k, 2); }},
        {"timer editor every month", [](QWidget* k) { return timerEditor(k, 3); }},
        {"files manager",
         [](QWidget* k) { return static_cast<QWidget*>(new QFilesManagerDlg(k)); }},
        {"filter custom", [](QWidget* k) { return filterEditor(k, FILTER_CUSTOM); }},
        {"filter box blur", [](QWidget* k) { return filterEditor(k, FILTER_BOXBLUR); }},
        {"filter color balance", [](QWidget* k) { return filterEditor(k, FILTER_COLORBALANCE); }},
        {"filter equalizer", [](QWidget* k) { return filterEditor(k, FILTER_EQUALIZER); }},
        {"filter color style", [](QWidget* k) { return filterEditor(k, FILTER_COLORSTYLE); }},
        {"filter remove color", [](QWidget* k) { return filterEditor(k, FILTER_COLORKEY); }},
        {"scene video device adding", [](QWidget* k) { return deviceLayerEditor(k, true, false); }},
        {"scene video device editing",
         [](QWidget* k) { return deviceLayerEditor(k, false, false); }},
        {"scene audio device", [](QWidget* k) { return deviceLayerEditor(k, false, true); }},
        {"scene movie adding",
         [](QWidget* k) { return listLayerEditor<QSceneMovieSetup>(k, SCENE_KIND_MOVIE, false); }},
        {"scene movie editing",
         [](QWidget* k) { return listLayerEditor<QSceneMovieSetup>(k, SCENE_KIND_MOVIE, true); }},
        {"scene pictures",
         [](QWidget* k) {
             return listLayerEditor<QScenePictureSetup>(k, SCENE_KIND_PICTURES, true);
         }},
        {"scene text",
         [](QWidget* k) { return listLayerEditor<QSceneTextSetup>(k, SCENE_KIND_TEXT, true); }},
        {"save scene", [](QWidget* k) { return static_cast<QWidget*>(new QLiveSaveNameDlg(k)); }},
        {"live size",
         [](QWidget* k) {
             auto* d = new QLiveSceneSetupDlg(k);
             d->InitValues();
             return static_cast<QWidget*>(d);
         }},
    };
    return table;
}

// ---- Measuring ----------------------------------------------------------------

QString describe(const QWidget* w, const QString& text)
{
    QString name = w->objectName();
    if (name.isEmpty())
        name = w->metaObject()->className();
    return QString("%1 \"%2\"").arg(name, text);
}

// The part of w that its ancestors up to the window leave on screen, in w's
// coordinates.
QRect visiblePart(const QWidget* w)
{
    QRect r = w->rect();
    const QWidget* child = w;
    QPoint offset(0, 0);
    while (!child->isWindow()) {
        offset += child->pos();
        const QWidget* parent = child->parentWidget();
        r = r.intersected(parent->rect().translated(-offset));
        child = parent;
    }
    return r;
}

// Text closer than this to the window's left or right edge reads as cut.
constexpr int kEdgeMargin = 3;

// Where a widget paints, in its parent's coordinates: a label with a
// transparent background only where its text is; anything else all over.
QRect paintedPart(const QWidget* w)
{
    const auto* label = qobject_cast<const QLabel*>(w);
    if (!label || label->autoFillBackground() || !label->pixmap().isNull() ||
        label->styleSheet().contains("background") && !label->styleSheet().contains("transparent"))
        return w->geometry();
    if (label->text().isEmpty())
        return QRect();
    const QRect area = label->contentsRect();
    int flags = int(label->alignment()) | Qt::TextExpandTabs;
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    return QFontMetrics(label->font())
        .boundingRect(area, flags, label->text())
        .intersected(area)
        .translated(w->pos());
}

// The first sibling of w, or of one of its ancestors, that shares part of
// rect (in w's coordinates): stacked above, it hides the text; below, the
// text is drawn across it. Empty when none does.
QString coveredBy(const QWidget* w, const QRect& rect)
{
    const QWidget* child = w;
    QRect r = rect;
    while (!child->isWindow()) {
        const QWidget* parent = child->parentWidget();
        r.translate(child->pos());
        for (const QObject* o : parent->children()) {
            const auto* other = qobject_cast<const QWidget*>(o);
            if (other && other != child && !other->isWindow() && other->isVisibleTo(parent) &&
                paintedPart(other).intersects(r))
                return describe(other, QString());
        }
        child = parent;
    }
    return QString();
}

// Whether text drawn in area with flags fits there and inside what is on
// screen of w; adds a line to problems when it does not.
void checkText(const QWidget* w, const QFont& font, const QRect& area, int flags,
               const QString& text, QStringList& problems)
{
    if (text.trimmed().isEmpty())
        return;
    const QFontMetrics fm(font);
    const QRect needed = fm.boundingRect(area, flags | Qt::TextExpandTabs, text);
    // Word-wrapped text may not grow wider than its area; single lines are
    // measured by their advance, which is what the painter lays out.
    int width = needed.width();
    if (!(flags & Qt::TextWordWrap)) {
        width = 0;
        for (const QString& line : text.split('\n'))
            width = qMax(width, fm.horizontalAdvance(line));
    }
    const bool fitsArea = width <= area.width() && needed.height() <= area.height();
    QRect drawn = QStyle::alignedRect(
        Qt::LeftToRight, Qt::Alignment(flags & (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask)),
        QSize(width, qMin(needed.height(), area.height())), area);
    const bool onScreen = visiblePart(w).contains(drawn);
    const QString covering = coveredBy(w, drawn);
    const QRect inWindow(w->mapTo(w->window(), drawn.topLeft()), drawn.size());
    const bool offEdge =
        inWindow.left() < kEdgeMargin || inWindow.right() > w->window()->width() - 1 - kEdgeMargin;
    if (!fitsArea || !onScreen || !covering.isEmpty() || offEdge) {
        problems << QString("%1: needs %2x%3, has %4x%5%6%7%8")
                        .arg(describe(w, text))
                        .arg(width)
                        .arg(needed.height())
                        .arg(area.width())
                        .arg(area.height())
                        .arg(onScreen ? "" : " (cut by its parent)")
                        .arg(covering.isEmpty() ? "" : " (covered by " + covering + ")")
                        .arg(offEdge ? " (at the window's edge)" : "");
    }
}

void checkLabel(const QLabel* label, QStringList& problems)
{
    // A picture box draws its picture and never its text.
    if (label->text().isEmpty() || !label->pixmap().isNull() ||
        qobject_cast<const PictureBox*>(label))
        return;
    QRect area = label->contentsRect();
    const int margin = label->margin();
    area.adjust(margin, margin, -margin, -margin);
    int flags = int(label->alignment());
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(label->font());
        doc.setDocumentMargin(0);
        doc.setHtml(label->text());
        if (label->wordWrap())
            doc.setTextWidth(area.width());
        const QSizeF size(label->wordWrap() ? doc.size().width() : doc.idealWidth(),
                          doc.size().height());
        if (size.width() > area.width() + 1 || size.height() > area.height() + 1)
            problems << QString("%1: rich text needs %2x%3, has %4x%5")
                            .arg(describe(label, doc.toPlainText()))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(area.width())
                            .arg(area.height());
        return;
    }
    checkText(label, label->font(), area, flags, label->text(), problems);
}

void checkButton(QAbstractButton* button, QStringList& problems)
{
    const QString text = button->text();
    if (text.isEmpty())
        return;
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = text;
    opt.icon = button->icon();
    opt.iconSize = button->iconSize();
    QStyle* style = button->style();
    if (auto* picture = qobject_cast<QMyPushButton*>(button);
        picture && picture->stateCount() >= 2) {
        // A picture button draws its caption itself, bold, over its picture.
        QFont f = button->font();
        f.setFamily(g_Global.fontName);
        f.setPixelSize(qMax(1, pt2pix_scale(picture->fontPointSize)));
        f.setWeight(QFont::Bold);
        const int x = int(button->width() * picture->textLeftRatio);
        checkText(button, f, QRect(x, 0, button->width() - x, button->height()), Qt::AlignCenter,
                  text, problems);
    } else if (qobject_cast<QHyperLink*>(button)) {
        checkText(button, button->font(), button->rect(), Qt::AlignLeft | Qt::AlignVCenter, text,
                  problems);
    } else if (qobject_cast<QCheckBox*>(button)) {
        const QRect area = style->subElementRect(QStyle::SE_CheckBoxContents, &opt, button);
        checkText(button, button->font(), area, Qt::AlignLeft | Qt::AlignVCenter, text, problems);
    } else if (qobject_cast<QRadioButton*>(button)) {
        const QRect area = style->subElementRect(QStyle::SE_RadioButtonContents, &opt, button);
        checkText(button, button->font(), area, Qt::AlignLeft | Qt::AlignVCenter, text, problems);
    } else {
        QRect area = style->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
        if (!opt.icon.isNull())
            area.adjust(opt.iconSize.width() + 4, 0, 0, 0);
        checkText(button, button->font(), area, Qt::AlignCenter, text, problems);
    }
}

void checkCombo(QComboBox* combo, QStringList& problems)
{
    QStyleOptionComboBox opt;
    opt.initFrom(combo);
    opt.editable = combo->isEditable();
    opt.frame = combo->hasFrame();
    const QRect area = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                      QStyle::SC_ComboBoxEditField, combo);
    // Every entry: the user may pick any of them, and then it shows here.
    for (int i = 0; i < combo->count(); ++i) {
        QRect textArea = area;
        if (!combo->itemIcon(i).isNull())
            textArea.adjust(combo->iconSize().width() + 4, 0, 0, 0);
        checkText(combo, combo->font(), textArea, Qt::AlignLeft | Qt::AlignVCenter,
                  combo->itemText(i), problems);
    }
}

// A number field shows the largest number it accepts.
void checkNumberField(QLineEdit* edit, QStringList& problems)
{
    const auto* validator = qobject_cast<const QIntValidator*>(edit->validator());
    if (!validator)
        return;
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
    QRect area = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
    const QMargins m = edit->textMargins();
    // QLineEdit keeps two pixels free on each side of its text.
    area.adjust(m.left() + 2, m.top(), -m.right() - 2, -m.bottom());
    const QString widest = QString::number(qMax(qAbs(validator->top()), qAbs(validator->bottom())));
    checkText(edit, edit->font(), area, Qt::AlignLeft | Qt::AlignVCenter, widest, problems);
}

QStringList cutTextsOfPage(QWidget* window)
{
    QStringList problems;
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!w->isVisibleTo(window) || w->width() <= 0 || w->height() <= 0 || w->window() != window)
            continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            checkLabel(label, problems);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            checkButton(button, problems);
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            checkCombo(combo, problems);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            checkNumberField(edit, problems);
    }
    return problems;
}

// Every page of every tab widget is looked at in turn.
QStringList cutTexts(QWidget* window)
{
    QStringList problems = cutTextsOfPage(window);
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        if (!tabs->isVisibleTo(window))
            continue;
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == current || !tabs->isTabVisible(i))
                continue;
            tabs->setCurrentIndex(i);
            for (const QString& p : cutTextsOfPage(window))
                problems << QString("page %1: %2").arg(tabs->tabText(i), p);
        }
        tabs->setCurrentIndex(current);
    }
    problems.removeDuplicates();
    return problems;
}

// A camera with picture controls (ten of them, each 0 to 100), and one
// without.
QByteArray ampCam()
{
    QByteArray items;
    for (int i = 0; i < 10; ++i)
        items +=
            QByteArray(i ? "," : "") + R"({"value":50,"min":0,"max":100,"default":50,"auto":0})";
    return R"({"name":"Amp Cam","path":"usb-VID_1234&PID_0001-1","kind":1,"amp":[)" + items + "]}";
}
const char* const kPlainCam = R"({"name":"Plain Cam","path":"usb-plain","kind":1})";

} // namespace

class TestWholeTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InitGlobalSettings();
        QVERIFY(g_Global.hCore);
        ZD_SetMainMessageCallBack(zd_message_callback, nullptr);
        // What a user sees while a recording runs and a schedule is set.
        g_Global.recFilePath = CPublic::GetMyVideoPath() + "/Vid20240101120000.mp4";
        g_Global.recStartTime = QDateTime::currentSecsSinceEpoch() - 3725;
        g_Global.recAutoStopSecs = 23 * 3600 + 25 * 60 + 25;
        QTimerSchedule* schedule = g_Global.pRecordTimers->addNewSchedule();
        EVTIMER timer;
        std::memset(&timer, 0, sizeof timer);
        timer.id = 1;
        std::strcpy(timer.name, "Evening news");
        timer.enabled = 1;
        timer.duration = 3600;
        timer.startTime = 20 * 3600 + 30 * 60;
        timer.repeat = 2;
        timer.weekDay = 2;
        schedule->timers << timer;
        const QString video = CPublic::GetMyVideoPath() + "/Vid20240101120000.mp4";
        QFile file(video);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        g_Global.pFilesCatalog->AddFile(video, "00:01:02,1920x1080,60fps,1.2MB", QString());

        g_main = new ZDHelperGUI(nullptr);
        g_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(g_main));
        // The panel opens its device 300 ms after it is shown, and the
        // device's lines fill from the engine's reports.
        QTRY_VERIFY_WITH_TIMEOUT(g_Global.devWidth > 0, 10000);
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, ampCam().constData()), 1);
        QCOMPARE(ZDT_AddDevice(g_Global.hCore, kPlainCam), 1);
    }

    void cleanupTestCase()
    {
        g_main->close();
        ReleaseGlobalSettings();
        delete g_main;
        g_main = nullptr;
    }

    void everyTextIsWhole_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < windowTable().size(); ++i)
            QTest::newRow(windowTable().at(i).name) << i;
    }

    void everyTextIsWhole()
    {
        QFETCH(int, index);
        QWidget keeper;
        QWidget* window = windowTable().at(index).make(&keeper);
        QVERIFY(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QApplication::processEvents();
        const QStringList problems = cutTexts(window);
        if (window != g_main)
            window->hide();
        QVERIFY2(problems.isEmpty(), qPrintable("\n  " + problems.join("\n  ")));
    }
};

ZD_TEST_MAIN(TestWholeTexts, QApplication)
#include "tst_wholetexts.moc"
