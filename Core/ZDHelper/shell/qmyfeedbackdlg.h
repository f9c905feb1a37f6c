// The feedback form: a suggestion or problem report, with an optional name
// and e-mail address, packed and sent by the engine.
#pragma once

#include "mydialog.h"

class Ui_QMyFeedBackDlg;

class QMyFeedBackDlg : public MyDialog
{
    Q_OBJECT

public:
    // Sent in place of an empty e-mail field: syntactically valid, and under
    // a top-level domain reserved so that it belongs to nobody.
    static constexpr const char* kNoEmail = "nobody@feedback.invalid";

    explicit QMyFeedBackDlg(QWidget* parent);
    ~QMyFeedBackDlg() override;

    Ui_QMyFeedBackDlg* ui = nullptr;

public slots:
    void onSend();
};
