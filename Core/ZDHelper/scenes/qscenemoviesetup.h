// The movie layer editor: the play list (kept in a list file of its own),
// name, alpha, volume and loop mode; while editing also a remote control of
// the running layer (current file, position, pause) polled once a second.
#pragma once

#include "qscenelistsetup.h"

class QModelIndex;
namespace Ui
{
class QSceneMovieSetup;
}

class QSceneMovieSetup : public QSceneListSetup
{
    Q_OBJECT
public:
    explicit QSceneMovieSetup(QWidget* parent);
    ~QSceneMovieSetup() override;

    void InitValue(SceneItemData* layer, bool editing);
    // Writes the list file; false (the layer unchanged) when it failed.
    bool SaveFileList();
    void UpdatePlayInfo() override;

    // "hh:mm:ss / hh:mm:ss" of a position and a duration in milliseconds.
    static QString TimeText(int positionMs, int durationMs);

    Ui::QSceneMovieSetup* ui = nullptr;
    bool sliderPressed = false;
    int durationMs = 0;

public slots:
    void onOKClick() override;
    void onAddClick() override;
    void onListDBClick(const QModelIndex& index);
    void onPauseClick();
    void onVolumeChanged(int value);
    void onSliderChanged(int value);
    void onSliderPressed();
    void onSliderReleased();
    void timer_normal() override;

private:
    void sendCommand(int command, int mask);
};
