// Cover of the preview area while the preview is switched off: the last
// frame, darkened, with an "Enable" button.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QMyPushButton;

class QDisablePreviewWidget : public QWidget
{
    Q_OBJECT

public:
    explicit QDisablePreviewWidget(QWidget* parent = nullptr);
    ~QDisablePreviewWidget() override;

    // Hides QWidget::hide: the frozen frame's file goes with the cover.
    void hide();

    // A new frame replaces the old one's file; the cover's destruction takes
    // its file too.
    void setFrozenFramePath(const QString& path);
    QString frozenFramePath() const { return m_framePath; }

    QMyPushButton* enableButton() const { return m_btnEnable; }
    QLabel* messageLabel() const { return m_label; }

public slots:
    void onBtnEnable();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void dropFrame();

    QMyPushButton* m_btnEnable = nullptr;
    QLabel* m_label = nullptr;
    QString m_framePath;
    bool m_pictureLoaded = false;
};
