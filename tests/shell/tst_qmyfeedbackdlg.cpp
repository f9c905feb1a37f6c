// The feedback form: its texts, the name and address remembered for next
// time, the empty-report check, and the report sent through the engine to a
// loopback feedback service, with the outcome shown and logged.
#include "zdloopbackhttp.h"
#include "zdtestmain.h"

#include "titlebartestsupport.h"

#include "qmyfeedbackdlg.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

using titlebartest::BoxRecorder;

namespace
{

const char* kFeedbackEnv = "ZDHELPER_FEEDBACK_SERVICE";

struct Form {
    explicit Form(QMyFeedBackDlg& d)
        : name(d.findChild<QLineEdit*>("lineEdit")), email(d.findChild<QLineEdit*>("lineEdit_2")),
          report(d.findChild<QTextEdit*>("textEdit")),
          send(d.findChild<QPushButton*>("pushButton")), tip(d.findChild<QLabel*>("label_tip"))
    {
    }
    QLineEdit* name;
    QLineEdit* email;
    QTextEdit* report;
    QPushButton* send;
    QLabel* tip;
};

QString stored(const char* key)
{
    return AfxGetProfileString("Feedback", key, "<none>");
}

} // namespace

class TestQMyFeedBackDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void texts();
    void emptyReportIsRefused();
    void sending_data();
    void sending();
    void rememberedForNextTime();

private:
    zdtest::LoopbackHttpServer* server = nullptr;
};

void TestQMyFeedBackDlg::initTestCase()
{
    titlebartest::clearProxies();
    qputenv("VAZURIDAV_HTTP_TIMEOUT_MS", "1500");
    titlebartest::openSettings();
    g_Global.langFile = QStringLiteral(ZD_TEST_RESOURCES_DIR "/lang/English.txt");
}

void TestQMyFeedBackDlg::cleanupTestCase()
{
    titlebartest::closeSettings();
}

void TestQMyFeedBackDlg::init()
{
    server = new zdtest::LoopbackHttpServer;
    QVERIFY(server->isListening());
    server->setReply(200, "OK\n");
    qputenv(kFeedbackEnv, QByteArray::fromStdString(server->url("")));
    ZDT_ClearTrace();
}

void TestQMyFeedBackDlg::cleanup()
{
    delete server;
    server = nullptr;
    qunsetenv(kFeedbackEnv);
    QMutexLocker lock(&g_iniLock);
    g_pIni->remove("Feedback");
}

void TestQMyFeedBackDlg::texts()
{
    QMyFeedBackDlg dialog(nullptr);
    Form form(dialog);
    QCOMPARE(dialog.windowTitle(), QString("Feedback"));
    QVERIFY(form.tip->text().startsWith("If you have any suggestion for program improvement"));
    QCOMPARE(form.name->placeholderText(), QString("Name (optional)"));
    QCOMPARE(form.email->placeholderText(), QString("Email (optional)"));
    QCOMPARE(form.report->placeholderText(), QString("Please fill in content."));
    QCOMPARE(form.send->text(), QString("Send"));
    QCOMPARE(form.name->text(), QString());
    QVERIFY(titlebartest::engineTrace().contains("GA_TrackScreen(key=feedback)"));
}

void TestQMyFeedBackDlg::emptyReportIsRefused()
{
    QMyFeedBackDlg dialog(nullptr);
    Form form(dialog);
    form.name->setText("Ann");
    form.email->setText("ann@example.invalid");
    BoxRecorder recorder;
    QTest::mouseClick(form.send, Qt::LeftButton);
    QCOMPARE(recorder.texts(), QStringList({"Please fill in content."}));
    QCOMPARE(recorder.boxes.at(0).kind, int(MSGBOX_NOTICE));
    QCOMPARE(server->requests().size(), size_t(0));
    // Name and address are kept all the same.
    QCOMPARE(stored("name"), QString("Ann"));
    QCOMPARE(stored("email"), QString("ann@example.invalid"));
}

void TestQMyFeedBackDlg::sending_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("service");
    QTest::addColumn<bool>("ok");

    QTest::newRow("sent") << "Ann"
                          << "ann@example.invalid"
                          << "The preview flickers." << 200 << QByteArray("OK\n") << true << true;
    QTest::newRow("non-ASCII name") << QString::fromUtf8("Zoë Łukasz 测试") << ""
                                    << "Report" << 200 << QByteArray("OK\n") << true << true;
    QTest::newRow("blanks only are a report") << ""
                                              << ""
                                              << "   " << 200 << QByteArray("OK\n") << true << true;
    QTest::newRow("refused by the service")
        << "Ann"
        << ""
        << "Report" << 200 << QByteArray("FAIL\n") << true << false;
    QTest::newRow("server error") << "Ann"
                                  << ""
                                  << "Report" << 500 << QByteArray("OK\n") << true << false;
    QTest::newRow("no service configured")
        << "Ann"
        << ""
        << "Report" << 200 << QByteArray("OK\n") << false << false;
}

void TestQMyFeedBackDlg::sending()
{
    QFETCH(QString, name);
    QFETCH(QString, email);
    QFETCH(QString, report);
    QFETCH(int, status);
    QFETCH(QByteArray, reply);
    QFETCH(bool, service);
    QFETCH(bool, ok);

    server->setReply(status, reply.toStdString());
    if (!service)
        qunsetenv(kFeedbackEnv);
    QMyFeedBackDlg dialog(nullptr);
    Form form(dialog);
    form.name->setText(name);
    form.email->setText(email);
    form.report->setPlainText(report);
    dialog.show();
    BoxRecorder recorder;
    QTest::mouseClick(form.send, Qt::LeftButton);

    QCOMPARE(recorder.texts(), QStringList({ok ? "Send OK." : "Send failed."}));
    // The user closes the form; sending never does.
    QVERIFY(dialog.isVisible());
    QCOMPARE(form.report->toPlainText(), ok ? QString() : report);
    QVERIFY(titlebartest::logText().contains(ok ? "Feedback send OK." : "Feedback send failed."));
    QCOMPARE(server->requests().size(), size_t(service ? 1 : 0));
    if (!service)
        return;
    // What reached the service: the fields in UTF-8, with the stand-ins for
    // the empty ones.
    const QJsonObject packet =
        QJsonDocument::fromJson(QByteArray::fromStdString(server->requests()[0].body)).object();
    QCOMPARE(packet["name"].toString(), name.isEmpty() ? QString("noname") : name);
    QCOMPARE(packet["email"].toString(),
             email.isEmpty() ? QString(QMyFeedBackDlg::kNoEmail) : email);
    QCOMPARE(packet["report"].toString(), report);
}

void TestQMyFeedBackDlg::rememberedForNextTime()
{
    {
        QMyFeedBackDlg dialog(nullptr);
        Form form(dialog);
        form.name->setText("Ann");
        form.email->setText("ann@example.invalid");
        form.report->setPlainText("first");
        BoxRecorder recorder;
        form.send->click();
    }
    {
        QMyFeedBackDlg dialog(nullptr);
        Form form(dialog);
        QCOMPARE(form.name->text(), QString("Ann"));
        QCOMPARE(form.email->text(), QString("ann@example.invalid"));
        // An emptied field is not stored: the earlier value comes back.
        form.name->clear();
        form.email->clear();
        form.report->setPlainText("second");
        BoxRecorder recorder;
        form.send->click();
        QCOMPARE(server->requests().size(), size_t(2));
    }
    QMyFeedBackDlg dialog(nullptr);
    Form form(dialog);
    QCOMPARE(form.name->text(), QString("Ann"));
    QCOMPARE(form.email->text(), QString("ann@example.invalid"));
    // The stand-in address is never stored.
    QCOMPARE(stored("email"), QString("ann@example.invalid"));
}

ZD_TEST_MAIN(TestQMyFeedBackDlg, QApplication)
#include "tst_qmyfeedbackdlg.moc"
