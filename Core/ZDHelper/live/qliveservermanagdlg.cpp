#include "qliveservermanagdlg.h"

#include <QAction>
#include <QMenu>
#include <QStringListModel>

#include "cpublic.h"
#include "liveserveraddresshelper.h"
#include "msgboxdialog.h"
#include "myevent.h"
#include "qmyservershelper.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qliveservermanagdlg.h"

QLiveServerManagDlg::QLiveServerManagDlg(QWidget* parent)
    : MyDialog(parent, true), ui(new Ui::QLiveServerManagDlg)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);

    QList<QString> rows;
    if (g_Global.pServerList)
        g_Global.pServerList->getStrings(rows);
    model = new QStringListModel(rows, this);
    ui->listView->setModel(model);

    ui->btnMod->setEnabled(false);
    ui->btnDel->setEnabled(false);

    ui->s1->setText(getLang(24004, QStringLiteral("Server:")));
    ui->s2->setText(getLang(24005, QStringLiteral("Name:")));
    ui->s3->setText(getLang(24006, QStringLiteral("RTMP address:")));
    ui->s4->setText(getLang(24007, QStringLiteral("RTMP key:")));
    ui->s5->setText(getLang(24008, QStringLiteral("Room URL:")));
    ui->edit4->setPlaceholderText(getLang(24013, QStringLiteral("Optional")));
    ui->chk->setText(getLang(24009, QStringLiteral("Enabled")));
    ui->btnAdd->setText(getLang(24010, QStringLiteral("Add")));
    ui->btnDel->setText(getLang(24011, QStringLiteral("Delete")));
    ui->btnMod->setText(getLang(24012, QStringLiteral("Modify")));
    setWindowTitle(getLang(24014, QStringLiteral("Live stream server")));

    AdjustFonts(this);
    AdjustRects(this, true);
    FitRowToText({ui->btnMenu});
    CenterWindow(this, this);
}

QLiveServerManagDlg::~QLiveServerManagDlg()
{
    PostMessage(nullptr, MSG_RELOAD_SERVERS, 0, 0, nullptr);
    delete ui;
}

QString QLiveServerManagDlg::rowText(int index) const
{
    QList<QString> rows;
    g_Global.pServerList->getStrings(rows);
    return index >= 0 && index < rows.size() ? rows.at(index) : QString();
}

void QLiveServerManagDlg::clearFields()
{
    ui->edit1->clear();
    ui->edit2->clear();
    ui->edit3->clear();
    ui->edit4->clear();
}

bool QLiveServerManagDlg::fieldsFit(const QString& name, const QString& address, const QString& key,
                                    const QString& roomUrl)
{
    for (const QString* text : {&name, &address, &key, &roomUrl}) {
        if (text->toUtf8().size() >= QLiveServerAddressHelper::FieldBytes) {
            AfxMessageBox(nullptr,
                          getLang(24015, QStringLiteral("The name, RTMP address, key or room URL "
                                                        "is too long.")),
                          MSGBOX_ERROR);
            return false;
        }
    }
    return true;
}

void QLiveServerManagDlg::onViewClick(const QModelIndex& index)
{
    if (!g_Global.pServerList)
        return;
    QString name, address, key, roomUrl;
    bool enabled = false;
    if (!g_Global.pServerList->getAt(index.row(), name, address, key, enabled, roomUrl))
        return;
    ui->edit1->setText(name);
    ui->edit2->setText(address);
    ui->edit3->setText(key);
    ui->edit4->setText(roomUrl);
    ui->chk->setChecked(enabled);
    ui->btnMod->setEnabled(true);
    ui->btnDel->setEnabled(true);
}

void QLiveServerManagDlg::onBtnAddClick()
{
    QLiveServerAddressHelper* list = g_Global.pServerList;
    if (!list)
        return;
    const QString name = ui->edit1->text();
    const QString address = ui->edit2->text();
    const QString key = ui->edit3->text();
    const QString roomUrl = ui->edit4->text();
    const bool enabled = ui->chk->isChecked();
    if (name.isEmpty() || address.isEmpty()) {
        AfxMessageBox(nullptr,
                      getLang(24000, QStringLiteral("The name and rtmp addresss can't be blank.")),
                      MSGBOX_ERROR);
        return;
    }
    if (!address.startsWith(QLatin1String("rtmp"), Qt::CaseSensitive)) {
        AfxMessageBox(nullptr, getLang(24003, QStringLiteral("The rtmp addresss is invalid.")),
                      MSGBOX_ERROR);
        return;
    }
    if (!fieldsFit(name, address, key, roomUrl))
        return;
    if (!list->Add(name, address, key, enabled, roomUrl)) {
        AfxMessageBox(nullptr, getLang(24001, QStringLiteral("The RTMP address has existed.")),
                      MSGBOX_ERROR);
        return;
    }
    clearFields();
    const int row = model->rowCount();
    model->insertRows(row, 1);
    model->setData(model->index(row), rowText(int(list->servers.size()) - 1));
    list->Save();
}

// The selected row when it names an entry of the server list, else -1.
int QLiveServerManagDlg::currentServerRow() const
{
    const QLiveServerAddressHelper* list = g_Global.pServerList;
    const QModelIndex current = ui->listView->currentIndex();
    if (!list || !current.isValid())
        return -1;
    const int row = current.row();
    return row < list->servers.size() ? row : -1;
}

void QLiveServerManagDlg::onBtnDelClick()
{
    QLiveServerAddressHelper* list = g_Global.pServerList;
    const int row = currentServerRow();
    if (row < 0)
        return;
    const QString question = getLang(24002, QStringLiteral("Are you sure delete the #v1#?"),
                                     list->servers.at(row)->name);
    if (AfxMessageBoxQuestion(nullptr, question, getLang(3, QStringLiteral("Yes")),
                              getLang(4, QStringLiteral("No")), nullptr) != 1)
        return;
    delete list->servers.takeAt(row);
    model->removeRows(row, 1);
    clearFields();
    list->Save();
}

void QLiveServerManagDlg::onBtnModifyClick()
{
    QLiveServerAddressHelper* list = g_Global.pServerList;
    const int row = currentServerRow();
    if (row < 0)
        return;
    const QString name = ui->edit1->text();
    const QString address = ui->edit2->text();
    const QString key = ui->edit3->text();
    const QString roomUrl = ui->edit4->text();
    const bool enabled = ui->chk->isChecked();
    if (name.isEmpty() || address.isEmpty()) {
        AfxMessageBox(nullptr,
                      getLang(24000, QStringLiteral("The name or rtmp addresss is invalid.")),
                      MSGBOX_ERROR);
        return;
    }
    if (!fieldsFit(name, address, key, roomUrl))
        return;
    if (list->IsDouble(name, address, key, row)) {
        AfxMessageBox(nullptr, getLang(24001, QStringLiteral("The RTMP address has existed.")),
                      MSGBOX_ERROR);
        return;
    }
    SERVER_ADDRITEM* item = list->servers.at(row);
    item->name = name;
    item->address = address;
    item->key = key;
    item->enabled = enabled;
    item->roomUrl = roomUrl;
    model->setData(model->index(row), rowText(row));
    list->Save();
}

void QLiveServerManagDlg::onBtnMenu()
{
    qmyservershelper loader;
    QMenu menu;
    AdjustFonts(&menu);
    if (!loader.LoadServers(&menu, presetUrls))
        return;
    menu.setStyleSheet(
        QStringLiteral("QMenu{background:rgb(71,73,78);color:rgb(240,240,240);} "
                       "QMenu::Item:selected{background: #5a69e1;} "
                       "QMenu::Item:!enabled{color: rgb(130,130,130);background:rgba(0,0,0,0);}"));
    connect(&menu, &QMenu::triggered, this, &QLiveServerManagDlg::menu_tt);
    menu.exec(ui->btnMenu->mapToGlobal(QPoint(0, ui->btnMenu->height())));
}

void QLiveServerManagDlg::menu_tt(QAction* action)
{
    if (!action)
        return;
    bool ok = false;
    const int index = action->data().toInt(&ok);
    if (ok && index >= 0 && index < presetUrls.size())
        ui->edit2->setText(presetUrls.at(index));
}
