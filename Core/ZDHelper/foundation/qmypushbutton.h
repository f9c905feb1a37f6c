// A push button drawn from state pictures (normal, hover, pressed, disabled),
// usually cut from one horizontal sprite, with an optional bold caption. Two
// sprites make it a two-state toggle (setCurState).
#pragma once

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPushButton>
#include <QString>

class QMyPushButton : public QPushButton
{
    Q_OBJECT
public:
    explicit QMyPushButton(QWidget* parent = nullptr);
    QMyPushButton(QList<QString>& files, QWidget* parent, QString extra = QString());
    ~QMyPushButton() override;

    // Cuts `file` into n equal cells side by side, each scaled to the
    // button's current size: the button must already have its final size.
    void SetPicture(QString file, int n, QString extra = QString());
    void SetPicture(QString file0, QString file1, int n, QString extra = QString());
    void setCurState(int s);
    void setPixmapList(QList<QString>& files);
    QSize sizeHint() const override;

    int stateCount() const { return images.size(); }
    int visualStateIndex() const { return visualState; }
    const QPixmap& stateImage(int i) const { return images.at(i); }

    // Caption settings, set directly by the code that creates the button.
    float textLeftRatio = 0;
    QPixmap* extraPicture = nullptr;
    int fontPointSize = 10;
    QColor hoverTextColor;
    int useHoverTextColor = 0;
    QColor textColor;
    int useTextColor = 0;

protected:
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;

public:
    int curState = 0;
    QString picture0;
    QString picture1;
    int frameCount = 0;

private:
    QList<QPixmap> images;
    int visualState = 0;
};
