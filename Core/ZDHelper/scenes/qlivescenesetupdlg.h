// The live video size and frame rate of the current scene, overriding the
// live settings, or keeping them with "Same as live setting".
#pragma once

#include <QString>

#include "mydialog.h"

namespace Ui
{
class QLiveSceneSetupDlg;
}

class QLiveSceneSetupDlg : public MyDialog
{
    Q_OBJECT
public:
    explicit QLiveSceneSetupDlg(QWidget* parent);
    ~QLiveSceneSetupDlg() override;

    void InitValues();

    Ui::QLiveSceneSetupDlg* ui = nullptr;
    // 0: the live setting (width and height are 0 together).
    int width = 0;
    int height = 0;
    int fps = 0;
    QString sameText;

public slots:
    void onOK();
    void onCancel();
};
