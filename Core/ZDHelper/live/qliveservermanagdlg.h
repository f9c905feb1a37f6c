// The RTMP server editor: the user's server list with fields to add, modify
// and delete a server, and the streaming-service presets behind "<<". Every
// change is saved to "rtmpserver" at once; closing tells the main window to
// reload the live panel's server choice.
#pragma once

#include <QList>
#include <QModelIndex>
#include <QString>

#include "mydialog.h"

class QAction;
class QStringListModel;

namespace Ui
{
class QLiveServerManagDlg;
}

class QLiveServerManagDlg : public MyDialog
{
    Q_OBJECT

public:
    explicit QLiveServerManagDlg(QWidget* parent);
    ~QLiveServerManagDlg() override;

    Ui::QLiveServerManagDlg* ui = nullptr;
    QStringListModel* model = nullptr;
    QList<QString> presetUrls;

public slots:
    void onViewClick(const QModelIndex& index);
    void onBtnAddClick();
    void onBtnDelClick();
    void onBtnModifyClick();
    void onBtnMenu();
    void menu_tt(QAction* action);

private:
    int currentServerRow() const;
    // The four texts must fit the file's 1024-byte fields with their
    // terminator; a longer one is refused with a message instead of being
    // stored empty.
    bool fieldsFit(const QString& name, const QString& address, const QString& key,
                   const QString& roomUrl);
    void clearFields();
    QString rowText(int index) const;
};
