// What the movie and the pictures layer editors share: a play list kept in a
// list file of the layer's own, shown in a list view, with add and delete
// buttons; the layer's name and alpha; and the once-a-second poll of the
// running layer while editing.
#pragma once

#include <QString>
#include <QStringList>

#include "mydialog.h"

class QLabel;
class QLineEdit;
class QListView;
class QMyPushButton;
class QPushButton;
class QSlider;
class QStringListModel;
class QTimer;
class SceneItemData;

class QSceneListSetup : public MyDialog
{
    Q_OBJECT
public:
    explicit QSceneListSetup(QWidget* parent);
    ~QSceneListSetup() override;

    QStringList entries() const;
    virtual void UpdatePlayInfo() = 0;

    bool editing = false;
    SceneItemData* layer = nullptr;
    QString listPath;
    QStringListModel* model = nullptr;
    bool listChanged = false;
    QTimer* timer = nullptr;

public slots:
    virtual void onOKClick() = 0;
    virtual void onAddClick() = 0;
    void onCancelClick();
    void onDelClick();
    void onAlphaChanged(int value);
    virtual void timer_normal();

protected:
    // The form's shared widgets; called once the form is built.
    void bindForm(QListView* list, QLineEdit* name, QSlider* alpha, QLabel* alphaValue);
    // The forms' last steps, once their texts are set: OK and Cancel texts,
    // fonts and places for the screen, the add and delete pictures,
    // centring, and the four buttons wired (OK and add to the editor's own
    // handlers).
    void finishForm(QMyPushButton* add, QMyPushButton* del, QPushButton* ok, QPushButton* cancel);
    // Keeps the layer and the mode and reads the layer's list file: its
    // lines, empty ones included. A layer without a list file gets a new
    // path (written only on saving) and no lines.
    QStringList openList(SceneItemData* item, bool isEditing, const QString& extension);
    // Name, alpha and the list from the layer into the form.
    void showLayer(const QStringList& shown);
    void startPolling();
    // The open dialog for several files; the chosen ones are appended.
    void addChosenFiles(const QString& filter, const QString& place);
    // Writes lines as the list file and puts its path into the layer; false
    // (with a message, the layer unchanged) when the file could not be
    // written, so that the editor stays open.
    bool storeList(const QStringList& lines);
    // Name (when typed) and alpha from the form into the layer.
    void takeNameAndAlpha();
    // Refreshes the packed record and sends it with mask.
    void send(int mask);

private:
    QListView* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QSlider* m_alpha = nullptr;
    QLabel* m_alphaValue = nullptr;
};
