// Tells the user of a newer release: running and new version, the release
// picture, and download, close or skip.
#pragma once

#include "mydialog.h"

#include <QString>

class QLabel;

class Ui_QNewVerDialog;

class QNewVerDialog : public MyDialog
{
    Q_OBJECT

public:
    QNewVerDialog(QWidget* parent, bool);
    // Deletes the release picture when it was shown.
    ~QNewVerDialog() override;

    void setNewVer(const QString& version, const QString& picture);

    Ui_QNewVerDialog* ui = nullptr;
    QLabel* pictureLabel = nullptr;
    QString newVersion;
    QString picturePath;

public slots:
    void onSkipClick();
    void onDownClick();
    void onCancelClick();
};
