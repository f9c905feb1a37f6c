// The pictures layer editor: the picture list (kept in a list file of its
// own), name, alpha, order and delay; while editing it shows the picture on
// screen, polled once a second.
#pragma once

#include "qscenelistsetup.h"

namespace Ui
{
class QScenePictureSetup;
}

class QScenePictureSetup : public QSceneListSetup
{
    Q_OBJECT
public:
    explicit QScenePictureSetup(QWidget* parent);
    ~QScenePictureSetup() override;

    void InitValue(SceneItemData* layer, bool editing);
    bool SaveFileList();
    void UpdatePlayInfo() override;

    Ui::QScenePictureSetup* ui = nullptr;

public slots:
    void onOKClick() override;
    void onAddClick() override;
};
