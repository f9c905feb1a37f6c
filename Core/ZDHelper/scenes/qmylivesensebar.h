// The scene list of the live panel: owns the layers of the current scene,
// shows one row per layer, adds, edits, deletes, reorders, enables and locks
// them, keeps each one registered with the engine as an overlay source, puts
// the move-and-resize frame on the layer chosen on the preview, reacts to the
// engine's layer reports, and saves and loads scene files.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>

#include "scenefile.h"

class QAction;
class QDialog;
class QListWidget;
class QListWidgetItem;
class QResizeEvent;
class QMyListItem2;
class QMyRubberBand;
class SceneItemData;

class QMyLiveSenseBar : public QWidget
{
    Q_OBJECT
public:
    explicit QMyLiveSenseBar(QWidget* parent);
    ~QMyLiveSenseBar() override;

    // ---- Called by the live panel ----
    // Public so that the live panel can hand it every bus message first.
    bool event(QEvent* e) override;
    void ScreenResizeEvent(QResizeEvent* e);
    void ShowMenu(QPoint globalPos);
    bool AddDefaultCamera();
    bool IsCanShowContextMenu();
    // An empty name is "default". A name that cannot be a file name is
    // refused (false). A named save (not "default") writes its own copies of
    // the movie and picture list files.
    bool SaveSenseFile(QString name);
    bool LoadSenseFile_subdevices(QString name);
    // Deletes the movie and picture list files of the CacheData folder that
    // no layer and no file of the scene folder names any more.
    void RemoveUnusedListFiles();
    void CloseAll();
    int rowCount() const;

    // ---- Inside the scene composition ----
    void OnItemButtons(int code, QMyListItem2* row);
    void AddItem(int kind);
    void AddItemInter(SceneItemData* layer);
    void RemoveAllDevices();
    void updateItemsIdx();
    bool FocusItem(QMyListItem2* row);
    QMyListItem2* getObjectByUUID(const QString& key) const;
    QMyListItem2* getObjectByLocaPointer(const QPoint& local) const;
    QRect GetPlayerWndGlobalGeometry() const;
    QRect TranslateRectToWnd(const QRect& canvas) const;
    QRect TranslateRectToPicture(const QRect& window) const;
    QMyListItem2* rowAt(int row) const;
    SceneItemData* layerAt(int row) const;
    QSet<QString> usedKeys() const;
    // The widget the preview lies in; the main window's preview host unless
    // set otherwise.
    void setPreviewHost(QWidget* host);
    // Hides the frame and unbinds it from its layer.
    void HideFrame();

    // Editors run through this; tests answer them without a modal loop.
    using EditorRunner = std::function<int(QDialog* editor, SceneItemData* layer)>;
    static void setEditorRunner(EditorRunner runner);

    QList<SceneItemData*> layers;
    QListWidget* list = nullptr;
    QMyRubberBand* frame = nullptr;
    int baseWidth = 0;
    int baseHeight = 0;
    // The key of the layer the frame stands for; empty while it is unbound.
    QString frameKey;
    // Records of the loaded scene that could not be shown; saved back where
    // and as they were.
    QList<SceneFile::SkippedRecord> keptRecords;

public slots:
    void onMenuClick(QAction* action);
    void onItemChanged(QListWidgetItem* current, QListWidgetItem* previous);
    void rectChanging(QObject* object, QRect rect);
    void rectChanged(QObject* object, QRect rect);
    void menuClicked(QObject* object, int id);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    int runEditor(QDialog* editor, SceneItemData* layer);
    // Runs the kind's editor; adding: the layer is new.
    int editLayer(SceneItemData* layer, bool adding);
    void applyStoredFilters(SceneItemData* layer);
    void refreshRow(QMyListItem2* row);
    void sendEdit(SceneItemData* layer, int mask);
    QMyListItem2* frameRow() const;
    // The main window, or the frame over its preview, is the active window.
    bool mainActive() const;
    void handleDeviceChanged(long wParam, void* ptr);
    void handleLeftDown();
    bool handleLayerMessage(unsigned long msg, long wParam, long long lParam);
    // Names the kept records the user has not been told of yet.
    void tellSkippedLayers(const QString& sceneName);
    QSet<QByteArray> toldRecords;
};
