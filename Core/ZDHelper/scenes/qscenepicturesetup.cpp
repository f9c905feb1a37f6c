#include "qscenepicturesetup.h"

#include <QStringListModel>
#include <QTimer>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "sceneitemdata.h"
#include "scenelistfile.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qscenepicturesetup.h"
#include "vazURIdav.h"

QScenePictureSetup::QScenePictureSetup(QWidget* parent)
    : MyDialog(parent), ui(new Ui::QScenePictureSetup)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    ui->setupUi(this);
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
    ui->btnOK->setText(getLang(1, "OK"));
    ui->btnCancel->setText(getLang(2, "Cancel"));
    ui->edit_name->setMaxLength(255);
    model = new QStringListModel(this);
    ui->listView->setModel(model);
    AdjustFonts(this);
    AdjustRects(this, true);
    ui->btnadd->SetPicture(":/images/res/add.png", 4);
    ui->btndel->SetPicture(":/images/res/dec.png", 4);
    CenterWindow(this, nullptr);
    connect(ui->btnOK, &QPushButton::clicked, this, &QScenePictureSetup::onOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QScenePictureSetup::onCancelClick);
    connect(ui->btnadd, &QPushButton::clicked, this, &QScenePictureSetup::onAddClick);
    connect(ui->btndel, &QPushButton::clicked, this, &QScenePictureSetup::onDelClick);
    connect(ui->alpha_slider, &QSlider::valueChanged, this, &QScenePictureSetup::onAlphaChanged);
    GA_TrackScreen("live_add_pict");
}

QScenePictureSetup::~QScenePictureSetup()
{
    delete ui;
}

QStringList QScenePictureSetup::entries() const
{
    return model->stringList();
}

void QScenePictureSetup::InitValue(SceneItemData* item, bool isEditing)
{
    layer = item;
    editing = isEditing;
    listPath = layer->listFilePath();
    QStringList shown;
    if (listPath.isEmpty() || !IsFileExisted(listPath)) {
        listPath = SceneListFile::NewPath(".picture-list");
    } else {
        QStringList lines;
        SceneListFile::ReadLines(listPath, lines);
        for (const QString& line : lines) {
            if (!line.isEmpty())
                shown << line;
        }
    }
    model->setStringList(shown);
    const SCENE_PICTURE_PARAMS* p = layer->pictureParams();
    ui->edit_name->setText(layer->name);
    ui->alpha_slider->setValue(layer->alpha);
    ui->label_alpha->setText(QString::number(layer->alpha));
    if (p->order == 1)
        ui->radio2->setChecked(true);
    else if (p->order == 0)
        ui->radio1->setChecked(true);
    ui->spinBox->setValue(p->delaySecs);
    if (editing) {
        UpdatePlayInfo();
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &QScenePictureSetup::timer_normal);
        timer->start(1000);
    }
}

void QScenePictureSetup::timer_normal()
{
    UpdatePlayInfo();
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

void QScenePictureSetup::onAlphaChanged(int value)
{
    ui->label_alpha->setText(QString::number(value));
}

void QScenePictureSetup::onAddClick()
{
    QStringList files;
    if (!CPublic::GetOpenFiles(files, true, "Media files(*.jpg *.png *.bmp *.gif)", "scene-picture",
                               this))
        return;
    if (SceneListFile::AddChosenFiles(model, files, this) > 0)
        listChanged = true;
}

void QScenePictureSetup::onDelClick()
{
    if (SceneListFile::RemoveSelected(ui->listView, model))
        listChanged = true;
}

bool QScenePictureSetup::SaveFileList()
{
    return SceneListFile::WriteLines(listPath, model->stringList());
}

void QScenePictureSetup::onOKClick()
{
    if (listPath.toLocal8Bit().size() >= SCENE_LIST_PATH_BYTES || !SaveFileList()) {
        AfxMessageBox(this, getLang(-1, "The play list could not be saved: #v1#", listPath),
                      MSGBOX_ERROR);
        return;
    }
    layer->setListFilePath(listPath);
    if (!ui->edit_name->text().isEmpty())
        layer->name = ui->edit_name->text();
    layer->alpha = ui->alpha_slider->value();
    SCENE_PICTURE_PARAMS* p = layer->pictureParams();
    p->order = ui->radio2->isChecked() ? 1 : 0;
    p->delaySecs = ui->spinBox->value();
    if (editing) {
        p->command = listChanged ? ZD_PICTURE_CMD_APPLY_RELOAD : ZD_PICTURE_CMD_APPLY;
        layer->UpdatePip();
        const QByteArray key = layer->uuid.toLocal8Bit();
        ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(),
                                SCENE_MASK_ALPHA | SCENE_MASK_PARAMS, &layer->pip);
    }
    done(1);
}

void QScenePictureSetup::onCancelClick()
{
    done(0);
}
