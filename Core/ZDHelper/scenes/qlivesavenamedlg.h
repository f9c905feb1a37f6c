// The "Save scene" name prompt of the live panel's scene menu.
#pragma once

#include <QString>

#include "mydialog.h"

namespace Ui
{
class QLiveSaveNameDlg;
}

class QLiveSaveNameDlg : public MyDialog
{
    Q_OBJECT
public:
    explicit QLiveSaveNameDlg(QWidget* parent);
    ~QLiveSaveNameDlg() override;

    void OnOK() override;
    void OnCancel() override;

    Ui::QLiveSaveNameDlg* ui = nullptr;
    // The entered name after result 1.
    QString name;

public slots:
    void onOKClick();
    void onCancelClick();
};
