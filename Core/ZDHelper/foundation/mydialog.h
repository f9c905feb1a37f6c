// Base of the application's dialogs: a dark, self-drawn window with its own
// title strip, draggable by that strip, that maps Return, Escape and the
// message-bus event onto OnOK, OnCancel and OnMyEventMsg. Return and Escape
// reach OnOK / OnCancel whichever child has the focus: no push button of a
// dialog is a default button.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

class MyDialog : public QDialog
{
    Q_OBJECT
public:
    // The flag is not used; every dialog passes true.
    MyDialog(QWidget* parent, bool);
    explicit MyDialog(QWidget* parent = nullptr);
    ~MyDialog() override;

    // Return key. The base does nothing, so the dialog stays open.
    virtual void OnOK() {}
    // Escape key and the close button. The base does nothing.
    virtual void OnCancel() {}
    // Every message-bus event that reaches the dialog, its values unchanged.
    virtual void OnMyEventMsg(unsigned long msg, long wParam, long long lParam, void* ptr)
    {
        Q_UNUSED(msg);
        Q_UNUSED(wParam);
        Q_UNUSED(lParam);
        Q_UNUSED(ptr);
    }

public slots:
    void onbtnCloseButton();

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

public:
    bool dragging = false;
    QPoint pressGlobalPos;
    QPoint pressFramePos;
    int titleButtonsHidden = 0;
    QWidget* closeButton = nullptr;
    QString backgroundPicture;
    QString spareText;
    QString titleText;

private:
    void init();
    void disarmDefaultButtons();
};
