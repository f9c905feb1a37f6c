// One row of the scene list: the layer's kind icon, its name over an audio
// level meter, and picture buttons for enable, lock, edit, delete, up, down
// and a hidden error button. Every button hands its action to the scene
// list; the row only shows state.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QDrawAudioLabel;
class QMyPushButton;
class QMyLiveSenseBar;
class SceneItemData;

class QMyListItem2 : public QWidget
{
    Q_OBJECT
public:
    QMyListItem2(QListWidget* parent, QListWidgetItem* item, QMyLiveSenseBar* sceneList);
    ~QMyListItem2() override;

    void setIndex(int i, int n);
    void updateall();
    void updateLang();
    void SetError(const QString& text);
    // Empties the error text and hides the error button.
    void ClearError();

    QMyPushButton* btnEnable = nullptr;
    QMyPushButton* btnLock = nullptr;
    QLabel* icon = nullptr;
    QDrawAudioLabel* nameLabel = nullptr;
    QMyPushButton* btnEdit = nullptr;
    QMyPushButton* btnDel = nullptr;
    QMyPushButton* btnUp = nullptr;
    QMyPushButton* btnDown = nullptr;
    QMyPushButton* btnErr = nullptr;
    int picturesLoaded = 0;
    QListWidgetItem* listItem = nullptr;
    QMyLiveSenseBar* sceneList = nullptr;
    SceneItemData* layer = nullptr;
    int index = 0;
    bool selected = false;
    QString errorText;

public slots:
    void onBtnEdit();
    void onBtnDel();
    void onBtnUp();
    void onBtnDown();
    void onBtnErr();
    void onBtnEnable();
    void onBtnLock();
    void onItemClick();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};
