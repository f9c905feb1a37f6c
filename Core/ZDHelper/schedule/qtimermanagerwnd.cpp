#include "qtimermanagerwnd.h"

#include <QListWidget>

#include <cstring>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "qmylistitem1.h"
#include "qmypushbutton.h"
#include "qmytimerhelper.h"
#include "qtimereditwnd.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qtimermanagerwnd.h"

namespace
{
// Numbers the default names of new timers; counts every click on Add in a
// run, cancelled ones too.
int g_newTimerCounter = 0;

// The row's address travels in the list entry, so that a row can find its
// place after rows before it were deleted.
constexpr int RowRole = Qt::UserRole;
} // namespace

QTimerManagerWnd::QTimerManagerWnd(QWidget* parent, QMyTimerHelper* store)
    : MyDialog(parent), store(store), ui(new Ui::QTimerManagerWnd)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
    ui->listwd->setDropIndicatorShown(false);
    setWindowTitle(getLang(12000, QStringLiteral("Recording schedule")));
    ui->label_title->setText(getLang(12110, QStringLiteral("Timer")));
    ui->btnAdd->setToolTip(getLang(12111, QStringLiteral("Add a timer")));
    AdjustFonts(this);
    AdjustRects(this, true);
    ui->btnAdd->SetPicture(QStringLiteral(":/images/res/add.png"), 4);

    connect(ui->btnAdd, &QPushButton::clicked, this, &QTimerManagerWnd::onBtnAdd);
    connect(ui->listwd, &QListWidget::itemClicked, this, &QTimerManagerWnd::onItemClick);
    connect(ui->listwd, &QListWidget::currentItemChanged, this, &QTimerManagerWnd::onItemChanged);

    if (store) {
        if (store->schedules.isEmpty())
            store->addNewSchedule();
        schedule = store->schedules.first();
        for (int i = 0; i < schedule->timers.size(); ++i)
            AddItem(i);
    }
    CenterWindow(this, nullptr);
}

QTimerManagerWnd::~QTimerManagerWnd()
{
    delete ui;
}

QMyListItem1* QTimerManagerWnd::rowOf(QListWidgetItem* item) const
{
    if (item == nullptr)
        return nullptr;
    return static_cast<QMyListItem1*>(item->data(RowRole).value<void*>());
}

void QTimerManagerWnd::AddItem(int position)
{
    if (schedule == nullptr || position < 0 || position >= schedule->timers.size())
        return;
    auto* item = new QListWidgetItem(ui->listwd);
    auto* row = new QMyListItem1(ui->listwd, this, item);
    item->setData(RowRole, QVariant::fromValue<void*>(row));
    ui->listwd->setItemWidget(item, row);
    row->updateall(schedule->timers.at(position));
}

int QTimerManagerWnd::rowPosition(const QMyListItem1* row) const
{
    for (int i = 0; i < ui->listwd->count(); ++i) {
        if (rowOf(ui->listwd->item(i)) == row)
            return i;
    }
    return -1;
}

uint32_t QTimerManagerWnd::freeTimerId() const
{
    uint32_t id = 1;
    for (;;) {
        bool taken = false;
        for (const EVTIMER& t : schedule->timers) {
            if (t.id == id) {
                taken = true;
                break;
            }
        }
        if (!taken)
            return id;
        ++id;
    }
}

void QTimerManagerWnd::onBtnAdd()
{
    ++g_newTimerCounter;
    if (schedule == nullptr)
        return;
    EVTIMER timer;
    std::memset(&timer, 0, sizeof timer);
    const QByteArray name = QString::asprintf("Untilte-%d", g_newTimerCounter).toLocal8Bit();
    std::memcpy(timer.name, name.constData(), size_t(qMin<qsizetype>(name.size(), 63)));
    timer.id = freeTimerId();

    QTimerEditWnd editor(this);
    editor.schedule = schedule;
    editor.InitValues(timer);
    if (editor.exec() != 1)
        return;
    schedule->timers.append(editor.GetValues());
    AddItem(schedule->timers.size() - 1);
    store->saveSchedules();
}

void QTimerManagerWnd::onBtnEdit(QMyListItem1* row)
{
    const int position = rowPosition(row);
    if (position < 0 || schedule == nullptr || position >= schedule->timers.size())
        return;
    QTimerEditWnd editor(this);
    editor.schedule = schedule;
    editor.InitValues(schedule->timers.at(position));
    if (editor.exec() == 1) {
        schedule->timers[position] = editor.GetValues();
        row->updateall(schedule->timers.at(position));
    }
    store->saveSchedules();
}

void QTimerManagerWnd::onBtnDel(QMyListItem1* row)
{
    if (ui->listwd->count() == 0 || schedule == nullptr)
        return;
    const int position = rowPosition(row);
    if (position < 0 || position >= schedule->timers.size())
        return;
    const EVTIMER& timer = schedule->timers.at(position);
    const QString name =
        QString::fromLocal8Bit(timer.name, int(qstrnlen(timer.name, sizeof timer.name)));
    if (AfxMessageBox(this, getLang(12006, QStringLiteral("Are you sure delete timer #v1#"), name),
                      MSGBOX_QUESTION) != 1)
        return;
    schedule->timers.removeAt(position);
    // The row widget goes with its entry (the view deletes it once it is
    // unset), then the entry itself.
    ui->listwd->removeItemWidget(ui->listwd->item(position));
    delete ui->listwd->takeItem(position);
    store->saveSchedules();
}

void QTimerManagerWnd::onItemClick(QListWidgetItem* item)
{
    Q_UNUSED(item);
}

void QTimerManagerWnd::onItemChanged(QListWidgetItem* current, QListWidgetItem* previous)
{
    if (QMyListItem1* row = rowOf(current)) {
        row->selected = true;
        row->updateall(row->timer);
    }
    if (QMyListItem1* row = rowOf(previous)) {
        row->selected = false;
        row->updateall(row->timer);
    }
}

void QTimerManagerWnd::onBtnOK() {}

void QTimerManagerWnd::onBtnCancel() {}
