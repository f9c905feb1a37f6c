#include "qscenepicturesetup.h"

#include <QStringListModel>

#include "sceneitemdata.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qscenepicturesetup.h"
#include "vazURIdav.h"

QScenePictureSetup::QScenePictureSetup(QWidget* parent)
    : QSceneListSetup(parent), ui(new Ui::QScenePictureSetup)
{
    ui->setupUi(this);
    bindForm(ui->listView, ui->edit_name, ui->alpha_slider, ui->label_alpha);
    setWindowTitle(getLang(38000, "Pictures"));
    titleText = windowTitle();
    ui->sname->setText(getLang(21101, "Name:"));
    ui->s1->setText(getLang(38003, "Picture list:"));
    ui->btnadd->setToolTip(getLang(38001, "Add pictures"));
    ui->btndel->setToolTip(getLang(38002, "Delete"));
    ui->salpha->setText(getLang(21106, "Alpha:"));
    ui->radio1->setText(getLang(38004, "One by one"));
    ui->radio2->setText(getLang(38005, "Random"));
    ui->s2->setText(getLang(38006, "Delay:"));
    finishForm(ui->btnadd, ui->btndel, ui->btnOK, ui->btnCancel);
    GA_TrackScreen("live_add_pict");
}

QScenePictureSetup::~QScenePictureSetup()
{
    delete ui;
}

void QScenePictureSetup::InitValue(SceneItemData* item, bool isEditing)
{
    QStringList shown;
    for (const QString& line : openList(item, isEditing, ".picture-list")) {
        if (!line.isEmpty())
            shown << line;
    }
    showLayer(shown);
    const SCENE_PICTURE_PARAMS* p = layer->pictureParams();
    if (p->order == 1)
        ui->radio2->setChecked(true);
    else if (p->order == 0)
        ui->radio1->setChecked(true);
    ui->spinBox->setValue(p->delaySecs);
    if (editing)
        startPolling();
}

void QScenePictureSetup::UpdatePlayInfo()
{
    int size = ZD_KIND_BLOCK_BYTES;
    const QByteArray key = layer->uuid.toLocal8Bit();
    if (ZD_GetOverlayPrivateData(g_Global.hCore, key.constData(), layer->params, &size) == 0)
        return;
    const SCENE_PICTURE_PARAMS* p = layer->pictureParams();
    QString folder, name;
    QStringSplitPathName(SceneFieldText(p->currentPath, sizeof p->currentPath), folder, name);
    ui->s3->setText(getLang(38007, "Playing:") + " " + name);
}

void QScenePictureSetup::onAddClick()
{
    addChosenFiles("Media files(*.jpg *.png *.bmp *.gif)", "scene-picture");
}

bool QScenePictureSetup::SaveFileList()
{
    return storeList(model->stringList());
}

void QScenePictureSetup::onOKClick()
{
    if (!SaveFileList())
        return;
    takeNameAndAlpha();
    SCENE_PICTURE_PARAMS* p = layer->pictureParams();
    p->order = ui->radio2->isChecked() ? 1 : 0;
    p->delaySecs = ui->spinBox->value();
    if (editing) {
        p->command = listChanged ? ZD_PICTURE_CMD_APPLY_RELOAD : ZD_PICTURE_CMD_APPLY;
        send(SCENE_MASK_ALPHA | SCENE_MASK_PARAMS);
    }
    done(1);
}
