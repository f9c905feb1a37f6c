// The new-version dialog: its texts, the release picture (scaled, scrollable,
// deleted with the dialog when it was shown), and the three buttons:
// download keeps it open, close ends it, skip stores the version only when
// the user confirms.
#include "zdtestmain.h"

#include "titlebartestsupport.h"

#include "qnewverdialog.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

using titlebartest::BoxRecorder;

namespace
{

QString makePicture(const QString& folder, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 220));
    const QString path = folder + "/newver.png";
    image.save(path, "PNG");
    return path;
}

} // namespace

class TestQNewVerDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { titlebartest::closeSettings(); }
    void cleanup()
    {
        g_dpi_percent = 1.0;
        AfxWriteProfileString("CONFIG", "SKIPVERSION", QString());
    }
    void texts();
    void picture_data();
    void picture();
    void pictureThatDoesNotLoad();
    void buttons_data();
    void buttons();

public slots:
    void openUrl(const QUrl& url) { urls.append(url); }

private:
    QList<QUrl> urls;
};

void TestQNewVerDialog::initTestCase()
{
    titlebartest::openSettings();
    g_Global.langFile = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
}

void TestQNewVerDialog::texts()
{
    ZDT_ClearTrace();
    QNewVerDialog dialog(nullptr, false);
    QCOMPARE(dialog.windowTitle(), QString("Found a new version released"));
    QCOMPARE(dialog.findChild<QLabel*>("label_1")->text(),
             QString("You are using version: Ver 1.10.100"));
    QCOMPARE(dialog.findChild<QPushButton*>("btnskip")->text(), QString("Skip"));
    QCOMPARE(dialog.findChild<QPushButton*>("btnok")->text(), QString("Download"));
    QCOMPARE(dialog.findChild<QPushButton*>("btncancel")->text(), QString("Close"));
    QCOMPARE(dialog.findChild<QLabel*>("label_1")->font().weight(), QFont::Bold);
    QCOMPARE(dialog.size(), QSize(400, 295));
    dialog.setNewVer("V2.0", QString());
    QCOMPARE(dialog.findChild<QLabel*>("label_2")->text(),
             QString("New released version: ver V2.0"));
    QCOMPARE(dialog.newVersion, QString("V2.0"));
    QVERIFY(titlebartest::engineTrace().contains("GA_TrackScreen(key=newver)"));
}

void TestQNewVerDialog::picture_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << 1.0 << QSize(200, 80);
    QTest::newRow("larger than the area") << 1.0 << QSize(800, 300);
    QTest::newRow("scaled 1.5") << 1.5 << QSize(101, 51);
}

void TestQNewVerDialog::picture()
{
    QFETCH(double, scale);
    QFETCH(QSize, size);
    g_dpi_percent = scale;
    QTemporaryDir folder;
    const QString path = makePicture(folder.path(), size);
    const QSize scaled(int(size.width() * scale), int(size.height() * scale));
    {
        QNewVerDialog dialog(nullptr, false);
        dialog.setNewVer("V2.0", path);
        QCOMPARE(dialog.picturePath, path);
        auto* label = dialog.findChild<QLabel*>("pictureLabel");
        QCOMPARE(label->geometry(), QRect(QPoint(0, 0), scaled));
        QCOMPARE(label->pixmap().size(), scaled);
        auto* area = dialog.findChild<QScrollArea*>("scrollArea");
        QCOMPARE(area->widget()->minimumSize(), scaled);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const bool wider = scaled.width() > area->viewport()->width();
        QCOMPARE(area->horizontalScrollBar()->maximum() > 0, wider);
    }
    // Shown, so deleted with the dialog.
    QVERIFY(!QFileInfo::exists(path));
}

void TestQNewVerDialog::pictureThatDoesNotLoad()
{
    QTemporaryDir folder;
    const QString notPicture = folder.filePath("newver.png");
    QFile file(notPicture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    {
        QNewVerDialog dialog(nullptr, false);
        dialog.setNewVer("V2.0", notPicture);
        QCOMPARE(dialog.picturePath, QString());
        QVERIFY(dialog.findChild<QLabel*>("pictureLabel")->pixmap().isNull());
        dialog.setNewVer("V2.0", folder.filePath("missing.png"));
        QCOMPARE(dialog.picturePath, QString());
    }
    QVERIFY(QFileInfo::exists(notPicture));
}

void TestQNewVerDialog::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<QString>("skipped");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("download");
    QTest::newRow("download") << "btnok" << 1 << true << "" << false << true;
    QTest::newRow("close") << "btncancel" << 1 << false << "" << false << false;
    QTest::newRow("skip, yes") << "btnskip" << 1 << false << "V2.0 beta" << true << false;
    QTest::newRow("skip, no") << "btnskip" << 0 << true << "" << true << false;
}

void TestQNewVerDialog::buttons()
{
    QFETCH(QString, button);
    QFETCH(int, answer);
    QFETCH(bool, staysOpen);
    QFETCH(QString, skipped);
    QFETCH(bool, asked);
    QFETCH(bool, download);

    urls.clear();
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    BoxRecorder recorder;
    recorder.answers = {answer};
    QNewVerDialog dialog(nullptr, false);
    dialog.setNewVer("V2.0 beta", QString());
    dialog.setResult(7);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QPushButton*>(button)->click();
    QDesktopServices::unsetUrlHandler("https");

    QCOMPARE(dialog.isVisible(), staysOpen);
    if (!staysOpen)
        QCOMPARE(dialog.result(), 0);
    QCOMPARE(AfxGetProfileString("CONFIG", "SKIPVERSION", QString()), skipped);
    QCOMPARE(recorder.texts(),
             asked ? QStringList({"Are you sure to skip this new version?"}) : QStringList());
    if (asked)
        QCOMPARE(recorder.boxes.at(0).kind, int(MSGBOX_QUESTION));
    QCOMPARE(urls,
             download ? QList<QUrl>({QUrl("https://www.veltrano.com/download/")}) : QList<QUrl>());
}

ZD_TEST_MAIN(TestQNewVerDialog, QApplication)
#include "tst_qnewverdialog.moc"
