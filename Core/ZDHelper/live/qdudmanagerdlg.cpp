#include "qdudmanagerdlg.h"

#include <QDebug>
#include <QProcess>
#include <QToolTip>

#include "cpublic.h"
#include "enginereceivers.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qsetupwnd.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qdudmanagerdlg.h"
#include "ui_qsetupwnd.h"
#include "vazURIdav.h"

QDudManagerDlg::QDudManagerDlg(QWidget* parent) : MyDialog(parent, true), ui(new Ui::QDudManagerDlg)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);

    setWindowTitle(getLang(15016, QStringLiteral("Vudaz Iveravovi Vuvev(DUD)")));
    // The form's texts, which the language file may replace.
    ui->label_tip1->setText(getLang(
        15000,
        QStringLiteral("Vudaz Iveravovi Vuvev (DUD) is an http web server. It can help you to play "
                       "back captured videos on the smart phone or PC web browser.\n")));
    ui->label_tip3->setText(
        getLang(15001, QStringLiteral("Vudaz Iveravovi Vuvev(DUD) is running")));
    ui->label_tip2->setText(
        getLang(15002, QStringLiteral("You can scan IR code to watch captured files or open remote "
                                      "device to watch stream.")));
    ui->btnStart->setText(getLang(15006, QStringLiteral("Start DUD")));
    ui->btnSetup->setText(getLang(15007, QStringLiteral("DUD Settings")));
    ui->btnOpen->setText(getLang(15008, QStringLiteral("Open")));
    ui->btnRefresh->setText(getLang(15009, QStringLiteral("Refresh")));
    ui->btnRefresh2->setText(getLang(15009, QStringLiteral("Refresh")));
    ui->btnStop->setText(getLang(15010, QStringLiteral("Stop DUD")));
    ui->s1->setText(getLang(15012, QStringLiteral("Server:")));
    ui->s2->setText(getLang(15013, QStringLiteral("Client:")));
    ui->btnURL->setFontHeight(8, false);

    connect(ui->btnStart, &QPushButton::clicked, this, &QDudManagerDlg::onStartDUD);
    connect(ui->btnSetup, &QPushButton::clicked, this, &QDudManagerDlg::onSetup);
    connect(ui->btnOpen, &QPushButton::clicked, this, &QDudManagerDlg::onOpenClient);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &QDudManagerDlg::onRefresh);
    connect(ui->btnRefresh2, &QPushButton::clicked, this, &QDudManagerDlg::onRefresh);
    connect(ui->btnStop, &QPushButton::clicked, this, &QDudManagerDlg::onStopDUD);
    connect(ui->btnHelp, &QPushButton::clicked, this, &QDudManagerDlg::onHelp);

    AdjustFonts(this);
    AdjustRects(this, true);
    CenterWindow(this, AfxGetMainWindow());
    // The links fit themselves to their texts inside the form's places.
    ui->btnSetup->setGeometry(ui->btnSetup->geometry());
    ui->btnURL->setGeometry(ui->btnURL->geometry());

    int running = 0;
    ZD_IsDUDRunning(g_Global.hCore, &running);
    showServerRunning(running >= 1);
    ui->widget_s2->setGeometry(ui->widget_s1->geometry());
    ui->widget_c2->setGeometry(ui->widget_c1->geometry());
    ui->label_anim->LoadAnimPicture(QStringLiteral(":/images/res/anim-wait1.png"), 156, 30);
    ui->btnHelp->SetPicture(QStringLiteral(":/images/res/setup-help.png"), 4);

    // Registered before the search starts, so that its answer can reach this
    // dialog, and only while it lives.
    EngineReceivers::add(this);
    onRefresh();
    GA_TrackScreen("dud_setup");
}

QDudManagerDlg::~QDudManagerDlg()
{
    EngineReceivers::remove(this);
    delete ui;
}

void QDudManagerDlg::showServerRunning(bool running)
{
    ui->widget_s2->setVisible(running);
    ui->widget_s1->setVisible(!running);
}

void QDudManagerDlg::onStartDUD()
{
    const int r =
        ZD_StartDUD_Server(g_Global.hCore, AfxGetProfileInt(QStringLiteral("DUD"),
                                                            QStringLiteral("server-port"), 9875));
    if (r != 1) {
        g_Global.dudRunning = 0;
        AfxMessageBox(
            nullptr,
            getLang(15004, QStringLiteral("Start DUD server failed. (#v1#)"), QString::number(r)),
            MSGBOX_ERROR);
        return;
    }
    g_Global.dudRunning = 1;
    showServerRunning(true);
    // The search names this computer's server first: the link shows the
    // address to open on a phone at once.
    onRefresh();
    int preview = 0;
    ZD_CheckState(g_Global.hCore, nullptr, &preview, nullptr, nullptr, nullptr);
    if (preview && AfxGetProfileInt(QStringLiteral("DUD"), QStringLiteral("enable-live"), 1)) {
        const int s = ZD_StartDUD_live(
            g_Global.hCore, AfxGetProfileInt(QStringLiteral("DUD"), QStringLiteral("enc-w"), 1280),
            AfxGetProfileInt(QStringLiteral("DUD"), QStringLiteral("enc-h"), 720),
            AfxGetProfileInt(QStringLiteral("DUD"), QStringLiteral("enc-fps"), 30),
            AfxGetProfileInt(QStringLiteral("DUD"), QStringLiteral("enc-bitrate"), 3145728) / 1024);
        if (s != 1)
            AfxMessageBox(nullptr,
                          getLang(13002, QStringLiteral("Start DUD live streaming failed(#v1#)"),
                                  QString::number(s)),
                          MSGBOX_ERROR);
    }
}

void QDudManagerDlg::onStopDUD()
{
    const int r = ZD_StopDUD_Server(g_Global.hCore);
    if (r != 1) {
        // The server may still run: the running panel and the flag stay.
        AfxMessageBox(
            nullptr,
            getLang(15005, QStringLiteral("Stop DUD server failed. (#v1#)"), QString::number(r)),
            MSGBOX_ERROR);
        return;
    }
    showServerRunning(false);
    g_Global.dudRunning = 0;
    // The link no longer leads anywhere unless another server answers.
    onRefresh();
}

void QDudManagerDlg::onSetup()
{
    // The settings window, on its share page.
    QSetupWnd setup(AfxGetMainWindow());
    setup.ui->tab->setCurrentWidget(setup.ui->wd_dud);
    setup.exec();
}

void QDudManagerDlg::onRefresh()
{
    ui->btnRefresh->setEnabled(false);
    ui->btnRefresh->repaint();
    ui->btnRefresh2->hide();
    ui->widget_c1->hide();
    ui->widget_c2->show();
    ui->label_anim->PlayAnim();
    ui->label_anim->show();
    ui->label_tip4->setText(getLang(15003, QStringLiteral("Searching DUD server...")));
    // A search that did not start sends no answer: it ends here as one that
    // found nothing, so that the user can search again.
    if (ZD_SearchDUDServer(g_Global.hCore, this) != 1)
        searchDone(false, nullptr);
}

void QDudManagerDlg::OnMyEventMsg(unsigned long msg, long wParam, long long lParam, void* ptr)
{
    Q_UNUSED(ptr);
    if (msg != MSG_DUD_SEARCH_DONE)
        return;
    searchDone(wParam != 0, reinterpret_cast<const char*>(static_cast<quintptr>(lParam)));
}

void QDudManagerDlg::searchDone(bool found, const char* reply)
{
    ui->btnRefresh->setEnabled(true);
    ui->btnRefresh->setCurState(0);
    ui->btnRefresh->repaint();
    ui->btnRefresh2->show();
    ui->label_anim->StopAnim();
    ui->label_anim->hide();
    if (found) {
        qDebug() << "share server search:" << (reply ? reply : "");
        showDUDInfo(reply);
    } else {
        ui->label_tip4->setText(getLang(15011, QStringLiteral("No found DUD sever.")));
    }
}

DudSearchReply ParseDudSearchReply(const QString& text)
{
    DudSearchReply out;
    const QString start = QStringLiteral("<DUD>");
    const int a = int(text.indexOf(start));
    // The end tag counts only after its start tag: "</DUD>" before "<DUD>"
    // would make a negative length.
    const int b = a >= 0 ? int(text.indexOf(QStringLiteral("</DUD>"), a + start.size())) : -1;
    if (a >= 0 && b >= 0)
        out.serverUrl =
            QStringLiteral("http://") + text.mid(a + start.size(), b - a - start.size());

    const QString itemStart = QStringLiteral("<DUD-LIVE>");
    const QString itemEnd = QStringLiteral("</DUD-LIVE>");
    int p = 0;
    for (;;) {
        const int s = int(text.indexOf(itemStart, p));
        if (s < 0)
            break;
        // Searched after the start tag, so a stray end tag earlier in the
        // reply skips nothing and never gives a negative length.
        const int e = int(text.indexOf(itemEnd, s + itemStart.size()));
        if (e < 0)
            break;
        const QString item = text.mid(s + itemStart.size(), e - s - itemStart.size());
        const int k = int(item.indexOf(QLatin1Char('|')));
        if (k >= 1) {
            out.names.append(item.mid(k + 1));
            out.links.append(QStringLiteral("http://") + item.left(k) + QStringLiteral("/preview"));
        }
        p = e + itemEnd.size();
    }
    return out;
}

void QDudManagerDlg::showDUDInfo(const char* reply)
{
    links.clear();
    ui->clientcbx->clear();
    ui->widget_c2->hide();
    ui->widget_c1->show();
    const DudSearchReply read = ParseDudSearchReply(QString::fromLocal8Bit(reply ? reply : ""));
    if (!read.serverUrl.isEmpty()) {
        ui->btnURL->setText(read.serverUrl);
        ui->btnURL->url = read.serverUrl;
        ui->btnURL->UpdateAll();
        ui->btnURL->repaint();
    }
    ui->clientcbx->addItems(read.names);
    links = read.links;
}

void QDudManagerDlg::onOpenClient()
{
    if (links.isEmpty())
        return;
    const int index = ui->clientcbx->currentIndex();
    if (index < 0 || index >= links.size())
        return;
    const QString link = links.at(index);
    char link1[ZD_TEXT_BUFFER_BYTES] = {};
    char link2[ZD_TEXT_BUFFER_BYTES] = {};
    char player[ZD_TEXT_BUFFER_BYTES] = {};
    ZD_GetDUDLinks(link1, link2,
                   AfxGetProfileInt(QStringLiteral("DUD"), QStringLiteral("server-port"), 9875),
                   player);
    const QString program = QString::fromLocal8Bit(player, int(qstrnlen(player, sizeof player)));
    if (!program.isEmpty() && IsFileExisted(program)) {
        // The link comes from the network: it is the player's one argument,
        // never a command line a shell would read.
        QProcess::startDetached(program, {link});
        return;
    }
    AfxMessageBox(
        nullptr,
        getLang(15014, QStringLiteral("Not found VLC program. Please install it firstly.")),
        MSGBOX_ERROR);
}

void QDudManagerDlg::onHelp()
{
    const double s = g_dpi_percent;
    const QPoint at = ui->btnHelp->pos() + QPoint(-int(300 * s), int(30 * s));
    QToolTip::setFont(font());
    QToolTip::showText(mapToGlobal(at), getLang(31006, QString()));
}
