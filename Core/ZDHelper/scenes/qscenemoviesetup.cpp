#include "qscenemoviesetup.h"

#include <QStringListModel>

#include <cstring>

#include "sceneitemdata.h"
#include "screenscale.h"
#include "stdafx.h"
#include "ui_qscenemoviesetup.h"
#include "vazURIdav.h"

namespace
{
const QString kErrorMark = QStringLiteral("[Error]");
} // namespace

QSceneMovieSetup::QSceneMovieSetup(QWidget* parent)
    : QSceneListSetup(parent), ui(new Ui::QSceneMovieSetup)
{
    ui->setupUi(this);
    bindForm(ui->listView, ui->edit_name, ui->alpha_slider, ui->label_alpha);
    setWindowTitle(getLang(37001, "Movie"));
    titleText = windowTitle();
    ui->sname->setText(getLang(21101, "Name:"));
    ui->s1->setText(getLang(37000, "Movie list:"));
    ui->btnadd->setToolTip(getLang(37002, "Add a movie"));
    ui->btndel->setToolTip(getLang(37004, "Delete"));
    ui->btnpause->setToolTip(getLang(37003, "Pause"));
    ui->salpha->setText(getLang(21106, "Alpha:"));
    ui->radio1->setText(getLang(37005, "Loop all"));
    ui->radio2->setText(getLang(37006, "Loop one"));
    ui->svolume->setText(getLang(37007, "Volume:"));
    finishForm(ui->btnadd, ui->btndel, ui->btnOK, ui->btnCancel);
    ui->btnpause->SetPicture(":/images/res/pause.png", ":/images/res/play.png", 4);
    connect(ui->btnpause, &QPushButton::clicked, this, &QSceneMovieSetup::onPauseClick);
    connect(ui->listView, &QListView::doubleClicked, this, &QSceneMovieSetup::onListDBClick);
    connect(ui->slider_vol, &QSlider::valueChanged, this, &QSceneMovieSetup::onVolumeChanged);
    connect(ui->slider, &QSlider::valueChanged, this, &QSceneMovieSetup::onSliderChanged);
    connect(ui->slider, &QSlider::sliderPressed, this, &QSceneMovieSetup::onSliderPressed);
    connect(ui->slider, &QSlider::sliderReleased, this, &QSceneMovieSetup::onSliderReleased);
    GA_TrackScreen("live_add_movie");
}

QSceneMovieSetup::~QSceneMovieSetup()
{
    delete ui;
}

void QSceneMovieSetup::InitValue(SceneItemData* item, bool isEditing)
{
    const QStringList lines = openList(item, isEditing, ".movie-list");
    QStringList shown;
    const SCENE_MOVIE_PARAMS* p = layer->movieParams();
    for (int i = 0; i < lines.size(); ++i) {
        const bool failed = i < ZD_LAYER_LIST_FILES && p->fileError[i] != 0;
        if (failed)
            shown << kErrorMark + lines[i];
        else if (!lines[i].isEmpty())
            shown << lines[i];
    }
    showLayer(shown);
    ui->slider_vol->setValue(layer->volume);
    ui->edit_vol->setText(QString::number(layer->volume));
    if (layer->movieParams()->loopMode == 1)
        ui->radio2->setChecked(true);
    else if (layer->movieParams()->loopMode == 0)
        ui->radio1->setChecked(true);
    const double scale = g_dpi_percent;
    if (!editing) {
        ui->widget->hide();
        ui->btnOK->move(ui->btnOK->x(), ui->btnOK->y() - int(40 * scale));
        ui->btnCancel->move(ui->btnCancel->x(), ui->btnCancel->y() - int(40 * scale));
        resize(width(), height() - int(30 * scale));
        return;
    }
    startPolling();
    ui->btnpause->setCurState(layer->movieParams()->playState == 2 ? 1 : 0);
}

void QSceneMovieSetup::timer_normal()
{
    if (!sliderPressed)
        UpdatePlayInfo();
}

void QSceneMovieSetup::UpdatePlayInfo()
{
    int size = ZD_KIND_BLOCK_BYTES;
    const QByteArray key = layer->uuid.toLocal8Bit();
    if (ZD_GetOverlayPrivateData(g_Global.hCore, key.constData(), layer->params, &size) == 0)
        return;
    const SCENE_MOVIE_PARAMS* p = layer->movieParams();
    durationMs = p->durationMs;
    ui->slider->setMaximum(qMax(0, p->durationMs));
    ui->slider->setValue(p->positionMs);
    QString folder, name;
    QStringSplitPathName(SceneFieldText(p->currentPath, sizeof p->currentPath), folder, name);
    ui->s2->setText(name);
}

QString QSceneMovieSetup::TimeText(int positionMs, int durationMs)
{
    auto hms = [](int ms) {
        return QString::asprintf("%02d:%02d:%02d", ms / 3600000, (ms / 1000 % 3600) / 60,
                                 ms / 1000 % 60);
    };
    return hms(positionMs) + " / " + hms(durationMs);
}

void QSceneMovieSetup::onSliderChanged(int value)
{
    ui->s3->setText(TimeText(value, durationMs));
}

void QSceneMovieSetup::onVolumeChanged(int value)
{
    ui->edit_vol->setText(QString::number(value));
}

void QSceneMovieSetup::onAddClick()
{
    addChosenFiles("Media files(*.mp4 *.mkv *.avi *.mov *.vob *.ts *.m2ts *.m4v *.flv *.wmv *.mp3)",
                   "scene-movie");
}

bool QSceneMovieSetup::SaveFileList()
{
    QStringList lines;
    for (QString entry : model->stringList()) {
        // The mark is the editor's own, put in front of a shown entry; a
        // path that holds the same text further on is left whole.
        if (entry.startsWith(kErrorMark))
            entry.remove(0, kErrorMark.size());
        lines << entry;
    }
    return storeList(lines);
}

void QSceneMovieSetup::sendCommand(int command, int mask)
{
    layer->movieParams()->command = command;
    send(mask);
}

void QSceneMovieSetup::onListDBClick(const QModelIndex& index)
{
    if (!editing)
        return;
    SaveFileList();
    if (!index.isValid())
        return;
    const QString text = index.data().toString();
    if (text.isEmpty())
        return;
    SCENE_MOVIE_PARAMS* p = layer->movieParams();
    p->currentIndex = index.row();
    QString path = text;
    if (path.startsWith(kErrorMark))
        path.remove(0, kErrorMark.size());
    if (!SceneSetFieldText(p->currentPath, sizeof p->currentPath, path))
        std::memset(p->currentPath, 0, sizeof p->currentPath);
    sendCommand(ZD_MOVIE_CMD_PLAY_AT, SCENE_MASK_PARAMS);
    listChanged = false;
}

void QSceneMovieSetup::onPauseClick()
{
    SCENE_MOVIE_PARAMS* p = layer->movieParams();
    if (p->playState == 1) {
        p->playState = 2;
        ui->btnpause->setCurState(1);
    } else if (p->playState == 2) {
        p->playState = 1;
        ui->btnpause->setCurState(0);
    }
    sendCommand(ZD_MOVIE_CMD_PAUSE, SCENE_MASK_PARAMS);
}

void QSceneMovieSetup::onSliderPressed()
{
    sliderPressed = true;
}

void QSceneMovieSetup::onSliderReleased()
{
    if (editing) {
        layer->movieParams()->positionMs = ui->slider->value();
        sendCommand(ZD_MOVIE_CMD_SEEK, SCENE_MASK_PARAMS);
    }
    sliderPressed = false;
}

void QSceneMovieSetup::onOKClick()
{
    // The list must reach its file before anything of the layer changes: a
    // failure keeps the editor open as it was.
    if (!SaveFileList())
        return;
    takeNameAndAlpha();
    layer->volume = ui->slider_vol->value();
    layer->movieParams()->loopMode = ui->radio2->isChecked() ? 1 : 0;
    if (editing)
        sendCommand(listChanged ? ZD_MOVIE_CMD_APPLY_RELOAD : ZD_MOVIE_CMD_APPLY,
                    SCENE_MASK_ALPHA | SCENE_MASK_PARAMS | SCENE_MASK_VOLUME);
    done(1);
}
