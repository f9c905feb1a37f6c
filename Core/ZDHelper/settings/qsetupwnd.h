// The settings window: six pages over the persistent settings of g_Global
// (general, preview, record, picture, live and the share service, whose tab
// stays hidden). OK checks every page, writes g_Global, tells the main window
// what changed and saves setting.ini; Cancel writes nothing.
#pragma once

#include <QString>
#include <cstdint>

#include "mydialog.h"
#include "qmylang.h"

class QComboBox;

namespace Ui
{
class QSetupWnd;
}

class QSetupWnd : public MyDialog
{
    Q_OBJECT

public:
    explicit QSetupWnd(QWidget* parent);
    ~QSetupWnd() override;

    void updateLang();

    // A bitrate or size text ("10Mbps", "4GB", "1.5m", "800") in bits per
    // second (or bytes): a leading number times 2^30, 2^20 or 2^10 for a "g",
    // "m" or "k" after the first character, looked for in that order.
    static int64_t STR2Bitrate(const QString& text);
    // The text a list shows for a stored bitrate ("10Mbps", "3145728bps").
    static QString BitrateText(int32_t bitsPerSecond);
    // The text the split list shows for a stored size in MiB; 0 gives the
    // empty text (the list then selects its no-split entry).
    static QString SplitText(int32_t megabytes);

    // "WxH", width 1..3840 and height 1..2160; with allowSameToDevice also
    // 0x0. Shows the page's message and returns false otherwise.
    bool getResolution(const QString& prefix, const QString& text, int& width, int& height,
                       bool allowSameToDevice = false);
    // A frame rate of 10..60.
    bool getFps(const QString& prefix, const QString& text, int& fps);
    // An existing folder, taken as typed.
    bool getSaveDir(const QString& prefix, const QString& text, QString& folder);

    // Hot keys the main window binds: F1 to F10, stored as 1 to 10.
    static constexpr int HotKeyCount = 10;
    // Largest split size whose MiB count still fits RECORD/SPLITMB.
    static constexpr int64_t MaxSplitBytes = int64_t(INT32_MAX) * 1048576 + 1048575;

    Ui::QSetupWnd* ui = nullptr;
    QString sameToDeviceText;
    QString noSplitText;
    QMyLang myLang;

public slots:
    void onBtnOKClick();
    void onBtnCancelClick();
    void onBtnDefaultClick();
    void onBtnRecSaveBrowse();
    void onBtnPictSaveBrowse();
    void onBtnLiveSaveBrowse();
    void onBtnLiveManageRtmp();
    void onChkLiveSaveFlv();
    void onBtnTestGpu();
    void onBitrateTextChanged(const QString& text);
    void onMp4formatChanged(int index);
    void onhelpbtnclick();

private:
    void fillCodecList();
    void lockFpsForVariableRate();
};
