#include "qlivestateshowwnd.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTimer>

#include <vector>

#include "cpublic.h"
#include "liveinfo.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qlivestateshowwnd.h"

namespace
{
constexpr int kColumns = 6;
constexpr int kRefreshMs = 1000;
} // namespace

QLiveStateShowWnd::QLiveStateShowWnd(QWidget* parent)
    : MyDialog(parent, true), ui(new Ui::QLiveStateShowWnd)
{
    ui->setupUi(this);
    setWindowTitle(getLang(19037, QStringLiteral("RTMP network information")));

    ui->tableView->setStyleSheet(
        QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("normal_tableview.qss"))));
    const QString scrollQss =
        QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("normal_scrollbar.qss")));
    ui->tableView->verticalScrollBar()->setStyleSheet(scrollQss);
    ui->tableView->horizontalScrollBar()->setStyleSheet(scrollQss);

    model = new QStandardItemModel(ui->tableView);
    ui->tableView->setModel(model);
    ui->tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ui->tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui->tableView->setAlternatingRowColors(false);
    ui->tableView->verticalHeader()->hide();

    model->setColumnCount(kColumns);
    const QStringList headers = {
        getLang(19021, QStringLiteral("Server")), getLang(19022, QStringLiteral("Connect")),
        getLang(19023, QStringLiteral("Speed")),  getLang(19024, QStringLiteral("Drop")),
        getLang(19025, QStringLiteral("Frames")), getLang(19026, QStringLiteral("Size"))};
    model->setHorizontalHeaderLabels(headers);
    const int widths[kColumns] = {110, 60, 80, 50, 70, 90};
    for (int c = 0; c < kColumns; ++c)
        ui->tableView->setColumnWidth(c, int(widths[c] * g_dpi_percent));

    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &QLiveStateShowWnd::timer_normal);

    AdjustFonts(this);
    AdjustRects(this, true);
}

QLiveStateShowWnd::~QLiveStateShowWnd()
{
    delete ui;
}

QString QLiveStateShowWnd::CellText(const RTMPSERVERPARAM& server, int column)
{
    switch (column) {
    case 0:
        return LiveServerName(server);
    case 1:
        return server.connected != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    case 2:
        return getSizeString(server.speed);
    case 3:
        return QString::number(server.dropped);
    case 4:
        return QString::number(server.frames);
    case 5:
        return getSizeString(server.bytes);
    default:
        return QString();
    }
}

void QLiveStateShowWnd::show()
{
    QWidget::show();
    model->removeRows(0, model->rowCount());
    const int n = LiveServerCount(g_Global.hCore);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QStandardItem();
            item->setTextAlignment(c == 0 ? (Qt::AlignLeft | Qt::AlignVCenter)
                                          : (Qt::AlignHCenter | Qt::AlignVCenter));
            model->setItem(r, c, item);
        }
    }
    rowCount = n;
    timer_normal();
    refreshTimer->start(kRefreshMs);
}

void QLiveStateShowWnd::hideEvent(QHideEvent* e)
{
    refreshTimer->stop();
    MyDialog::hideEvent(e);
}

void QLiveStateShowWnd::timer_normal()
{
    if (rowCount < 1)
        return;
    const std::vector<RTMPSERVERPARAM> servers = ReadLiveServers(g_Global.hCore, rowCount);
    for (int r = 0; r < int(servers.size()) && r < rowCount; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            if (QStandardItem* item = model->item(r, c))
                item->setText(CellText(servers[size_t(r)], c));
        }
    }
}
