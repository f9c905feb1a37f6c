// Check boxes and radio buttons on the dark dialogs show their indicator in
// every state, whatever the platform's palette: an unticked one is still seen
// against the dialog's face, and a ticked one looks different from an
// unticked one. Read from the pixels the dialogs draw.
#include "zdtestmain.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <cstring>
#include <functional>
#include <memory>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "mydialog.h"
#include "qtimereditwnd.h"
#include "qtimermanagerwnd.h"
#include "qtimerschedule.h"

namespace
{

// The face the dark dialogs paint.
const QColor kFace(46, 49, 54);

int distance(QRgb a, const QColor& b)
{
    return qAbs(qRed(a) - b.red()) + qAbs(qGreen(a) - b.green()) + qAbs(qBlue(a) - b.blue());
}

// The indicator of a check box or radio button as the window draws it.
QImage indicatorOf(QAbstractButton* button)
{
    QStyleOptionButton opt;
    opt.initFrom(button);
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    const QRect r = button->style()->subElementRect(
        radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &opt, button);
    QWidget* window = button->window();
    const QImage all = window->grab().toImage();
    const qreal dpr = all.devicePixelRatio();
    const QRect inWindow(button->mapTo(window, r.topLeft()) * dpr, r.size() * dpr);
    return all.copy(inWindow);
}

// Pixels of the indicator that stand out from the face.
int visiblePixels(const QImage& indicator)
{
    int n = 0;
    for (int y = 0; y < indicator.height(); ++y) {
        for (int x = 0; x < indicator.width(); ++x)
            n += distance(indicator.pixel(x, y), kFace) > 90 ? 1 : 0;
    }
    return n;
}

int differingPixels(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < qMin(a.height(), b.height()); ++y) {
        for (int x = 0; x < qMin(a.width(), b.width()); ++x)
            n += distance(a.pixel(x, y), QColor(b.pixel(x, y))) > 90 ? 1 : 0;
    }
    return n;
}

// A window holding one check box or radio button, kept alive by the test.
struct Case {
    std::unique_ptr<QWidget> owner;
    QAbstractButton* button = nullptr;
};

using Maker = std::function<Case()>;

} // namespace

Q_DECLARE_METATYPE(Maker)

class TestIndicators : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A dark platform palette, as a user with a dark desktop has: what the
        // indicators would take from it vanishes on the dark face.
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        dark.setColor(QPalette::Base, QColor(45, 45, 45));
        dark.setColor(QPalette::Button, QColor(45, 45, 45));
        dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
        dark.setColor(QPalette::Text, QColor(220, 220, 220));
        QApplication::setPalette(dark);
    }

    void everyStateIsSeen_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::newRow("dark dialog check box") << Maker([] {
            auto dialog = std::make_unique<MyDialog>(nullptr);
            dialog->setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile("popupwnd.qss")));
            auto* box = new QCheckBox("Enabled", dialog.get());
            box->setGeometry(20, 20, 120, 20);
            return Case{std::move(dialog), box};
        });
        QTest::newRow("dark dialog radio button") << Maker([] {
            auto dialog = std::make_unique<MyDialog>(nullptr);
            dialog->setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile("popupwnd.qss")));
            auto* radio = new QRadioButton("Every week", dialog.get());
            radio->setGeometry(20, 20, 120, 20);
            return Case{std::move(dialog), radio};
        });
        // The timer editor as the schedule manager opens it.
        QTest::newRow("timer editor repeat choice") << Maker([] {
            auto manager = std::make_unique<QTimerManagerWnd>(nullptr, nullptr);
            auto* editor = new QTimerEditWnd(manager.get());
            EVTIMER timer;
            std::memset(&timer, 0, sizeof timer);
            timer.enabled = 1;
            timer.repeat = 1;
            editor->InitValues(timer);
            editor->show();
            return Case{std::move(manager), editor->findChild<QRadioButton*>("radio3")};
        });
        QTest::newRow("message box check box") << Maker([] {
            auto box = std::make_unique<MsgBoxDialog>(nullptr);
            box->InitValues("Delete this schedule?", MSGBOX_QUESTION, true);
            QCheckBox* check = box->findChild<QCheckBox*>("chk");
            return Case{std::move(box), check};
        });
    }

    void everyStateIsSeen()
    {
        QFETCH(Maker, make);
        Case c = make();
        QVERIFY(c.button);
        c.button->window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(c.button->window()));
        c.button->setAutoExclusive(false);

        QImage shown[2][2]; // [enabled][checked]
        for (int enabled = 0; enabled < 2; ++enabled) {
            for (int checked = 0; checked < 2; ++checked) {
                c.button->setEnabled(enabled);
                c.button->setChecked(checked);
                const QImage indicator = indicatorOf(c.button);
                QVERIFY(!indicator.isNull());
                shown[enabled][checked] = indicator;
                // At least an outline around the indicator stands out.
                QVERIFY2(visiblePixels(indicator) >= 2 * indicator.width(),
                         qPrintable(QString("enabled %1, checked %2: %3 visible pixels")
                                        .arg(enabled)
                                        .arg(checked)
                                        .arg(visiblePixels(indicator))));
            }
        }
        for (int enabled = 0; enabled < 2; ++enabled) {
            const int differing = differingPixels(shown[enabled][0], shown[enabled][1]);
            QVERIFY2(differing >= 9, qPrintable(QString("enabled %1: %2 pixels tell ticked "
                                                        "from unticked")
                                                    .arg(enabled)
                                                    .arg(differing)));
        }
    }
};

ZD_TEST_MAIN(TestIndicators, QApplication)
#include "tst_indicators.moc"
