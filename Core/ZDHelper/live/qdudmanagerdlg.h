// The broadcast share dialog: its server half starts and stops this
// computer's share server (and the live picture with it), its client half
// searches the local network for other share servers, lists what they share
// live, and opens a chosen one in the media player.
#pragma once

#include "mydialog.h"

#include <QStringList>

namespace Ui
{
class QDudManagerDlg;
}

// A share-server search reply, read: the share server's address (empty when
// the reply names none) and the name and player address of each live share.
// An end tag counts only after its start tag; an item without a "|" after
// its first character is skipped.
struct DudSearchReply {
    QString serverUrl;
    QStringList names;
    QStringList links;
};
DudSearchReply ParseDudSearchReply(const QString& reply);

class QDudManagerDlg : public MyDialog
{
    Q_OBJECT
public:
    explicit QDudManagerDlg(QWidget* parent);
    ~QDudManagerDlg() override;

    void OnMyEventMsg(unsigned long msg, long wParam, long long lParam, void* ptr) override;
    // Fills the client half from a search reply (local 8-bit text; null
    // counts as empty).
    void showDUDInfo(const char* reply);

    Ui::QDudManagerDlg* ui = nullptr;
    // The player address of each entry of clientcbx, in the same order.
    QStringList links;

public slots:
    void onStartDUD();
    void onSetup();
    void onOpenClient();
    void onRefresh();
    void onStopDUD();
    void onHelp();

private:
    void showServerRunning(bool running);
    // The end of a search: found, with the reply; or nothing found.
    void searchDone(bool found, const char* reply);
};
