// The movie layer editor: the play list (kept in a list file of its own),
// name, alpha, volume and loop mode; while editing also a remote control of
// the running layer (current file, position, pause) polled once a second.
#pragma once

#include <QString>

#include "mydialog.h"

class QModelIndex;
class QStringListModel;
class QTimer;
class SceneItemData;
namespace Ui
{
class QSceneMovieSetup;
}

class QSceneMovieSetup : public MyDialog
{
    Q_OBJECT
public:
    explicit QSceneMovieSetup(QWidget* parent);
    ~QSceneMovieSetup() override;

    void InitValue(SceneItemData* layer, bool editing);
    // Writes the list file; false (nothing changed on disk) when it failed.
    bool SaveFileList();
    void UpdatePlayInfo();
    QStringList entries() const;

    // "hh:mm:ss / hh:mm:ss" of a position and a duration in milliseconds.
    static QString TimeText(int positionMs, int durationMs);

    Ui::QSceneMovieSetup* ui = nullptr;
    bool editing = false;
    SceneItemData* layer = nullptr;
    QString listPath;
    QStringListModel* model = nullptr;
    bool listChanged = false;
    bool sliderPressed = false;
    int durationMs = 0;
    QTimer* timer = nullptr;

public slots:
    void onOKClick();
    void onCancelClick();
    void onAddClick();
    void onDelClick();
    void onListDBClick(const QModelIndex& index);
    void onPauseClick();
    void onAlphaChanged(int value);
    void onVolumeChanged(int value);
    void onSliderChanged(int value);
    void onSliderPressed();
    void onSliderReleased();
    void timer_normal();

private:
    void send(int command, int mask);
};
