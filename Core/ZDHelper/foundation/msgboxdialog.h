// The application's own message box: a dark frameless dialog with a title
// band, one of three icons, the message (plain, or rich text with links) and
// one or two buttons. Shown through AfxMessageBox / AfxMessageBoxQuestion.
#pragma once

#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <functional>

#include "mydialog.h"

class QLabel;
namespace Ui
{
class MsgBoxDialog;
}

// Kinds of AfxMessageBox.
enum { MSGBOX_ERROR = 0, MSGBOX_NOTICE = 1, MSGBOX_QUESTION = 2 };

class MsgBoxDialog : public MyDialog
{
    Q_OBJECT
public:
    explicit MsgBoxDialog(QWidget* parent = nullptr);
    ~MsgBoxDialog() override;

    void InitValues(const QString& text, int kind, bool showCheck);

    // Seam for tests: while a hook is set, AfxMessageBox and
    // AfxMessageBoxQuestion show nothing. They hand the hook the message text
    // and the kind (a question is always kind 2) and return what it returns
    // (1 = left button "OK"/"Yes", 0 = right button or closed). Pass an empty
    // function to show real boxes again.
    using TestHook = std::function<int(const QString& text, int kind)>;
    static void setTestHook(TestHook hook);
    static const TestHook& testHook();

    Ui::MsgBoxDialog* ui = nullptr;
    QString yesText;
    QString noText;
    bool dontPopUpAgain = false;
    QLabel* linkLabel = nullptr;
    QRect textRect;
    QString text;
    int kind = 0;
    QList<QPixmap> icons;

protected:
    void paintEvent(QPaintEvent* e) override;

private slots:
    void on_btn_ok_clicked();
    void on_btn_cancel_clicked();
    void on_chk_clicked();

private:
    QFont messageFont() const;
};

int AfxMessageBox(void* parent, const QString& text, int kind = MSGBOX_NOTICE);
int AfxMessageBoxQuestion(void* parent, const QString& text, const QString& yesText = QString(),
                          const QString& noText = QString(), bool* dontPopUpAgain = nullptr);
