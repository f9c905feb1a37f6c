#include "qmypopupaddlg.h"

#include "cpublic.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qmypopupaddlg.h"
#include "vazURIdav.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>
#include <QUrl>

QMyPopupADDlg::QMyPopupADDlg(QWidget* parent, const QString& url, const QRect& rect,
                             const QString& id, int delaySecs)
    : MyDialog(parent, true), ui(new Ui_QMyPopupADDlg)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("News"));

    newsId = id;
    const int w = rect.width();
    const int h = rect.height();
    setGeometry(0, 0, w, h);

    const QRect page(rect.x() + 10, rect.y() + 25, w - 20, h - 50);
    webView = ZD_CreateWebView(ZD_WINDOW_ID(winId()), page.x(), page.y(), page.width(),
                               page.height(), url.toUtf8().constData());
    if (webView == nullptr) {
        // Without a web view the page opens in the desktop's browser; only
        // web addresses become links.
        pageLink = new QLabel(this);
        pageLink->setObjectName(QStringLiteral("pageLink"));
        pageLink->setGeometry(page);
        pageLink->setAlignment(Qt::AlignCenter);
        pageLink->setTextFormat(Qt::RichText);
        const QString shown =
            QFontMetrics(pageLink->font()).elidedText(url, Qt::ElideMiddle, page.width() - 10);
        const QString scheme = QUrl(url).scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
            pageLink->setText(
                QStringLiteral("<a style=\"color:rgb(120,150,255);\" href=\"%1\">%2</a>")
                    .arg(url.toHtmlEscaped(), shown.toHtmlEscaped()));
            pageLink->setOpenExternalLinks(true);
        } else {
            pageLink->setText(shown.toHtmlEscaped());
        }
    }
    ui->checkBox->setGeometry(10, h - 20, 200, 18);
    CenterWindow(this, nullptr);

    delay = delaySecs;
    elapsed = 0;
    closeTimer = new QTimer(this);
    connect(closeTimer, &QTimer::timeout, this, &QMyPopupADDlg::delayTimer);
    if (delay > 0)
        closeTimer->start(1000);
    GA_TrackScreen("popupad");
}

QMyPopupADDlg::~QMyPopupADDlg()
{
    // A dialog destroyed without being closed still gives its view back.
    if (webView != nullptr) {
        ZD_ReleaseWebView(webView);
        webView = nullptr;
    }
    delete ui;
}

void QMyPopupADDlg::delayTimer()
{
    const int before = elapsed++;
    if (before < delay)
        return;
    closeTimer->stop();
    closeEvent(nullptr);
    done(1);
}

void QMyPopupADDlg::closeEvent(QCloseEvent* e)
{
    Q_UNUSED(e);
    if (ui->checkBox->isChecked())
        AfxWriteProfileInt(QStringLiteral("POPUPAD"), newsId, 1);
    if (webView != nullptr) {
        ZD_ReleaseWebView(webView);
        webView = nullptr;
    }
}
