// The move-and-resize frame over the preview: a red dotted rectangle on the
// selected layer that follows the main window's mouse messages, moves and
// resizes (optionally keeping the source's ratio) within the preview video
// rectangle, and reports every change in preview-video coordinates.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <initializer_list>

class CursorStyle;
class QMenu;

class QMyRubberBand : public QWidget
{
    Q_OBJECT
public:
    explicit QMyRubberBand(QWidget* parent = nullptr);
    ~QMyRubberBand() override;

    // Places the frame from a rectangle in preview-video coordinates; false
    // without a preview host.
    bool setGeometryFromLocal(const QRect& local);
    QRect getGeometryFromLocal() const { return frameRect; }
    // Clamps a global rectangle into the limit and stores it as the frame.
    void setGeometry(int x, int y, int w, int h);
    void setKeepaspect(bool keep, int sourceWidth, int sourceHeight);
    QRect TransToGlobal(const QRect& local) const;
    // The limit in global coordinates: limit, or the preview host's own
    // rectangle while limit is null.
    QRect limitRect() const;

    bool isKeepAspect() const { return keepAspect != 0; }
    double aspectRatio() const { return ratio; }
    bool isDragging() const { return pressed; }

    // The scene's menus: fonts scaled, the dark style, each entry (text id,
    // English text, data) followed by a separator.
    struct MenuEntry {
        unsigned textId;
        const char* text;
        int data;
    };
    static void FillMenu(QMenu& menu, std::initializer_list<MenuEntry> entries);

    QRect frameRect;
    int paintState = 0;
    int keepAspect = 0;
    double ratio = 1.0;
    bool moving = false;
    QPoint pressPoint;
    bool pressed = false;
    QRect rectAtPress;
    QRect rectAtPressKept;
    CursorStyle* cursorHelper = nullptr;
    QPointer<QWidget> previewHost;
    QPointer<QObject> object;
    QRect limit;

signals:
    void rectChanging(QObject* object, QRect rect);
    void rectChanged(QObject* object, QRect rect);
    void menuClicked(QObject* object, int id);

public slots:
    void ShowContextMenu(const QPoint& point);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void onMouse(int kind, const QPoint& p);
    void resizeStep(const QPoint& p, int region);
    void endDrag();
    // The window's shape: the band around the frame line.
    void updateBand();
};
