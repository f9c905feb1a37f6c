// The pop-up news dialog: where the page goes inside the window, the
// self-closing timer, the "Don't popup again" flag, and the page's address
// offered as a link while the engine has no web view.
#include "zdtestmain.h"

#include "titlebartestsupport.h"

#include "qmypopupaddlg.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTextDocumentFragment>

namespace
{

bool hasDeclined(const QString& id)
{
    return AfxGetProfileInt("POPUPAD", id, -7) == 1;
}

bool keyStored(const QString& id)
{
    return AfxGetProfileInt("POPUPAD", id, -7) != -7;
}

} // namespace

class TestQMyPopupADDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { titlebartest::openSettings(); }
    void cleanupTestCase() { titlebartest::closeSettings(); }
    void cleanup()
    {
        QMutexLocker lock(&g_iniLock);
        g_pIni->remove("POPUPAD");
    }
    void placement_data();
    void placement();
    void closesItselfAfterTheDelay_data();
    void closesItselfAfterTheDelay();
    void closesInRealTime();
    void dontPopupAgain_data();
    void dontPopupAgain();
    void addressShownAsLink_data();
    void addressShownAsLink();
};

void TestQMyPopupADDlg::placement_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("webView");
    QTest::addColumn<QRect>("checkBox");
    QTest::newRow("600 x 400") << QRect(0, 0, 600, 400) << "x=10,y=25,w=580,h=350"
                               << QRect(10, 380, 200, 18);
    QTest::newRow("offset rectangle")
        << QRect(5, 7, 300, 200) << "x=15,y=32,w=280,h=150" << QRect(10, 180, 200, 18);
}

void TestQMyPopupADDlg::placement()
{
    QFETCH(QRect, rect);
    QFETCH(QString, webView);
    QFETCH(QRect, checkBox);
    ZDT_ClearTrace();
    QMyPopupADDlg dialog(nullptr, "https://news.example.org/1", rect, "1", 0);
    QCOMPARE(dialog.size(), rect.size());
    QCOMPARE(dialog.windowTitle(), QString("News"));
    QCOMPARE(dialog.findChild<QCheckBox*>("checkBox")->geometry(), checkBox);
    QCOMPARE(dialog.findChild<QCheckBox*>("checkBox")->text(), QString("Don't popup again"));
    const QString trace = titlebartest::engineTrace();
    QVERIFY2(trace.contains("ZD_CreateWebView(" + webView + ",url=https://news.example.org/1)"),
             qPrintable(trace));
    QVERIFY(trace.contains("GA_TrackScreen(key=popupad)"));
    // The engine has no web view here: the address stands where the page would.
    QCOMPARE(dialog.webView, nullptr);
    auto* link = dialog.findChild<QLabel*>("pageLink");
    QVERIFY(link);
    QCOMPARE(link->geometry(),
             QRect(rect.x() + 10, rect.y() + 25, rect.width() - 20, rect.height() - 50));
}

void TestQMyPopupADDlg::closesItselfAfterTheDelay_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("closingTick"); // 0: never
    QTest::newRow("5 s") << 5 << 6;
    QTest::newRow("1 s") << 1 << 2;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("negative") << -3 << 0;
}

void TestQMyPopupADDlg::closesItselfAfterTheDelay()
{
    QFETCH(int, delay);
    QFETCH(int, closingTick);
    QMyPopupADDlg dialog(nullptr, "https://news.example.org/1", QRect(0, 0, 600, 400), "1", delay);
    QCOMPARE(dialog.closeTimer->isActive(), closingTick > 0);
    if (closingTick == 0)
        return;
    QCOMPARE(dialog.closeTimer->interval(), 1000);
    dialog.show();
    for (int tick = 1; tick < closingTick; ++tick) {
        dialog.delayTimer();
        QVERIFY2(dialog.isVisible(), qPrintable(QString("closed at tick %1").arg(tick)));
    }
    dialog.delayTimer();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 1);
    QVERIFY(!dialog.closeTimer->isActive());
}

void TestQMyPopupADDlg::closesInRealTime()
{
    QMyPopupADDlg dialog(nullptr, "https://news.example.org/1", QRect(0, 0, 400, 300), "1", 1);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(dialog.exec(), 1);
    QVERIFY(clock.elapsed() >= 1900);
    QVERIFY(clock.elapsed() < 6000);
}

void TestQMyPopupADDlg::dontPopupAgain_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("byTimer");
    QTest::newRow("ticked, delay ran out") << true << true;
    QTest::newRow("ticked, closed by the user") << true << false;
    QTest::newRow("not ticked, delay ran out") << false << true;
    QTest::newRow("not ticked, closed by the user") << false << false;
}

void TestQMyPopupADDlg::dontPopupAgain()
{
    QFETCH(bool, ticked);
    QFETCH(bool, byTimer);
    QMyPopupADDlg dialog(nullptr, "https://news.example.org/77", QRect(0, 0, 600, 400), "77", 1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.findChild<QCheckBox*>("checkBox")->setChecked(ticked);
    if (byTimer) {
        dialog.delayTimer();
        dialog.delayTimer();
    } else {
        dialog.close();
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(hasDeclined("77"), ticked);
    QCOMPARE(keyStored("77"), ticked);
}

void TestQMyPopupADDlg::addressShownAsLink_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("link");
    QTest::newRow("https") << "https://news.example.org/item?id=1&b=2" << true;
    QTest::newRow("http") << "http://news.example.org/x" << true;
    QTest::newRow("markup in the address") << "https://a.example/\"><b>bold</b>" << true;
    QTest::newRow("file") << "file:///etc/passwd" << false;
    QTest::newRow("script") << "javascript:alert(1)" << false;
    QTest::newRow("long address") << "https://news.example.org/" + QString(1000, 'p') << true;
}

void TestQMyPopupADDlg::addressShownAsLink()
{
    QFETCH(QString, url);
    QFETCH(bool, link);
    QMyPopupADDlg dialog(nullptr, url, QRect(0, 0, 600, 400), "3", 0);
    auto* label = dialog.findChild<QLabel*>("pageLink");
    QVERIFY(label);
    QCOMPARE(label->openExternalLinks(), link);
    QCOMPARE(label->text().contains("href=\"" + url.toHtmlEscaped() + "\""), link);
    // Only the link's own markup: nothing from the address is read as markup.
    QVERIFY(!label->text().contains("<b>"));
    // The text fits the page area.
    QVERIFY(QFontMetrics(label->font())
                .horizontalAdvance(QTextDocumentFragment::fromHtml(label->text()).toPlainText()) <=
            label->width());
}

ZD_TEST_MAIN(TestQMyPopupADDlg, QApplication)
#include "tst_qmypopupaddlg.moc"
