// The about box: icon, name, version, notice line and a link to the maker's
// home page.
#pragma once

#include "mydialog.h"

class Ui_QAboutDialog;

class QAboutDialog : public MyDialog
{
    Q_OBJECT

public:
    explicit QAboutDialog(QWidget* parent);
    ~QAboutDialog() override;

    Ui_QAboutDialog* ui = nullptr;

public slots:
    void onBtnHomeClick();
    void onBtnForceShow();
};
