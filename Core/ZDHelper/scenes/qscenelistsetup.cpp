#include "qscenelistsetup.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSlider>
#include <QStringListModel>
#include <QTimer>

#include "cpublic.h"
#include "msgboxdialog.h"
#include "qmypushbutton.h"
#include "sceneitemdata.h"
#include "scenelistfile.h"
#include "screenscale.h"
#include "stdafx.h"
#include "vazURIdav.h"

QSceneListSetup::QSceneListSetup(QWidget* parent) : MyDialog(parent)
{
    setStyleSheet(QString::fromUtf8(CPublic::ReadQSSFile(QStringLiteral("popupwnd.qss"))));
    model = new QStringListModel(this);
}

QSceneListSetup::~QSceneListSetup() = default;

void QSceneListSetup::bindForm(QListView* list, QLineEdit* name, QSlider* alpha, QLabel* alphaValue)
{
    m_list = list;
    m_name = name;
    m_alpha = alpha;
    m_alphaValue = alphaValue;
    m_list->setModel(model);
    // A layer name longer than its stored field would be lost on saving.
    m_name->setMaxLength(255);
    connect(m_alpha, &QSlider::valueChanged, this, &QSceneListSetup::onAlphaChanged);
}

void QSceneListSetup::finishForm(QMyPushButton* add, QMyPushButton* del, QPushButton* ok,
                                 QPushButton* cancel)
{
    ok->setText(getLang(1, "OK"));
    cancel->setText(getLang(2, "Cancel"));
    AdjustFonts(this);
    AdjustRects(this, true);
    add->SetPicture(":/images/res/add.png", 4);
    del->SetPicture(":/images/res/dec.png", 4);
    CenterWindow(this, nullptr);
    connect(ok, &QPushButton::clicked, this, &QSceneListSetup::onOKClick);
    connect(cancel, &QPushButton::clicked, this, &QSceneListSetup::onCancelClick);
    connect(add, &QPushButton::clicked, this, &QSceneListSetup::onAddClick);
    connect(del, &QPushButton::clicked, this, &QSceneListSetup::onDelClick);
}

QStringList QSceneListSetup::entries() const
{
    return model->stringList();
}

QStringList QSceneListSetup::openList(SceneItemData* item, bool isEditing, const QString& extension)
{
    layer = item;
    editing = isEditing;
    listPath = layer->listFilePath();
    QStringList lines;
    bool more = false;
    if (listPath.isEmpty() || !IsFileExisted(listPath))
        listPath = SceneListFile::NewPath(extension);
    else
        SceneListFile::ReadLines(listPath, lines, &more);
    // Lines past the limit are neither played nor shown, and go at the next
    // save: the user hears of it before that.
    if (more)
        AfxMessageBox(this,
                      getLang(37012,
                              "This list holds more than #v1# files: only the first #v1# are "
                              "played and kept.",
                              QString::number(SceneListFile::kMaxFiles)),
                      MSGBOX_NOTICE);
    return lines;
}

void QSceneListSetup::showLayer(const QStringList& shown)
{
    model->setStringList(shown);
    m_name->setText(layer->name);
    m_alpha->setValue(layer->alpha);
    m_alphaValue->setText(QString::number(layer->alpha));
}

void QSceneListSetup::startPolling()
{
    UpdatePlayInfo();
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &QSceneListSetup::timer_normal);
    timer->start(1000);
}

void QSceneListSetup::timer_normal()
{
    UpdatePlayInfo();
}

void QSceneListSetup::onAlphaChanged(int value)
{
    m_alphaValue->setText(QString::number(value));
}

void QSceneListSetup::addChosenFiles(const QString& filter, const QString& place)
{
    QStringList files;
    if (!CPublic::GetOpenFiles(files, true, filter, place, this))
        return;
    if (SceneListFile::AddChosenFiles(model, files, this) > 0)
        listChanged = true;
}

void QSceneListSetup::onDelClick()
{
    if (SceneListFile::RemoveSelected(m_list, model))
        listChanged = true;
}

bool QSceneListSetup::storeList(const QStringList& lines)
{
    if (listPath.toLocal8Bit().size() >= SCENE_LIST_PATH_BYTES ||
        !SceneListFile::WriteLines(listPath, lines)) {
        AfxMessageBox(this, getLang(37009, "The play list could not be saved: #v1#", listPath),
                      MSGBOX_ERROR);
        return false;
    }
    layer->setListFilePath(listPath);
    return true;
}

void QSceneListSetup::takeNameAndAlpha()
{
    if (!m_name->text().isEmpty())
        layer->name = m_name->text();
    layer->alpha = m_alpha->value();
}

void QSceneListSetup::send(int mask)
{
    layer->UpdatePip();
    const QByteArray key = layer->uuid.toLocal8Bit();
    ZD_EditOverlayDeviceCfg(g_Global.hCore, key.constData(), mask, &layer->pip);
}

void QSceneListSetup::onCancelClick()
{
    done(0);
}
