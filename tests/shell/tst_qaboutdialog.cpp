// The about box: its texts, the home-page link fitted into its place and
// scaled with the dialog, the hidden spare button, and the link opening the
// home page while the box stays open.
#include "zdtestmain.h"

#include "titlebartestsupport.h"

#include "picturebox.h"
#include "qaboutdialog.h"
#include "qhyperlink.h"
#include "screenscale.h"

#include <QLabel>
#include <QPushButton>

class TestQAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup() { g_dpi_percent = 1.0; }
    void texts();
    void linkPlacement_data();
    void linkPlacement();
    void homePageOpensAndBoxStays();

public slots:
    void openUrl(const QUrl& url) { urls.append(url); }

private:
    QList<QUrl> urls;
};

void TestQAboutDialog::initTestCase()
{
    g_Global.langFile = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
}

void TestQAboutDialog::texts()
{
    ZDT_ClearTrace();
    QAboutDialog dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QString("About"));
    QCOMPARE(dialog.findChild<QLabel*>("label_name")->text(), QString("Veltrano Helper"));
    QCOMPARE(dialog.findChild<QLabel*>("label_name")->font().weight(), QFont::Bold);
    QCOMPARE(dialog.findChild<QLabel*>("label_ver")->text(), QString("Ver 1.10.100"));
    QCOMPARE(dialog.findChild<QLabel*>("label_cp")->text(), CP_RIGHT);
    QCOMPARE(dialog.findChild<QHyperLink*>("btnHome")->text(), QString("Home page"));
    QVERIFY(!dialog.findChild<PictureBox*>("label_ico")->picture.isNull());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.findChild<QHyperLink*>("btnHome")->isVisible());
    QVERIFY(!dialog.findChild<QPushButton*>("btnshow")->isVisible());
    QVERIFY(titlebartest::engineTrace().contains("GA_TrackScreen(key=about)"));
}

void TestQAboutDialog::linkPlacement_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("1.0") << 1.0;
    QTest::newRow("1.5") << 1.5;
}

void TestQAboutDialog::linkPlacement()
{
    QFETCH(double, scale);
    // The link's size at scale 1: its text plus the link's margins, left in
    // the form's rectangle 190, 140, 111, 23 and centred in its height.
    QRect fitted;
    {
        g_dpi_percent = 1.0;
        QAboutDialog plain(nullptr);
        fitted = plain.findChild<QHyperLink*>("btnHome")->geometry();
        QCOMPARE(plain.size(), QSize(400, 227));
    }
    QCOMPARE(fitted.x(), 190);
    QCOMPARE(fitted.y(), 140 + (23 - fitted.height()) / 2);
    QVERIFY(fitted.width() > 20 && fitted.height() > 10);

    g_dpi_percent = scale;
    QAboutDialog dialog(nullptr);
    QCOMPARE(dialog.findChild<QHyperLink*>("btnHome")->geometry(), scale_rect(fitted));
    QCOMPARE(dialog.size(), QSize(int(400 * scale), int(227 * scale)));
    QCOMPARE(dialog.findChild<QLabel*>("label_cp")->geometry(), scale_rect2(10, 190, 381, 21));
}

void TestQAboutDialog::homePageOpensAndBoxStays()
{
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    QAboutDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* link = dialog.findChild<QHyperLink*>("btnHome");
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, link->rect().center());
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(urls, QList<QUrl>({QUrl("https://www.veltrano.com/")}));
    QVERIFY(dialog.isVisible());
}

ZD_TEST_MAIN(TestQAboutDialog, QApplication)
#include "tst_qaboutdialog.moc"
