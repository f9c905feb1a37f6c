// The pictures layer editor: the picture list (kept in a list file of its
// own), name, alpha, order and delay; while editing it shows the picture on
// screen, polled once a second.
#pragma once

#include <QString>

#include "mydialog.h"

class QStringListModel;
class QTimer;
class SceneItemData;
namespace Ui
{
class QScenePictureSetup;
}

class QScenePictureSetup : public MyDialog
{
    Q_OBJECT
public:
    explicit QScenePictureSetup(QWidget* parent);
    ~QScenePictureSetup() override;

    void InitValue(SceneItemData* layer, bool editing);
    bool SaveFileList();
    void UpdatePlayInfo();
    QStringList entries() const;

    Ui::QScenePictureSetup* ui = nullptr;
    bool editing = false;
    SceneItemData* layer = nullptr;
    QString listPath;
    QStringListModel* model = nullptr;
    bool listChanged = false;
    QTimer* timer = nullptr;

public slots:
    void onOKClick();
    void onCancelClick();
    void onAddClick();
    void onDelClick();
    void onAlphaChanged(int value);
    void timer_normal();
};
